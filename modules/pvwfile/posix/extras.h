// What a copy keeps of a file on POSIX besides its data, permissions and times: the owner and
// group, its extended attributes and its ACLs (which Linux keeps as extended attributes).
#pragma once

#include <sys/stat.h>

#include "../platform.h"

namespace pvw {

// Gives the open copy nOut the owner and group of st and the extended attributes and ACLs of
// the open source nIn, before its permissions are set (a change of owner clears set-user-ID
// bits, and the permissions then settle the ACL's mask); made says what nOut was given when it
// was made, which is not set again. What the target's file system cannot hold is added to
// nNotKept as NOT_KEPT_* bits and is no failure. False with errno on failure.
bool KeepExtras(int nIn, const struct stat& st, int nOut, const CMadeFileFacts& made,
                unsigned& nNotKept);

// Gives the entry strName of dir (a link is not followed) the owner and group of st, where this
// process may. What the file system refuses is added to nNotKept.
bool KeepOwnerAt(int nDir, const char* pszName, const struct stat& st, unsigned& nNotKept);

}  // namespace pvw
