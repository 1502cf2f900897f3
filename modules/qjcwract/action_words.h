// Splits an action's argument text into words the way the system's programs expect: on POSIX
// as a shell would, with nothing expanded; on Windows as programs split their command lines.
#pragma once

#include <string>
#include <vector>

namespace qjact {

// POSIX (posix/): blanks, tabs and line ends separate words. Inside single quotes every
// character stands for itself; inside double quotes a backslash escapes only ", \, $, ` and a
// line end; elsewhere a backslash escapes the next character. "$", "*", "~" and the like are
// plain characters: no variable, pattern or command is ever expanded. Answers false with the
// reason for an unclosed quote or a backslash at the very end.
// Windows (win32/): the system's own rules for a command line's arguments (CommandLineToArgvW):
// blanks and tabs separate words, double quotes group them, and a backslash is special only in
// a run of backslashes before a double quote, so "C:\dir\file" stays as it is written. The
// words are quoted again by the same rules when the program is started.
// A null or blank text gives no words.
bool SplitWords(const char* pszText, std::vector<std::string>& arrWords, std::string& strReason);

}  // namespace qjact
