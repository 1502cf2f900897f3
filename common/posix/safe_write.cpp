// The safe write on POSIX: links followed with readlink, the temporary made with
// open(O_CREAT | O_EXCL | O_NOFOLLOW) and given the replaced file's mode (and, for root, its
// owner) before any data, fsync before the rename and on the folder after it.
#include "../safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "../file_platform.h"

namespace qjcommon {

namespace {
// As many links as the system itself follows in a path before it gives up (ELOOP).
constexpr int MAX_LINK_HOPS = 40;

std::string ErrnoReason() {
    return std::strerror(errno);
}

std::string FolderOf(const std::string& strPath) {
    std::string strDir = std::filesystem::path(strPath).parent_path().string();
    return strDir.empty() ? "." : strDir;
}

// The text of the link at strPath, which is nBytes long.
bool ReadLinkText(const std::string& strPath, off_t nBytes, std::string& strText) {
    strText.assign(static_cast<std::size_t>(nBytes) + 1, '\0');
    ssize_t nLen = ::readlink(strPath.c_str(), strText.data(), strText.size());
    if (nLen < 0 || static_cast<std::size_t>(nLen) >= strText.size()) return false;
    strText.resize(static_cast<std::size_t>(nLen));
    return true;
}

// The new file takes the mode of the one it replaces; root also gives it the same owner, so
// that a store kept by a user stays theirs.
bool TakeModel(int nFd, const std::string& strModel) {
    struct stat model {};
    if (::stat(strModel.c_str(), &model) != 0) return errno == ENOENT;
    if (::fchmod(nFd, model.st_mode & 07777) != 0) return false;
    return ::geteuid() != 0 || ::fchown(nFd, model.st_uid, model.st_gid) == 0;
}

bool WriteAll(int nFd, std::string_view text) {
    while (!text.empty()) {
        ssize_t nDone = ::write(nFd, text.data(), text.size());
        if (nDone < 0 && errno == EINTR) continue;
        if (nDone < 0) return false;
        text.remove_prefix(static_cast<std::size_t>(nDone));
    }
    return true;
}

bool FlushFolder(const std::string& strDir) {
    int nFd = ::open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd < 0) return false;
    bool bOk = ::fsync(nFd) == 0 || errno == EINVAL;  // EINVAL: a file system without it
    int nErrno = errno;
    ::close(nFd);
    errno = nErrno;
    return bOk;
}
}  // namespace

bool ResolveLinks(const std::string& strPath, std::string& strResolved, std::string& strReason) {
    strResolved = strPath;
    for (int nHop = 0; nHop < MAX_LINK_HOPS; ++nHop) {
        struct stat status {};
        if (::lstat(strResolved.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        std::string strLink;
        if (!ReadLinkText(strResolved, status.st_size, strLink)) {
            strReason = "cannot read the link \"" + strResolved + "\": " + ErrnoReason();
            return false;
        }
        strResolved = strLink[0] == '/' ? strLink : FolderOf(strResolved) + "/" + strLink;
    }
    strReason = std::strerror(ELOOP);
    return false;
}

ENewFile WriteNewFile(const std::string& strTemp, const std::string& strModel,
                      std::string_view text, std::string& strReason) {
    int nFd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (nFd < 0 && errno == EEXIST) return ENewFile::NameTaken;
    if (nFd < 0) {
        strReason = ErrnoReason();
        return ENewFile::Failed;
    }
    bool bOk = TakeModel(nFd, strModel) && WriteAll(nFd, text) && ::fsync(nFd) == 0;
    int nErrno = bOk ? 0 : errno;
    if (::close(nFd) != 0 && bOk) {
        bOk = false;
        nErrno = errno;
    }
    if (bOk) return ENewFile::Written;
    strReason = std::strerror(nErrno);
    ::unlink(strTemp.c_str());
    return ENewFile::Failed;
}

bool MoveIntoPlace(const std::string& strTemp, const std::string& strTarget,
                   std::string& strReason) {
    if (::rename(strTemp.c_str(), strTarget.c_str()) != 0) {
        strReason = ErrnoReason();
        ::unlink(strTemp.c_str());
        return false;
    }
    if (FlushFolder(FolderOf(strTarget))) return true;
    strReason = "written, but its folder could not be flushed: " + ErrnoReason();
    return false;
}

}  // namespace qjcommon
