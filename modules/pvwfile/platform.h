// What differs between POSIX and Windows in the file library: open directories and the
// entries inside them, copying file data, links, attributes, flushing to disk and the
// notification channel. posix/ and win32/ hold one implementation each; every function answers
// false with the system's reason in ec.
//
// Everything below a root is reached by name relative to a directory held open since the walk
// found it, never by a full path: a directory that is swapped for a link (or a junction, or
// anything else) after the walk must make the action on it fail, never redirect it elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "entry.h"
#include "lib_errors.h"

namespace pvw {

// An open directory: a descriptor on POSIX, a HANDLE on Windows (both fit, and both use -1
// for none).
using DirHandle = std::intptr_t;
inline constexpr DirHandle kNoDir = -1;

// Opens the directory a caller named; links are followed, for the roots only. POSIX: an
// O_DIRECTORY | O_CLOEXEC descriptor. Windows: FILE_FLAG_BACKUP_SEMANTICS, shared for reading
// and writing but not FILE_SHARE_DELETE, so that it cannot be renamed or removed while held.
bool OpenRootDir(const Path& path, DirHandle& dir, std::error_code& ec);

// Opens the directory strName inside dir without following a link: it fails, and never
// redirects, when the name is no longer a plain directory of dir. POSIX: openat with
// O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC. Windows: FILE_FLAG_OPEN_REPARSE_POINT |
// FILE_FLAG_BACKUP_SEMANTICS, held without FILE_SHARE_DELETE; a reparse point, or a handle
// whose final path (GetFinalPathNameByHandleW) is not the final path of dir plus strName,
// fails with ELOOP's meaning (ERROR_CANT_ACCESS_FILE will do).
bool OpenChildDir(DirHandle dir, const std::string& strName, DirHandle& child, std::error_code& ec);

void CloseDir(DirHandle dir);

// The identity of an open directory: device and inode on POSIX, volume serial number and file
// index on Windows. Used to prove that a directory opened again is the one the walk saw.
bool DirIdentity(DirHandle dir, CIdentity& id, std::error_code& ec);

// The entries of the open directory, "." and ".." left out, in no particular order; links not
// followed. nDev and nIno of each entry as DirIdentity would give them, or 0 where listing
// cannot tell (a 0 is never taken for another file system).
bool ListDirectory(DirHandle dir, std::vector<CEntry>& arrEntries, std::error_code& ec);

// One entry by name inside dir, links not followed.
bool ReadEntryAt(DirHandle dir, const std::string& strName, CEntry& entry, std::error_code& ec);

// One entry by full path, for the roots a caller names; links are followed only when bFollow.
bool ReadEntry(const Path& path, bool bFollow, CEntry& entry, std::error_code& ec);

// Adds the S and A bits, which cost a system call per file, to entry.nAttrib.
void ReadExtraAttributes(DirHandle dir, const std::string& strName, CEntry& entry);

// Creates the directory strName inside dir, open to its owner only; its final permissions and
// time are set once its content is in place.
bool MakeDirAt(DirHandle dir, const std::string& strName, std::error_code& ec);

// Gives the open directory the permission bits and modification time of entry, unless it has
// them already (Windows: the time only, which asks for FILE_WRITE_ATTRIBUTES on the directories
// it opens).
bool SetDirModeAndTime(DirHandle dir, const CEntry& entry, std::error_code& ec);

// What a file made inside a directory is given without being asked, the same for every file
// made there: its owner and group (the directory's group where it is set-group-ID), whether
// a default ACL of the directory gives it an ACL, and the permissions the process's umask takes
// from it (-1 where the system does not tell). Read once per directory, so that a copy
// changes only what differs from its source (each change is a write to the file system's
// journal). bKnown false: nothing is known, and a copy sets everything (Windows).
struct CMadeFileFacts {
    bool bKnown = false;
    std::uint32_t nUid = 0, nGid = 0;
    bool bDefaultAcl = true;
    int nUmask = -1;
};
void ReadMadeFileFacts(DirHandle dir, CMadeFileFacts& made);

// Creates strTemp inside tempDir (it must not exist, and is never reached through a link) with
// the data, permissions and modification time of the regular file strSource of sourceDir.
// Where both file systems hold them, the copy also keeps the source's holes (the ranges never
// written), its extended attributes and ACLs, and, for root, its owner and group; what the
// target cannot hold is named in copied.nNotKept. pfnProgress receives the bytes copied so far. The
// size and modification time of the open source are read before and after the copy: when they
// differ the copy fails with LibError(ELibError::SourceChanged). copied receives the source as it
// was copied, nDev and nIno included. On failure strTemp is removed. On success lock holds the
// temporary's lock (see TempLock). bUnnamed says on entry whether the copy may be written
// without a name, for a target that does not exist yet, and on return whether it was: POSIX
// writes it so (O_TMPFILE) where the file system can, and a copy cut short then leaves nothing
// behind; Windows never does.
// made says what a file made in tempDir is given unasked (see ReadMadeFileFacts): what it
// has already is not set again.
using ProgressFn = std::function<void(std::uint64_t)>;
using TempLock = std::intptr_t;
bool CopyFileData(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
                  const CMadeFileFacts& made, const std::string& strTemp, bool& bUnnamed,
                  const ProgressFn& pfnProgress, CEntry& copied, TempLock& lock,
                  std::error_code& ec);

// Creates strName inside dir (it must not exist, and is never reached through a link) as
// CopyFileData does, under that name at once, with no lock and no descriptor kept: for a folder
// that nobody sees until it is renamed into place (see MakeLockedTempDir).
bool CopyFileInto(DirHandle sourceDir, const std::string& strSource, DirHandle dir,
                  const CMadeFileFacts& made, const std::string& strName,
                  const ProgressFn& pfnProgress, CEntry& copied, std::error_code& ec);

// Makes the folder strName inside dir, open to its owner only, to be written whole under that
// temporary name and renamed into place, and takes its lock as a temporary file's is taken (see
// TempLock). False with ec when it cannot be made, or where the system offers no such lock
// (Windows, whose folders are made under their own names).
bool MakeLockedTempDir(DirHandle dir, const std::string& strName, TempLock& lock,
                       std::error_code& ec);

// Puts the copy CopyFileData wrote in tempDir under strName there, replacing what has that
// name. A named copy is renamed (as ReplaceEntryAt does). An unnamed one is given the name
// through its descriptor; should the name have been taken since the walk, it is given the name
// strTemp first, under its lock, and renamed over it.
bool PlaceCopy(TempLock lock, bool bUnnamed, DirHandle tempDir, const std::string& strTemp,
               const std::string& strName, std::error_code& ec);

// A temporary file's lock, held by its writer from the moment it is created until the
// temporary has been renamed into place or removed, so that a temporary whose writer is gone
// (killed, or crashed) can be told from one being written. POSIX: a shared flock taken on the
// created descriptor at once, which stays open until then. Windows: a handle of the file held
// open without FILE_SHARE_DELETE, so that nobody can delete it meanwhile. ReleaseTemp lets go
// of it.
void ReleaseTemp(TempLock lock);

// Removes the temporary strName of dir when no writer holds its lock, and true. False with ec
// empty when a writer still holds it (it is left alone), with ec set on failure. A temporary
// link, which cannot be locked, is never removed. A temporary folder is removed with its files
// and links (what a copy writes into one), a link never followed; anything else in it is left,
// and the folder with it. POSIX: an exclusive flock taken without
// waiting, then unlinkat. Windows: a delete that fails with a sharing violation while the
// writer's handle is open.
bool RemoveStaleTemp(DirHandle dir, const std::string& strName, std::error_code& ec);

// How many copies an operation may hold open at once (each written one keeps its descriptor, or
// handle, until it is in place): a share of those the process may still open, which leaves
// plenty to the host. Read once per operation: a host that opens more meanwhile makes a copy
// fail for want of one, which the copier answers by putting what it holds in place first.
size_t MaxHeldCopies();

// Gives the open directory dir the owner (for root), extended attributes and ACLs of the open
// directory sourceDir, as a copy of a file takes them (what the target's file system cannot hold
// is left out). Windows: nothing, as for files.
bool KeepDirExtras(DirHandle sourceDir, DirHandle dir, std::error_code& ec);

// Whether the regular files strA of dirA and strB of dirB carry the same extended attributes
// and ACLs, of the kinds a copy keeps. Windows: always the same (a copy keeps none there).
bool SameExtras(DirHandle dirA, const std::string& strA, DirHandle dirB, const std::string& strB,
                bool& bSame, std::error_code& ec);

// Makes strTo of toDir (which must not exist) another name of the file strFrom of fromDir;
// neither name is resolved through a link.
bool LinkFileAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                const std::string& strTo, std::error_code& ec);

// Creates strTemp inside tempDir as a symbolic link with the same target as the link strSource
// of sourceDir.
bool CopyLink(DirHandle sourceDir, const std::string& strSource, DirHandle tempDir,
              const std::string& strTemp, std::error_code& ec);

// The path a link holds.
bool ReadLinkAt(DirHandle dir, const std::string& strName, std::string& strTarget,
                std::error_code& ec);

// A regular file opened for reading from start to end by name inside dir, a link not followed;
// nothing else is read. -1 with ec on failure. ReadSome answers the bytes read (0 at the end, -1
// with ec).
std::intptr_t OpenReadAt(DirHandle dir, const std::string& strName, std::error_code& ec);
long ReadSome(std::intptr_t file, char* pBuffer, size_t nSize, std::error_code& ec);
void CloseFile(std::intptr_t file);

// Makes every file written so far in these directories durable, so that a rename after it
// never puts an incomplete file under a real name.
bool FlushWrites(const std::vector<DirHandle>& arrDirs, std::error_code& ec);

// Renames strFrom of fromDir over strTo of toDir (which may exist and be read-only); atomic on
// one file system. Neither name is resolved through a link.
bool ReplaceEntryAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                    const std::string& strTo, std::error_code& ec);

// True when ec says a rename failed only because the two paths are on different file systems.
bool IsCrossDevice(const std::error_code& ec);

// Removes the file or link strName of dir (read-only ones too); a link is removed, never what
// it points to.
bool RemoveFileAt(DirHandle dir, const std::string& strName, std::error_code& ec);

// Removes the empty directory strName of dir; a link in its place is not followed.
bool RemoveDirAt(DirHandle dir, const std::string& strName, std::error_code& ec);

// Sets and clears attribute bits of strName in dir; a change of H may rename the file,
// strNewName says what it is called then.
bool ChangeAttributes(DirHandle dir, const std::string& strName, const CEntry& entry, unsigned nSet,
                      unsigned nClear, std::string& strNewName, std::error_code& ec);

// Sends one line to the host's notification target (a descriptor, or a window on Windows).
void NotifyHost(int nTarget, const std::string& strLine);

// True when standard error is a terminal, where a progress bar may be drawn.
bool StderrIsTerminal();

// The key under which a name is matched between two trees: the name itself on POSIX; on
// Windows, where A.TXT and a.txt are one file, a form that is the same for names the system
// takes for one, whatever their case (not only ASCII: Ä.txt and ä.txt too). Keys compared as
// byte strings order names consistently with that sameness, as a sorted merge needs.
std::string NameKey(const std::string& strName);
// Whether NameKey gives every name itself, so that names serve as their own keys.
extern const bool kNameIsKey;

// The name of an entry, as listings give it, as a path to join to its directory's: on Windows
// the name is UTF-8, which a path made of it as it is would read in another code page.
Path NamePath(const std::string& strName);
// Appends the text of NamePath(strName), what a report shows of the name, to strText.
void AppendNameText(std::string& strText, const std::string& strName);

}  // namespace pvw
