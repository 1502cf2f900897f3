// Safe copies, small files several at once, with batched commits, each batch flushed while the
// next one is copied.
#include "file_copier.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <new>
#include <set>
#include <system_error>
#include <thread>

#include "platform.h"
#include "temp_names.h"

namespace pvw {

namespace {
// A flush starts once the one before it is over and this many copies are done (or at the
// commit), so that a small operation is flushed once and a large one in batches of whatever
// was copied while the flush before ran.
constexpr size_t kMinBatchFiles = 256;
// At most this many copies are held, written or being written, whatever the descriptors
// allow: each takes memory until it is in place.
constexpr size_t kMaxHeldFiles = 16384;
// The walk goes on while no more than this many copies are still to be made or being made:
// enough for every thread of the pool to find work in a directory of its own.
constexpr size_t kMaxRunning = 1024;
// Copies wait for the flush in flight once the batch holds this many bytes.
constexpr std::uint64_t kBatchBytes = std::uint64_t{256} << 20;
// Copies put in place by one task of the pool.
constexpr size_t kPlaceFiles = 64;
// Files below this size go to the pool; larger ones are copied by the caller, one at a time,
// with their progress shown.
constexpr std::uint64_t kSmallFile = std::uint64_t{1} << 20;

// Copies wait on the disk, so more threads than processors pay; beyond a few dozen files at
// once a disk gains nothing.
size_t PoolThreads() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 4, 16);
}

// A copy refused for want of a descriptor, which the process may have again once the copies it
// holds are in place.
bool OutOfDescriptors(const std::error_code& ec) {
    return ec == std::errc::too_many_files_open || ec == std::errc::too_many_files_open_in_system;
}

template <typename Future>
bool Ready(const Future& future) {
    return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// Holds the step's directories in dirs, unless dirs holds them already (for the file before it
// in the same folder).
bool HoldDirs(const CStep& step, CCopyDirs& dirs, std::error_code& ec) {
    if (!dirs.source.Holds(step.sourceDir.get()) || !dirs.target.Holds(step.targetDir.get())) {
        dirs = CCopyDirs();
        dirs.source = step.sourceDir->Hold(ec);
        if (dirs.source) dirs.target = step.targetDir->Hold(ec);
        if (!dirs.target) return false;
    }
    // Read at the folder's first file, whatever came before it.
    if (step.entry.eKind == EKind::File && !dirs.bMade) {
        dirs.made = step.targetDir->MadeFileFacts(dirs.target);
        dirs.bMade = true;
    }
    return true;
}

bool CopyOne(const CStep& step, const std::string& strTemp, bool bInPlace, bool& bUnnamed,
             const CCopyDirs& dirs, const ProgressFn& pfnProgress, CEntry& copied, TempLock& lock,
             std::error_code& ec) {
    DirHandle source = dirs.source.Get(), target = dirs.target.Get();
    if (step.entry.eKind == EKind::Link) {
        copied = step.entry;
        return CopyLink(source, step.strSourceName, target, strTemp, ec);
    }
    if (bInPlace) {
        return CopyFileInto(source, step.strSourceName, target, dirs.made, step.strTargetName,
                            pfnProgress, copied, ec);
    }
    // A file new to the target may be written without a name, so that nothing is left to
    // sweep should the copy be cut short.
    bUnnamed = step.bNewTarget;
    return CopyFileData(source, step.strSourceName, target, dirs.made, strTemp, bUnnamed,
                        pfnProgress, copied, lock, ec);
}

// Whether the source is gone since the walk.
bool Vanished(const CStep& step) {
    CEntry still;
    std::error_code ec;
    CDir::CHeld dir = step.sourceDir->Hold(ec);
    return dir && !ReadEntryAt(dir.Get(), step.strSourceName, still, ec) &&
           ec == std::errc::no_such_file_or_directory;
}

}  // namespace

CFileCopier::CFileCopier(CJob& job)
    : m_job(job), m_nMaxHeld(std::min(kMaxHeldFiles, MaxHeldCopies())), m_pool(PoolThreads()) {}

void CFileCopier::Copy(CPending& pending, const ProgressFn& pfnProgress, CCopyDirs& dirs) {
    std::error_code ec;
    try {
        // A source written to while it was read is read once more; a second change gives up.
        auto copyOne = [&] {
            return CopyOne(pending.step, pending.strTemp, pending.bInPlace, pending.bUnnamed, dirs,
                           pfnProgress, pending.copied, pending.lock, ec);
        };
        if (HoldDirs(pending.step, dirs, ec) &&
            (copyOne() || (ec == LibError(ELibError::SourceChanged) && copyOne()))) {
            return;
        }
    } catch (const std::bad_alloc&) {
        // Reported in its place like any failure; what was written is never put in place.
        ec = std::make_error_code(std::errc::not_enough_memory);
    }
    pending.ecCopy = ec;
    pending.bVanished = Vanished(pending.step);
}

void CFileCopier::Copy(CPending& pending, const ProgressFn& pfnProgress) {
    CCopyDirs dirs;
    Copy(pending, pfnProgress, dirs);
}

bool CFileCopier::Add(CStep&& newStep, const char* pszWhat, bool bRemoveSource) {
    // The previous batch is reported as soon as it is in place.
    if (m_flush.valid() && Ready(m_flush) && !FinishFlush()) return false;
    bool bInPlace = newStep.entry.eKind == EKind::File && newStep.targetDir->WrittenWhole();
    std::unique_ptr<CFirstCopy> linkTo = m_hardLinks.FirstCopy(newStep);
    // A file with further names is copied here, so that the names after it find its copy.
    bool bSmall = newStep.entry.nSize < kSmallFile && newStep.entry.nLinks <= 1;
    // A small file of a folder written whole is copied with the rest of its folder, by one
    // task: a handoff per folder, not per file. Those kept back stay the last pending.
    bool bKept = bSmall && bInPlace && !linkTo;
    if (!bKept) LaunchKept();
    // A file written under its own name needs no temporary one.
    std::string strTemp = bInPlace ? std::string() : TempNameFor(newStep.strTargetName);
    m_arrPending.push_back(
        std::make_unique<CPending>(std::move(newStep), std::move(strTemp), pszWhat, bRemoveSource));
    CPending& pending = *m_arrPending.back();
    const CStep& step = pending.step;
    pending.bInPlace = bInPlace;
    pending.linkTo = std::move(linkTo);
    if (pending.linkTo) {
        // Nothing to copy: the name is linked to the first copy when the batch is put in place.
        pending.copied = pending.linkTo->copied;
        if (!bRemoveSource) pending.pszWhat = "linked";
        return true;
    }
    m_nPendingBytes += step.entry.nSize;
    if (bKept) {
        ++m_nKept;
    } else if (bSmall) {
        // One thread per target directory: files made in one directory wait for each other.
        std::future<void> copying =
            m_pool.Run([&pending] { Copy(pending, [](std::uint64_t) {}); }, step.targetDir.get());
        if (copying.valid()) pending.copying = copying.share();
    }
    if (!bKept && !pending.copying.valid()) {
        CProgress& progress = m_job.Progress();
        Copy(pending, [&](std::uint64_t n) { progress.FileBytes(n); });
        if (!pending.ecCopy) m_hardLinks.Copied(step, pending.copied);
    }
    if (!Collect(kMaxRunning)) return false;
    if (m_arrPending.size() + m_arrFlushing.size() < m_nMaxHeld && m_nPendingBytes < kBatchBytes) {
        if (!m_flush.valid() && m_nCollected >= kMinBatchFiles) StartFlush(m_nCollected);
        return true;
    }
    // As many copies held as may be, or as many bytes as a flush should take: the next batch
    // waits for the flush in flight.
    if (!Collect(0)) return false;
    bool bGoOn = FinishFlush();
    StartFlush(m_arrPending.size());
    return bGoOn;
}

void CFileCopier::LaunchKept() {
    if (m_nKept == 0) return;
    std::vector<CPending*> arrFiles;
    arrFiles.reserve(m_nKept);
    for (auto it = m_arrPending.end() - static_cast<std::ptrdiff_t>(m_nKept);
         it != m_arrPending.end(); ++it) {
        arrFiles.push_back(it->get());
    }
    m_nKept = 0;
    auto copyAll = [arrFiles] {
        // The folder's two directories are held once for all its files.
        CCopyDirs dirs;
        const ProgressFn pfnNone = [](std::uint64_t) {};
        for (CPending* pFile : arrFiles) Copy(*pFile, pfnNone, dirs);
    };
    std::future<void> copying = m_pool.Run(copyAll, arrFiles.front()->step.targetDir.get());
    if (!copying.valid()) {
        copyAll();
        return;
    }
    std::shared_future<void> shared = copying.share();
    for (CPending* pFile : arrFiles) pFile->copying = shared;
}

void CFileCopier::PlaceWhole(const DirPtr& dir) {
    LaunchKept();
    dir->CloseWhole();
    m_arrPending.push_back(std::make_unique<CPending>(CStep{}, std::string(), nullptr, false));
    m_arrPending.back()->wholeDir = dir;
}

bool CFileCopier::Collect(size_t nRunning) {
    for (; m_nCollected < m_arrPending.size(); ++m_nCollected) {
        CPending& pending = *m_arrPending[m_nCollected];
        if (pending.wholeDir) continue;
        if (m_nCollected >= m_arrPending.size() - m_nKept) {
            // Its folder is still walked: its files are copied together unless all are wanted.
            if (nRunning > 0) return true;
            LaunchKept();
        }
        if (pending.copying.valid()) {
            if (m_arrPending.size() - m_nCollected <= nRunning && !Ready(pending.copying)) {
                return true;
            }
            pending.copying.get();
        }
        if (OutOfDescriptors(pending.ecCopy) && !CopyAgain(pending)) return false;
        if (!pending.ecCopy) {
            // Data is counted once, with its first name.
            m_job.Progress().FileDone(pending.linkTo ? 0 : pending.copied.nSize);
        } else if (!pending.bVanished && !m_job.Settings().bIgnoreErrors) {
            Discard(++m_nCollected);
            CommitCollected(true);
            return false;
        }
    }
    return true;
}

// A copy that found no descriptor free is made again, here, at once (the flush in flight may
// have let go of some since) and, should that fail too, once the copies held before it are in
// place and reported; fewer are held from then on. False when a failure reported meanwhile
// stops the operation: the copies after it are removed.
bool CFileCopier::CopyAgain(CPending& pending) {
    auto copyAgain = [&] {
        pending.ecCopy = {};
        pending.bVanished = false;
        Copy(pending, [](std::uint64_t) {});
        if (!pending.ecCopy) m_hardLinks.Copied(pending.step, pending.copied);
        return !OutOfDescriptors(pending.ecCopy);
    };
    size_t nHeld = m_nCollected + m_arrFlushing.size();
    if (copyAgain() || nHeld == 0) return true;
    m_nMaxHeld = std::max<size_t>(nHeld / 2, 1);
    bool bGoOn = FinishFlush();
    if (m_nCollected > 0) {
        StartFlush(m_nCollected);
        bGoOn = FinishFlush() && bGoOn;
    }
    if (!bGoOn) {
        Discard(0);
        return false;
    }
    copyAgain();
    return true;
}

// The copies after a failure that stops the operation: waited for, and their temporaries
// removed unseen.
void CFileCopier::Discard(size_t nFrom) {
    for (size_t i = nFrom; i < m_arrPending.size(); ++i) {
        CPending& pending = *m_arrPending[i];
        if (pending.copying.valid()) pending.copying.wait();
        if (pending.wholeDir || pending.bInPlace) {
            (pending.wholeDir ? pending.wholeDir : pending.step.targetDir)->RemoveWhole();
            continue;
        }
        if (pending.ecCopy) continue;
        std::error_code ecIgnored;
        CDir::CHeld dir = pending.step.targetDir->Hold(ecIgnored);
        if (dir) RemoveFileAt(dir.Get(), pending.strTemp, ecIgnored);
        ReleaseTemp(pending.lock);
    }
    m_arrPending.erase(m_arrPending.begin() + static_cast<std::ptrdiff_t>(nFrom),
                       m_arrPending.end());
    m_nKept = 0;  // those kept back come last, and are gone with the rest
}

bool CFileCopier::CommitCollected(bool bStopping) {
    bool bGoOn = FinishFlush();
    EndWholeFolder(bStopping);
    if (m_arrPending.empty()) return bGoOn;
    StartFlush(m_arrPending.size());
    return FinishFlush() && bGoOn;
}

void CFileCopier::EndWholeFolder(bool bStopping) {
    size_t nFirst = Complete(m_arrPending.size());
    if (nFirst == m_arrPending.size()) return;
    DirPtr dir = m_arrPending[nFirst]->step.targetDir;
    if (!bStopping) {
        PlaceWhole(dir);
        m_nCollected = m_arrPending.size();  // the folder's entry waits for nothing
        return;
    }
    dir->RemoveWhole();
    // Of its files only the failures are reported: nothing of it is kept.
    CPendingQueue arrFailed;
    for (size_t i = nFirst; i < m_arrPending.size(); ++i) {
        CPending& pending = *m_arrPending[i];
        m_nPendingBytes -= pending.step.entry.nSize;
        if (!pending.ecCopy) continue;
        pending.bInPlace = false;
        arrFailed.push_back(std::move(m_arrPending[i]));
    }
    m_arrPending.erase(m_arrPending.begin() + static_cast<std::ptrdiff_t>(nFirst),
                       m_arrPending.end());
    for (std::unique_ptr<CPending>& pFailed : arrFailed) {
        m_nPendingBytes += pFailed->step.entry.nSize;
        m_arrPending.push_back(std::move(pFailed));
    }
    m_nCollected = m_arrPending.size();
}

size_t CFileCopier::Complete(size_t nFiles) const {
    // A folder's files come one after the other, its entry last.
    size_t nComplete = nFiles;
    for (size_t i = nFiles; i > 0 && !m_arrPending[i - 1]->wholeDir; --i) {
        if (m_arrPending[i - 1]->bInPlace) nComplete = i - 1;
    }
    return nComplete;
}

void CFileCopier::StartFlush(size_t nFiles) {
    nFiles = Complete(nFiles);
    if (nFiles == 0) return;
    // The copies after them may still be written by the pool, in place.
    auto itEnd = m_arrPending.begin() + static_cast<std::ptrdiff_t>(nFiles);
    m_arrFlushing.assign(std::make_move_iterator(m_arrPending.begin()),
                         std::make_move_iterator(itEnd));
    m_arrPending.erase(m_arrPending.begin(), itEnd);
    m_nCollected -= nFiles;
    for (const std::unique_ptr<CPending>& pPending : m_arrFlushing) {
        if (!pPending->linkTo) m_nPendingBytes -= pPending->step.entry.nSize;
    }
    try {
        m_flush = std::async(std::launch::async, [this] { PutInPlace(m_arrFlushing); });
    } catch (const std::system_error&) {
        // No thread to be had: the batch is put in place here, which is only slower.
        PutInPlace(m_arrFlushing);
        std::promise<void> done;
        done.set_value();
        m_flush = done.get_future();
    }
}

// A moved source is removed only while it is still the file that was copied: one written to,
// or put in its place, since then stays where it is.
void CFileCopier::RemoveMovedSource(CPending& pending) {
    CDir::CHeld dir = pending.step.sourceDir->Hold(pending.ecRemove);
    CEntry now;
    if (!dir || !ReadEntryAt(dir.Get(), pending.step.strSourceName, now, pending.ecRemove)) return;
    if (now.id != pending.copied.id || now.nSize != pending.copied.nSize ||
        now.nTime != pending.copied.nTime) {
        pending.ecRemove = LibError(ELibError::SourceChangedSinceCopy);
        return;
    }
    RemoveFileAt(dir.Get(), pending.step.strSourceName, pending.ecRemove);
}

// On the second thread: flushes the batch, then renames each copy into place (and removes the
// source of a move), keeping every failure for the report.
void CFileCopier::PutInPlace(CPendingQueue& arrBatch) {
    // One directory per file system is enough to flush it, and few are held at once.
    std::vector<CDir::CHeld> arrHeld;
    std::vector<DirHandle> arrDirs;
    std::set<std::uint64_t> devices;
    const CDir* pLastDir = nullptr;
    std::error_code ecFlush;
    for (const std::unique_ptr<CPending>& pPending : arrBatch) {
        CPending& pending = *pPending;
        // A folder written whole takes its source's attributes once its files are written,
        // before the flush, which covers them too.
        if (pending.wholeDir) {
            pending.wholeDir->TakeModel(true, pending.ecModel);
            continue;
        }
        // A folder's files come one after the other: its device is looked up once.
        if (pending.step.targetDir.get() == pLastDir) continue;
        pLastDir = pending.step.targetDir.get();
        if (!devices.insert(pLastDir->Identity().nDev).second) continue;
        arrHeld.push_back(pending.step.targetDir->Hold(ecFlush));
        if (!arrHeld.back()) break;
        arrDirs.push_back(arrHeld.back().Get());
    }
    bool bFlushed = !ecFlush && FlushWrites(arrDirs, ecFlush);
    arrHeld.clear();
    PlaceWholeFolders(arrBatch, bFlushed, ecFlush);
    // The copies are put in place by the pool, a few at a time, ahead of the copies waiting for
    // it; a further name of a file last, since its first copy may be in this batch. Files that
    // went into place with their folder take no task, which would wait for a thread.
    std::vector<CPending*> arrToPlace;
    for (const std::unique_ptr<CPending>& pPending : arrBatch) {
        if (!pPending->linkTo && HasCopyToPlace(*pPending)) arrToPlace.push_back(pPending.get());
    }
    std::vector<std::future<void>> arrPlacing;
    for (size_t nFrom = 0; nFrom < arrToPlace.size(); nFrom += kPlaceFiles) {
        size_t nTo = std::min(nFrom + kPlaceFiles, arrToPlace.size());
        auto place = [&arrToPlace, nFrom, nTo, bFlushed, &ecFlush] {
            for (size_t i = nFrom; i < nTo; ++i) Place(*arrToPlace[i], bFlushed, ecFlush);
        };
        arrPlacing.push_back(m_pool.Run(place, arrToPlace[nFrom]->step.targetDir.get(), true));
        if (!arrPlacing.back().valid()) place();
    }
    for (const std::future<void>& placing : arrPlacing) {
        if (placing.valid()) placing.wait();
    }
    for (std::future<void>& placing : arrPlacing) {
        if (placing.valid()) placing.get();
    }
    for (const std::unique_ptr<CPending>& pPending : arrBatch) {
        if (pPending->linkTo) Place(*pPending, bFlushed, ecFlush);
    }
}

// Nothing was written, or it went into place with its folder.
bool CFileCopier::HasCopyToPlace(const CPending& pending) {
    return !pending.ecCopy && !pending.bInPlace && !pending.wholeDir;
}

// Renames or links the copy into place, or removes it, keeping the failure for the report.
void CFileCopier::Place(CPending& pending, bool bFlushed, const std::error_code& ecFlush) {
    if (!HasCopyToPlace(pending)) return;
    std::error_code ecIgnored;
    CDir::CHeld dir = pending.step.targetDir->Hold(pending.ecWrite);
    if (!bFlushed) {
        pending.ecWrite = ecFlush;
    } else if (dir && (!pending.linkTo || LinkToFirst(pending, dir.Get())) &&
               PlaceCopy(pending.lock, pending.bUnnamed, dir.Get(), pending.strTemp,
                         pending.step.strTargetName, pending.ecWrite)) {
        ReleaseTemp(pending.lock);
        if (pending.bRemoveSource) RemoveMovedSource(pending);
        return;
    }
    if (dir) RemoveFileAt(dir.Get(), pending.strTemp, ecIgnored);
    ReleaseTemp(pending.lock);
}

// Each folder written whole is renamed into place, or removed, and the files written inside
// it, just before it, share its fate.
void CFileCopier::PlaceWholeFolders(CPendingQueue& arrBatch, bool bFlushed,
                                    const std::error_code& ecFlush) {
    const std::error_code* pecFolder = nullptr;
    for (auto it = arrBatch.rbegin(); it != arrBatch.rend(); ++it) {
        CPending& pending = **it;
        if (pending.wholeDir) {
            if (!bFlushed) {
                pending.ecWrite = ecFlush;
            } else {
                pending.wholeDir->PlaceWhole(pending.ecWrite);
            }
            if (pending.ecWrite) pending.wholeDir->RemoveWhole();
            pecFolder = &pending.ecWrite;
        } else if (pending.bInPlace && !pending.ecCopy && pecFolder != nullptr) {
            pending.ecWrite = *pecFolder;
        }
    }
}

// A further name is made under its temporary name as a link to the copy already in place, and
// kept only while that copy is still the file that was copied.
bool CFileCopier::LinkToFirst(CPending& pending, DirHandle dir) {
    const CFirstCopy& first = *pending.linkTo;
    CDir::CHeld firstDir = first.targetDir->Hold(pending.ecWrite);
    CEntry linked;
    if (!firstDir ||
        !LinkFileAt(firstDir.Get(), first.strTargetName, dir, pending.strTemp, pending.ecWrite) ||
        !ReadEntryAt(dir, pending.strTemp, linked, pending.ecWrite)) {
        return false;
    }
    if (linked.eKind == EKind::File && linked.nSize == first.copied.nSize &&
        linked.nTime == first.copied.nTime) {
        return true;
    }
    pending.ecWrite = LibError(ELibError::LinkedCopyChanged);
    return false;
}

// A target file system without owners, extended attributes or ACLs is no failure (the data is
// what a copy must keep), but the user learns it once, at the first file concerned.
void CFileCopier::ReportNotKept(const CPending& pending) {
    static const struct {
        unsigned nBit;
        const char* pszWhat;
    } kKinds[] = {
        {NOT_KEPT_OWNER, "kept no owner and group (the target's file system refused them), first:"},
        {NOT_KEPT_XATTRS,
         "kept no extended attributes (the target's file system has none), first:"},
        {NOT_KEPT_ACLS, "kept no ACLs (the target's file system has none), first:"},
    };
    for (const auto& kind : kKinds) {
        if ((pending.copied.nNotKept & kind.nBit) == 0 || (m_nNotKeptReported & kind.nBit) != 0) {
            continue;
        }
        m_nNotKeptReported |= kind.nBit;
        m_job.Note(kind.pszWhat, pending.step.Target());
    }
}

bool CFileCopier::Commit() {
    if (!Collect(0)) return false;
    return CommitCollected(m_job.Stopped()) && !m_job.Stopped();
}

bool CFileCopier::ReportCopyFailure(const CPending& pending) {
    const CStep& step = pending.step;
    if (pending.bVanished) {
        m_job.Note("skipped (vanished since the walk)", step.Source());
        return true;
    }
    return m_job.Fail(("copy " + step.Source().string() + " to").c_str(), step.Target(),
                      pending.ecCopy);
}

bool CFileCopier::FinishFlush() {
    if (!m_flush.valid()) return true;
    m_flush.get();
    CPendingQueue arrBatch;
    arrBatch.swap(m_arrFlushing);
    bool bGoOn = true;
    CJob::CGathered gathered(m_job);
    for (const std::unique_ptr<CPending>& pPending : arrBatch) {
        const CPending& pending = *pPending;
        const CStep& step = pending.step;
        if (pending.wholeDir) {
            if (pending.ecModel) {
                bGoOn = m_job.Fail("set the permissions and time of", pending.wholeDir->GetPath(),
                                   pending.ecModel) &&
                        bGoOn;
            }
        } else if (pending.ecCopy) {
            bGoOn = ReportCopyFailure(pending) && bGoOn;
        } else if (pending.ecWrite) {
            bGoOn = m_job.Fail("write", step.Target(), pending.ecWrite) && bGoOn;
        } else {
            ReportNotKept(pending);
            if (pending.ecRemove) {
                bGoOn =
                    m_job.Fail("remove the moved source", step.Source(), pending.ecRemove) && bGoOn;
            }
            m_job.Acted(pending.pszWhat, m_texts.Source(step), &m_texts.Target(step));
        }
    }
    return bGoOn;
}

}  // namespace pvw
