// Reading directories and entries on POSIX: one fstatat per name, relative to the open
// directory, links not followed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "../platform.h"
#include "attrib_xattr.h"
#include "last_error.h"

namespace pvw {

namespace {

void FillEntry(const struct stat& st, CEntry& entry) {
    if (S_ISREG(st.st_mode)) {
        entry.eKind = EKind::File;
    } else if (S_ISDIR(st.st_mode)) {
        entry.eKind = EKind::Dir;
    } else if (S_ISLNK(st.st_mode)) {
        entry.eKind = EKind::Link;
    } else {
        entry.eKind = EKind::Special;
    }
    entry.nSize = static_cast<std::uint64_t>(st.st_size);
    entry.nTime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    entry.nChange = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    entry.nLinks = static_cast<std::uint32_t>(st.st_nlink);
    entry.nMode = st.st_mode & 07777;
    entry.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    entry.nAttrib = 0;
    if (entry.eKind != EKind::Link && (st.st_mode & S_IWUSR) == 0) entry.nAttrib |= ATTR_R;
    if (!entry.strName.empty() && entry.strName[0] == '.') entry.nAttrib |= ATTR_H;
}

}  // namespace

bool ListDirectory(DirHandle dir, std::vector<CEntry>& arrEntries, std::error_code& ec) {
    // A descriptor of its own for the listing (fdopendir takes it over): the held one stays
    // with the caller, and no two listings share a read position.
    int nDirFd = openat(static_cast<int>(dir), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* pDir = nDirFd < 0 ? nullptr : fdopendir(nDirFd);
    if (pDir == nullptr) {
        ec = LastError();
        if (nDirFd >= 0) close(nDirFd);
        return false;
    }
    bool bOk = true;
    for (;;) {
        errno = 0;
        struct dirent* pEntry = readdir(pDir);
        if (pEntry == nullptr) {
            if (errno != 0) {
                ec = LastError();
                bOk = false;
            }
            break;
        }
        const char* pszName = pEntry->d_name;
        if (std::strcmp(pszName, ".") == 0 || std::strcmp(pszName, "..") == 0) continue;
        struct stat st;
        if (fstatat(nDirFd, pszName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue;  // gone since readdir: it is no longer there
            ec = LastError();
            bOk = false;
            break;
        }
        CEntry entry;
        entry.strName = pszName;
        FillEntry(st, entry);
        arrEntries.push_back(std::move(entry));
    }
    closedir(pDir);
    return bOk;
}

bool ReadEntryAt(DirHandle dir, const std::string& strName, CEntry& entry, std::error_code& ec) {
    struct stat st;
    if (fstatat(static_cast<int>(dir), strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        ec = LastError();
        return false;
    }
    entry.strName = strName;
    FillEntry(st, entry);
    return true;
}

bool ReadEntry(const Path& path, bool bFollow, CEntry& entry, std::error_code& ec) {
    struct stat st;
    if ((bFollow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) {
        ec = LastError();
        return false;
    }
    entry.strName = path.filename().string();
    FillEntry(st, entry);
    return true;
}

void ReadExtraAttributes(DirHandle dir, const std::string& strName, CEntry& entry) {
    std::string strPath = EntryPathAt(dir, strName);
    char szValue[8];
    ssize_t nLen = lgetxattr(strPath.c_str(), kAttribXattr, szValue, sizeof szValue);
    for (ssize_t i = 0; i < nLen; ++i) {
        if (szValue[i] == 'S') entry.nAttrib |= ATTR_S;
        if (szValue[i] == 'A') entry.nAttrib |= ATTR_A;
    }
}

std::string NameKey(const std::string& strName) {
    return strName;
}

const bool kNameIsKey = true;

Path NamePath(const std::string& strName) {
    return Path(strName);
}

void AppendNameText(std::string& strText, const std::string& strName) {
    strText.append(strName);
}

}  // namespace pvw
