// The system's text for a Win32 error code.
#include "win32_action.h"

namespace qjact::win32 {

std::string SystemMessage(DWORD nError) {
    char* pszText = nullptr;
    DWORD nLen = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, nError, 0, reinterpret_cast<char*>(&pszText), 0, nullptr);
    std::string strText = nLen > 0 ? std::string(pszText, nLen) : std::string();
    if (pszText != nullptr) ::LocalFree(pszText);
    std::size_t nEnd = strText.find_last_not_of("\r\n .");
    strText.erase(nEnd == std::string::npos ? 0 : nEnd + 1);
    return strText.empty() ? "error " + std::to_string(nError) : strText;
}

}  // namespace qjact::win32
