// Mounted file systems on POSIX: the mount table of this process, and umount.
#include <mntent.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../action_platform.h"

namespace qjact {

namespace {
// The mount table as this process sees it (its mount namespace).
constexpr const char* MOUNT_TABLE = "/proc/self/mounts";
// Room for one line of the mount table.
constexpr int MOUNT_LINE = 8192;
}  // namespace

bool ListMountPoints(std::vector<std::string>& arrPoints, std::string& strReason) {
    FILE* pTable = ::setmntent(MOUNT_TABLE, "re");
    if (pTable == nullptr) {
        strReason = std::string("cannot read ") + MOUNT_TABLE + ": " + std::strerror(errno);
        return false;
    }
    mntent entry;
    char szLine[MOUNT_LINE];
    // getmntent_r undoes the table's octal escapes ("\040" for a blank).
    while (::getmntent_r(pTable, &entry, szLine, sizeof szLine) != nullptr)
        arrPoints.emplace_back(entry.mnt_dir);
    ::endmntent(pTable);
    return true;
}

bool Unmount(const std::string& strPath, std::string& strReason) {
    if (::umount2(strPath.c_str(), 0) == 0) return true;
    strReason = std::strerror(errno);
    return false;
}

}  // namespace qjact
