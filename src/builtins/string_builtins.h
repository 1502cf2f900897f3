// The text work of the string, conversion and path built-ins, apart from argument handling.
#pragma once

#include <cstdint>
#include <string>

namespace text {

// -1, 0 or 1 as the first text sorts before, with or after the second, byte by byte as
// unsigned values.
int32_t Compare(const char* pszA, const char* pszB);

// Case and white space follow the character classes of the current locale.
void MakeUpper(std::string& str);
void MakeLower(std::string& str);
void TrimLeft(std::string& str);
void TrimRight(std::string& str);

// Remove every leading (trailing) character that occurs in the set; a null or empty set
// removes nothing.
void TrimLeftSet(std::string& str, const char* pszSet);
void TrimRightSet(std::string& str, const char* pszSet);

// The part after the last backslash, and the part up to and including it; a null text
// gives the empty text.
std::string FileNameOf(const char* pszPath);
std::string DirectoryOf(const char* pszPath);

// Cut the text after the n-th occurrence of the set's first character counted from the
// start, or before the n-th counted from the end. A null text gives the empty text; a null
// set or n below 1 gives the whole text.
std::string StripCharLeft(const char* pszText, const char* pszSet, int32_t n);
std::string StripCharRight(const char* pszText, const char* pszSet, int32_t n);

}  // namespace text
