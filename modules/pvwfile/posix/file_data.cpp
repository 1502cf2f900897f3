// Copying file data on POSIX: copy_file_range, which shares blocks (a reflink) where the file
// system can and copies inside the kernel elsewhere; read and write where it is not offered.
// Written files reach the disk through one syncfs per file system and batch.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <vector>

#include "../platform.h"

namespace pvw {

namespace {

constexpr size_t kChunk = size_t{64} << 20;      // one copy_file_range call
constexpr size_t kBufferSize = size_t{1} << 20;  // the read and write fallback

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

class CFd {
public:
    explicit CFd(int nFd) : m_nFd(nFd) {}
    ~CFd() {
        if (m_nFd >= 0) ::close(m_nFd);
    }
    int Get() const { return m_nFd; }
    // Closes now, so that a late write error (NFS reports them here) is not lost.
    int Close() {
        int nResult = ::close(m_nFd);
        m_nFd = -1;
        return nResult;
    }

private:
    int m_nFd;
};

bool ReadWriteCopy(int nIn, int nOut, std::uint64_t nDone, const ProgressFn& pfnProgress) {
    thread_local std::vector<char> s_buffer(kBufferSize);
    for (;;) {
        ssize_t nRead = ::read(nIn, s_buffer.data(), s_buffer.size());
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
}

// Copies up to the size the file had when it was opened (a file that grows meanwhile is copied
// as it was; its newer time brings it to the next equalising), or to its end when it claims no
// size, as some system files do.
bool CopyData(int nIn, int nOut, std::uint64_t nSize, const ProgressFn& pfnProgress) {
    std::uint64_t nDone = 0;
    while (nSize == 0 || nDone < nSize) {
        ssize_t n = ::copy_file_range(nIn, nullptr, nOut, nullptr, kChunk, 0);
        if (n > 0) {
            nDone += static_cast<std::uint64_t>(n);
            pfnProgress(nDone);
            continue;
        }
        if (n == 0) return true;
        if (errno == EINTR) continue;
        bool bNotOffered = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                           errno == EOPNOTSUPP || errno == EPERM;
        if (!bNotOffered || nDone != 0) return false;
        return ReadWriteCopy(nIn, nOut, nDone, pfnProgress);
    }
    return true;
}

bool CopyOpenFile(int nIn, const struct stat& st, int nOut, const ProgressFn& pfnProgress) {
    if (!CopyData(nIn, nOut, static_cast<std::uint64_t>(st.st_size), pfnProgress)) return false;
    if (fchmod(nOut, st.st_mode & 07777) != 0) return false;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    return futimens(nOut, times) == 0;
}

}  // namespace

bool CopyFileData(const Path& src, const Path& temp, const ProgressFn& pfnProgress,
                  std::error_code& ec) {
    // Non-blocking, so that a FIFO put in the file's place since the walk cannot hang us.
    CFd in(::open(src.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat st;
    if (in.Get() < 0 || fstat(in.Get(), &st) != 0) {
        ec = LastError();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ec = std::make_error_code(std::errc::not_supported);
        return false;
    }
    CFd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.Get() < 0) {
        ec = LastError();
        return false;
    }
    if (CopyOpenFile(in.Get(), st, out.Get(), pfnProgress) && out.Close() == 0) return true;
    ec = LastError();
    ::unlink(temp.c_str());
    return false;
}

bool CopyLink(const Path& src, const Path& temp, std::error_code& ec) {
    std::vector<char> target(4096);
    ssize_t nLen = ::readlink(src.c_str(), target.data(), target.size());
    if (nLen < 0 || static_cast<size_t>(nLen) == target.size()) {
        ec = nLen < 0 ? LastError() : std::make_error_code(std::errc::filename_too_long);
        return false;
    }
    std::string strTarget(target.data(), static_cast<size_t>(nLen));
    struct stat st;
    if (::symlink(strTarget.c_str(), temp.c_str()) != 0 || lstat(src.c_str(), &st) != 0) {
        ec = LastError();
        ::unlink(temp.c_str());
        return false;
    }
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return true;
}

bool FlushWrites(const std::vector<Path>& arrDirs, std::error_code& ec) {
    std::set<dev_t> done;
    std::set<Path> seen;
    for (const Path& dir : arrDirs) {
        if (!seen.insert(dir).second) continue;
        CFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0) {
            ec = LastError();
            return false;
        }
        if (done.insert(st.st_dev).second && ::syncfs(fd.Get()) != 0) {
            ec = LastError();
            return false;
        }
    }
    return true;
}

bool ReplaceEntry(const Path& from, const Path& to, std::error_code& ec) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    ec = LastError();
    return false;
}

bool IsCrossDevice(const std::error_code& ec) {
    return ec == std::errc::cross_device_link;
}

bool RemoveFile(const Path& path, std::error_code& ec) {
    if (::unlink(path.c_str()) == 0) return true;
    ec = LastError();
    return false;
}

}  // namespace pvw
