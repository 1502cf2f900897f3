// Safe copies with batched commits, each batch flushed while the next one is copied.
#include "file_copier.h"

#include <atomic>
#include <chrono>
#include <random>
#include <system_error>

#include "platform.h"

namespace pvw {

namespace {
// A batch is committed when it holds this many files or bytes.
constexpr size_t kBatchFiles = 1024;
constexpr std::uint64_t kBatchBytes = std::uint64_t{256} << 20;
// Leaves room in a 255-byte name for the temporary name's prefix and suffix.
constexpr size_t kMaxTempStem = 200;

unsigned TempSalt() {
    static const unsigned s_nSalt = std::random_device{}();
    return s_nSalt;
}
}  // namespace

Path CFileCopier::TempNameFor(const Path& target) {
    std::string strStem = target.filename().string().substr(0, kMaxTempStem);
    // The counter is shared, so that operations on other threads never pick the same name.
    static std::atomic<unsigned> s_nCounter{0};
    return target.parent_path() / ("." + strStem + ".pvw" + std::to_string(TempSalt() % 100000) +
                                   "-" + std::to_string(++s_nCounter));
}

bool CFileCopier::FailCopy(const Path& source, const Path& target, const std::error_code& ec) {
    bool bGoOn = FinishFlush();  // its files are reported first
    // A source that vanished since the walk is no failure: there is nothing left to copy.
    CEntry still;
    std::error_code ecSource;
    if (!ReadEntry(source, false, still, ecSource) &&
        ecSource == std::errc::no_such_file_or_directory) {
        m_job.Note("skipped (vanished since the walk)", source);
        return bGoOn;
    }
    return m_job.Fail(("copy " + source.string() + " to").c_str(), target, ec) && bGoOn;
}

bool CFileCopier::Add(const Path& source, const CEntry& entry, const Path& target,
                      const char* pszWhat, bool bRemoveSource) {
    // The previous batch is reported as soon as it is in place.
    if (m_flush.valid() && m_flush.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
        !FinishFlush()) {
        return false;
    }
    Path temp = TempNameFor(target);
    std::error_code ec;
    bool bDone;
    if (entry.eKind == EKind::Link) {
        bDone = CopyLink(source, temp, ec);
    } else {
        CProgress& progress = m_job.Progress();
        bDone = CopyFileData(
            source, temp, [&](std::uint64_t n) { progress.FileBytes(n); }, ec);
    }
    if (!bDone) return FailCopy(source, target, ec);
    m_job.Progress().FileDone(entry.nSize);
    m_arrPending.push_back({temp, source, target, pszWhat, bRemoveSource, {}, {}});
    m_nPendingBytes += entry.nSize;
    if (m_arrPending.size() >= kBatchFiles || m_nPendingBytes >= kBatchBytes) {
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

// On the second thread: flushes the batch, then renames each copy into place (and removes the
// source of a move), keeping every failure for the report.
void CFileCopier::PutInPlace(std::vector<CPending>& arrBatch) {
    std::vector<Path> arrDirs;
    for (const CPending& pending : arrBatch) arrDirs.push_back(pending.temp.parent_path());
    std::error_code ecFlush;
    bool bFlushed = FlushWrites(arrDirs, ecFlush);
    for (CPending& pending : arrBatch) {
        std::error_code ecIgnored;
        if (!bFlushed) {
            pending.ecWrite = ecFlush;
        } else if (ReplaceEntry(pending.temp, pending.target, pending.ecWrite)) {
            if (pending.bRemoveSource) RemoveFile(pending.source, pending.ecRemove);
            continue;
        }
        RemoveFile(pending.temp, ecIgnored);
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
        if (pending.ecRemove) {
            bGoOn =
                m_job.Fail("remove the moved source", pending.source, pending.ecRemove) && bGoOn;
        }
        m_job.Acted(pending.pszWhat, pending.source, &pending.target);
    }
    return bGoOn;
}

}  // namespace pvw
