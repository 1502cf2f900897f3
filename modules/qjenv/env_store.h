// The environment store: named values kept in an INI-style text file. Every line is kept as
// written, so that a value set from a script changes its own line and nothing else.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ini_text.h"

namespace qjenv {

// A value may be as long as the longest text a script can ask for.
constexpr std::size_t MAX_VALUE_LEN = 32767;
constexpr std::size_t MAX_NAME_LEN = 255;
// The store file is read only up to this size.
constexpr std::size_t MAX_STORE_BYTES = 1024 * 1024;

// Compares two names as the store does: without regard to (ASCII) case.
bool SameName(const std::string& strA, const std::string& strB);

class CEnvStore {
public:
    // Takes the lines of a store file: "name=value" lines, ";" and "#" comments, "[section]"
    // lines (ignored for lookup) and anything else, all kept as they are, and a byte-order
    // mark before them.
    void Parse(const std::string& strText);
    // The file's text again, with every change made since Parse.
    std::string Text() const;

    // The value of the first line that names strName.
    std::optional<std::string> Find(const std::string& strName) const;
    // Every name the store holds, in the order of its lines, each once.
    std::vector<std::string> Names() const;

    // Sets strName to strValue in its first line (appending a line when there is none);
    // a null value removes every line of the name. Later lines of the same name are dropped,
    // so that the file says one thing.
    void Set(const std::string& strName, const char* pszValue);

    // Whether a name and a value read back unchanged from a store line.
    static bool IsValidName(const std::string& strName);
    static bool IsValidValue(const std::string& strValue);

private:
    struct Line {
        std::string strText;   // the line as written, without its line break
        std::string strName;   // empty for comments, sections and other lines
        std::string strValue;  // what the line gives its name
    };
    std::vector<Line> m_lines;
    qjcommon::CIniLayout m_layout;  // kept for the text written back, and added lines
};

}  // namespace qjenv
