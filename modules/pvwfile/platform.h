// What differs between POSIX and Windows in the file library: listing, copying file data,
// links, attributes, flushing to disk and the notification channel. posix/ and win32/ hold
// one implementation each; every function answers false with the system's reason in ec.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "entry.h"

namespace pvw {

// The entries of a directory, "." and ".." left out, in no particular order.
bool ListDirectory(const Path& dir, std::vector<CEntry>& arrEntries, std::error_code& ec);

// One entry; links are followed only when bFollow (for the roots a caller names).
bool ReadEntry(const Path& path, bool bFollow, CEntry& entry, std::error_code& ec);

// Adds the S and A bits, which cost a system call per file, to entry.nAttrib.
void ReadExtraAttributes(const Path& path, CEntry& entry);

// Creates temp (which must not exist) with the data, permissions and modification time of the
// regular file src. pfnProgress receives the bytes copied so far. On failure temp is removed.
using ProgressFn = std::function<void(std::uint64_t)>;
bool CopyFileData(const Path& src, const Path& temp, const ProgressFn& pfnProgress,
                  std::error_code& ec);

// Creates temp as a symbolic link with the same target as the link src.
bool CopyLink(const Path& src, const Path& temp, std::error_code& ec);

// Makes every file written so far in these directories durable, so that a rename after it
// never puts an incomplete file under a real name.
bool FlushWrites(const std::vector<Path>& arrDirs, std::error_code& ec);

// Renames from over to (which may exist and be read-only); atomic on one file system.
bool ReplaceEntry(const Path& from, const Path& to, std::error_code& ec);

// True when ec says a rename failed only because the two paths are on different file systems.
bool IsCrossDevice(const std::error_code& ec);

// Removes a file or link (read-only ones too).
bool RemoveFile(const Path& path, std::error_code& ec);

// Sets and clears attribute bits; a change of H may rename the file, newPath says where it is.
bool ChangeAttributes(const Path& path, const CEntry& entry, unsigned nSet, unsigned nClear,
                      Path& newPath, std::error_code& ec);

// Sends one line to the host's notification target (a descriptor, or a window on Windows).
void NotifyHost(int nTarget, const std::string& strLine);

// True when standard error is a terminal, where a progress bar may be drawn.
bool StderrIsTerminal();

// The key under which a name is matched between two trees: the name itself on POSIX, its
// lower-case form on Windows, where A.TXT and a.txt are one file.
std::string NameKey(const std::string& strName);

}  // namespace pvw
