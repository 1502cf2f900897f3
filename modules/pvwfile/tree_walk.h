// Walks a source tree and a target tree in step, one directory level at a time, and shows a
// visitor each name with what each side holds under it. Links are never followed; special
// files are reported and skipped; a directory that cannot be read is reported and left out
// whole, so that no operation mistakes it for an empty one. The walk keeps its own stack of
// directories, so that no depth of tree can exhaust the caller's stack, and holds each
// directory open, so that whatever is done later is done inside the directories it found.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dir.h"
#include "filter.h"
#include "job.h"
#include "side_lister.h"

namespace pvw {

struct CPair {
    const CEntry* pSource = nullptr;  // null when only the target has the name
    const CEntry* pTarget = nullptr;  // null when only the source has it
    DirPtr sourceDir, targetDir;      // where the names are (no targetDir without a target tree)
    std::string strSourceName, strTargetName;
    DirPtr sourceSub = nullptr, targetSub = nullptr;  // for a directory: itself on each side
    // The target's entry of a name that is a directory on one side only, visited alone before
    // the source's entry takes its place.
    bool bInTheWay = false;

    // The paths, for reports; made when asked for, so that a deep tree keeps no path per level.
    Path Source() const { return EntryPath(sourceDir, strSourceName); }
    Path Target() const { return EntryPath(targetDir, strTargetName); }
    // "/"-separated path below the roots.
    std::string Rel() const;
};

// What becomes of a name that is a directory in one tree and not in the other.
enum class EConflict {
    Fail,     // reported as a failure; neither side is visited
    Target,   // the target's entry is visited alone, as in the way
    Replace,  // the target's entry is visited as in the way, then the source's as new
};

class CTreeVisitor {
public:
    virtual ~CTreeVisitor() = default;
    // A file or link, on one side or both.
    virtual void Entry(const CPair& pair) = 0;
    // A directory, on one side or both; true to walk into it.
    virtual bool EnterDir(const CPair& pair) = 0;
    virtual void LeaveDir(const CPair& pair) { (void)pair; }
    virtual EConflict Conflict(const CPair& pair) {
        (void)pair;
        return EConflict::Fail;
    }
};

struct CWalkOptions {
    bool bRecurse = false;
    // A directory on another file system than its parent is left alone (on the target's side,
    // or the one tree's without a target).
    bool bOneFileSystem = false;
    // Temporaries whose writer is gone are removed on that same side.
    bool bSweepTemps = false;
    // A source folder of files only, each of one name, whose target is missing is written whole
    // (see CDir::WriteWhole).
    bool bWholeNewLeaves = false;
};

class CTreeWalk {
public:
    CTreeWalk(CJob& job, const CFilter& filter, const CWalkOptions& options, CTreeVisitor& visitor)
        : m_job(job), m_filter(filter), m_options(options), m_visitor(visitor) {}

    // Walks source (a directory or one file) against the target root directory (null when
    // there is no target side). False, with nothing visited, when the source is missing or
    // unreadable.
    bool Run(const Path& source, const DirPtr& targetRoot);

private:
    // One directory level: the listings of both sides, sorted by key, and the next of each.
    struct CFrame {
        CPair dir;
        std::vector<CEntry> arrSource, arrTarget;
        std::vector<std::string> arrSourceKeys, arrTargetKeys;  // empty where names are keys
        size_t i = 0, j = 0;
        std::unique_ptr<CPair> pThen;  // visited once this directory is left
    };

    bool ReadRoot(const Path& source, bool bFollow, CEntry& root);
    bool Listed(const Path& dir, bool bOk, const std::error_code& ec, bool bMissingIsEmpty);
    bool ListSides(CFrame& frame);
    void LeaveOutTemps(std::vector<CEntry>& arrEntries, const DirPtr& pDir, bool bSweep);
    bool NextPair(CFrame& frame, CPair& pair);
    void Walk();
    void Leave();
    void Visit(CPair& pair);
    bool Wanted(CPair& half);
    void VisitOne(CPair& pair, std::unique_ptr<CPair> pThen = nullptr);
    bool OnOtherFileSystem(const CPair& pair);
    void Descend(CPair& pair, std::unique_ptr<CPair> pThen);
    // A folder's listing is made in the memory of one of a folder left, where there is one,
    // rather than in memory of its own that the copies made meanwhile may have taken.
    std::vector<CEntry> TakeListing();
    void KeepListing(std::vector<CEntry>& arrEntries);

    CJob& m_job;
    const CFilter& m_filter;
    CWalkOptions m_options;
    CTreeVisitor& m_visitor;
    bool m_bHaveTarget = false;
    DirPtr m_pTargetRoot;
    std::string m_strSkipRel;                // the target root, when it lies inside the source tree
    std::string m_strSkipTargetRel;          // the source root, when it lies inside the target tree
    std::vector<CFrame> m_arrFrames;         // the directories being walked, the root first
    std::unique_ptr<CSideLister> m_pLister;  // made at the first directory both trees have
    std::vector<std::vector<CEntry>> m_arrSpareListings;  // emptied, of folders left
    std::vector<CEntry> m_arrSorted;                      // where a listing is sorted into
};

}  // namespace pvw
