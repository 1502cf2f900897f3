// The action module's trace lines: one line per action acted on, through the trace module.
#pragma once

namespace qjact {

// Formats one line (printf-style, without its line end) and sends it to the trace module.
void TraceLine(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qjact
