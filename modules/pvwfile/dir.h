// A directory held open from the walk: every action below a root names its entry relative to
// one of these, so that a directory swapped for a link after the walk makes the action fail
// instead of taking it elsewhere. Only so many are held open at once; one that was closed is
// opened again from its parent, name by name, and must still be the directory first found.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform.h"

namespace pvw {

class CDir;
using DirPtr = std::shared_ptr<CDir>;

// Shared from itself, so that whoever makes a directory through Hold can keep it.
class CDir : public std::enable_shared_from_this<CDir> {
public:
    // The root a caller named (a link to a directory is followed); opened on first use.
    static DirPtr Root(const Path& path);
    // The directory strName inside parent; pListed is its entry as the parent's listing gave
    // it (its identity binds the directory), or null for one still to be made.
    static DirPtr Child(const DirPtr& parent, const std::string& strName, const CEntry* pListed);
    ~CDir();
    CDir(const CDir&) = delete;
    CDir& operator=(const CDir&) = delete;

    // Where the directory is, for reports: its root's path and the names below it.
    Path GetPath() const;
    // The names from its root down to it, "/"-separated ("" for a root).
    std::string RelPath() const;
    // The identity found when the directory was first opened or listed.
    CIdentity Identity() const;

    // The open directory, kept open while this lives.
    class CHeld {
    public:
        CHeld() = default;
        CHeld(CHeld&& other) noexcept : m_pDir(other.m_pDir) { other.m_pDir = nullptr; }
        CHeld& operator=(CHeld&& other) noexcept;
        ~CHeld() { Release(); }
        explicit operator bool() const { return m_pDir != nullptr; }
        DirHandle Get() const;
        // Whether this holds pDir.
        bool Holds(const CDir* pDir) const { return m_pDir != nullptr && m_pDir == pDir; }

    private:
        friend class CDir;
        explicit CHeld(CDir* pDir) : m_pDir(pDir) {}
        void Release();
        CDir* m_pDir = nullptr;
    };

    // Opens the directory (and those above it) as needed. With pMade, directories that do not
    // exist yet are made, open to their owner only, and added to pMade.
    CHeld Hold(std::error_code& ec, std::vector<CDir*>* pMade = nullptr);

    // A folder written whole: made under a temporary name and locked (see MakeLockedTempDir),
    // its files written under their own names inside it, and renamed into place once they are
    // on the disk. Asked before it is made; where the system cannot, it is made as any other.
    void WriteWhole() { m_bWriteWhole = true; }
    // Whether it was made so and its files still go inside it under their own names.
    bool WrittenWhole() const;
    // No more files go inside it: it waits to be renamed into place.
    void CloseWhole();
    // Renames it into place and lets go of its lock.
    bool PlaceWhole(std::error_code& ec);
    // Removes it, with the files written inside it; nothing is left to finish of it.
    void RemoveWhole();

    // Gives the directory its model's permissions and time and, with bExtras, its owner and
    // extended attributes (before the permissions, which settle its ACL).
    bool TakeModel(bool bExtras, std::error_code& ec);

    // What a file made in the directory is given unasked, read through held (this directory,
    // held) at the first call.
    CMadeFileFacts MadeFileFacts(const CHeld& held);

    // The entries of the directory, as ListDirectory gives them.
    bool List(std::vector<CEntry>& arrEntries, std::error_code& ec);

    // The source directory a target directory copies: what a made one takes its permissions,
    // time, owner and extended attributes from.
    void SetModel(const CEntry& source, DirPtr sourceDir) {
        m_model = source;
        m_modelDir = std::move(sourceDir);
        m_bHasModel = true;
    }
    const CEntry* Model() const { return m_bHasModel ? &m_model : nullptr; }

private:
    CDir(DirPtr pParent, const std::string& strName, const Path& rootPath)
        : m_pParent(std::move(pParent)), m_strName(strName), m_rootPath(rootPath) {}
    // The directories from the root down to this one.
    std::vector<const CDir*> Chain() const;
    bool OpenOne(std::error_code& ec, std::vector<CDir*>* pMade);
    bool MakeOne(std::error_code& ec);
    // Its name in its parent: the temporary one while it is written whole.
    const std::string& NameOnDisk() const {
        return m_strTempName.empty() ? m_strName : m_strTempName;
    }
    void CloseLocked();

    DirPtr m_pParent;  // null for a root
    std::string m_strName;
    Path m_rootPath;  // a root's path as the caller named it; empty below a root
    CEntry m_model;
    DirPtr m_modelDir;
    bool m_bHasModel = false;
    // Guarded by the lock of all open directories.
    DirHandle m_handle = kNoDir;
    CIdentity m_id;
    bool m_bKnown = false;  // m_id is set
    int m_nHolds = 0;
    CMadeFileFacts m_madeFiles;
    bool m_bWriteWhole = false;
    bool m_bOpenWhole = false;  // made under m_strTempName, and its files still go inside it
    std::string m_strTempName;  // while it is written whole
    TempLock m_tempLock = -1;
    std::list<CDir*>::iterator m_itOpen;
};

// The path of strName in dir, for reports; empty without dir.
Path EntryPath(const DirPtr& dir, const std::string& strName);

// The texts of entries' paths for reports, a directory's entries one after another: the
// directory's part is made once for them, not walked up to its root again for each, and no path
// is made per entry. Only the last directory's is kept, so that a deep tree keeps no path per
// level.
class CEntryPaths {
public:
    // EntryPath(dir, strName).string(), valid until the next call.
    const std::string& Text(const DirPtr& dir, const std::string& strName);

private:
    DirPtr m_dir;
    // The last text: m_dir's path and the separator a name follows there, m_nDirLength bytes,
    // then the name.
    std::string m_strText;
    size_t m_nDirLength = 0;
};

}  // namespace pvw
