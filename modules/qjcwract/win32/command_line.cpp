// Quoting words into one Windows command line. The program's start-up code splits a command
// line by blanks; quotes group blanks, and backslashes are special only before a quote.
#include "win32_action.h"

namespace qjact::win32 {

namespace {

std::string QuoteWord(const std::string& strWord) {
    if (!strWord.empty() && strWord.find_first_of(" \t\n\v\"") == std::string::npos) return strWord;
    std::string strQuoted = "\"";
    std::size_t nBackslashes = 0;
    for (char c : strWord) {
        if (c == '\\') {
            ++nBackslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped; others stay as they are.
        strQuoted.append(c == '"' ? nBackslashes * 2 + 1 : nBackslashes, '\\');
        strQuoted.push_back(c);
        nBackslashes = 0;
    }
    // Backslashes before the closing quote are doubled so that they do not escape it.
    strQuoted.append(nBackslashes * 2, '\\');
    strQuoted.push_back('"');
    return strQuoted;
}

}  // namespace

std::string BuildCommandLine(const std::string& strProgram,
                             const std::vector<std::string>& arrArgs) {
    std::string strLine = QuoteWord(strProgram);
    for (const std::string& strArg : arrArgs) strLine += " " + QuoteWord(strArg);
    return strLine;
}

}  // namespace qjact::win32
