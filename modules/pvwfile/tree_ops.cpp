// Copy, update, move, equalise and scan: one walk of the two trees, whose steps are taken as
// each folder is merged.
#include <algorithm>
#include <memory>
#include <vector>

#include "content_compare.h"
#include "extras_compare.h"
#include "operations.h"
#include "plan.h"
#include "platform.h"
#include "tree_walk.h"

namespace pvw {

namespace {

const char* OperationName(ETreeOp eOp) {
    switch (eOp) {
        case ETreeOp::Copy:
            return "PVWCopy";
        case ETreeOp::Update:
            return "PVWUpdate";
        case ETreeOp::Move:
            return "PVWMove";
        case ETreeOp::Equalize:
            return "PVWEqualize";
        case ETreeOp::ScanDifference:
            return "PVWScanDifference";
    }
    return "";
}

class CPlanner : public CTreeVisitor {
public:
    CPlanner(CJob& job, ETreeOp eOp, CExecutor& executor)
        : m_job(job), m_eOp(eOp), m_executor(executor) {}

    void Entry(const CPair& pair) override;
    bool EnterDir(const CPair& pair) override;
    void LeaveDir(const CPair& pair) override;
    EConflict Conflict(const CPair& pair) override;

private:
    bool Differs(const CPair& pair);
    void Add(EStep eStep, const CPair& pair, const char* pszWhat = nullptr);

    CJob& m_job;
    ETreeOp m_eOp;
    CExecutor& m_executor;
    int m_nInTheWay = 0;  // depth inside a target directory that a source file replaces
};

void CPlanner::Add(EStep eStep, const CPair& pair, const char* pszWhat) {
    CStep step{eStep, pair.sourceDir, pair.targetDir, pair.strSourceName, pair.strTargetName,
               {},    false,          pszWhat,        pair.targetSub};
    if (pair.pSource != nullptr) step.entry = *pair.pSource;
    if (pair.pTarget != nullptr) step.bTargetReadOnly = (pair.pTarget->nAttrib & ATTR_R) != 0;
    step.bNewTarget = pair.pTarget == nullptr;
    // What is in the way of a source entry goes before it; the other extras of a directory
    // wait until its copies are done.
    bool bDelete = eStep == EStep::Delete || eStep == EStep::DeleteDir;
    bool bInTheWay = pair.bInTheWay || m_nInTheWay > 0;
    if (bDelete && !bInTheWay) {
        m_executor.Later(std::move(step));
    } else {
        m_executor.Do(std::move(step));
    }
}

bool CPlanner::Differs(const CPair& pair) {
    const CEntry& source = *pair.pSource;
    const CEntry& target = *pair.pTarget;
    if (source.eKind != target.eKind || source.nSize != target.nSize ||
        source.nTime != target.nTime) {
        return true;
    }
    if (OnlyExtrasDiffer(m_job, pair)) return true;
    if (!m_job.Option(OPT_COMPARE_CONTENTS)) return false;
    std::error_code ec;
    bool bSame = SameContents(pair, source.eKind, ec);
    if (ec) {
        m_job.Fail(("compare " + pair.Source().string() + " with").c_str(), pair.Target(), ec);
        return false;
    }
    return !bSame;
}

void CPlanner::Entry(const CPair& pair) {
    // A target file that a source directory replaces counts as part of that change, as in
    // rsync's dry run.
    if (pair.bInTheWay && m_eOp == ETreeOp::ScanDifference) return;
    if (pair.pSource == nullptr) {
        if (m_eOp == ETreeOp::Equalize) Add(EStep::Delete, pair);
        if (m_eOp == ETreeOp::ScanDifference) Add(EStep::Report, pair, "missing in the source");
        return;
    }
    bool bNew = pair.pTarget == nullptr;
    switch (m_eOp) {
        case ETreeOp::Copy:
            Add(EStep::Copy, pair);
            break;
        case ETreeOp::Move:
            Add(EStep::Move, pair);
            break;
        case ETreeOp::Update:
            if (bNew || pair.pSource->nTime > pair.pTarget->nTime ||
                OnlyExtrasDiffer(m_job, pair)) {
                Add(EStep::Copy, pair);
            }
            break;
        case ETreeOp::Equalize:
            if (bNew || Differs(pair)) Add(EStep::Copy, pair);
            break;
        case ETreeOp::ScanDifference:
            if (bNew) {
                Add(EStep::Report, pair, "new");
            } else if (Differs(pair)) {
                Add(EStep::Report, pair, "changed");
            }
            break;
    }
}

bool CPlanner::EnterDir(const CPair& pair) {
    if (pair.bInTheWay) ++m_nInTheWay;
    bool bEmptyDirs = m_job.Settings().bProcessEmptyDirs;
    if (pair.pSource == nullptr) {
        // Only equalising and scanning care what the target has beyond the source.
        return m_eOp == ETreeOp::Equalize || m_eOp == ETreeOp::ScanDifference;
    }
    if (pair.pTarget == nullptr && bEmptyDirs && m_eOp != ETreeOp::ScanDifference) {
        Add(EStep::MakeDir, pair);
    }
    return true;
}

void CPlanner::LeaveDir(const CPair& pair) {
    bool bBothDirs = pair.pSource != nullptr && pair.pSource->eKind == EKind::Dir &&
                     pair.pTarget != nullptr && pair.pTarget->eKind == EKind::Dir;
    m_executor.LeaveDir(pair.targetSub,
                        bBothDirs && !pair.bInTheWay && m_eOp != ETreeOp::ScanDifference);
    if (pair.bInTheWay) {
        --m_nInTheWay;
        if (m_eOp == ETreeOp::Equalize) Add(EStep::DeleteDir, pair);
        return;
    }
    if (!m_job.Settings().bProcessEmptyDirs) return;
    if (pair.pSource == nullptr && m_eOp == ETreeOp::Equalize) Add(EStep::DeleteDir, pair);
    if (pair.pSource != nullptr && m_eOp == ETreeOp::Move) Add(EStep::RemoveSourceDir, pair);
}

// Equalising replaces the target's entry when deletions are confirmed, and otherwise reports
// what it would delete; scanning counts both sides.
EConflict CPlanner::Conflict(const CPair&) {
    if (m_eOp == ETreeOp::ScanDifference) return EConflict::Replace;
    if (m_eOp != ETreeOp::Equalize) return EConflict::Fail;
    return m_job.Settings().bAnswerYesForDelete ? EConflict::Replace : EConflict::Target;
}

}  // namespace

int TreeOperation(ETreeOp eOp, const char* pszSource, const char* pszTarget, int nFlags,
                  const char* pszPatterns) {
    CJob job(OperationName(eOp), nFlags);
    if (Missing(pszSource) || Missing(pszTarget)) {
        job.Stop(RES_ARGUMENT, "the source and the target must be named");
        return job.Finish();
    }
    Path source(pszSource), target(pszTarget);
    // Equalising deletes in the target, moving in the source.
    if ((eOp == ETreeOp::Equalize && RefuseSystemRoot(job, target)) ||
        (eOp == ETreeOp::Move && RefuseSystemRoot(job, source))) {
        return job.Finish();
    }
    std::error_code ecSame;
    if (std::filesystem::equivalent(source, target, ecSame)) {
        job.Stop(RES_TARGET, "the target " + target.string() + " is the source itself");
        return job.Finish();
    }
    CFilter filter(job.Settings(), pszPatterns);
    DirPtr targetRoot = CDir::Root(target);
    bool bChanges = eOp != ETreeOp::ScanDifference;
    CExecutor executor(job, CPlanOptions{job.Settings().bAnswerYesForDelete},
                       bChanges ? targetRoot : nullptr);
    CPlanner planner(job, eOp, executor);
    CWalkOptions options;
    options.bRecurse = job.Option(OPT_SUBDIRS);
    options.bOneFileSystem = eOp == ETreeOp::Equalize;
    options.bSweepTemps = eOp != ETreeOp::ScanDifference;
    // A move removes each source once its copy is in place, which a folder written whole is not
    // until its end.
    options.bWholeNewLeaves = eOp != ETreeOp::ScanDifference && eOp != ETreeOp::Move;
    CTreeWalk walk(job, filter, options, planner);
    if (walk.Run(source, targetRoot)) executor.Finish();
    return job.Finish();
}

}  // namespace pvw
