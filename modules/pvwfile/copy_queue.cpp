// The copy queue: single copies gathered by PVWAddCopyFile and run as one job by PVWCopyFiles.
#include <mutex>
#include <string>
#include <vector>

#include "operations.h"
#include "plan.h"
#include "platform.h"

namespace pvw {

namespace {

struct CQueued {
    std::string strSource, strTarget;
    int nFlags;
};

std::mutex g_queueLock;
std::vector<CQueued> g_arrQueue;

// One queued copy as a step; false when the source cannot be copied.
bool MakeStep(CJob& job, const CQueued& queued, CStep& step) {
    Path sourcePath(queued.strSource), targetPath(queued.strTarget);
    step = CStep{EStep::Copy,
                 CDir::Root(sourcePath.parent_path()),
                 CDir::Root(targetPath.parent_path()),
                 sourcePath.filename().string(),
                 targetPath.filename().string(),
                 {}};
    std::error_code ec;
    if (!ReadEntry(sourcePath, false, step.entry, ec)) {
        job.Fail("read", sourcePath, ec);
        return false;
    }
    if (step.entry.eKind == EKind::Dir || step.entry.eKind == EKind::Special) {
        job.Fail("copy", sourcePath, "only files and links are queued");
        return false;
    }
    step.entry.nLinks = 1;  // queued copies are files of their own, never links to each other
    CEntry target;
    if (ReadEntry(targetPath, false, target, ec)) {
        if (target.eKind == EKind::Dir) {
            job.Fail("replace", targetPath, "it is a directory");
            return false;
        }
        step.bTargetReadOnly = (target.nAttrib & ATTR_R) != 0;
    }
    return true;
}

}  // namespace

void QueueCopy(const char* pszSource, const char* pszTarget, int nFlags) {
    std::lock_guard<std::mutex> guard(g_queueLock);
    g_arrQueue.push_back(
        {pszSource != nullptr ? pszSource : "", pszTarget != nullptr ? pszTarget : "", nFlags});
}

int RunCopyQueue(const char* pszJob) {
    std::vector<CQueued> arrQueue;
    {
        std::lock_guard<std::mutex> guard(g_queueLock);
        arrQueue.swap(g_arrQueue);
    }
    std::string strName = "PVWCopyFiles";
    if (!Missing(pszJob)) strName += " " + std::string(pszJob);
    CJob job(strName.c_str(), 0);
    CExecutor executor(job, CPlanOptions{false});
    for (const CQueued& queued : arrQueue) {
        CStep step;
        if (Missing(queued.strSource.c_str()) || Missing(queued.strTarget.c_str())) {
            job.Fail("queue", Path(queued.strSource), "a source and a target file must be named");
        } else if (MakeStep(job, queued, step)) {
            // Option bit 2 of the entry itself allows replacing a read-only target.
            if (queued.nFlags & OPT_OVERWRITE_READONLY) step.bTargetReadOnly = false;
            executor.Do(std::move(step));
        }
        if (job.Stopped()) break;
    }
    executor.Finish();
    return job.Finish();
}

}  // namespace pvw
