// The system's own words for a Windows error code.
#pragma once

#include <windows.h>

#include <string>

namespace qjcommon {

// The message of nError without its closing period and line break, else "error <n>".
std::string SystemReason(DWORD nError);

}  // namespace qjcommon
