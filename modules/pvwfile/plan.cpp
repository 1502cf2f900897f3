// Carrying out a plan.
#include "plan.h"

#include "file_copier.h"
#include "platform.h"

namespace pvw {

namespace {

std::uint64_t Megabytes(std::int64_t nMB) {
    return nMB > 0 ? static_cast<std::uint64_t>(nMB) << 20 : 0;
}

// Free bytes on the file system that holds path, or that will hold it once it is created.
bool FreeBytes(Path path, std::uint64_t& nFree, std::error_code& ec) {
    for (;;) {
        std::filesystem::space_info info = std::filesystem::space(path, ec);
        if (!ec) {
            nFree = info.available;
            return true;
        }
        if (ec != std::errc::no_such_file_or_directory || !path.has_relative_path()) return false;
        path = path.parent_path();
    }
}

class CExecutor {
public:
    CExecutor(CJob& job, const CPlanOptions& options)
        : m_job(job), m_options(options), m_copier(job) {}

    void Run(const std::vector<CStep>& arrSteps, const Path& targetRoot);

private:
    bool CheckReserve(const Path& target, std::uint64_t nBytes);
    bool MakeTargetRoot(const Path& root);
    bool EnsureParent(const Path& target);
    void Copy(const CStep& step);
    void Move(const CStep& step);
    void Delete(const CStep& step);
    void DeleteDir(const Path& dir, bool bEmptiedByMove);
    void MakeDir(const CStep& step);
    void ChangeAttrib(const CStep& step);
    bool MayReplace(const CStep& step);

    CJob& m_job;
    const CPlanOptions& m_options;
    CFileCopier m_copier;
    Path m_lastParent;  // the last directory known to exist
};

void CExecutor::Run(const std::vector<CStep>& arrSteps, const Path& targetRoot) {
    std::uint64_t nFiles = 0, nBytes = 0, nCopyBytes = 0;
    Path firstTarget;
    for (const CStep& step : arrSteps) {
        if (step.eStep != EStep::Copy && step.eStep != EStep::Move) continue;
        ++nFiles;
        nBytes += step.entry.nSize;
        if (step.eStep != EStep::Copy) continue;  // a move may be a rename, needing no space
        nCopyBytes += step.entry.nSize;
        if (firstTarget.empty()) firstTarget = step.target;
    }
    // Refuse before the first file when the whole copy would undercut the reserve.
    if (!firstTarget.empty() && !CheckReserve(firstTarget, nCopyBytes)) return;
    if (!targetRoot.empty() && !MakeTargetRoot(targetRoot)) return;
    m_job.Progress().Begin(nFiles, nBytes);
    for (const CStep& step : arrSteps) {
        if (m_job.CheckCancel() || m_job.Stopped()) break;
        switch (step.eStep) {
            case EStep::Copy:
                Copy(step);
                break;
            case EStep::Move:
                Move(step);
                break;
            case EStep::MakeDir:
                MakeDir(step);
                break;
            case EStep::Delete:
                // Deletions wait for every copy before them to be in place.
                if (m_copier.Commit()) Delete(step);
                break;
            case EStep::DeleteDir:
                DeleteDir(step.target, false);
                break;
            case EStep::RemoveSourceDir:
                if (m_copier.Commit()) DeleteDir(step.source, true);
                break;
            case EStep::ChangeAttrib:
                ChangeAttrib(step);
                break;
            case EStep::Report:
                m_job.Acted(step.pszWhat, step.source, &step.target);
                break;
        }
    }
    m_copier.Commit();
}

bool CExecutor::CheckReserve(const Path& target, std::uint64_t nBytes) {
    std::uint64_t nReserve = Megabytes(m_job.Settings().nReservedMB);
    if (nReserve == 0) return true;
    std::uint64_t nFree = 0;
    std::error_code ec;
    if (!FreeBytes(target.parent_path(), nFree, ec)) {
        return m_job.Fail("measure the free space for", target, ec);
    }
    if (nFree >= nReserve && nFree - nReserve >= nBytes) return true;
    m_job.Stop(RES_RESERVED, "copying " + std::to_string(nBytes) + " bytes to " +
                                 target.parent_path().string() + " would leave less than " +
                                 std::to_string(m_job.Settings().nReservedMB) + " MB free");
    return false;
}

bool CExecutor::MakeTargetRoot(const Path& root) {
    std::error_code ec;
    if (m_job.Simulating() || std::filesystem::is_directory(root, ec) ||
        std::filesystem::create_directories(root, ec)) {
        return true;
    }
    m_job.Stop(RES_TARGET, "cannot create target " + root.string() + ": " +
                               (ec ? ec.message() : "a file of that name is in the way"));
    return false;
}

bool CExecutor::EnsureParent(const Path& target) {
    Path parent = target.parent_path();
    if (parent == m_lastParent) return true;
    std::error_code ec;
    if (m_job.Simulating() || std::filesystem::is_directory(parent, ec) ||
        std::filesystem::create_directories(parent, ec)) {
        m_lastParent = parent;
        return true;
    }
    m_job.Fail("create directory", parent, ec);
    return false;
}

bool CExecutor::MayReplace(const CStep& step) {
    if (!step.bTargetReadOnly || m_job.Option(OPT_OVERWRITE_READONLY)) return true;
    m_job.Fail("replace", step.target, "the target is read-only (option bit 2 replaces it)");
    return false;
}

void CExecutor::Copy(const CStep& step) {
    if (!MayReplace(step)) return;
    if (m_job.Simulating()) {
        m_job.Acted("would copy", step.source, &step.target);
        return;
    }
    if (!CheckReserve(step.target, step.entry.nSize) || !EnsureParent(step.target)) return;
    m_copier.Add(step.source, step.entry, step.target, "copied", false);
}

void CExecutor::Move(const CStep& step) {
    if (!MayReplace(step)) return;
    if (m_job.Simulating()) {
        m_job.Acted("would move", step.source, &step.target);
        return;
    }
    if (!EnsureParent(step.target)) return;
    std::error_code ec;
    if (ReplaceEntry(step.source, step.target, ec)) {
        m_job.Progress().FileDone(step.entry.nSize);
        m_job.Acted("moved", step.source, &step.target);
    } else if (!IsCrossDevice(ec)) {
        m_job.Fail(("move " + step.source.string() + " to").c_str(), step.target, ec);
    } else if (CheckReserve(step.target, step.entry.nSize)) {
        m_copier.Add(step.source, step.entry, step.target, "moved", true);
    }
}

void CExecutor::Delete(const CStep& step) {
    if (m_job.Simulating()) {
        m_job.Acted("would delete", step.target);
    } else if (!m_options.bConfirmedDelete) {
        m_job.Note("would delete (PVWSetAnswerYesForDelete 1 deletes)", step.target);
    } else {
        std::error_code ec;
        if (RemoveFile(step.target, ec)) {
            m_job.Acted("deleted", step.target);
        } else if (ec != std::errc::no_such_file_or_directory) {
            m_job.Fail("delete", step.target, ec);
        }
    }
}

void CExecutor::DeleteDir(const Path& dir, bool bEmptiedByMove) {
    if (m_job.Simulating() || !(bEmptiedByMove || m_options.bConfirmedDelete)) {
        m_job.Note("would delete directory", dir);
        return;
    }
    std::error_code ec;
    if (std::filesystem::remove(dir, ec)) {
        m_job.Note("deleted directory", dir);
    } else if (ec && ec != std::errc::directory_not_empty && ec != std::errc::file_exists) {
        m_job.Fail("delete directory", dir, ec);
    }
}

void CExecutor::MakeDir(const CStep& step) {
    std::error_code ec;
    if (m_job.Simulating()) {
        m_job.Note("would create directory", step.target);
    } else if (std::filesystem::create_directories(step.target, ec)) {
        m_job.Note("created directory", step.target);
    } else if (ec) {
        m_job.Fail("create directory", step.target, ec);
    }
}

void CExecutor::ChangeAttrib(const CStep& step) {
    if (step.entry.eKind == EKind::Link) return;  // a link has no attributes of its own here
    CEntry entry = step.entry;
    ReadExtraAttributes(step.source, entry);
    if (((entry.nAttrib | m_options.nSet) & ~m_options.nClear) == entry.nAttrib) return;
    if (m_job.Simulating()) {
        m_job.Acted("would change attributes of", step.source);
        return;
    }
    Path newPath;
    std::error_code ec;
    if (!ChangeAttributes(step.source, entry, m_options.nSet, m_options.nClear, newPath, ec)) {
        m_job.Fail("change attributes of", step.source, ec);
    } else if (newPath != step.source) {
        m_job.Acted("changed attributes, now", step.source, &newPath);
    } else {
        m_job.Acted("changed attributes of", step.source);
    }
}

}  // namespace

void ExecutePlan(CJob& job, const std::vector<CStep>& arrSteps, const CPlanOptions& options,
                 const Path& targetRoot) {
    CExecutor(job, options).Run(arrSteps, targetRoot);
}

}  // namespace pvw
