// Opening a file that must be a regular file, such as a script: whatever the path names, the
// open neither waits (a FIFO without a writer) nor touches a device.
#pragma once

#include <cstdio>

namespace platform {

// The file opened for reading in binary mode, or null when it cannot be opened or is not a
// regular file once links are followed (a directory, device, FIFO or socket).
std::FILE* OpenRegularFile(const char* pszPath);

}  // namespace platform
