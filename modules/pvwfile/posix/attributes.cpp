// Changing attributes on POSIX: R is the write permission, H the name's leading ".", S and A
// letters in an extended attribute.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>

#include "../platform.h"
#include "attrib_xattr.h"

namespace pvw {

namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

bool SetReadOnly(const Path& path, const CEntry& entry, bool bReadOnly, std::error_code& ec) {
    mode_t nMode = bReadOnly ? (entry.nMode & ~mode_t{0222}) : (entry.nMode | S_IWUSR);
    if (chmod(path.c_str(), nMode) == 0) return true;
    ec = LastError();
    return false;
}

bool SetExtraLetters(const Path& path, unsigned nAttrib, std::error_code& ec) {
    std::string strValue;
    if (nAttrib & ATTR_S) strValue += 'S';
    if (nAttrib & ATTR_A) strValue += 'A';
    int nResult = strValue.empty()
                      ? lremovexattr(path.c_str(), kAttribXattr)
                      : lsetxattr(path.c_str(), kAttribXattr, strValue.data(), strValue.size(), 0);
    if (nResult == 0 || (strValue.empty() && errno == ENODATA)) return true;
    ec = LastError();
    return false;
}

// Hiding is a rename to a name with a leading "."; it never replaces a file of that name.
bool SetHidden(const Path& path, bool bHidden, Path& newPath, std::error_code& ec) {
    std::string strName = path.filename().string();
    std::string strNew = bHidden ? "." + strName : strName.substr(strName.find_first_not_of('.'));
    if (strNew.empty()) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    newPath = path.parent_path() / strNew;
    struct stat st;
    if (lstat(newPath.c_str(), &st) == 0) {
        ec = std::make_error_code(std::errc::file_exists);
        return false;
    }
    if (rename(path.c_str(), newPath.c_str()) == 0) return true;
    ec = LastError();
    return false;
}

}  // namespace

bool ChangeAttributes(const Path& path, const CEntry& entry, unsigned nSet, unsigned nClear,
                      Path& newPath, std::error_code& ec) {
    newPath = path;
    unsigned nNew = (entry.nAttrib | nSet) & ~nClear;
    unsigned nChanged = nNew ^ entry.nAttrib;
    if ((nChanged & ATTR_R) && entry.eKind == EKind::Link) {
        ec = std::make_error_code(std::errc::operation_not_supported);
        return false;
    }
    if ((nChanged & ATTR_R) && !SetReadOnly(path, entry, (nNew & ATTR_R) != 0, ec)) return false;
    if ((nChanged & (ATTR_S | ATTR_A)) && !SetExtraLetters(path, nNew, ec)) return false;
    if (nChanged & ATTR_H) return SetHidden(path, (nNew & ATTR_H) != 0, newPath, ec);
    return true;
}

}  // namespace pvw
