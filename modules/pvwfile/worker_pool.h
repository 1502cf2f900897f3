// A pool of threads that run the tasks handed to it, in the order given (or ahead of those
// waiting, when asked), except that tasks of one key run one at a time, each thread taking the
// first task whose key no other thread holds.
// Threads are made as tasks wait for one, up to a limit, and are joined when the pool ends,
// after every task.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace pvw {

class CWorkerPool {
public:
    explicit CWorkerPool(size_t nMaxThreads) : m_nMaxThreads(nMaxThreads) {}
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // Runs fn on a thread of the pool, after the tasks of the same key handed in before it, or,
    // with bAhead, before every task waiting; the future is ready once it has run (and holds what
    // it threw). An invalid future when the pool has no thread and none can be made: fn is then
    // not run.
    std::future<void> Run(std::function<void()> fn, const void* pKey, bool bAhead = false);

private:
    // Tasks of one key handed in one after the other.
    struct CRun {
        const void* pKey;
        std::deque<std::packaged_task<void()>> tasks;
    };
    void Work();
    // Whether a thread runs a task of the key.
    bool Busy(const void* pKey) const;
    // The first run whose key no thread holds; end() when there is none.
    std::deque<CRun>::iterator NextFree();

    size_t m_nMaxThreads;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<CRun> m_runs;
    size_t m_nTasks = 0;                     // waiting, in all runs
    std::vector<const void*> m_arrBusyKeys;  // the keys of the tasks running
    std::vector<std::thread> m_arrThreads;
    size_t m_nIdle = 0;  // threads waiting for a task
    bool m_bEnding = false;
};

}  // namespace pvw
