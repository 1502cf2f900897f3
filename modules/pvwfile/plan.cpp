// Taking an operation's steps as the walk finds them.
#include "plan.h"

#include <algorithm>

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
        // A relative path that runs out of names still to be made lies in the current folder.
        path = path.has_parent_path() ? path.parent_path() : Path(".");
    }
}

// Directories whose content the walk has left wait, at most this many at once, for the copier's
// commit before they are given their permissions and time.
constexpr size_t kMaxLeftDirs = 1024;

}  // namespace

CExecutor::CExecutor(CJob& job, const CPlanOptions& options, DirPtr targetRoot)
    : m_job(job),
      m_options(options),
      m_pRoot(targetRoot),
      m_pTargetRoot(std::move(targetRoot)),
      m_pCopier(std::make_unique<CFileCopier>(job)) {}

CExecutor::~CExecutor() = default;

void CExecutor::Do(CStep&& step) {
    if (m_job.CheckCancel() || m_job.Stopped()) return;
    switch (step.eStep) {
        case EStep::Copy:
            Copy(std::move(step));
            break;
        case EStep::Move:
            Move(std::move(step));
            break;
        case EStep::MakeDir:
            MakeDir(step);
            break;
        case EStep::Delete:
            // Deletions wait for every copy before them to be in place.
            if (m_pCopier->Commit()) Delete(step);
            break;
        case EStep::DeleteDir:
            DeleteDir(*step.targetDir, step.strTargetName, step.Target(), false);
            break;
        case EStep::RemoveSourceDir:
            if (m_pCopier->Commit()) {
                DeleteDir(*step.sourceDir, step.strSourceName, step.Source(), true);
            }
            break;
        case EStep::ChangeAttrib:
            ChangeAttrib(step);
            break;
        case EStep::Report:
            m_job.Acted(step.pszWhat, m_texts.Source(step), &m_texts.Target(step));
            break;
    }
}

void CExecutor::Later(CStep step) {
    m_arrLater.push_back(std::move(step));
}

void CExecutor::LeaveDir(const DirPtr& dir, bool bExisted) {
    // A folder written whole has all its files: it goes into place after them.
    if (dir && dir->WrittenWhole()) m_pCopier->PlaceWhole(dir);
    // What waits for dir was added since the walk entered it, after everything that waits for
    // the directories around it.
    auto itFirst = m_arrLater.end();
    while (itFirst != m_arrLater.begin() && std::prev(itFirst)->targetDir == dir) --itFirst;
    for (auto it = itFirst; it != m_arrLater.end(); ++it) Do(std::move(*it));
    m_arrLater.erase(itFirst, m_arrLater.end());
    auto itMade = std::find(m_arrMade.rbegin(), m_arrMade.rend(), dir);
    if (itMade != m_arrMade.rend()) {
        m_arrLeft.push_back(std::move(*itMade));
        m_arrMade.erase(std::next(itMade).base());
    } else if (bExisted && !m_job.Simulating()) {
        m_arrExisting.push_back(dir);
    }
    if (m_arrLeft.size() + m_arrExisting.size() >= kMaxLeftDirs) FinishLeftDirs();
}

void CExecutor::Finish() {
    // Only the roots' steps wait still, unless the walk stopped early.
    for (CStep& step : m_arrLater) Do(std::move(step));
    m_arrLater.clear();
    bool bRootThere = !m_job.Stopped() && MakeTargetRoot();
    if (m_pRoot && bRootThere && m_pRoot->Model() != nullptr && !m_job.Simulating() &&
        std::find(m_arrMade.begin(), m_arrMade.end(), m_pRoot) == m_arrMade.end()) {
        m_arrExisting.push_back(m_pRoot);
    }
    FinishLeftDirs();
    std::reverse(m_arrMade.begin(), m_arrMade.end());  // the innermost first, like the others
    FinishDirs(m_arrMade, true);
}

// Setting a directory's permissions and time changes nothing in its parent, so those left
// may be finished in any order, once their content is committed.
void CExecutor::FinishLeftDirs() {
    m_pCopier->Commit();
    FinishDirs(m_arrLeft, true);
    FinishDirs(m_arrExisting, false);
}

bool CExecutor::CheckReserve(const CStep& step) {
    std::uint64_t nReserve = Megabytes(m_job.Settings().nReservedMB);
    if (nReserve == 0) return true;
    Path target = step.Target();
    std::uint64_t nBytes = step.entry.nSize;
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

// Makes the target root once, so that a root that cannot be made stops the operation as a
// target that cannot be created.
bool CExecutor::MakeTargetRoot() {
    if (!m_pTargetRoot) return true;
    DirPtr root = std::move(m_pTargetRoot);
    std::error_code ec;
    if (m_job.Simulating() || EnsureDir(*root, ec)) return true;
    m_job.Stop(RES_TARGET,
               "cannot create target " + root->GetPath().string() + ": " + ec.message());
    return false;
}

// Makes dir, and the directories above it, where they are missing; keeps those it made.
bool CExecutor::EnsureDir(CDir& dir, std::error_code& ec) {
    std::vector<CDir*> arrMade;
    bool bHeld = static_cast<bool>(dir.Hold(ec, &arrMade));
    for (CDir* pMade : arrMade) m_arrMade.push_back(pMade->shared_from_this());
    return bHeld;
}

bool CExecutor::EnsureDir(CDir& dir) {
    std::error_code ec;
    if (MakeTargetRoot() && EnsureDir(dir, ec)) return true;
    if (ec) m_job.Fail("create directory", dir.GetPath(), ec);
    return false;
}

bool CExecutor::MayReplace(const CStep& step) {
    if (!step.bTargetReadOnly || m_job.Option(OPT_OVERWRITE_READONLY)) return true;
    m_job.Fail("replace", step.Target(), "the target is read-only (option bit 2 replaces it)");
    return false;
}

void CExecutor::Copy(CStep&& step) {
    if (!MayReplace(step)) return;
    if (m_job.Simulating()) {
        m_job.Acted("would copy", m_texts.Source(step), &m_texts.Target(step));
        return;
    }
    if (!CheckReserve(step) || !EnsureDir(*step.targetDir)) return;
    m_pCopier->Add(std::move(step), "copied", false);
}

void CExecutor::Move(CStep&& step) {
    if (!MayReplace(step)) return;
    if (m_job.Simulating()) {
        m_job.Acted("would move", m_texts.Source(step), &m_texts.Target(step));
        return;
    }
    if (!EnsureDir(*step.targetDir)) return;
    std::error_code ec;
    CDir::CHeld source = step.sourceDir->Hold(ec);
    CDir::CHeld target = step.targetDir->Hold(ec);
    if (source && target &&
        ReplaceEntryAt(source.Get(), step.strSourceName, target.Get(), step.strTargetName, ec)) {
        m_job.Progress().FileDone(step.entry.nSize);
        m_job.Acted("moved", m_texts.Source(step), &m_texts.Target(step));
    } else if (!IsCrossDevice(ec)) {
        m_job.Fail(("move " + step.Source().string() + " to").c_str(), step.Target(), ec);
    } else if (CheckReserve(step)) {
        m_pCopier->Add(std::move(step), "moved", true);
    }
}

void CExecutor::Delete(const CStep& step) {
    if (m_job.Simulating()) {
        m_job.Acted("would delete", m_texts.Target(step), nullptr);
    } else if (!m_options.bConfirmedDelete) {
        m_job.Note("would delete (PVWSetAnswerYesForDelete 1 deletes)", m_texts.Target(step),
                   nullptr);
    } else {
        std::error_code ec;
        CDir::CHeld dir = step.targetDir->Hold(ec);
        if (dir && RemoveFileAt(dir.Get(), step.strTargetName, ec)) {
            m_job.Acted("deleted", m_texts.Target(step), nullptr);
        } else if (ec != std::errc::no_such_file_or_directory) {
            m_job.Fail("delete", step.Target(), ec);
        }
    }
}

void CExecutor::DeleteDir(CDir& parent, const std::string& strName, const Path& dir,
                          bool bEmptiedByMove) {
    if (m_job.Simulating() || !(bEmptiedByMove || m_options.bConfirmedDelete)) {
        m_job.Note("would delete directory", dir);
        return;
    }
    std::error_code ec;
    CDir::CHeld held = parent.Hold(ec);
    if (held && RemoveDirAt(held.Get(), strName, ec)) {
        m_job.Note("deleted directory", dir);
    } else if (ec != std::errc::directory_not_empty && ec != std::errc::file_exists &&
               ec != std::errc::no_such_file_or_directory) {
        m_job.Fail("delete directory", dir, ec);
    }
}

void CExecutor::MakeDir(const CStep& step) {
    if (m_job.Simulating()) {
        m_job.Note("would create directory", step.Target());
        return;
    }
    size_t nMadeBefore = m_arrMade.size();
    if (EnsureDir(*step.targetSub) && m_arrMade.size() != nMadeBefore) {
        m_job.Note("created directory", step.Target());
    }
}

// Directories take their source's permissions and time once everything in them is in place (a
// new entry would move the time again); those made here also take its owner and extras.
void CExecutor::FinishDirs(std::vector<DirPtr>& arrDirs, bool bMade) {
    for (const DirPtr& pDir : arrDirs) {
        std::error_code ec;
        if (!pDir->TakeModel(bMade, ec)) {
            m_job.Fail("set the permissions and time of", pDir->GetPath(), ec);
        }
    }
    arrDirs.clear();
}

void CExecutor::ChangeAttrib(const CStep& step) {
    if (step.entry.eKind == EKind::Link) return;  // a link has no attributes of its own here
    std::error_code ec;
    CDir::CHeld dir = step.sourceDir->Hold(ec);
    if (!dir) {
        m_job.Fail("change attributes of", step.Source(), ec);
        return;
    }
    CEntry entry = step.entry;
    ReadExtraAttributes(dir.Get(), step.strSourceName, entry);
    if (((entry.nAttrib | m_options.nSet) & ~m_options.nClear) == entry.nAttrib) return;
    if (m_job.Simulating()) {
        m_job.Acted("would change attributes of", step.Source());
        return;
    }
    std::string strNewName;
    if (!ChangeAttributes(dir.Get(), step.strSourceName, entry, m_options.nSet, m_options.nClear,
                          strNewName, ec)) {
        m_job.Fail("change attributes of", step.Source(), ec);
    } else if (strNewName != step.strSourceName) {
        Path source = step.Source();
        Path newPath = source.parent_path() / NamePath(strNewName);
        m_job.Acted("changed attributes, now", source, &newPath);
    } else {
        m_job.Acted("changed attributes of", step.Source());
    }
}

}  // namespace pvw
