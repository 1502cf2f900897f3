// Changing attributes on POSIX: R is the write permission, H the name's leading ".", S and A
// letters in an extended attribute.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>

#include "../platform.h"
#include "attrib_xattr.h"
#include "last_error.h"

namespace pvw {

namespace {

bool SetReadOnly(DirHandle dir, const std::string& strName, const CEntry& entry, bool bReadOnly,
                 std::error_code& ec) {
    mode_t nMode = bReadOnly ? (entry.nMode & ~mode_t{0222}) : (entry.nMode | S_IWUSR);
    if (fchmodat(static_cast<int>(dir), strName.c_str(), nMode, AT_SYMLINK_NOFOLLOW) == 0) {
        return true;
    }
    ec = LastError();
    return false;
}

bool SetExtraLetters(DirHandle dir, const std::string& strName, unsigned nAttrib,
                     std::error_code& ec) {
    std::string strValue;
    if (nAttrib & ATTR_S) strValue += 'S';
    if (nAttrib & ATTR_A) strValue += 'A';
    std::string strPath = EntryPathAt(dir, strName);
    int nResult = strValue.empty() ? lremovexattr(strPath.c_str(), kAttribXattr)
                                   : lsetxattr(strPath.c_str(), kAttribXattr, strValue.data(),
                                               strValue.size(), 0);
    if (nResult == 0 || (strValue.empty() && errno == ENODATA)) return true;
    ec = LastError();
    return false;
}

// Hiding is a rename to a name with a leading "."; it never replaces a file of that name.
bool SetHidden(DirHandle dir, const std::string& strName, bool bHidden, std::string& strNew,
               std::error_code& ec) {
    strNew = bHidden ? "." + strName : strName.substr(strName.find_first_not_of('.'));
    if (strNew.empty()) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    int nDir = static_cast<int>(dir);
    if (renameat2(nDir, strName.c_str(), nDir, strNew.c_str(), RENAME_NOREPLACE) == 0) return true;
    ec = LastError();
    return false;
}

}  // namespace

bool ChangeAttributes(DirHandle dir, const std::string& strName, const CEntry& entry, unsigned nSet,
                      unsigned nClear, std::string& strNewName, std::error_code& ec) {
    strNewName = strName;
    unsigned nNew = (entry.nAttrib | nSet) & ~nClear;
    unsigned nChanged = nNew ^ entry.nAttrib;
    if ((nChanged & ATTR_R) && entry.eKind == EKind::Link) {
        ec = std::make_error_code(std::errc::operation_not_supported);
        return false;
    }
    if ((nChanged & ATTR_R) && !SetReadOnly(dir, strName, entry, (nNew & ATTR_R) != 0, ec)) {
        return false;
    }
    if ((nChanged & (ATTR_S | ATTR_A)) && !SetExtraLetters(dir, strName, nNew, ec)) return false;
    if (nChanged & ATTR_H) return SetHidden(dir, strName, (nNew & ATTR_H) != 0, strNewName, ec);
    return true;
}

}  // namespace pvw
