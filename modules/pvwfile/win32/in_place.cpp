// Proving on Windows that a handle is the entry its name says.
#include "in_place.h"

#include "win_error.h"

namespace pvw {

namespace {

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

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

HANDLE OpenInPlace(const Path& path, DWORD nAccess, std::error_code& ec) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE hDir = CreateFileW(path.parent_path().c_str(), FILE_READ_ATTRIBUTES, kShare, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hDir == INVALID_HANDLE_VALUE) {
        ec = LastWinError();
        return hDir;
    }
    std::wstring strExpected;
    bool bDir = FinalPath(hDir, strExpected, ec);
    CloseHandle(hDir);
    if (!bDir) return INVALID_HANDLE_VALUE;
    if (strExpected.empty() || strExpected.back() != L'\\') strExpected += L'\\';
    strExpected += path.filename().wstring();
    // wine opens what a Unix link leads to even with FILE_FLAG_OPEN_REPARSE_POINT, and shows
    // the link as a plain folder or file; only the final path tells it apart.
    HANDLE hFile = CreateFileW(path.c_str(), nAccess, kShare, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        ec = LastWinError();
        return hFile;
    }
    std::wstring strFinal;
    if (FinalPath(hFile, strFinal, ec) && SamePath(strFinal, strExpected)) return hFile;
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
    // wine removes the name when the last handle closes, by the name the handle was opened
    // with, which the caller has proven to be the entry itself.
    FILE_DISPOSITION_INFO info{TRUE};
    bool bOk = SetFileInformationByHandle(hFile, FileDispositionInfo, &info, sizeof info);
    if (!bOk) ec = LastWinError();
    CloseHandle(hFile);
    return bOk;
}

}  // namespace pvw
