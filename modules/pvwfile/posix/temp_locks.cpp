// The locks of temporaries on POSIX: a shared flock held by the writer; a sweeper that takes an
// exclusive one without waiting knows the writer is gone. And how many descriptors the copies,
// locked or unnamed, may hold.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "../platform.h"
#include "last_error.h"

namespace pvw {

void ReleaseTemp(TempLock lock) {
    if (lock >= 0) ::close(static_cast<int>(lock));
}

namespace {

// Removes the files and links of the open folder nFd, none followed, and leaves anything else.
bool RemoveFilesIn(int nFd) {
    std::vector<CEntry> arrEntries;
    std::error_code ec;
    if (!ListDirectory(nFd, arrEntries, ec)) return false;
    bool bOk = true;
    for (const CEntry& entry : arrEntries) {
        bool bFileOrLink = entry.eKind == EKind::File || entry.eKind == EKind::Link;
        if (bFileOrLink && ::unlinkat(nFd, entry.strName.c_str(), 0) != 0 && errno != ENOENT) {
            bOk = false;
        }
    }
    return bOk;
}

// Removes the temporary strName of nDir, open as nFd: a file, or a folder with what a copy
// writes into it.
bool RemoveTemp(int nDir, const std::string& strName, int nFd) {
    struct stat st;
    if (fstat(nFd, &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) return ::unlinkat(nDir, strName.c_str(), 0) == 0;
    return RemoveFilesIn(nFd) && ::unlinkat(nDir, strName.c_str(), AT_REMOVEDIR) == 0;
}

}  // namespace

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
        bRemoved = RemoveTemp(nDir, strName, nFd);
        if (!bRemoved && errno != ENOENT) ec = LastError();
    } else if (errno != EWOULDBLOCK) {
        ec = LastError();
    }
    ::close(nFd);
    return bRemoved;
}

namespace {

// The descriptors the process has open, as /proc lists them; nUnknown where it cannot.
rlim_t OpenDescriptors(rlim_t nUnknown) {
    DIR* pDir = ::opendir("/proc/self/fd");
    if (pDir == nullptr) return nUnknown;
    rlim_t nEntries = 0;
    while (::readdir(pDir) != nullptr) ++nEntries;
    ::closedir(pDir);
    return nEntries > 3 ? nEntries - 3 : 0;  // less ".", ".." and the listing's own
}

}  // namespace

size_t MaxHeldCopies() {
    // Half of the descriptors still free, less a margin for the open directories and the
    // copies' sources, the other half left to the host; where the open ones cannot be counted,
    // half of the limit is taken as open.
    struct rlimit limit;
    rlim_t nSoft = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    nSoft = std::min<rlim_t>(nSoft, rlim_t{1} << 30);  // unlimited
    rlim_t nOpen = OpenDescriptors(nSoft / 2);
    rlim_t nFree = nSoft > nOpen ? nSoft - nOpen : 0;
    rlim_t nMargin = std::min<rlim_t>(nFree / 2, 256);
    return static_cast<size_t>(std::max<rlim_t>((nFree - nMargin) / 2, 1));
}

}  // namespace pvw
