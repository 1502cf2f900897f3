// The pool of threads.
#include "worker_pool.h"

#include <algorithm>
#include <system_error>

namespace pvw {

CWorkerPool::~CWorkerPool() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bEnding = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_arrThreads) thread.join();
}

std::future<void> CWorkerPool::Run(std::function<void()> fn, const void* pKey, bool bAhead) {
    std::packaged_task<void()> task(std::move(fn));
    std::future<void> done = task.get_future();
    bool bWake = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Another thread when every idle one already has a task waiting for it.
        if (m_nTasks >= m_nIdle && m_arrThreads.size() < m_nMaxThreads) {
            try {
                m_arrThreads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // The threads there are will do; with none, the caller does the task itself.
                if (m_arrThreads.empty()) return {};
            }
        }
        bool bNewRun = bAhead || m_runs.empty() || m_runs.back().pKey != pKey;
        if (bAhead) {
            m_runs.push_front({pKey, {}});
            m_runs.front().tasks.push_back(std::move(task));
        } else {
            if (bNewRun) m_runs.push_back({pKey, {}});
            m_runs.back().tasks.push_back(std::move(task));
        }
        ++m_nTasks;
        // A waiting thread is woken only for a task it may take at once: a task behind another
        // of its key is taken by the thread that ends the one before it.
        bWake = bNewRun && m_nIdle > 0 && !Busy(pKey);
    }
    if (bWake) m_wake.notify_one();
    return done;
}

bool CWorkerPool::Busy(const void* pKey) const {
    return std::find(m_arrBusyKeys.begin(), m_arrBusyKeys.end(), pKey) != m_arrBusyKeys.end();
}

std::deque<CWorkerPool::CRun>::iterator CWorkerPool::NextFree() {
    return std::find_if(m_runs.begin(), m_runs.end(),
                        [this](const CRun& run) { return !Busy(run.pKey); });
}

void CWorkerPool::Work() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        ++m_nIdle;
        m_wake.wait(guard,
                    [this] { return m_runs.empty() ? m_bEnding : NextFree() != m_runs.end(); });
        --m_nIdle;
        if (m_runs.empty()) return;
        auto itRun = NextFree();
        const void* pKey = itRun->pKey;
        std::packaged_task<void()> task = std::move(itRun->tasks.front());
        itRun->tasks.pop_front();
        if (itRun->tasks.empty()) m_runs.erase(itRun);
        --m_nTasks;
        m_arrBusyKeys.push_back(pKey);
        // A thread that finds no free task sleeps until one that ends a task hands it on.
        if (m_nIdle > 0 && NextFree() != m_runs.end()) m_wake.notify_one();
        guard.unlock();
        task();
        guard.lock();
        m_arrBusyKeys.erase(std::find(m_arrBusyKeys.begin(), m_arrBusyKeys.end(), pKey));
    }
}

}  // namespace pvw
