// The extent of the calling thread's stack on Windows.
#include <windows.h>

#include "platform/host_platform.h"

namespace platform {

const char* StackLimit(size_t nReserve) {
    ULONG_PTR nLow = 0;
    ULONG_PTR nHigh = 0;
    GetCurrentThreadStackLimits(&nLow, &nHigh);
    if (nHigh - nLow <= nReserve) return nullptr;
    return reinterpret_cast<const char*>(nLow) + nReserve;
}

}  // namespace platform
