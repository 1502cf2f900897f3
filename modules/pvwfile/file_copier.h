// Copies files so that nothing is ever lost: each copy is written under a temporary name in
// the target's directory, and only once the data is on the disk is it renamed over the real
// name. Copies are committed in batches, so that one flush of the file system serves many
// files; a batch is flushed and renamed into place on a second thread while the next one is
// copied, then reported, batch after batch in order. A source that changes while it is copied
// is copied once more, then given up. The source of a move is removed only after its copy has
// been committed, and only while it is still the file that was copied. A further name of a file
// copied already is linked to that copy once the copy is in place.
#pragma once

#include <cstdint>
#include <future>
#include <optional>
#include <vector>

#include "hard_links.h"
#include "job.h"
#include "plan.h"
#include "platform.h"

namespace pvw {

class CFileCopier {
public:
    explicit CFileCopier(CJob& job);
    ~CFileCopier() { Commit(); }
    CFileCopier(const CFileCopier&) = delete;
    CFileCopier& operator=(const CFileCopier&) = delete;

    // Writes the step's source file or link beside its target, whose directory exists;
    // reported as pszWhat when committed. False when the operation must stop.
    bool Add(const CStep& step, const char* pszWhat, bool bRemoveSource);
    // Flushes what was written and renames every copy into place.
    bool Commit();

private:
    struct CPending {
        DirPtr sourceDir, targetDir;
        std::string strSourceName, strTargetName, strTemp;
        Path source, target;
        CEntry copied;  // the source as it was copied: a move removes only that
        TempLock lock;  // held until the temporary is renamed into place or removed
        const char* pszWhat;
        bool bRemoveSource;
        std::error_code ecWrite, ecRemove;  // why it was not renamed, or its source not removed
        std::optional<CFirstCopy> linkTo;   // for a further name: the copy it is linked to
    };
    bool CopyOne(const CStep& step, const std::string& strTemp, CEntry& copied, TempLock& lock,
                 std::error_code& ec);
    // Starts flushing the pending batch and renaming it into place on a second thread, while
    // the next one is copied.
    void StartFlush();
    static void PutInPlace(std::vector<CPending>& arrBatch);
    static bool LinkToFirst(CPending& pending, DirHandle dir);
    // Says once per operation what the target's file system could not keep.
    void ReportNotKept(const CPending& pending);
    // Waits for the batch being put in place, then reports it.
    bool FinishFlush();
    static void RemoveMovedSource(CPending& pending);
    bool FailCopy(const CStep& step, const std::error_code& ec);

    CJob& m_job;
    size_t m_nBatchFiles;  // each temporary of this and the batch being flushed holds its lock
    std::vector<CPending> m_arrPending;
    std::uint64_t m_nPendingBytes = 0;
    std::vector<CPending> m_arrFlushing;
    CHardLinks m_hardLinks;
    unsigned m_nNotKeptReported = 0;
    std::future<void> m_flush;
};

}  // namespace pvw
