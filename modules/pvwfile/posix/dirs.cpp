// Open directories on POSIX: descriptors opened with O_NOFOLLOW below the roots, and the
// directories made, removed and finished inside them.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../platform.h"
#include "last_error.h"

namespace pvw {

namespace {
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
}

bool OpenRootDir(const Path& path, DirHandle& dir, std::error_code& ec) {
    int nFd = ::open(path.c_str(), kDirFlags);
    if (nFd < 0) {
        ec = LastError();
        return false;
    }
    dir = nFd;
    return true;
}

bool OpenChildDir(DirHandle dir, const std::string& strName, DirHandle& child,
                  std::error_code& ec) {
    int nFd = ::openat(static_cast<int>(dir), strName.c_str(), kDirFlags | O_NOFOLLOW);
    if (nFd < 0) {
        ec = LastError();
        return false;
    }
    child = nFd;
    return true;
}

void CloseDir(DirHandle dir) {
    ::close(static_cast<int>(dir));
}

bool DirIdentity(DirHandle dir, CIdentity& id, std::error_code& ec) {
    struct stat st;
    if (fstat(static_cast<int>(dir), &st) != 0) {
        ec = LastError();
        return false;
    }
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool MakeDirAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    if (::mkdirat(static_cast<int>(dir), strName.c_str(), 0700) == 0) return true;
    ec = LastError();
    return false;
}

bool MakeLockedTempDir(DirHandle dir, const std::string& strName, TempLock& lock,
                       std::error_code& ec) {
    int nDir = static_cast<int>(dir);
    if (::mkdirat(nDir, strName.c_str(), 0700) != 0) {
        ec = LastError();
        return false;
    }
    // Locked before anyone may take it for the garbage of a run that ended.
    int nFd = ::openat(nDir, strName.c_str(), kDirFlags | O_NOFOLLOW);
    if (nFd >= 0 && flock(nFd, LOCK_SH) == 0) {
        lock = nFd;
        return true;
    }
    ec = LastError();
    if (nFd >= 0) ::close(nFd);
    ::unlinkat(nDir, strName.c_str(), AT_REMOVEDIR);
    return false;
}

bool RemoveDirAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    if (::unlinkat(static_cast<int>(dir), strName.c_str(), AT_REMOVEDIR) == 0) return true;
    ec = LastError();
    return false;
}

bool SetDirModeAndTime(DirHandle dir, const CEntry& entry, std::error_code& ec) {
    std::int64_t nSec = entry.nTime / 1000000000, nNsec = entry.nTime % 1000000000;
    if (nNsec < 0) {
        nNsec += 1000000000;
        --nSec;
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(nSec), nNsec}};
    int nFd = static_cast<int>(dir);
    struct stat st;
    if (fstat(nFd, &st) == 0 && (st.st_mode & 07777) == (entry.nMode & 07777) &&
        st.st_mtim.tv_sec == nSec && st.st_mtim.tv_nsec == nNsec) {
        return true;  // a directory that has them already keeps its change time too
    }
    if (fchmod(nFd, entry.nMode & 07777) == 0 && futimens(nFd, times) == 0) return true;
    ec = LastError();
    return false;
}

}  // namespace pvw
