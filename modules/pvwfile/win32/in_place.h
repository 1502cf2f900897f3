// The check that an entry is what its name says on Windows. An entry is acted on only through
// a handle whose final path is its folder's and its name: whatever resolves elsewhere (a link,
// or a Unix link that wine shows as a plain folder or file) is never acted on through its name.
#pragma once

#include <windows.h>

#include <string>
#include <system_error>

#include "../platform.h"

namespace pvw {

// The final path of an open file or directory, links resolved.
bool FinalPath(HANDLE hFile, std::wstring& strPath, std::error_code& ec);

// Why an entry is not acted on: its name leads to another place. It means what ELOOP means
// on POSIX, and compares equal to it.
std::error_code LeadsElsewhereError();

// Opens the entry path itself, not what a link there leads to, and proves that the handle's
// final path is the final path of its folder and its name; anything that resolves elsewhere
// fails with LeadsElsewhereError.
HANDLE OpenInPlace(const Path& path, DWORD nAccess, std::error_code& ec);

// True for the reparse points that are links (symbolic links and junctions); other reparse
// points (cloud placeholders, deduplicated files) are what they hold.
bool IsLinkTag(DWORD nAttr, DWORD nReparseTag);

// True when the open handle is such a link itself.
bool IsLinkHandle(HANDLE hFile);

// Gives the open file these attributes, its times left as they are.
bool SetAttributesByHandle(HANDLE hFile, DWORD nAttr);

// Deletes what the handle holds, by the handle, and closes it.
bool DeleteByHandle(HANDLE hFile, std::error_code& ec);

}  // namespace pvw
