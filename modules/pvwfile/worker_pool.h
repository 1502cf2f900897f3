// A pool of threads that run the tasks handed to it, in the order given. Threads are made as
// tasks wait for one, up to a limit, and are joined when the pool ends, after every task.
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

    // Runs fn on a thread of the pool; the future is ready once it has run (and holds what it
    // threw). An invalid future when the pool has no thread and none can be made: fn is then
    // not run.
    std::future<void> Run(std::function<void()> fn);

private:
    void Work();

    size_t m_nMaxThreads;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::packaged_task<void()>> m_tasks;
    std::vector<std::thread> m_arrThreads;
    size_t m_nIdle = 0;  // threads waiting for a task
    bool m_bEnding = false;
};

}  // namespace pvw
