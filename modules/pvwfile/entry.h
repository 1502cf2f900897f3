// What the file library knows about one directory entry: its kind, size, time and attributes,
// read without following symbolic links.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace pvw {

using Path = std::filesystem::path;

enum class EKind { File, Dir, Link, Special };

// Attribute letters R, H, S, A as bits. On POSIX R is a missing owner write permission and H a
// name that begins with "."; S and A live in an extended attribute where there is one.
enum : unsigned { ATTR_R = 1, ATTR_H = 2, ATTR_S = 4, ATTR_A = 8 };

// What a copy could not keep of its source because the target's file system refused it.
enum : unsigned { NOT_KEPT_OWNER = 1, NOT_KEPT_XATTRS = 2, NOT_KEPT_ACLS = 4 };

// Which file system object an entry is: device and inode on POSIX, volume and file index on
// Windows.
struct CIdentity {
    std::uint64_t nDev = 0, nIno = 0;
    bool operator==(const CIdentity&) const = default;
};

struct CEntry {
    std::string strName;
    EKind eKind = EKind::File;
    std::uint32_t nLinks = 1;  // names of the file on its file system; 1 where it cannot tell
    std::uint64_t nSize = 0;
    std::int64_t nTime = 0;  // last modification, nanoseconds since 1970-01-01 UTC
    // Last change of the data or of anything kept about the file (owner, mode, extended
    // attributes), in the same unit; 0 where the system keeps none.
    std::int64_t nChange = 0;
    unsigned nAttrib = 0;   // R and H always; S and A only after ReadExtraAttributes
    unsigned nMode = 0;     // permission bits on POSIX, 0 on Windows
    CIdentity id;           // 0 where the listing cannot tell
    unsigned nNotKept = 0;  // for a copy: NOT_KEPT_* bits
};

}  // namespace pvw
