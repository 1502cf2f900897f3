// The steps of an operation, taken as the walk finds them: a copy or a move while its folder is
// merged, a deletion of what is in the way before the entry that replaces it, and a deletion of
// a folder's other extras once the walk leaves that folder, when its copies are done. Nothing
// of a folder is kept once the walk has left it, so that an operation's memory grows with the
// widest folder and the depth of the tree, never with its number of files.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dir.h"
#include "job.h"

namespace pvw {

enum class EStep {
    Copy,             // source to target, replacing what is there
    Move,             // rename, or copy and remove the source
    MakeDir,          // an empty directory of the source
    Delete,           // a target file the source lacks, or a file to delete
    DeleteDir,        // a directory left empty
    RemoveSourceDir,  // a source directory a move has emptied
    ChangeAttrib,     // set and clear attribute bits
    Report,           // a difference, counted and reported
};

// Each side of a step is a name inside a directory held from the walk; its path, for reports, is
// made from them when asked for. A step on one tree (Delete, DeleteDir, ChangeAttrib of that
// tree) names it on both.
struct CStep {
    Path Source() const { return EntryPath(sourceDir, strSourceName); }
    Path Target() const { return EntryPath(targetDir, strTargetName); }

    EStep eStep;
    DirPtr sourceDir, targetDir;
    std::string strSourceName, strTargetName;
    CEntry entry;                   // the source's (the file's, for Delete and ChangeAttrib)
    bool bTargetReadOnly = false;   // an existing target with attribute R
    const char* pszWhat = nullptr;  // for Report: new, changed, missing
    DirPtr targetSub = nullptr;     // for MakeDir: the directory to make
    bool bNewTarget = false;        // the walk found nothing under the target's name
};

// The texts of steps' paths for the reports of one thread, made as CEntryPaths makes them.
class CStepTexts {
public:
    const std::string& Source(const CStep& step) {
        return m_source.Text(step.sourceDir, step.strSourceName);
    }
    const std::string& Target(const CStep& step) {
        return m_target.Text(step.targetDir, step.strTargetName);
    }

private:
    CEntryPaths m_source, m_target;
};

struct CPlanOptions {
    bool bConfirmedDelete;          // deletions really happen
    unsigned nSet = 0, nClear = 0;  // for ChangeAttrib
};

class CFileCopier;

// Takes the steps of one operation; the job holds the result. Target directories take their
// source's permissions and time once their content is in place.
class CExecutor {
public:
    // targetRoot, when named, is made at the first step that needs it, else at the end.
    CExecutor(CJob& job, const CPlanOptions& options, DirPtr targetRoot = nullptr);
    ~CExecutor();
    CExecutor(const CExecutor&) = delete;
    CExecutor& operator=(const CExecutor&) = delete;

    // Takes the step now, unless the operation has stopped; a copy keeps it until it is in place.
    void Do(CStep&& step);
    // Takes the step, a deletion inside step.targetDir, once the walk has left that directory.
    void Later(CStep step);
    // The walk has left the target directory dir: what waited for it is done. bExisted: dir was
    // there before the operation, and takes its source's permissions and time all the same.
    void LeaveDir(const DirPtr& dir, bool bExisted);
    // After the walk: the steps that waited for the roots, every copy committed, and the
    // directories given their permissions and time.
    void Finish();

private:
    // Whether the step's source fits beside its target and leaves the reserve free.
    bool CheckReserve(const CStep& step);
    bool MakeTargetRoot();
    bool EnsureDir(CDir& dir, std::error_code& ec);
    bool EnsureDir(CDir& dir);
    void Copy(CStep&& step);
    void Move(CStep&& step);
    void Delete(const CStep& step);
    void DeleteDir(CDir& parent, const std::string& strName, const Path& dir, bool bEmptiedByMove);
    void MakeDir(const CStep& step);
    void ChangeAttrib(const CStep& step);
    bool MayReplace(const CStep& step);
    void FinishLeftDirs();
    void FinishDirs(std::vector<DirPtr>& arrDirs, bool bMade);

    CJob& m_job;
    CPlanOptions m_options;
    DirPtr m_pRoot;        // the target root, whether made here or there already
    DirPtr m_pTargetRoot;  // until it is made
    std::unique_ptr<CFileCopier> m_pCopier;
    CStepTexts m_texts;
    std::vector<CStep> m_arrLater;  // deletions waiting for the walk to leave their directory
    // Directories made here that the walk is still inside, the outermost first, and those it
    // has left, whose content may still wait for its commit; and the directories that were
    // there already, once left.
    std::vector<DirPtr> m_arrMade, m_arrLeft, m_arrExisting;
};

}  // namespace pvw
