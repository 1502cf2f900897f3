// Splits an action's argument text into words the way a shell would, with nothing expanded.
#pragma once

#include <string>
#include <vector>

namespace qjact {

// Blanks, tabs and line ends separate words. Inside single quotes every character stands for
// itself; inside double quotes a backslash escapes only ", \, $, ` and a line end; elsewhere a
// backslash escapes the next character. "$", "*", "~" and the like are plain characters: no
// variable, pattern or command is ever expanded. A null or blank text gives no words. Answers
// false with the reason for an unclosed quote or a backslash at the very end.
bool SplitWords(const char* pszText, std::vector<std::string>& arrWords, std::string& strReason);

}  // namespace qjact
