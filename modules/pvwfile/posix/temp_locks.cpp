// The locks of temporaries on POSIX: a shared flock held by the writer; a sweeper that takes an
// exclusive one without waiting knows the writer is gone.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "../platform.h"
#include "last_error.h"

namespace pvw {

void ReleaseTemp(TempLock lock) {
    if (lock >= 0) ::close(static_cast<int>(lock));
}

bool RemoveStaleTemp(DirHandle dir, const std::string& strName, std::error_code& ec) {
    int nDir = static_cast<int>(dir);
    int nFd = ::openat(nDir, strName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (nFd < 0) {
        if (errno != ELOOP && errno != ENOENT) ec = LastError();  // a link, or gone already
        return false;
    }
    bool bRemoved = false;
    if (flock(nFd, LOCK_EX | LOCK_NB) == 0) {
        // Its writer let go of it without renaming it: it is garbage of a run that ended.
        bRemoved = ::unlinkat(nDir, strName.c_str(), 0) == 0;
        if (!bRemoved && errno != ENOENT) ec = LastError();
    } else if (errno != EWOULDBLOCK) {
        ec = LastError();
    }
    ::close(nFd);
    return bRemoved;
}

size_t MaxLockedTemps() {
    // Two thirds of the descriptors left after a margin for the host and the open directories.
    struct rlimit limit;
    rlim_t nSoft = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    rlim_t nSpare = nSoft > 256 ? (nSoft - 256) / 3 * 2 : 0;
    return static_cast<size_t>(std::clamp<rlim_t>(nSpare, 32, 2048));
}

}  // namespace pvw
