// Open directories on Windows: handles held without FILE_SHARE_DELETE below the roots, and the
// directories made, removed and finished inside them.
#include "held_dirs.h"
#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

// A directory's time is set through its own handle, which asks for FILE_WRITE_ATTRIBUTES; a
// directory that refuses it (a source the user may only read) is opened without it.
constexpr DWORD kDirAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kDirWriteAccess = kDirAccess | FILE_WRITE_ATTRIBUTES;

bool Adopt(HANDLE hDir, DirHandle& dir, std::error_code& ec) {
    BY_HANDLE_FILE_INFORMATION info;
    std::wstring strFinal;
    if (!GetFileInformationByHandle(hDir, &info)) {
        ec = LastWinError();
    } else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ec = std::make_error_code(std::errc::not_a_directory);
    } else if (FinalPath(hDir, strFinal, ec)) {
        auto* pDir = new CWinDir{hDir, std::move(strFinal), IdentityOf(info)};
        AddHeldDir(pDir);
        dir = reinterpret_cast<DirHandle>(pDir);
        return true;
    }
    CloseHandle(hDir);
    return false;
}

HANDLE OpenRoot(const Path& path, DWORD nAccess) {
    return CreateFileW(path.c_str(), nAccess, static_cast<DWORD>(EShare::Held), nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Ends this process's holds on the directory strName of dir, which is about to be removed.
bool ReleaseHoldsOn(DirHandle dir, const std::string& strName) {
    std::error_code ec;
    HANDLE hDir = OpenInPlace(dir, strName, FILE_READ_ATTRIBUTES, EShare::Brief, ec);
    if (hDir == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool bRead = GetFileInformationByHandle(hDir, &info);
    CloseHandle(hDir);
    return bRead && ReleaseHolds(IdentityOf(info));
}

}  // namespace

bool OpenRootDir(const Path& path, DirHandle& dir, std::error_code& ec) {
    HANDLE hDir = OpenRoot(path, kDirWriteAccess);
    if (hDir == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        hDir = OpenRoot(path, kDirAccess);
    }
    if (hDir != INVALID_HANDLE_VALUE) return Adopt(hDir, dir, ec);
    ec = LastWinError();
    return false;
}

bool OpenChildDir(DirHandle dir, const std::string& strName, DirHandle& child,
                  std::error_code& ec) {
    HANDLE hDir = OpenInPlace(dir, strName, kDirWriteAccess, EShare::Held, ec);
    if (hDir == INVALID_HANDLE_VALUE && ec == std::errc::permission_denied) {
        ec.clear();
        hDir = OpenInPlace(dir, strName, kDirAccess, EShare::Held, ec);
    }
    if (hDir == INVALID_HANDLE_VALUE) return false;
    if (!IsLinkHandle(hDir)) return Adopt(hDir, child, ec);
    CloseHandle(hDir);
    ec = LeadsElsewhereError();
    return false;
}

void CloseDir(DirHandle dir) {
    CloseHeldDir(&WinDir(dir));
}

bool DirIdentity(DirHandle dir, CIdentity& id, std::error_code& ec) {
    auto guard = LockHeldDirs();
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(WinDir(dir).hDir, &info)) {
        ec = LastWinError();
        return false;
    }
    id = IdentityOf(info);
    return true;
}

bool MakeDirAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    if (CreateDirectoryW(ChildPath(dir, strName).c_str(), nullptr)) return true;
    ec = LastWinError();
    return false;
}

bool RemoveDirAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    constexpr DWORD kAccess = DELETE | FILE_READ_ATTRIBUTES;
    HANDLE hDir = OpenInPlace(dir, strName, kAccess, EShare::Brief, ec);
    if (hDir == INVALID_HANDLE_VALUE && ec == std::errc::device_or_resource_busy &&
        ReleaseHoldsOn(dir, strName)) {
        ec.clear();
        hDir = OpenInPlace(dir, strName, kAccess, EShare::Brief, ec);
    }
    if (hDir == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(hDir, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLinkHandle(hDir)) {
        return DeleteByHandle(hDir, ec);
    }
    CloseHandle(hDir);
    ec = std::make_error_code(std::errc::not_a_directory);
    return false;
}

// Windows folders have no permission bits of ours to give.
bool SetDirModeAndTime(DirHandle dir, const CEntry& entry, std::error_code& ec) {
    FILETIME ftWrite = NsToFileTime(entry.nTime);
    auto guard = LockHeldDirs();
    FILETIME ftNow;
    HANDLE hDir = WinDir(dir).hDir;
    if (GetFileTime(hDir, nullptr, nullptr, &ftNow) && CompareFileTime(&ftNow, &ftWrite) == 0) {
        return true;
    }
    if (SetFileTime(hDir, nullptr, nullptr, &ftWrite)) return true;
    ec = LastWinError();
    return false;
}

}  // namespace pvw
