// POSIX hosts have no window messages; a cancel comes from another thread or a signal.
#include "platform/host_platform.h"

#include <ctime>

namespace platform {

int PumpWindowMessages(int) { return 0; }

void FormatLocalTime(char* pszBuf, size_t nSize) {
    pszBuf[0] = '\0';
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return;
    if (std::strftime(pszBuf, nSize, "%c", &local) == 0) pszBuf[0] = '\0';
}

}  // namespace platform
