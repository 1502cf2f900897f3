// Naming an entry inside an open directory on Windows, and proving that a handle is that entry.
#include "in_place.h"

#include "win_error.h"

namespace pvw {

namespace {

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

constexpr std::int64_t kEpochDiff = 116444736000000000LL;  // 1601 to 1970 in 100 ns

class CElsewhereCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "pvwfile link"; }
    std::string message(int) const override {
        return "the name leads to another place (a link), which is left alone";
    }
    std::error_condition default_error_condition(int) const noexcept override {
        return std::errc::too_many_symbolic_link_levels;
    }
};

}  // namespace

std::error_code LeadsElsewhereError() {
    static const CElsewhereCategory s_category;
    return std::error_code(1, s_category);
}

// The runtime library's paths would read the name in another code page than the UTF-8 in
// which they spell the listing's names.
std::wstring ChildPath(DirHandle dir, const std::string& strName) {
    std::wstring strPath = WinDir(dir).strFinal;
    if (strPath.empty() || strPath.back() != L'\\') strPath += L'\\';
    return strPath + WideName(strName);
}

bool FinalPath(HANDLE hFile, std::wstring& strPath, std::error_code& ec) {
    strPath.resize(MAX_PATH);
    for (;;) {
        DWORD nLen =
            GetFinalPathNameByHandleW(hFile, strPath.data(), static_cast<DWORD>(strPath.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (nLen == 0) {
            ec = LastWinError();
            return false;
        }
        if (nLen < strPath.size()) {
            strPath.resize(nLen);
            return true;
        }
        strPath.resize(nLen);  // the size it needs, with the terminating zero
    }
}

HANDLE OpenInPlace(DirHandle dir, const std::string& strName, DWORD nAccess, EShare eShare,
                   std::error_code& ec) {
    std::wstring strPath = ChildPath(dir, strName);
    // wine opens what a Unix link leads to even with FILE_FLAG_OPEN_REPARSE_POINT, and shows
    // the link as a plain folder or file; only the final path tells it apart.
    HANDLE hFile =
        CreateFileW(strPath.c_str(), nAccess, static_cast<DWORD>(eShare), nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        ec = LastWinError();
        return hFile;
    }
    std::wstring strFinal;
    if (FinalPath(hFile, strFinal, ec) && SamePath(strFinal, strPath)) return hFile;
    if (!ec) ec = LeadsElsewhereError();
    CloseHandle(hFile);
    return INVALID_HANDLE_VALUE;
}

bool IsLinkTag(DWORD nAttr, DWORD nReparseTag) {
    return (nAttr & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (nReparseTag == IO_REPARSE_TAG_SYMLINK || nReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
}

bool IsLinkHandle(HANDLE hFile) {
    FILE_ATTRIBUTE_TAG_INFO tag;
    return GetFileInformationByHandleEx(hFile, FileAttributeTagInfo, &tag, sizeof tag) &&
           IsLinkTag(tag.FileAttributes, tag.ReparseTag);
}

bool SetAttributesByHandle(HANDLE hFile, DWORD nAttr) {
    FILE_BASIC_INFO basic{};  // zero times are left as they are
    // No attribute at all is said with FILE_ATTRIBUTE_NORMAL; a zero would change nothing.
    basic.FileAttributes = nAttr != 0 ? nAttr : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof basic);
}

bool DeleteByHandle(HANDLE hFile, std::error_code& ec) {
    return DeleteFileByHandle(hFile, 0, ec);
}

bool DeleteFileByHandle(HANDLE hFile, DWORD nAttr, std::error_code& ec) {
    bool bReadOnly = (nAttr & FILE_ATTRIBUTE_READONLY) != 0;
    bool bOk = !bReadOnly || SetAttributesByHandle(hFile, nAttr & ~FILE_ATTRIBUTE_READONLY);
    bool bCleared = bReadOnly && bOk;
    // wine removes the name when the last handle closes, by the name the handle was opened
    // with, which the caller has proven to be the entry itself.
    FILE_DISPOSITION_INFO info{TRUE};
    bOk = bOk && SetFileInformationByHandle(hFile, FileDispositionInfo, &info, sizeof info);
    if (!bOk) ec = LastWinError();
    if (!bOk && bCleared && !SetAttributesByHandle(hFile, nAttr)) {
        ec = LibError(ELibError::ReadOnlyNotRestored);
    }
    CloseHandle(hFile);
    return bOk;
}

CIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::int64_t FileTimeToNs(const FILETIME& ft) {
    std::int64_t n = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (n - kEpochDiff) * 100;
}

FILETIME NsToFileTime(std::int64_t nTime) {
    std::int64_t n = nTime / 100 + kEpochDiff;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(n & 0xffffffff);
    ft.dwHighDateTime = static_cast<DWORD>(n >> 32);
    return ft;
}

}  // namespace pvw
