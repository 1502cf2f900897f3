// The safe write on Windows: links followed to the final path of the file, the temporary made
// with CREATE_NEW (which fails on anything already there, a link included) and flushed with
// FlushFileBuffers, then moved over the file with MOVEFILE_WRITE_THROUGH, which returns once
// the move is on the disk. The new file takes the folder's permissions, as any new file there.
#include "../safe_write.h"

#include <windows.h>

#include "../file_platform.h"
#include "system_reason.h"

namespace qjcommon {

namespace {
// GetFinalPathNameByHandleA's answer in the form the rest of the family uses: without the
// "\\?\" prefix, a share as "\\server\share".
std::string WithoutLongPrefix(std::string strPath) {
    if (strPath.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + strPath.substr(8);
    if (strPath.rfind("\\\\?\\", 0) == 0) return strPath.substr(4);
    return strPath;
}

bool IsLink(const std::string& strPath) {
    DWORD nAttributes = ::GetFileAttributesA(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool WriteAll(HANDLE hFile, std::string_view text) {
    while (!text.empty()) {
        DWORD nChunk = text.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(text.size());
        DWORD nDone = 0;
        if (!::WriteFile(hFile, text.data(), nChunk, &nDone, nullptr)) return false;
        text.remove_prefix(nDone);
    }
    return true;
}
}  // namespace

bool ResolveLinks(const std::string& strPath, std::string& strResolved, std::string& strReason) {
    strResolved = strPath;
    if (!IsLink(strPath)) return true;
    HANDLE hFile =
        ::CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    char szFinal[MAX_PATH * 4];
    DWORD nLen = hFile == INVALID_HANDLE_VALUE
                     ? 0
                     : ::GetFinalPathNameByHandleA(hFile, szFinal, sizeof szFinal,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    DWORD nError = ::GetLastError();
    if (hFile != INVALID_HANDLE_VALUE) ::CloseHandle(hFile);
    if (nLen == 0 || nLen >= sizeof szFinal) {
        strReason = "cannot follow the link \"" + strPath + "\": " + SystemReason(nError);
        return false;
    }
    strResolved = WithoutLongPrefix(std::string(szFinal, nLen));
    return true;
}

ENewFile WriteNewFile(const std::string& strTemp, const std::string&, std::string_view text,
                      std::string& strReason) {
    HANDLE hFile = ::CreateFileA(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        DWORD nError = ::GetLastError();
        if (nError == ERROR_FILE_EXISTS || nError == ERROR_ALREADY_EXISTS)
            return ENewFile::NameTaken;
        strReason = SystemReason(nError);
        return ENewFile::Failed;
    }
    bool bOk = WriteAll(hFile, text) && ::FlushFileBuffers(hFile);
    DWORD nError = bOk ? ERROR_SUCCESS : ::GetLastError();
    ::CloseHandle(hFile);
    if (bOk) return ENewFile::Written;
    strReason = SystemReason(nError);
    ::DeleteFileA(strTemp.c_str());
    return ENewFile::Failed;
}

bool MoveIntoPlace(const std::string& strTemp, const std::string& strTarget,
                   std::string& strReason) {
    if (::MoveFileExA(strTemp.c_str(), strTarget.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    strReason = SystemReason(::GetLastError());
    ::DeleteFileA(strTemp.c_str());
    return false;
}

}  // namespace qjcommon
