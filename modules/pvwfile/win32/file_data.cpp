// Copying, reading, renaming and removing files on Windows: a file's data and named streams
// are copied through handles into a temporary made for it, flushed to the disk before its
// rename, and given the source's time and attributes; links are copied as links by
// CopyFileEx. Files are named inside open directories; a removal acts through a handle proven
// to be the entry itself.
#include "file_data.h"

#include <algorithm>
#include <vector>

#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

constexpr DWORD kChunk = DWORD{1} << 20;

bool SameState(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

void FillCopied(const BY_HANDLE_FILE_INFORMATION& info, const std::string& strName,
                CEntry& copied) {
    copied.strName = strName;
    copied.eKind = EKind::File;
    copied.nSize = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    copied.nTime = FileTimeToNs(info.ftLastWriteTime);
    copied.nMode = 0;
    copied.id = IdentityOf(info);
}

// The data and the named streams, then on the disk; answers the source's state after the copy.
bool CopyOpenFile(HANDLE hIn, const std::wstring& strSource, HANDLE hOut,
                  const std::wstring& strTemp, const ProgressFn& pfnProgress,
                  BY_HANDLE_FILE_INFORMATION& after, std::error_code& ec) {
    if (!CopyData(hIn, hOut, pfnProgress, ec) || !CopyStreams(hIn, strSource, hOut, strTemp, ec)) {
        return false;
    }
    if (FlushFileBuffers(hOut) && GetFileInformationByHandle(hIn, &after)) return true;
    ec = LastWinError();
    return false;
}

// The source's time and attributes, given last, so that a temporary that fails before is never
// read-only.
bool GiveTimeAndAttributes(HANDLE hOut, const BY_HANDLE_FILE_INFORMATION& source,
                           std::error_code& ec) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (SetFileTime(hOut, nullptr, nullptr, &source.ftLastWriteTime) &&
        SetAttributesByHandle(hOut, source.dwFileAttributes & kKept)) {
        return true;
    }
    ec = LastWinError();
    return false;
}

}  // namespace

bool CopyData(HANDLE hIn, HANDLE hOut, const ProgressFn& pfnProgress, std::error_code& ec) {
    std::vector<char> buffer(kChunk);
    std::uint64_t nDone = 0;
    for (;;) {
        DWORD nRead = 0, nWritten = 0;
        if (!ReadFile(hIn, buffer.data(), kChunk, &nRead, nullptr)) break;
        if (nRead == 0) return true;
        if (!WriteFile(hOut, buffer.data(), nRead, &nWritten, nullptr)) break;
        nDone += nRead;
        pfnProgress(nDone);
    }
    ec = LastWinError();
    return false;
}

bool CopyFileData(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
                  const CMadeFileFacts&, const std::string& strTemp, bool& bUnnamed,
                  const ProgressFn& pfnProgress, CEntry& copied, TempLock& lock,
                  std::error_code& ec) {
    bUnnamed = false;  // every copy is written under its temporary name here
    std::wstring strSourcePath = ChildPath(sourceDir, strSource);
    std::wstring strTempPath = ChildPath(tempDir, strTemp);
    HANDLE hIn = CreateFileW(strSourcePath.c_str(), GENERIC_READ, static_cast<DWORD>(EShare::Brief),
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    BY_HANDLE_FILE_INFORMATION before, after;
    if (hIn == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(hIn, &before)) {
        ec = LastWinError();
        if (hIn != INVALID_HANDLE_VALUE) CloseHandle(hIn);
        return false;
    }
    // The temporary's handle is its lock (see RemoveStaleTemp). CREATE_NEW never opens what a
    // link in its place leads to.
    HANDLE hOut = CreateFileW(strTempPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                              static_cast<DWORD>(EShare::Brief), nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hOut == INVALID_HANDLE_VALUE) {
        ec = LastWinError();
        CloseHandle(hIn);
        return false;
    }
    bool bCopied = CopyOpenFile(hIn, strSourcePath, hOut, strTempPath, pfnProgress, after, ec);
    CloseHandle(hIn);
    if (bCopied && !SameState(before, after)) {
        ec = LibError(ELibError::SourceChanged);
        bCopied = false;
    }
    if (bCopied && GiveTimeAndAttributes(hOut, before, ec)) {
        FillCopied(after, strSource, copied);
        lock = reinterpret_cast<TempLock>(hOut);
        return true;
    }
    // Removed through its own handle. One that cannot be is left to the sweep of a later run,
    // its lock gone with the handle; the copy's own failure is the one reported.
    std::error_code ecLeft;
    DeleteByHandle(hOut, ecLeft);
    return false;
}

bool CopyLink(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
              const std::string& strTemp, std::error_code& ec) {
    if (CopyFileExW(ChildPath(sourceDir, strSource).c_str(), ChildPath(tempDir, strTemp).c_str(),
                    nullptr, nullptr, nullptr, COPY_FILE_COPY_SYMLINK | COPY_FILE_FAIL_IF_EXISTS)) {
        return true;
    }
    ec = LastWinError();
    return false;
}

std::intptr_t OpenReadAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    HANDLE hFile = OpenInPlace(dir, strName, GENERIC_READ, EShare::Brief, ec);
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(hFile, &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) &&
        !IsLinkHandle(hFile)) {
        return reinterpret_cast<std::intptr_t>(hFile);
    }
    ec = std::make_error_code(std::errc::not_supported);
    CloseHandle(hFile);
    return -1;
}

long ReadSome(std::intptr_t file, char* pBuffer, size_t nSize, std::error_code& ec) {
    DWORD nRead = 0;
    DWORD nWant = static_cast<DWORD>(std::min<size_t>(nSize, DWORD{1} << 30));
    if (ReadFile(reinterpret_cast<HANDLE>(file), pBuffer, nWant, &nRead, nullptr)) {
        return static_cast<long>(nRead);
    }
    ec = LastWinError();
    return -1;
}

void CloseFile(std::intptr_t file) {
    CloseHandle(reinterpret_cast<HANDLE>(file));
}

// Each file was flushed as it was copied.
bool FlushWrites(const std::vector<DirHandle>&, std::error_code&) {
    return true;
}

// A rename replaces the name itself, on Windows as under wine, never what a link there leads to.
bool ReplaceEntryAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                    const std::string& strTo, std::error_code& ec) {
    std::wstring strFromPath = ChildPath(fromDir, strFrom), strToPath = ChildPath(toDir, strTo);
    DWORD nFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(strFromPath.c_str(), strToPath.c_str(), nFlags)) return true;
    ec = LastWinError();
    // A read-only target refuses to be replaced; the caller has decided it may be. Its flag is
    // set again when the replace fails all the same. When there is no flag to clear, or it
    // cannot be cleared (no target at all, say), the refusal stands as the reason.
    DWORD nBefore = 0;
    std::error_code ecAttr;
    if (ec.value() != ERROR_ACCESS_DENIED ||
        !ChangeAttributesAt(toDir, strTo, 0, FILE_ATTRIBUTE_READONLY, nBefore, ecAttr) ||
        !(nBefore & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    if (MoveFileExW(strFromPath.c_str(), strToPath.c_str(), nFlags)) return true;
    ec = LastWinError();
    if (!ChangeAttributesAt(toDir, strTo, FILE_ATTRIBUTE_READONLY, 0, nBefore, ecAttr)) {
        ec = LibError(ELibError::ReadOnlyNotRestored);
    }
    return false;
}

bool CopyFileInto(DirHandle sourceDir, const std::string& strSource, DirHandle dir,
                  const CMadeFileFacts& made, const std::string& strName,
                  const ProgressFn& pfnProgress, CEntry& copied, std::error_code& ec) {
    bool bUnnamed = false;
    TempLock lock = -1;
    if (!CopyFileData(sourceDir, strSource, dir, made, strName, bUnnamed, pfnProgress, copied, lock,
                      ec)) {
        return false;
    }
    ReleaseTemp(lock);
    return true;
}

// A folder is made here under its own name: a handle held on it would keep its name from
// being changed.
bool MakeLockedTempDir(DirHandle, const std::string&, TempLock&, std::error_code& ec) {
    ec = std::make_error_code(std::errc::not_supported);
    return false;
}

bool PlaceCopy(TempLock, bool, DirHandle tempDir, const std::string& strTemp,
               const std::string& strName, std::error_code& ec) {
    return ReplaceEntryAt(tempDir, strTemp, tempDir, strName, ec);
}

bool IsCrossDevice(const std::error_code& ec) {
    return ec.category() == std::system_category() && ec.value() == ERROR_NOT_SAME_DEVICE;
}

// Through a handle proven to be the entry itself: wine removes what a Unix link leads to when
// asked to remove the link.
bool RemoveFileAt(DirHandle dir, const std::string& strName, std::error_code& ec) {
    HANDLE hFile = OpenInPlace(dir, strName, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               EShare::Brief, ec);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic)) {
        ec = LastWinError();
    } else if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLinkHandle(hFile)) {
        ec = std::make_error_code(std::errc::is_a_directory);
    } else {
        return DeleteFileByHandle(hFile, basic.FileAttributes, ec);
    }
    CloseHandle(hFile);
    return false;
}

}  // namespace pvw
