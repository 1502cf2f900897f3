// Safe copies with batched commits, each batch flushed while the next one is copied.
#include "file_copier.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>

#include "platform.h"
#include "temp_names.h"

namespace pvw {

namespace {
// A batch is committed when it holds this many files (or fewer, as locks allow) or bytes.
constexpr size_t kBatchFiles = 1024;
constexpr std::uint64_t kBatchBytes = std::uint64_t{256} << 20;
}  // namespace

CFileCopier::CFileCopier(CJob& job)
    : m_job(job), m_nBatchFiles(std::min(kBatchFiles, MaxLockedTemps() / 2)) {}

bool CFileCopier::FailCopy(const CStep& step, const std::error_code& ec) {
    bool bGoOn = FinishFlush();  // its files are reported first
    // A source that vanished since the walk is no failure: there is nothing left to copy.
    CEntry still;
    std::error_code ecSource;
    CDir::CHeld dir = step.sourceDir->Hold(ecSource);
    if (dir && !ReadEntryAt(dir.Get(), step.strSourceName, still, ecSource) &&
        ecSource == std::errc::no_such_file_or_directory) {
        m_job.Note("skipped (vanished since the walk)", step.source);
        return bGoOn;
    }
    return m_job.Fail(("copy " + step.source.string() + " to").c_str(), step.target, ec) && bGoOn;
}

bool CFileCopier::CopyOne(const CStep& step, const std::string& strTemp, CEntry& copied,
                          TempLock& lock, std::error_code& ec) {
    CDir::CHeld source = step.sourceDir->Hold(ec);
    CDir::CHeld target = source ? step.targetDir->Hold(ec) : CDir::CHeld();
    if (!target) return false;
    if (step.entry.eKind == EKind::Link) {
        copied = step.entry;
        return CopyLink(source.Get(), step.strSourceName, target.Get(), strTemp, ec);
    }
    CProgress& progress = m_job.Progress();
    return CopyFileData(
        source.Get(), step.strSourceName, target.Get(), strTemp,
        [&](std::uint64_t n) { progress.FileBytes(n); }, copied, lock, ec);
}

bool CFileCopier::Add(const CStep& step, const char* pszWhat, bool bRemoveSource) {
    // The previous batch is reported as soon as it is in place.
    if (m_flush.valid() && m_flush.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
        !FinishFlush()) {
        return false;
    }
    std::string strTemp = TempNameFor(step.strTargetName);
    CEntry copied;
    TempLock lock = -1;  // a link's temporary has none
    std::error_code ec;
    std::optional<CFirstCopy> first = m_hardLinks.FirstCopy(step);
    if (first) {
        copied = first->copied;
        if (!bRemoveSource) pszWhat = "linked";
    } else if (!CopyOne(step, strTemp, copied, lock, ec) &&
               // A source written to while it was read is read once more; a second change
               // gives up.
               (ec != LibError(ELibError::SourceChanged) ||
                !CopyOne(step, strTemp, copied, lock, ec))) {
        return FailCopy(step, ec);
    } else {
        m_hardLinks.Copied(step, copied);
    }
    std::uint64_t nBytes = first ? 0 : copied.nSize;  // data is counted once, with its first name
    m_job.Progress().FileDone(nBytes);
    m_arrPending.push_back({step.sourceDir,
                            step.targetDir,
                            step.strSourceName,
                            step.strTargetName,
                            strTemp,
                            step.source,
                            step.target,
                            copied,
                            lock,
                            pszWhat,
                            bRemoveSource,
                            {},
                            {},
                            std::move(first)});
    m_nPendingBytes += nBytes;
    if (m_arrPending.size() >= m_nBatchFiles || m_nPendingBytes >= kBatchBytes) {
        bool bGoOn = FinishFlush();
        StartFlush();
        return bGoOn;
    }
    return true;
}

void CFileCopier::StartFlush() {
    m_arrFlushing = std::move(m_arrPending);
    m_arrPending.clear();
    m_nPendingBytes = 0;
    try {
        m_flush =
            std::async(std::launch::async, [&arrBatch = m_arrFlushing] { PutInPlace(arrBatch); });
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
    CDir::CHeld dir = pending.sourceDir->Hold(pending.ecRemove);
    CEntry now;
    if (!dir || !ReadEntryAt(dir.Get(), pending.strSourceName, now, pending.ecRemove)) return;
    if (now.id != pending.copied.id || now.nSize != pending.copied.nSize ||
        now.nTime != pending.copied.nTime) {
        pending.ecRemove = LibError(ELibError::SourceChangedSinceCopy);
        return;
    }
    RemoveFileAt(dir.Get(), pending.strSourceName, pending.ecRemove);
}

// On the second thread: flushes the batch, then renames each copy into place (and removes the
// source of a move), keeping every failure for the report.
void CFileCopier::PutInPlace(std::vector<CPending>& arrBatch) {
    // One directory per file system is enough to flush it, and few are held at once.
    std::vector<CDir::CHeld> arrHeld;
    std::vector<DirHandle> arrDirs;
    std::set<std::uint64_t> devices;
    std::error_code ecFlush;
    for (const CPending& pending : arrBatch) {
        if (!devices.insert(pending.targetDir->Identity().nDev).second) continue;
        arrHeld.push_back(pending.targetDir->Hold(ecFlush));
        if (!arrHeld.back()) break;
        arrDirs.push_back(arrHeld.back().Get());
    }
    bool bFlushed = !ecFlush && FlushWrites(arrDirs, ecFlush);
    arrHeld.clear();
    for (CPending& pending : arrBatch) {
        std::error_code ecIgnored;
        CDir::CHeld dir = pending.targetDir->Hold(pending.ecWrite);
        if (!bFlushed) {
            pending.ecWrite = ecFlush;
        } else if (dir && (!pending.linkTo || LinkToFirst(pending, dir.Get())) &&
                   ReplaceEntryAt(dir.Get(), pending.strTemp, dir.Get(), pending.strTargetName,
                                  pending.ecWrite)) {
            ReleaseTemp(pending.lock);
            if (pending.bRemoveSource) RemoveMovedSource(pending);
            continue;
        }
        if (dir) RemoveFileAt(dir.Get(), pending.strTemp, ecIgnored);
        ReleaseTemp(pending.lock);
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
        m_job.Note(kind.pszWhat, pending.target);
    }
}

bool CFileCopier::Commit() {
    bool bGoOn = FinishFlush();
    if (m_arrPending.empty()) return bGoOn && !m_job.Stopped();
    StartFlush();
    return FinishFlush() && bGoOn;
}

bool CFileCopier::FinishFlush() {
    if (!m_flush.valid()) return true;
    m_flush.get();
    std::vector<CPending> arrBatch;
    arrBatch.swap(m_arrFlushing);
    bool bGoOn = true;
    for (const CPending& pending : arrBatch) {
        if (pending.ecWrite) {
            bGoOn = m_job.Fail("write", pending.target, pending.ecWrite) && bGoOn;
            continue;
        }
        ReportNotKept(pending);
        if (pending.ecRemove) {
            bGoOn =
                m_job.Fail("remove the moved source", pending.source, pending.ecRemove) && bGoOn;
        }
        m_job.Acted(pending.pszWhat, pending.source, &pending.target);
    }
    return bGoOn;
}

}  // namespace pvw
