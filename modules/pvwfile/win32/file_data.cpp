// Copying, reading, renaming and removing files on Windows: CopyFileEx (which keeps times and
// attributes and copies links as links), then FlushFileBuffers on the new file, so that it is
// on the disk before its rename. Files are named inside open directories; a removal acts
// through a handle proven to be the entry itself.
#include <algorithm>

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
DWORD MakeWritable(const std::wstring& strPath) {
    DWORD nAttr = GetFileAttributesW(strPath.c_str());
    if (nAttr != INVALID_FILE_ATTRIBUTES && (nAttr & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(strPath.c_str(), nAttr & ~FILE_ATTRIBUTE_READONLY);
    }
    return nAttr;
}

bool FlushFile(const std::wstring& strPath, std::error_code& ec) {
    DWORD nAttr = MakeWritable(strPath);
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    bool bOk = hFile != INVALID_HANDLE_VALUE && FlushFileBuffers(hFile);
    if (!bOk) ec = LastWinError();
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    if (nAttr != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(strPath.c_str(), nAttr);
    return bOk;
}

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

// Copies the data of the open source by its name; answers the source's state after the copy.
bool CopyOpenSource(HANDLE hSource, const std::wstring& strSource, const std::wstring& strTemp,
                    const ProgressFn& pfnProgress, BY_HANDLE_FILE_INFORMATION& after,
                    std::error_code& ec) {
    ProgressFn progress = pfnProgress;
    if (CopyFileExW(strSource.c_str(), strTemp.c_str(), &OnProgress, &progress, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS) &&
        GetFileInformationByHandle(hSource, &after)) {
        return FlushFile(strTemp, ec);
    }
    ec = LastWinError();
    return false;
}

}  // namespace

bool CopyFileData(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
                  const std::string& strTemp, const ProgressFn& pfnProgress, CEntry& copied,
                  std::error_code& ec) {
    std::wstring strSourcePath = ChildPath(sourceDir, strSource);
    // Held open while it is copied, so that its state after the copy is the same file's.
    HANDLE hSource =
        CreateFileW(strSourcePath.c_str(), FILE_READ_ATTRIBUTES, static_cast<DWORD>(EShare::Brief),
                    nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION before, after;
    if (hSource == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(hSource, &before)) {
        ec = LastWinError();
        if (hSource != INVALID_HANDLE_VALUE) CloseHandle(hSource);
        return false;
    }
    bool bCopied =
        CopyOpenSource(hSource, strSourcePath, ChildPath(tempDir, strTemp), pfnProgress, after, ec);
    CloseHandle(hSource);
    if (bCopied && SameState(before, after)) {
        FillCopied(after, strSource, copied);
        return true;
    }
    if (bCopied) ec = LibError(ELibError::SourceChanged);
    std::error_code ecIgnored;
    RemoveFileAt(tempDir, strTemp, ecIgnored);
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
    // A read-only target refuses to be replaced; the caller has decided it may be.
    if (GetLastError() == ERROR_ACCESS_DENIED &&
        MakeWritable(strToPath) != INVALID_FILE_ATTRIBUTES &&
        MoveFileExW(strFromPath.c_str(), strToPath.c_str(), nFlags)) {
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
        if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
            SetAttributesByHandle(hFile, basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY);
        }
        return DeleteByHandle(hFile, ec);
    }
    CloseHandle(hFile);
    return false;
}

}  // namespace pvw
