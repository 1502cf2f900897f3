// Owner, group, extended attributes and ACLs on POSIX: carried from the source's descriptor to
// the copy's before the copy is renamed into place, and compared for a tree that is kept equal.
// Everyone carries user.* and the ACLs; only root, which alone may set them, security.* and
// trusted.*.
#include "extras.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "../platform.h"
#include "attrib_xattr.h"
#include "last_error.h"
#include "posix/fd.h"

namespace pvw {

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";
constexpr const char* kDefaultAcl = "system.posix_acl_default";
// The system's limit on a list of names and on one value, so one call reads either.
constexpr size_t kXattrMax = size_t{64} << 10;

using Xattrs = std::map<std::string, std::string>;

// The process's effective user, read once: a library that changed it under a running copy
// would change what the copy may keep.
uid_t EffectiveUser() {
    static const uid_t s_nUid = geteuid();
    return s_nUid;
}

using qjcommon::CFd;

// The process's umask, read from /proc without changing it (umask() sets it, for every thread
// at once); -1 where the system does not tell.
int ReadUmask() {
    CFd status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    char buffer[4096];
    ssize_t nRead = status.Get() < 0 ? -1 : ::read(status.Get(), buffer, sizeof buffer - 1);
    if (nRead <= 0) return -1;
    buffer[nRead] = '\0';
    const char* pszField = std::strstr(buffer, "\nUmask:");
    if (pszField == nullptr) return -1;
    char* pszEnd = nullptr;
    long nMask = std::strtol(pszField + 7, &pszEnd, 8);
    return pszEnd == pszField + 7 || nMask < 0 || nMask > 0777 ? -1 : static_cast<int>(nMask);
}

bool Carried(std::string_view name) {
    if (name.starts_with("user.") || name == kAccessAcl || name == kDefaultAcl) return true;
    return EffectiveUser() == 0 && (name.starts_with("security.") || name.starts_with("trusted."));
}

bool IsAcl(std::string_view name) {
    return name == kAccessAcl || name == kDefaultAcl;
}

// What "this file system has no such thing" looks like.
bool NotHeld(int nErrno) {
    return nErrno == ENOTSUP || nErrno == EOPNOTSUPP;
}

// A file whose extended attributes are read: an open descriptor, or a path through a held
// directory (for a file that need not be opened).
class CXattrFile {
public:
    explicit CXattrFile(int nFd) : m_nFd(nFd) {}
    explicit CXattrFile(std::string strPath) : m_strPath(std::move(strPath)) {}
    ssize_t List(char* pBuffer) const {
        return m_nFd >= 0 ? flistxattr(m_nFd, pBuffer, kXattrMax)
                          : llistxattr(m_strPath.c_str(), pBuffer, kXattrMax);
    }
    ssize_t Get(const char* pszName, char* pBuffer) const {
        return m_nFd >= 0 ? fgetxattr(m_nFd, pszName, pBuffer, kXattrMax)
                          : lgetxattr(m_strPath.c_str(), pszName, pBuffer, kXattrMax);
    }

private:
    int m_nFd = -1;
    std::string m_strPath;
};

// The carried attributes of a file; none where its file system has none. One that vanishes
// between the list and the read is left out.
bool ReadXattrs(const CXattrFile& file, Xattrs& xattrs) {
    // Left unfilled: the system writes what is read, and a thread that only ever reads short
    // lists touches no more of them than that.
    thread_local std::unique_ptr<char[]> s_names =
        std::make_unique_for_overwrite<char[]>(kXattrMax);
    thread_local std::unique_ptr<char[]> s_value =
        std::make_unique_for_overwrite<char[]>(kXattrMax);
    ssize_t nLen = file.List(s_names.get());
    if (nLen < 0) return NotHeld(errno);
    for (size_t nAt = 0; nAt < static_cast<size_t>(nLen);) {
        const char* pszName = s_names.get() + nAt;
        nAt += std::char_traits<char>::length(pszName) + 1;
        if (!Carried(pszName)) continue;
        ssize_t nValue = file.Get(pszName, s_value.get());
        if (nValue < 0 && errno == ENODATA) continue;
        if (nValue < 0) return false;
        xattrs.emplace(pszName, std::string(s_value.get(), static_cast<size_t>(nValue)));
    }
    return true;
}

// bMayHaveAcl: the copy may have been given an ACL when it was made, which it must lose
// unless its source has one.
bool WriteXattrs(const Xattrs& xattrs, int nOut, bool bDir, bool bMayHaveAcl, unsigned& nNotKept) {
    for (const auto& [strName, strValue] : xattrs) {
        if (fsetxattr(nOut, strName.c_str(), strValue.data(), strValue.size(), 0) == 0) continue;
        if (!NotHeld(errno)) return false;
        nNotKept |= IsAcl(strName) ? NOT_KEPT_ACLS : NOT_KEPT_XATTRS;
    }
    // The copy has only the source's ACLs, not those its folder's default ACL gave it; only a
    // directory has a default ACL of its own.
    for (const char* pszAcl : {kAccessAcl, kDefaultAcl}) {
        if (bMayHaveAcl && !xattrs.contains(pszAcl) && (bDir || pszAcl == kAccessAcl) &&
            fremovexattr(nOut, pszAcl) != 0 && errno != ENODATA && !NotHeld(errno)) {
            return false;
        }
    }
    return true;
}

}  // namespace

void ReadMadeFileFacts(DirHandle dir, CMadeFileFacts& made) {
    struct stat st;
    if (fstat(static_cast<int>(dir), &st) != 0) return;  // not known: everything is set
    made.nUid = EffectiveUser();
    made.nGid = (st.st_mode & S_ISGID) != 0 ? st.st_gid : getegid();
    // Where it cannot be read, a file made there is taken to have gained an ACL.
    made.bDefaultAcl = fgetxattr(static_cast<int>(dir), kDefaultAcl, nullptr, 0) >= 0 ||
                       (errno != ENODATA && !NotHeld(errno));
    made.nUmask = ReadUmask();
    made.bKnown = true;
}

bool KeepOwnerAt(int nDir, const char* pszName, const struct stat& st, unsigned& nNotKept) {
    if (EffectiveUser() != 0) return true;  // only root may give a file away
    int nFlags = *pszName == '\0' ? AT_EMPTY_PATH : AT_SYMLINK_NOFOLLOW;
    if (fchownat(nDir, pszName, st.st_uid, st.st_gid, nFlags) == 0) return true;
    // A file system without owners (FAT), or one that maps root to nobody (NFS), refuses.
    if (errno != EPERM && errno != EINVAL && !NotHeld(errno)) return false;
    nNotKept |= NOT_KEPT_OWNER;
    return true;
}

bool KeepExtras(int nIn, const struct stat& st, int nOut, const CMadeFileFacts& made,
                unsigned& nNotKept) {
    Xattrs xattrs;
    bool bOwned = made.bKnown && st.st_uid == made.nUid && st.st_gid == made.nGid;
    return (bOwned || KeepOwnerAt(nOut, "", st, nNotKept)) && ReadXattrs(CXattrFile(nIn), xattrs) &&
           WriteXattrs(xattrs, nOut, S_ISDIR(st.st_mode), !made.bKnown || made.bDefaultAcl,
                       nNotKept);
}

bool KeepDirExtras(DirHandle sourceDir, DirHandle dir, std::error_code& ec) {
    struct stat st;
    unsigned nNotKept = 0;  // said for the files copied, not again for each directory
    if (fstat(static_cast<int>(sourceDir), &st) == 0 &&
        KeepExtras(static_cast<int>(sourceDir), st, static_cast<int>(dir), CMadeFileFacts(),
                   nNotKept)) {
        return true;
    }
    ec = LastError();
    return false;
}

bool SameExtras(DirHandle dirA, const std::string& strA, DirHandle dirB, const std::string& strB,
                bool& bSame, std::error_code& ec) {
    Xattrs a, b;
    if (!ReadXattrs(CXattrFile(EntryPathAt(dirA, strA)), a) ||
        !ReadXattrs(CXattrFile(EntryPathAt(dirB, strB)), b)) {
        ec = LastError();
        return false;
    }
    bSame = a == b;
    return true;
}

}  // namespace pvw
