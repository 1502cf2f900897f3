// The extent of the calling thread's stack on Windows.
#include <windows.h>

#include "platform/host_platform.h"

namespace platform {

const char* StackBottom() {
    ULONG_PTR nLow = 0;
    ULONG_PTR nHigh = 0;
    GetCurrentThreadStackLimits(&nLow, &nHigh);
    return reinterpret_cast<const char*>(nLow);
}

}  // namespace platform
