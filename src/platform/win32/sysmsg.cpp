// The system message table's text for a status code, through FormatMessageA.
#include "platform/sysmsg.h"

#include <windows.h>

#include <utility>

namespace {

// The system allocates the buffer, inserts stay as they are, and the text's own line breaks
// are dropped.
constexpr DWORD kFormatFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
static_assert(kFormatFlags == 0x13FF);
static_assert(LANG_USER_DEFAULT == 0x400);

}  // namespace

bool GetSystemMessageText(int32_t sc, std::string& strOut) {
    char* pszText = nullptr;
    DWORD nLen = FormatMessageA(kFormatFlags, nullptr, static_cast<DWORD>(sc), LANG_USER_DEFAULT,
                                reinterpret_cast<char*>(&pszText), 0, nullptr);
    bool bFound = nLen != 0 && pszText != nullptr;
    if (bFound) {
        std::string strText(pszText, nLen);
        while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r'))
            strText.pop_back();
        strOut = std::move(strText);
    }
    LocalFree(pszText);
    return bFound;
}
