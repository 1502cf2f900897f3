// The operations on one tree: deleting files, changing their attributes, creating a directory.
#include <cctype>

#include "operations.h"
#include "plan.h"
#include "tree_walk.h"

namespace pvw {

namespace {

// Takes a step of one kind on every matching file of one tree as the walk finds it.
class CCollector : public CTreeVisitor {
public:
    CCollector(CExecutor& executor, EStep eStep, bool bEmptyDirs)
        : m_executor(executor), m_eStep(eStep), m_bEmptyDirs(bEmptyDirs) {}

    void Entry(const CPair& pair) override { Add(m_eStep, pair); }
    bool EnterDir(const CPair&) override { return true; }
    void LeaveDir(const CPair& pair) override {
        if (m_bEmptyDirs) Add(EStep::DeleteDir, pair);
    }

private:
    // The one tree's entry on both sides of the step.
    void Add(EStep eStep, const CPair& pair) {
        m_executor.Do({eStep, pair.sourceDir, pair.sourceDir, pair.strSourceName,
                       pair.strSourceName, *pair.pSource});
    }

    CExecutor& m_executor;
    EStep m_eStep;
    bool m_bEmptyDirs;
};

int RunOnTree(CJob& job, const char* pszRoot, const char* pszPatterns, EStep eStep,
              const CPlanOptions& options) {
    CFilter filter(job.Settings(), pszPatterns);
    CExecutor executor(job, options);
    CCollector collector(executor, eStep,
                         eStep == EStep::Delete && job.Settings().bProcessEmptyDirs);
    // Deleting stays on the tree's own file system, and clears what interrupted runs left;
    // changing attributes may cross.
    CWalkOptions walkOptions;
    walkOptions.bRecurse = job.Option(OPT_SUBDIRS);
    walkOptions.bOneFileSystem = walkOptions.bSweepTemps = eStep == EStep::Delete;
    CTreeWalk walk(job, filter, walkOptions, collector);
    if (walk.Run(Path(pszRoot), nullptr)) executor.Finish();
    return job.Finish();
}

// "+R-H" to the bits to set and to clear; false for any other text.
bool ParseChange(const char* pszChange, unsigned& nSet, unsigned& nClear) {
    int nSign = 0;
    for (const char* p = pszChange; *p != '\0'; ++p) {
        if (*p == '+' || *p == '-') {
            nSign = *p;
            continue;
        }
        unsigned nBit = 0;
        char szLetter[2] = {*p, '\0'};
        if (nSign == 0 || !ParseAttributeLetters(szLetter, nBit)) return false;
        (nSign == '+' ? nSet : nClear) |= nBit;
    }
    return (nSet | nClear) != 0;
}

}  // namespace

int DeleteFiles(const char* pszDir, int nFlags, const char* pszPatterns) {
    CJob job("PVWDelete", nFlags);
    if (Missing(pszDir)) {
        job.Stop(RES_ARGUMENT, "the directory must be named");
        return job.Finish();
    }
    if (RefuseSystemRoot(job, Path(pszDir))) return job.Finish();
    // Deleting a whole tree waits for the host's yes; the files of one directory do not.
    CPlanOptions options{job.Settings().bAnswerYesForDelete || !job.Option(OPT_SUBDIRS)};
    return RunOnTree(job, pszDir, pszPatterns, EStep::Delete, options);
}

int ChangeAttrib(const char* pszSource, const char* pszChange, int nFlags,
                 const char* pszPatterns) {
    CJob job("PVWChangeAttrib", nFlags);
    CPlanOptions options{false};
    if (Missing(pszSource) || Missing(pszChange) ||
        !ParseChange(pszChange, options.nSet, options.nClear)) {
        job.Stop(RES_ARGUMENT, "a path and a change such as +R-H must be given");
        return job.Finish();
    }
    return RunOnTree(job, pszSource, pszPatterns, EStep::ChangeAttrib, options);
}

int CreateDirectory(const char* pszPath) {
    CJob job("PVWCreateDirectory", 0);
    if (Missing(pszPath)) {
        job.Stop(RES_ARGUMENT, "the directory must be named");
        return job.Finish();
    }
    Path dir(pszPath);
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return 1;
    if (job.Simulating()) {
        job.Note("would create directory", dir);
        return 1;
    }
    if (std::filesystem::create_directories(dir, ec)) {
        job.Note("created directory", dir);
        return 1;
    }
    return job.Stop(RES_TARGET, "cannot create directory " + dir.string() + ": " +
                                    (ec ? ec.message() : "a file of that name is in the way"));
}

}  // namespace pvw
