// Texts the family reads from its own files and from callers, taken as plain bytes: blanks cut
// from both ends, and names compared with ASCII letters folded, whatever the locale says.
#pragma once

#include <string_view>

namespace qjcommon {

// Space and tab: what separates the words of a line.
constexpr std::string_view BLANKS = " \t";
// Blanks and line breaks: what surrounds a value read from a whole text.
constexpr std::string_view WHITE_SPACE = " \t\r\n";

// text without the characters of strip at its start and end.
std::string_view Trim(std::string_view text, std::string_view strip = BLANKS);

// Whether a and b are the same character when an ASCII letter is taken without its case.
bool SameCharNoCase(char a, char b);

// Whether a and b are the same text when ASCII letters are taken without their case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Whether text ends in end, ASCII letters taken without their case.
bool EndsWithNoCase(std::string_view text, std::string_view end);

}  // namespace qjcommon
