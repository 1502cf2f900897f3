// Windows error codes in words, from FormatMessageA.
#include "system_reason.h"

namespace qjcommon {

std::string SystemReason(DWORD nError) {
    char szText[512];
    DWORD nFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD nLen = ::FormatMessageA(nFlags, nullptr, nError, 0, szText, sizeof szText, nullptr);
    while (nLen > 0 && (szText[nLen - 1] == '\r' || szText[nLen - 1] == '\n' ||
                        szText[nLen - 1] == '.' || szText[nLen - 1] == ' '))
        --nLen;
    return nLen > 0 ? std::string(szText, nLen) : "error " + std::to_string(nError);
}

}  // namespace qjcommon
