// The second thread of a walk.
#include "side_lister.h"

namespace pvw {

CSideLister::CSideLister() : m_thread([this] { Loop(); }) {}

CSideLister::~CSideLister() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_eState = EState::Quit;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CSideLister::Start(const DirPtr& pDir) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pDir = pDir;
        m_arrEntries.clear();
        m_ec.clear();
        m_eState = EState::Requested;
    }
    m_changed.notify_all();
}

bool CSideLister::Wait(std::vector<CEntry>& arrEntries, std::error_code& ec) {
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait(guard, [this] { return m_eState == EState::Done; });
    m_eState = EState::Idle;
    arrEntries.swap(m_arrEntries);
    ec = m_ec;
    return m_bOk;
}

void CSideLister::Loop() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_changed.wait(
            guard, [this] { return m_eState == EState::Requested || m_eState == EState::Quit; });
        if (m_eState == EState::Quit) return;
        DirPtr pDir = std::move(m_pDir);
        std::vector<CEntry> arrEntries;
        std::error_code ec;
        guard.unlock();
        bool bOk = pDir->List(arrEntries, ec);
        pDir.reset();
        guard.lock();
        m_arrEntries.swap(arrEntries);
        m_ec = ec;
        m_bOk = bOk;
        m_eState = EState::Done;
        m_changed.notify_all();
    }
}

}  // namespace pvw
