// Opening a regular file on Windows: a disk file, not a directory, console, pipe or device.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

std::FILE* OpenRegularFile(const char* pszPath) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open; a pipe without a server
    // fails at once instead of waiting.
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(hFile) != FILE_TYPE_DISK) {
        CloseHandle(hFile);
        return nullptr;
    }
    const int nFile = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_RDONLY | _O_BINARY);
    if (nFile < 0) {
        CloseHandle(hFile);
        return nullptr;
    }
    std::FILE* pFile = _fdopen(nFile, "rb");
    if (pFile == nullptr) _close(nFile);
    return pFile;
}

}  // namespace platform
