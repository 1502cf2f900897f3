// Cutting the lines of a trace text that are longer than the trace's line limit.
#include "line_cut.h"

#include <cerrno>
#include <cstdlib>

namespace pvtrc {

namespace {
constexpr std::size_t DEFAULT_LINE_MAX = 8 * 1024;
// A UTF-8 character has at most three bytes after its first.
constexpr std::size_t MAX_CONTINUATION_BYTES = 3;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// How many bytes of the line at nBegin stay: nMax, less the start of a character it would split.
std::size_t KeptBytes(const std::string& strText, std::size_t nBegin, std::size_t nMax) {
    std::size_t nKeep = nMax;
    for (std::size_t i = 0; i < MAX_CONTINUATION_BYTES && nKeep > 0; ++i) {
        if (!IsContinuationByte(strText[nBegin + nKeep])) return nKeep;
        --nKeep;
    }
    // Not UTF-8 after all: the bytes are cut where the limit falls.
    return IsContinuationByte(strText[nBegin + nKeep]) ? nMax : nKeep;
}
}  // namespace

std::size_t LineLimit(const char* pszSetting) {
    if (pszSetting == nullptr || *pszSetting < '0' || *pszSetting > '9') return DEFAULT_LINE_MAX;
    char* pszEnd = nullptr;
    errno = 0;
    unsigned long long nValue = std::strtoull(pszSetting, &pszEnd, 10);
    if (*pszEnd != '\0' || errno == ERANGE) return DEFAULT_LINE_MAX;
    return static_cast<std::size_t>(nValue);
}

void CutLongLines(std::string& strText, std::size_t nMax) {
    if (nMax == 0 || strText.size() <= nMax) return;
    std::string strCut;
    std::size_t nPos = 0;
    while (nPos < strText.size()) {
        std::size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos) nEnd = strText.size();
        std::size_t nLen = nEnd - nPos;
        std::size_t nKeep = nLen > nMax ? KeptBytes(strText, nPos, nMax) : nLen;
        strCut.append(strText, nPos, nKeep);
        if (nKeep < nLen) strCut += " [... " + std::to_string(nLen - nKeep) + " bytes left out]";
        strCut.append(strText, nEnd, 1);  // the line feed, when there is one
        nPos = nEnd + 1;
    }
    strText.swap(strCut);
}

}  // namespace pvtrc
