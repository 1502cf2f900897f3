// Copies files so that nothing is ever lost: each copy is written under a temporary name in
// the target's directory (or under none, for a new file, where the system allows), and only
// once the data is on the disk is it renamed over the real name (or given it). Small files are
// copied by a pool of threads, several at once, since each copy waits on the file system more than
// on the processor; a large one is copied by the caller's thread. Copies are committed in batches,
// so that one flush of the file system serves many files; a batch is flushed and renamed into place
// on a second thread while the next one is copied, then reported, batch after batch, each file in
// the order it was added, its failure too. A batch is what was copied while the flush before it
// ran, at most as many files as may be held open; a copy refused for want of a descriptor is
// made again once those before it are in place. A failure that stops the operation removes the
// copies added after it. A source that changes while it is copied is copied once more, then given
// up. The source of a move is removed only after its copy has been committed, and only while it is
// still the file that was copied. A further name of a file copied already is linked to that copy
// once the copy is in place. The files of a folder written whole (see CDir::WriteWhole) are
// written under their own names inside it, and reported once the flush that covers them is over
// and the folder is renamed into place; a batch never ends inside such a folder.
#pragma once

#include <cstdint>
#include <deque>
#include <future>
#include <memory>

#include "hard_links.h"
#include "job.h"
#include "plan.h"
#include "platform.h"
#include "worker_pool.h"

namespace pvw {

// The two directories of a copy, held while it is made: for one file, or for the files of one
// folder together, which then take the lock of the open directories once, not at every file.
struct CCopyDirs {
    CDir::CHeld source, target;
    bool bMade = false;   // whether made has been read
    CMadeFileFacts made;  // of the target, for a file
};

class CFileCopier {
public:
    explicit CFileCopier(CJob& job);
    ~CFileCopier() { Commit(); }
    CFileCopier(const CFileCopier&) = delete;
    CFileCopier& operator=(const CFileCopier&) = delete;

    // Writes the step's source file or link beside its target, whose directory exists;
    // reported as pszWhat when committed. False when the operation must stop.
    bool Add(CStep&& newStep, const char* pszWhat, bool bRemoveSource);
    // The folder written whole, its files added: it is renamed into place after them.
    void PlaceWhole(const DirPtr& dir);
    // Waits for the copies, flushes what was written and renames every copy into place.
    bool Commit();

private:
    struct CPending {
        CStep step;
        std::string strTemp;
        const char* pszWhat;
        bool bRemoveSource;
        // Valid once the pool has it to copy; shared by the files of a folder written whole,
        // which one task copies.
        std::shared_future<void> copying = {};
        // The source as it was copied: a move removes only that.
        CEntry copied = {};
        // Held until the temporary is renamed into place or removed.
        TempLock lock = -1;
        // Written without a name, which it is given once on the disk.
        bool bUnnamed = false;
        // Written under its own name inside a folder written whole.
        bool bInPlace = false;
        // Not a file: the folder written whole that goes into place here, and why it could not
        // take its source's permissions and time.
        DirPtr wholeDir = nullptr;
        std::error_code ecModel = {};
        // The source was gone: nothing to copy, and no failure.
        bool bVanished = false;
        // Why it was not copied, not renamed, or its source not removed.
        std::error_code ecCopy = {}, ecWrite = {}, ecRemove = {};
        // For a further name: the copy it is linked to.
        std::unique_ptr<CFirstCopy> linkTo = nullptr;
    };
    // Each copy held on its own, so that one the pool writes into keeps its place as others are
    // added, and a batch goes to the flush and back to the reports without being moved.
    using CPendingQueue = std::deque<std::unique_ptr<CPending>>;
    // Copies on whichever thread runs it; pfnProgress is called on that thread.
    static void Copy(CPending& pending, const ProgressFn& pfnProgress);
    // The same with the directories held in dirs, kept from one file of a folder to the next.
    static void Copy(CPending& pending, const ProgressFn& pfnProgress, CCopyDirs& dirs);
    // Hands the files kept back for the pool, the last ones pending, to it as one task.
    void LaunchKept();
    // Takes the outcome of the copies in order, up to the first one still running, waiting for
    // those beyond nRunning still running. False when a failure stops the operation: the
    // copies before it are committed and reported with it, those after it removed.
    bool Collect(size_t nRunning);
    bool CopyAgain(CPending& pending);
    void Discard(size_t nFrom);
    // Puts every collected copy in place and reports it, after the batch before it; a folder
    // still written whole is put in place as it is or, with bStopping, removed unreported.
    bool CommitCollected(bool bStopping);
    void EndWholeFolder(bool bStopping);
    // How many of the first nFiles pending copies a batch may take: none of a folder written
    // whole that is not complete.
    size_t Complete(size_t nFiles) const;
    // Starts flushing the first nFiles pending copies, all collected, and renaming them into
    // place on a second thread, while the next ones are copied.
    void StartFlush(size_t nFiles);
    void PutInPlace(CPendingQueue& arrBatch);
    static bool HasCopyToPlace(const CPending& pending);
    static void Place(CPending& pending, bool bFlushed, const std::error_code& ecFlush);
    static void PlaceWholeFolders(CPendingQueue& arrBatch, bool bFlushed,
                                  const std::error_code& ecFlush);
    static bool LinkToFirst(CPending& pending, DirHandle dir);
    // Says once per operation what the target's file system could not keep.
    void ReportNotKept(const CPending& pending);
    // Waits for the batch being put in place, then reports it.
    bool FinishFlush();
    static void RemoveMovedSource(CPending& pending);
    bool ReportCopyFailure(const CPending& pending);

    CJob& m_job;
    size_t m_nMaxHeld;  // copies pending and being flushed, each holding its descriptor
    CPendingQueue m_arrPending;
    size_t m_nCollected = 0;  // the first pending copies, whose outcome has been taken
    // The last pending copies, files of the folder written whole that the walk is in, kept
    // back so that one task of the pool copies them together.
    size_t m_nKept = 0;
    std::uint64_t m_nPendingBytes = 0;
    CPendingQueue m_arrFlushing;
    CHardLinks m_hardLinks;
    unsigned m_nNotKeptReported = 0;
    CStepTexts m_texts;
    std::future<void> m_flush;
    CWorkerPool m_pool;  // last: its threads end before what they write into
};

}  // namespace pvw
