// POSIX hosts have no window messages; a cancel comes from another thread or a signal.
#include "platform/host_platform.h"

#include <pthread.h>

#include <ctime>

namespace platform {

int PumpWindowMessages(int) {
    return 0;
}

void FormatLocalTime(char* pszBuf, size_t nSize) {
    pszBuf[0] = '\0';
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return;
    if (std::strftime(pszBuf, nSize, "%c", &local) == 0) pszBuf[0] = '\0';
}

const char* StackBottom() {
    // Finding the main thread's stack reads the process's memory map, so each thread looks
    // its stack up once; a thread's stack stays where it is.
    struct Extent {
        const char* pLow = nullptr;
        bool bLooked = false;
    };
    thread_local Extent extent;
    if (!extent.bLooked) {
        extent.bLooked = true;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* pLow = nullptr;
            size_t nSize = 0;
            if (pthread_attr_getstack(&attr, &pLow, &nSize) == 0)
                extent.pLow = static_cast<const char*>(pLow);
            pthread_attr_destroy(&attr);
        }
    }
    return extent.pLow;
}

}  // namespace platform
