// Lists one directory on a second thread while the walk lists the other tree's: comparing a
// tree with its copy is mostly these two listings, and they need not wait for each other.
#pragma once

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "dir.h"

namespace pvw {

class CSideLister {
public:
    CSideLister();
    ~CSideLister();
    CSideLister(const CSideLister&) = delete;
    CSideLister& operator=(const CSideLister&) = delete;

    // Begins listing dir; every Start is followed by one Wait.
    void Start(const DirPtr& pDir);
    // The listing's entries; false with the system's reason when it failed.
    bool Wait(std::vector<CEntry>& arrEntries, std::error_code& ec);

private:
    enum class EState { Idle, Requested, Done, Quit };
    void Loop();

    std::mutex m_lock;
    std::condition_variable m_changed;
    EState m_eState = EState::Idle;
    DirPtr m_pDir;
    std::vector<CEntry> m_arrEntries;
    std::error_code m_ec;
    bool m_bOk = false;
    std::thread m_thread;  // last: it starts once everything above is made
};

}  // namespace pvw
