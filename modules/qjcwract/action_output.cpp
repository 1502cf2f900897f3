// Bounded capture of a program's output.
#include "action_output.h"

#include <algorithm>
#include <cstring>

namespace qjact {

void COutputCapture::Append(const char* pData, std::size_t nSize) {
    m_nTotal += nSize;
    std::size_t nRoom = MAX_OUTPUT - m_strKept.size();
    m_strKept.append(pData, std::min(nRoom, nSize));
}

std::string COutputCapture::Text() const {
    std::size_t nEnd = m_strKept.find_last_not_of("\r\n");
    return nEnd == std::string::npos ? std::string() : m_strKept.substr(0, nEnd + 1);
}

void CopyToBuffer(const std::string& strText, char* pszOut) {
    if (pszOut == nullptr) return;
    std::size_t nLen = std::min(strText.size(), MAX_OUTPUT);
    std::memcpy(pszOut, strText.data(), nLen);
    pszOut[nLen] = '\0';
}

}  // namespace qjact
