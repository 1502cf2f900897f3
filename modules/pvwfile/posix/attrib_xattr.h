// Where POSIX keeps the S and A attributes: their letters in this extended attribute, read and
// written by a path through the held directory's descriptor (the *xattr calls take no
// directory), so that no path above it is looked up again.
#pragma once

#include <string>

#include "../platform.h"

namespace pvw {
inline constexpr const char* kAttribXattr = "user.pvw.attrib";

inline std::string EntryPathAt(DirHandle dir, const std::string& strName) {
    return "/proc/self/fd/" + std::to_string(dir) + "/" + strName;
}
}  // namespace pvw
