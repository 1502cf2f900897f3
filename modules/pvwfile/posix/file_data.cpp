// Copying file data on POSIX: copy_file_range, which shares blocks (a reflink) where the file
// system can and copies inside the kernel elsewhere; read and write where it is not offered.
// A file with holes is copied range by range, so that its copy has the same holes. Written files
// reach the disk through one syncfs per file system and batch, which also answers a write error
// that a file system reports late. A copy of a file new to its folder is written without a name
// (O_TMPFILE) and linked under its own once on the disk: no temporary name is ever made for it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "../platform.h"
#include "extras.h"
#include "last_error.h"
#include "posix/fd.h"

namespace pvw {

namespace {

constexpr size_t kChunk = size_t{64} << 20;      // one copy_file_range call
constexpr size_t kBufferSize = size_t{1} << 20;  // the read and write fallback

using qjcommon::CFd;

// Copies from nDone, where both descriptors stand, up to nEnd, or to the end of the file when
// nEnd is 0.
bool ReadWriteCopy(int nIn, int nOut, std::uint64_t nDone, std::uint64_t nEnd,
                   const ProgressFn& pfnProgress) {
    thread_local std::vector<char> s_buffer(kBufferSize);
    while (nEnd == 0 || nDone < nEnd) {
        size_t nWant =
            nEnd == 0 ? s_buffer.size() : std::min<std::uint64_t>(kBufferSize, nEnd - nDone);
        ssize_t nRead = ::read(nIn, s_buffer.data(), nWant);
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead <= 0) return nRead == 0;
        for (ssize_t nOff = 0; nOff < nRead;) {
            ssize_t nWritten = ::write(nOut, s_buffer.data() + nOff, nRead - nOff);
            if (nWritten < 0 && errno == EINTR) continue;
            if (nWritten <= 0) {
                if (nWritten == 0) errno = ENOSPC;
                return false;
            }
            nOff += nWritten;
        }
        nDone += static_cast<std::uint64_t>(nRead);
        pfnProgress(nDone);
    }
    return true;
}

// Copies from nFrom, where both descriptors stand, up to nEnd: the size the file had when it
// was opened (a file that changes meanwhile is caught by its size and time after the copy), or
// its end when nEnd is 0, for a file that claims no size, as some system files do.
bool CopyData(int nIn, int nOut, std::uint64_t nFrom, std::uint64_t nEnd,
              const ProgressFn& pfnProgress) {
    std::uint64_t nDone = nFrom;
    while (nEnd == 0 || nDone < nEnd) {
        size_t nWant = nEnd == 0 ? kChunk : std::min<std::uint64_t>(kChunk, nEnd - nDone);
        ssize_t n = ::copy_file_range(nIn, nullptr, nOut, nullptr, nWant, 0);
        if (n > 0) {
            nDone += static_cast<std::uint64_t>(n);
            pfnProgress(nDone);
            continue;
        }
        if (n == 0) return true;
        if (errno == EINTR) continue;
        bool bNotOffered = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                           errno == EOPNOTSUPP || errno == EPERM;
        if (!bNotOffered || nDone != nFrom) return false;
        return ReadWriteCopy(nIn, nOut, nDone, nEnd, pfnProgress);
    }
    return true;
}

// A file with holes: only the ranges that hold data are copied, found with SEEK_DATA and
// SEEK_HOLE, so that the copy takes no more room than the source; the copy's size, set last,
// makes a hole at its end.
bool CopySparseData(int nIn, int nOut, std::uint64_t nSize, const ProgressFn& pfnProgress) {
    const off_t nEnd = static_cast<off_t>(nSize);
    for (off_t nOff = 0; nOff < nEnd;) {
        off_t nData = ::lseek(nIn, nOff, SEEK_DATA);
        if (nData < 0 && errno == ENXIO) break;  // only a hole is left
        off_t nHole = nData < 0 ? -1 : ::lseek(nIn, nData, SEEK_HOLE);
        if (nHole < 0 || ::lseek(nIn, nData, SEEK_SET) < 0 || ::lseek(nOut, nData, SEEK_SET) < 0) {
            return false;
        }
        nHole = std::min(nHole, nEnd);
        if (nData >= nHole) break;  // data only beyond the size copied
        if (!CopyData(nIn, nOut, static_cast<std::uint64_t>(nData),
                      static_cast<std::uint64_t>(nHole), pfnProgress)) {
            return false;
        }
        nOff = nHole;
    }
    return ::ftruncate(nOut, nEnd) == 0;
}

// Fewer blocks than its size needs: the file has holes.
bool HasHoles(const struct stat& st) {
    return static_cast<std::uint64_t>(st.st_blocks) * 512 < static_cast<std::uint64_t>(st.st_size);
}

// Whether a copy, made where nobody else can reach it before it is in place, may be made with
// its source's permissions, so that no fchmod is needed after: where neither the umask nor a
// default ACL of its folder takes any away, and no special bit is asked for, which a change of
// owner would clear.
bool MadeWithFinalMode(const struct stat& st, const CMadeFileFacts& made) {
    return made.bKnown && made.nUmask >= 0 && !made.bDefaultAcl &&
           (st.st_mode & (07000 | static_cast<mode_t>(made.nUmask))) == 0;
}

// Owner only, where the permissions are set after the copy.
mode_t MadeMode(const struct stat& st, bool bFinalMode) {
    return bFinalMode ? st.st_mode & 0777 : 0600;
}

// bModeSet: nOut was made with its source's permissions.
bool CopyOpenFile(int nIn, const struct stat& st, int nOut, const CMadeFileFacts& made,
                  bool bModeSet, const ProgressFn& pfnProgress, unsigned& nNotKept) {
    auto nSize = static_cast<std::uint64_t>(st.st_size);
    if (!(HasHoles(st) ? CopySparseData(nIn, nOut, nSize, pfnProgress)
                       : CopyData(nIn, nOut, 0, nSize, pfnProgress)) ||
        !KeepExtras(nIn, st, nOut, made, nNotKept) ||
        (!bModeSet && fchmod(nOut, st.st_mode & 07777) != 0)) {
        return false;
    }
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    return futimens(nOut, times) == 0;
}

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

void FillCopied(const struct stat& st, const std::string& strName, CEntry& copied) {
    copied.strName = strName;
    copied.eKind = EKind::File;
    copied.nSize = static_cast<std::uint64_t>(st.st_size);
    copied.nTime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    copied.nMode = st.st_mode & 07777;
    copied.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Whether an unnamed copy can be given its name later: through /proc, or by root, who may link a
// descriptor itself. Without either (a process without /proc) every copy is written named.
bool MayNameUnnamed() {
    static const bool bMay = ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0;
    return bMay;
}

// Opens the copy: without a name where one may be and the file system can, with nUnnamedMode,
// else under strTemp, for its owner only.
int OpenCopy(int nDir, const std::string& strTemp, mode_t nUnnamedMode, bool& bUnnamed) {
    bUnnamed = bUnnamed && MayNameUnnamed();
    if (bUnnamed) {
        int nFd = ::openat(nDir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, nUnnamedMode);
        // Refused by a file system without them (or a kernel that predates them).
        if (nFd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return nFd;
        bUnnamed = false;
    }
    return ::openat(nDir, strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    0600);
}

// Gives the unnamed file of nFd the name strName in nDir: through the descriptor itself where
// this process may (it takes CAP_DAC_READ_SEARCH), else through its entry in /proc.
bool LinkUnnamed(int nFd, int nDir, const std::string& strName) {
    if (::linkat(nFd, "", nDir, strName.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    std::string strProc = "/proc/self/fd/" + std::to_string(nFd);
    return ::linkat(AT_FDCWD, strProc.c_str(), nDir, strName.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

namespace {

// The source of a copy, opened non-blocking, so that a FIFO put in the file's place since the
// walk cannot hang us; only a regular file is copied.
int OpenSource(DirHandle sourceDir, const std::string& strSource, struct stat& st,
               std::error_code& ec) {
    CFd in(::openat(static_cast<int>(sourceDir), strSource.c_str(),
                    O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (in.Get() < 0 || fstat(in.Get(), &st) != 0) {
        ec = LastError();
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ec = std::make_error_code(std::errc::not_supported);
        return -1;
    }
    return in.Release();
}

// Copies the open source, whose state was st when it was opened, to nOut; it fails when the
// source changed meanwhile.
bool CopyUnchanged(int nIn, const struct stat& st, int nOut, const CMadeFileFacts& made,
                   bool bModeSet, const std::string& strSource, const ProgressFn& pfnProgress,
                   CEntry& copied, std::error_code& ec) {
    struct stat after;
    if (!CopyOpenFile(nIn, st, nOut, made, bModeSet, pfnProgress, copied.nNotKept) ||
        fstat(nIn, &after) != 0) {
        ec = LastError();
        return false;
    }
    if (!SameState(st, after)) {
        ec = LibError(ELibError::SourceChanged);
        return false;
    }
    FillCopied(after, strSource, copied);
    return true;
}

}  // namespace

bool CopyFileData(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
                  const CMadeFileFacts& made, const std::string& strTemp, bool& bUnnamed,
                  const ProgressFn& pfnProgress, CEntry& copied, TempLock& lock,
                  std::error_code& ec) {
    struct stat st;
    CFd in(OpenSource(sourceDir, strSource, st, ec));
    if (in.Get() < 0) return false;
    int nTempDir = static_cast<int>(tempDir);
    bool bFinalMode = MadeWithFinalMode(st, made);
    CFd out(OpenCopy(nTempDir, strTemp, MadeMode(st, bFinalMode), bUnnamed));
    if (out.Get() < 0) {
        ec = LastError();
        return false;
    }
    // A named copy's lock, taken at once on the written descriptor and kept on it until the
    // temporary is renamed into place; a late write error shows in the flush before that. An
    // unnamed copy needs none: nobody else can reach it.
    if (!bUnnamed && flock(out.Get(), LOCK_SH) != 0) {
        ec = LastError();
    } else if (CopyUnchanged(in.Get(), st, out.Get(), made, bFinalMode && bUnnamed, strSource,
                             pfnProgress, copied, ec)) {
        lock = out.Release();
        return true;
    }
    if (!bUnnamed) ::unlinkat(nTempDir, strTemp.c_str(), 0);
    return false;
}

bool CopyFileInto(DirHandle sourceDir, const std::string& strSource, DirHandle dir,
                  const CMadeFileFacts& made, const std::string& strName,
                  const ProgressFn& pfnProgress, CEntry& copied, std::error_code& ec) {
    struct stat st;
    CFd in(OpenSource(sourceDir, strSource, st, ec));
    if (in.Get() < 0) return false;
    int nDir = static_cast<int>(dir);
    // Its folder is open to its owner only until it is in place.
    bool bFinalMode = MadeWithFinalMode(st, made);
    CFd out(::openat(nDir, strName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                     MadeMode(st, bFinalMode)));
    if (out.Get() < 0) {
        ec = LastError();
        return false;
    }
    if (CopyUnchanged(in.Get(), st, out.Get(), made, bFinalMode, strSource, pfnProgress, copied,
                      ec)) {
        return true;
    }
    ::unlinkat(nDir, strName.c_str(), 0);
    return false;
}

bool ReadLinkAt(DirHandle dir, const std::string& strName, std::string& strTarget,
                std::error_code& ec) {
    std::vector<char> target(4096);
    ssize_t nLen =
        ::readlinkat(static_cast<int>(dir), strName.c_str(), target.data(), target.size());
    if (nLen < 0 || static_cast<size_t>(nLen) == target.size()) {
        ec = nLen < 0 ? LastError() : std::make_error_code(std::errc::filename_too_long);
        return false;
    }
    strTarget.assign(target.data(), static_cast<size_t>(nLen));
    return true;
}

bool CopyLink(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
              const std::string& strTemp, std::error_code& ec) {
    std::string strTarget;
    if (!ReadLinkAt(sourceDir, strSource, strTarget, ec)) return false;
    int nTempDir = static_cast<int>(tempDir);
    struct stat st;
    if (::symlinkat(strTarget.c_str(), nTempDir, strTemp.c_str()) != 0 ||
        fstatat(static_cast<int>(sourceDir), strSource.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        ec = LastError();
        ::unlinkat(nTempDir, strTemp.c_str(), 0);
        return false;
    }
    unsigned nNotKept = 0;  // a refused owner is reported for the files, not for each link
    if (!KeepOwnerAt(nTempDir, strTemp.c_str(), st, nNotKept)) {
        ec = LastError();
        ::unlinkat(nTempDir, strTemp.c_str(), 0);
        return false;
    }
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(nTempDir, strTemp.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return true;
}

std::intptr_t OpenReadAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    int nFd = ::openat(static_cast<int>(dir), strName.c_str(),
                       O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    struct stat st;
    if (nFd >= 0 && fstat(nFd, &st) == 0 && S_ISREG(st.st_mode)) {
        // Read from start to end: the kernel may read further ahead.
        posix_fadvise(nFd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return nFd;
    }
    ec = nFd < 0 ? LastError() : std::make_error_code(std::errc::not_supported);
    if (nFd >= 0) ::close(nFd);
    return -1;
}

long ReadSome(std::intptr_t file, char* pBuffer, size_t nSize, std::error_code& ec) {
    for (;;) {
        ssize_t n = ::read(static_cast<int>(file), pBuffer, nSize);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        ec = LastError();
        return -1;
    }
}

void CloseFile(std::intptr_t file) {
    ::close(static_cast<int>(file));
}

bool FlushWrites(const std::vector<DirHandle>& arrDirs, std::error_code& ec) {
    std::set<dev_t> done;
    for (DirHandle dir : arrDirs) {
        struct stat st;
        if (fstat(static_cast<int>(dir), &st) != 0) {
            ec = LastError();
            return false;
        }
        if (done.insert(st.st_dev).second && ::syncfs(static_cast<int>(dir)) != 0) {
            ec = LastError();
            return false;
        }
    }
    return true;
}

bool ReplaceEntryAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                    const std::string& strTo, std::error_code& ec) {
    if (::renameat(static_cast<int>(fromDir), strFrom.c_str(), static_cast<int>(toDir),
                   strTo.c_str()) == 0) {
        return true;
    }
    ec = LastError();
    return false;
}

bool PlaceCopy(TempLock lock, bool bUnnamed, DirHandle tempDir, const std::string& strTemp,
               const std::string& strName, std::error_code& ec) {
    if (!bUnnamed) return ReplaceEntryAt(tempDir, strTemp, tempDir, strName, ec);
    int nFd = static_cast<int>(lock), nDir = static_cast<int>(tempDir);
    if (LinkUnnamed(nFd, nDir, strName)) return true;
    // A file has taken the name since the walk: the copy replaces it as a rename does, under a
    // name of its own first, locked before it can be seen, as a sweep of another run expects.
    if (errno == EEXIST && flock(nFd, LOCK_SH) == 0 && LinkUnnamed(nFd, nDir, strTemp)) {
        return ReplaceEntryAt(tempDir, strTemp, tempDir, strName, ec);
    }
    ec = LastError();
    return false;
}

bool LinkFileAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                const std::string& strTo, std::error_code& ec) {
    if (::linkat(static_cast<int>(fromDir), strFrom.c_str(), static_cast<int>(toDir), strTo.c_str(),
                 0) == 0) {
        return true;
    }
    ec = LastError();
    return false;
}

bool IsCrossDevice(const std::error_code& ec) {
    return ec == std::errc::cross_device_link;
}

bool RemoveFileAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    if (::unlinkat(static_cast<int>(dir), strName.c_str(), 0) == 0) return true;
    ec = LastError();
    return false;
}

}  // namespace pvw
