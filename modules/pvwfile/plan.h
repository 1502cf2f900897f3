// A plan: the steps an operation will take, made by walking the trees before anything is
// changed, then carried out in order (copies first, deletions last). Making the plan first
// lets an operation check the reserved space and refuse to start before touching a file.
#pragma once

#include <cstdint>
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

// Each side of a step is a name inside a directory held from the walk; the paths are for
// reports. A step on one tree (Delete, DeleteDir, ChangeAttrib of that tree) names it on both.
struct CStep {
    EStep eStep;
    DirPtr sourceDir, targetDir;
    std::string strSourceName, strTargetName;
    Path source, target;
    CEntry entry;                   // the source's (the file's, for Delete and ChangeAttrib)
    bool bTargetReadOnly = false;   // an existing target with attribute R
    const char* pszWhat = nullptr;  // for Report: new, changed, missing
    DirPtr targetSub = nullptr;     // for MakeDir: the directory to make
};

struct CPlanOptions {
    bool bConfirmedDelete;          // deletions really happen
    unsigned nSet = 0, nClear = 0;  // for ChangeAttrib
};

// Carries out the plan, first making the target root when one is named; the job holds the
// result. Directories it makes take their source's permissions and time at the end, once their
// content is in place.
void ExecutePlan(CJob& job, const std::vector<CStep>& arrSteps, const CPlanOptions& options,
                 const DirPtr& targetRoot = nullptr);

}  // namespace pvw
