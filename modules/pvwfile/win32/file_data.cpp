// Copying files on Windows: CopyFileEx (which keeps times and attributes and copies links as
// links), then FlushFileBuffers on the new file, so that it is on the disk before its rename.
// A removal acts through a handle proven to be the entry itself.
#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

DWORD CALLBACK OnProgress(LARGE_INTEGER, LARGE_INTEGER nDone, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                          DWORD, HANDLE, HANDLE, LPVOID pData) {
    (*static_cast<const ProgressFn*>(pData))(static_cast<std::uint64_t>(nDone.QuadPart));
    return PROGRESS_CONTINUE;
}

// Clears the read-only attribute; answers the attributes it found (INVALID_FILE_ATTRIBUTES
// when there is no such file).
DWORD MakeWritable(const Path& path) {
    DWORD nAttr = GetFileAttributesW(path.c_str());
    if (nAttr != INVALID_FILE_ATTRIBUTES && (nAttr & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), nAttr & ~FILE_ATTRIBUTE_READONLY);
    }
    return nAttr;
}

bool FlushFile(const Path& path, std::error_code& ec) {
    DWORD nAttr = MakeWritable(path);
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    bool bOk = hFile != INVALID_HANDLE_VALUE && FlushFileBuffers(hFile);
    if (!bOk) ec = LastWinError();
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    if (nAttr != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), nAttr);
    return bOk;
}

}  // namespace

bool CopyFileData(const Path& src, const Path& temp, const ProgressFn& pfnProgress,
                  std::error_code& ec) {
    ProgressFn progress = pfnProgress;
    if (!CopyFileExW(src.c_str(), temp.c_str(), &OnProgress, &progress, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS)) {
        ec = LastWinError();
        std::error_code ecIgnored;
        RemoveFile(temp, ecIgnored);
        return false;
    }
    if (FlushFile(temp, ec)) return true;
    std::error_code ecIgnored;
    RemoveFile(temp, ecIgnored);
    return false;
}

bool CopyLink(const Path& src, const Path& temp, std::error_code& ec) {
    if (CopyFileExW(src.c_str(), temp.c_str(), nullptr, nullptr, nullptr,
                    COPY_FILE_COPY_SYMLINK | COPY_FILE_FAIL_IF_EXISTS)) {
        return true;
    }
    ec = LastWinError();
    return false;
}

// Each file was flushed as it was copied.
bool FlushWrites(const std::vector<Path>&, std::error_code&) {
    return true;
}

bool ReplaceEntry(const Path& from, const Path& to, std::error_code& ec) {
    DWORD nFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(from.c_str(), to.c_str(), nFlags)) return true;
    // A read-only target refuses to be replaced; the caller has decided it may be.
    if (GetLastError() == ERROR_ACCESS_DENIED && MakeWritable(to) != INVALID_FILE_ATTRIBUTES &&
        MoveFileExW(from.c_str(), to.c_str(), nFlags)) {
        return true;
    }
    ec = LastWinError();
    return false;
}

bool IsCrossDevice(const std::error_code& ec) {
    return ec.category() == std::system_category() && ec.value() == ERROR_NOT_SAME_DEVICE;
}

// Through a handle proven to be the entry itself: wine removes what a Unix link leads to when
// asked to remove the link.
bool RemoveFile(const Path& path, std::error_code& ec) {
    HANDLE hFile = OpenInPlace(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, ec);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic)) {
        ec = LastWinError();
    } else if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLinkHandle(hFile)) {
        ec = std::make_error_code(std::errc::is_a_directory);
    } else {
        if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
            SetAttributesByHandle(hFile, basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY);
        }
        return DeleteByHandle(hFile, ec);
    }
    CloseHandle(hFile);
    return false;
}

}  // namespace pvw
