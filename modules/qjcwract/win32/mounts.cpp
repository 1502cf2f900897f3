// Mounted file systems on Windows: the drive roots, and dismounting a volume.
#include "win32_action.h"

namespace qjact {

bool ListMountPoints(std::vector<std::string>& arrPoints, std::string& strReason) {
    char szDrives[512] = {};
    DWORD nLen = ::GetLogicalDriveStringsA(sizeof szDrives - 1, szDrives);
    if (nLen == 0 || nLen >= sizeof szDrives) {
        strReason = "cannot list the drives: " + win32::SystemMessage(::GetLastError());
        return false;
    }
    for (const char* psz = szDrives; *psz != '\0'; psz += lstrlenA(psz) + 1)
        arrPoints.emplace_back(psz);
    return true;
}

// "E:", "E:\" or a volume path: the volume is locked (no file may be open on it) and
// dismounted; Windows mounts it again on the next access.
bool Unmount(const std::string& strPath, std::string& strReason) {
    std::string strVolume = strPath;
    while (!strVolume.empty() && (strVolume.back() == '\\' || strVolume.back() == '/'))
        strVolume.pop_back();
    if (strVolume.size() == 2 && strVolume[1] == ':') strVolume = "\\\\.\\" + strVolume;
    win32::CHandle hVolume(::CreateFileA(strVolume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    DWORD nBytes = 0;
    if (hVolume.Get() == nullptr ||
        !::DeviceIoControl(hVolume.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &nBytes,
                           nullptr) ||
        !::DeviceIoControl(hVolume.Get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &nBytes,
                           nullptr)) {
        strReason = win32::SystemMessage(::GetLastError());
        return false;
    }
    return true;
}

}  // namespace qjact
