// An open directory on Windows and the check that an entry inside it is what its name says.
// A directory is held as a handle without FILE_SHARE_DELETE, so that it cannot be renamed or
// removed while held, together with its final path, below which its entries are named. An
// entry is acted on only through a handle whose final path is that name: whatever resolves
// elsewhere (a link, or a Unix link that wine shows as a plain folder or file) is never acted
// on through its name.
#pragma once

#include <windows.h>

#include <string>
#include <system_error>

#include "../platform.h"

namespace pvw {

struct CWinDir {
    HANDLE hDir;            // INVALID_HANDLE_VALUE once the directory is being removed
    std::wstring strFinal;  // "\\?\" form, which no path length limit applies to
    CIdentity id;
};

inline CWinDir& WinDir(DirHandle dir) {
    return *reinterpret_cast<CWinDir*>(dir);
}

// Handles held while the operation goes on, handles used at once and closed, and the one
// handle there may be, which fails while any other is open.
enum class EShare : DWORD {
    Held = FILE_SHARE_READ | FILE_SHARE_WRITE,
    Brief = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
    None = 0,
};

// A name as the library holds it (UTF-8, as listings give it) in the system's UTF-16. Bytes
// that are no UTF-8 (a name cut short) become U+FFFD, never a failure.
std::wstring WideName(const std::string& strName);

// The path that names strName inside dir.
std::wstring ChildPath(DirHandle dir, const std::string& strName);

// The final path of an open file or directory, links resolved.
bool FinalPath(HANDLE hFile, std::wstring& strPath, std::error_code& ec);

// Why an entry is not acted on: its name leads to another place. It means what ELOOP means
// on POSIX, and compares equal to it.
std::error_code LeadsElsewhereError();

// Opens strName inside dir itself, not what a link there leads to, and proves that the handle's
// final path is that name; anything that resolves elsewhere fails with LeadsElsewhereError.
HANDLE OpenInPlace(DirHandle dir, const std::string& strName, DWORD nAccess, EShare eShare,
                   std::error_code& ec);

// True for the reparse points that are links (symbolic links and junctions); other reparse
// points (cloud placeholders, deduplicated files) are what they hold.
bool IsLinkTag(DWORD nAttr, DWORD nReparseTag);

// True when the open handle is such a link itself.
bool IsLinkHandle(HANDLE hFile);

// Gives the open file these attributes, its times left as they are.
bool SetAttributesByHandle(HANDLE hFile, DWORD nAttr);

// Deletes what the handle holds, by the handle, and closes it.
bool DeleteByHandle(HANDLE hFile, std::error_code& ec);

// The same for a file whose attributes are nAttr: a read-only one has the flag cleared for its
// deletion, and set again when the deletion fails.
bool DeleteFileByHandle(HANDLE hFile, DWORD nAttr, std::error_code& ec);

// Sets the attributes nSet and clears nClear (FILE_ATTRIBUTE_ flags) of strName in dir, through a
// handle proven to be the entry; nBefore receives the attributes it had.
bool ChangeAttributesAt(DirHandle dir, const std::string& strName, DWORD nSet, DWORD nClear,
                        DWORD& nBefore, std::error_code& ec);

// Which file an open handle's information names: volume serial number and file index.
CIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);

// Nanoseconds since 1970-01-01 and the system's 100-ns intervals since 1601-01-01.
std::int64_t FileTimeToNs(const FILETIME& ft);
FILETIME NsToFileTime(std::int64_t nTime);

}  // namespace pvw
