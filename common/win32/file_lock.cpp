// The lock file on Windows: LockFileEx on the first byte of a file that every writer opens for
// reading alone, so that whoever may change the file beside it can take the lock.
#include "../file_lock.h"

#include <windows.h>

#include "system_reason.h"

namespace qjcommon {

CFileLock::~CFileLock() {
    if (m_nHandle == -1) return;
    HANDLE hFile = reinterpret_cast<HANDLE>(m_nHandle);
    OVERLAPPED where{};
    ::UnlockFileEx(hFile, 0, 1, 0, &where);
    ::CloseHandle(hFile);
}

bool CFileLock::Lock(const std::string& strPath, std::string& strReason) {
    HANDLE hFile = ::CreateFileA(
        strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        strReason =
            "cannot open the lock file \"" + strPath + "\": " + SystemReason(::GetLastError());
        return false;
    }
    OVERLAPPED where{};
    if (!::LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
        strReason = "cannot lock \"" + strPath + "\": " + SystemReason(::GetLastError());
        ::CloseHandle(hFile);
        return false;
    }
    m_nHandle = reinterpret_cast<std::intptr_t>(hFile);
    return true;
}

}  // namespace qjcommon
