// The last Win32 error as an error code whose message is the system's text.
#pragma once

#include <windows.h>

#include <system_error>

namespace pvw {
inline std::error_code LastWinError() {
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}
}  // namespace pvw
