// Copy, update, move, equalise and scan: one walk of the two trees makes the plan, which is
// then carried out.
#include <cstdio>
#include <memory>
#include <vector>

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

// Byte for byte; a link compares by the path it holds.
bool SameContents(const Path& a, const Path& b, EKind eKind, std::error_code& ec) {
    if (eKind == EKind::Link) {
        Path targetA = std::filesystem::read_symlink(a, ec);
        return !ec && targetA == std::filesystem::read_symlink(b, ec) && !ec;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> fileA(std::fopen(a.string().c_str(), "rb"), &std::fclose);
    std::unique_ptr<FILE, int (*)(FILE*)> fileB(std::fopen(b.string().c_str(), "rb"), &std::fclose);
    if (!fileA || !fileB) {
        ec.assign(errno, std::generic_category());
        return false;
    }
    std::vector<char> bufA(1 << 16), bufB(1 << 16);
    for (;;) {
        size_t nA = std::fread(bufA.data(), 1, bufA.size(), fileA.get());
        size_t nB = std::fread(bufB.data(), 1, bufB.size(), fileB.get());
        if (std::ferror(fileA.get()) || std::ferror(fileB.get())) {
            ec = std::make_error_code(std::errc::io_error);
            return false;
        }
        if (nA != nB || !std::equal(bufA.begin(), bufA.begin() + nA, bufB.begin())) return false;
        if (nA == 0) return true;
    }
}

class CPlanner : public CTreeVisitor {
public:
    CPlanner(CJob& job, ETreeOp eOp) : m_job(job), m_eOp(eOp) {}

    void Entry(const CPair& pair) override;
    bool EnterDir(const CPair& pair) override;
    void LeaveDir(const CPair& pair) override;

    // Copies and moves first, deletions after them.
    std::vector<CStep> Steps() {
        m_arrSteps.insert(m_arrSteps.end(), m_arrDeletes.begin(), m_arrDeletes.end());
        return std::move(m_arrSteps);
    }

private:
    bool Differs(const CPair& pair);
    void Add(EStep eStep, const CPair& pair, const char* pszWhat = nullptr);

    CJob& m_job;
    ETreeOp m_eOp;
    std::vector<CStep> m_arrSteps, m_arrDeletes;
};

void CPlanner::Add(EStep eStep, const CPair& pair, const char* pszWhat) {
    CStep step{eStep, pair.source, pair.target, {}, false, pszWhat};
    if (pair.pSource != nullptr) step.entry = *pair.pSource;
    if (pair.pTarget != nullptr) step.bTargetReadOnly = (pair.pTarget->nAttrib & ATTR_R) != 0;
    bool bDelete = eStep == EStep::Delete || eStep == EStep::DeleteDir;
    (bDelete ? m_arrDeletes : m_arrSteps).push_back(std::move(step));
}

bool CPlanner::Differs(const CPair& pair) {
    const CEntry& source = *pair.pSource;
    const CEntry& target = *pair.pTarget;
    if (source.eKind != target.eKind || source.nSize != target.nSize ||
        source.nTime != target.nTime) {
        return true;
    }
    if (!m_job.Option(OPT_COMPARE_CONTENTS)) return false;
    std::error_code ec;
    bool bSame = SameContents(pair.source, pair.target, source.eKind, ec);
    if (ec) {
        m_job.Fail(("compare " + pair.source.string() + " with").c_str(), pair.target, ec);
        return false;
    }
    return !bSame;
}

void CPlanner::Entry(const CPair& pair) {
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
            if (bNew || pair.pSource->nTime > pair.pTarget->nTime) Add(EStep::Copy, pair);
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
    if (!m_job.Settings().bProcessEmptyDirs) return;
    if (pair.pSource == nullptr && m_eOp == ETreeOp::Equalize) Add(EStep::DeleteDir, pair);
    if (pair.pSource != nullptr && m_eOp == ETreeOp::Move) Add(EStep::RemoveSourceDir, pair);
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
    std::error_code ecSame;
    if (std::filesystem::equivalent(source, target, ecSame)) {
        job.Stop(RES_TARGET, "the target " + target.string() + " is the source itself");
        return job.Finish();
    }
    CFilter filter(job.Settings(), pszPatterns);
    CPlanner planner(job, eOp);
    CTreeWalk walk(job, filter, job.Option(OPT_SUBDIRS), planner);
    if (!walk.Run(source, target) || job.Stopped()) return job.Finish();
    bool bChanges = eOp != ETreeOp::ScanDifference;
    ExecutePlan(job, planner.Steps(), CPlanOptions{job.Settings().bAnswerYesForDelete},
                bChanges ? target : Path());
    return job.Finish();
}

}  // namespace pvw
