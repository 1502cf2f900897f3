// Loading of the script file into the line array.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/engine.h"
#include "platform/regular_file.h"

namespace {
// One read delivers at most one character less than this, so a line that is too long is
// still seen as too long.
constexpr int READ_BUFFER = MAX_LINE + 5;
// Lines are numbered by 32-bit integers, and the array holds one element more than the file
// has lines.
constexpr int32_t MAX_LINES = INT32_MAX - 1;

struct FileCloser {
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};

// Cuts the line feed, and a carriage return before it, so that CR LF and LF files load alike.
void CutLineEnd(char* pszLine) {
    char* pszFeed = std::strchr(pszLine, '\n');
    if (pszFeed == nullptr) return;
    if (pszFeed > pszLine && pszFeed[-1] == '\r') --pszFeed;
    *pszFeed = '\0';
}

// A line's length as the limit counts it: with its line feed, without the carriage return
// that a text-mode read would have dropped.
size_t CountedLength(const char* pszLine) {
    size_t nLen = std::strlen(pszLine);
    if (nLen >= 2 && pszLine[nLen - 1] == '\n' && pszLine[nLen - 2] == '\r') --nLen;
    return nLen;
}
}  // namespace

void CScriptEngine::LoadScript(const char* pszScript) {
    // Only a regular file: the two passes cannot read a stream twice, and a FIFO or a device
    // could keep the run waiting where no cancel reaches it.
    std::unique_ptr<FILE, FileCloser> pFile(
        pszScript != nullptr ? platform::OpenRegularFile(pszScript) : nullptr);
    if (pFile == nullptr) Raise(pszScript != nullptr ? pszScript : "NULL", ERR_OPEN_SCRIPT);

    std::vector<char> buffer(READ_BUFFER);
    char* pszBuf = buffer.data();
    int32_t nCount = 0;
    while (std::fgets(pszBuf, READ_BUFFER, pFile.get()) != nullptr) {
        pszBuf[READ_BUFFER - 1] = '\0';
        if (CountedLength(pszBuf) > static_cast<size_t>(MAX_LINE)) {
            m_nCurLine = nCount;
            Raise(pszScript, ERR_LINE_TOO_LONG);
        }
        if (nCount == MAX_LINES) Raise(pszScript, ERR_READ_SCRIPT);
        ++nCount;
    }
    if (std::ferror(pFile.get())) Raise(pszScript, ERR_READ_SCRIPT);

    std::rewind(pFile.get());
    m_arrLines.assign(static_cast<size_t>(nCount) + 1, std::string());
    int32_t nIndex = 0;
    while (nIndex <= nCount && std::fgets(pszBuf, READ_BUFFER, pFile.get()) != nullptr) {
        CutLineEnd(pszBuf);
        const char* pszText = pszBuf;
        while (std::isspace(static_cast<unsigned char>(*pszText))) ++pszText;
        // A comment line stays as an empty line so that line numbers stay true.
        if (!(pszText[0] == '/' && pszText[1] == '/')) m_arrLines[nIndex] = pszText;
        ++nIndex;
    }
    if (std::ferror(pFile.get()) || nIndex != nCount) Raise(pszScript, ERR_READ_SCRIPT);
}
