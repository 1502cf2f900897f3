// The pool of threads.
#include "worker_pool.h"

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

std::future<void> CWorkerPool::Run(std::function<void()> fn) {
    std::packaged_task<void()> task(std::move(fn));
    std::future<void> done = task.get_future();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Another thread when every idle one already has a task waiting for it.
        if (m_tasks.size() >= m_nIdle && m_arrThreads.size() < m_nMaxThreads) {
            try {
                m_arrThreads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // The threads there are will do; with none, the caller does the task itself.
                if (m_arrThreads.empty()) return {};
            }
        }
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
    return done;
}

void CWorkerPool::Work() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        ++m_nIdle;
        m_wake.wait(guard, [this] { return m_bEnding || !m_tasks.empty(); });
        --m_nIdle;
        if (m_tasks.empty()) return;
        std::packaged_task<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        guard.unlock();
        task();
        guard.lock();
    }
}

}  // namespace pvw
