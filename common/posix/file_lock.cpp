// The lock file on POSIX: flock on a file opened without following a link. The file holds no
// data, and a lock needs no more than reading it: every user who may change the file beside
// it can then take the lock, whoever made the lock file.
#include "../file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qjcommon {

CFileLock::~CFileLock() {
    if (m_nHandle >= 0) ::close(static_cast<int>(m_nHandle));
}

bool CFileLock::Lock(const std::string& strPath, std::string& strReason) {
    int nFd = ::open(strPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (nFd < 0) {
        strReason = "cannot open the lock file \"" + strPath + "\": " + std::strerror(errno);
        return false;
    }
    while (::flock(nFd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        strReason = "cannot lock \"" + strPath + "\": " + std::strerror(errno);
        ::close(nFd);
        return false;
    }
    m_nHandle = nFd;
    return true;
}

}  // namespace qjcommon
