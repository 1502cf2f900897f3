// The trace's line limit: a line longer than it is cut, with a marker saying how much was cut.
#pragma once

#include <cstddef>
#include <string>

namespace pvtrc {

// The limit that QJ_TRACE_LINE_MAX sets: a whole number of bytes, 0 for no limit. Unset, empty
// or not a whole number, it is 8 KiB.
std::size_t LineLimit(const char* pszSetting);

// Cuts every line of the text (up to a line feed, or the end) that is longer than nMax bytes to
// its first nMax bytes, or a few less so that a UTF-8 character stays whole, and puts the marker
// " [... N bytes left out]" after it. With nMax 0 the text stays as it is.
void CutLongLines(std::string& strText, std::size_t nMax);

}  // namespace pvtrc
