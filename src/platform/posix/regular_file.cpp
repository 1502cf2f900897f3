// Opening a regular file on POSIX: checked before the open, and again on what was opened.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::FILE* OpenRegularFile(const char* pszPath) {
    // The check comes first, so that a device is never opened; the open does not wait, so
    // that a FIFO put in the file's place after the check cannot block it.
    struct stat info;
    if (stat(pszPath, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    const int nFile = open(pszPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFile < 0) return nullptr;
    if (fstat(nFile, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(nFile, F_SETFL, 0) != 0) {
        close(nFile);
        return nullptr;
    }
    std::FILE* pFile = fdopen(nFile, "rb");
    if (pFile == nullptr) close(nFile);
    return pFile;
}

}  // namespace platform
