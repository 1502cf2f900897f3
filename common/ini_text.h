// The one reader of the family's INI files: "[section]" lines, "name = value" lines, ";" and
// "#" comments. A UTF-8 byte-order mark before the first line is accepted, and the text's
// layout (the mark, its line break, whether its last line ends in one) is kept, so that a file
// written back with a line changed looks as it did, comments and all.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qjcommon {

enum class EIniLine { Blank, Comment, Section, Entry, Other };

// One line as the reader sees it; the texts point into the text read.
struct CIniLine {
    EIniLine nKind;
    std::string_view text;     // the whole line, without its break
    std::string_view section;  // the section the line is in; a section line's own name
    std::string_view name;     // an entry's name, without blanks around it
    std::string_view value;    // an entry's value, without blanks around it
};

struct CIniLayout {
    bool bByteOrderMark = false;
    const char* pszBreak = "\n";  // "\r\n" when the text holds one
    bool bFinalBreak = true;      // whether the last line ends in a break (an empty text does)
};

// Called for each line in order; answers false to stop the reading.
using IniLineFn = std::function<bool(const CIniLine&)>;

// Hands every line of text to onLine and answers the text's layout.
CIniLayout ReadIni(std::string_view text, const IniLineFn& onLine);

// The lines as one text again, laid out as the text they were read from.
std::string JoinIni(const CIniLayout& layout, const std::vector<std::string>& lines);

}  // namespace qjcommon
