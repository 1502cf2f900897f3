// Reads the trace and log files of a debugged run as they grow, from a thread of its own,
// so that output reaches the editor while the run goes on.
#include "editor/debug_output.h"

#include <array>
#include <chrono>

#include "host_os.h"
#include "process_env.h"

namespace {
// How often the files are looked at while the run goes on.
constexpr std::chrono::milliseconds POLL_INTERVAL{100};
// What one read takes at most; a larger piece goes out in several.
constexpr size_t READ_CHUNK = 16 * 1024;
}  // namespace

CDebugOutput::~CDebugOutput() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStopping = true;
        m_wake.notify_all();
    }
    if (m_poller.joinable()) m_poller.join();
    Drain();
    for (Source* pSource : {&m_trace, &m_log}) {
        if (pSource->pFile == nullptr) continue;
        std::fclose(pSource->pFile);
        std::remove(pSource->strPath.c_str());
    }
}

bool CDebugOutput::OpenSource(Source& source, const char* pszVariable, std::string& strReason) {
    std::FILE* pNew = CreateTempFile(source.strPath, strReason);
    if (pNew == nullptr) return false;
    std::fclose(pNew);
    source.pFile = std::fopen(source.strPath.c_str(), "rb");
    if (source.pFile == nullptr || !qjcommon::SetProcessEnv(pszVariable, source.strPath.c_str())) {
        strReason = "cannot use " + source.strPath + " for the run's output";
        return false;
    }
    return true;
}

bool CDebugOutput::Start(std::string& strReason) {
    if (!OpenSource(m_trace, "QJ_TRACE", strReason) || !OpenSource(m_log, "QJ_LOG", strReason))
        return false;
    m_poller = std::thread([this] { Poll(); });
    return true;
}

void CDebugOutput::Poll() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_wake.wait_for(lock, POLL_INTERVAL, [this] { return m_bStopping; })) {
        lock.unlock();
        Drain();
        lock.lock();
    }
}

void CDebugOutput::Drain() {
    std::lock_guard<std::mutex> guard(m_drainLock);
    DrainSource(m_trace);
    DrainSource(m_log);
}

void CDebugOutput::DrainSource(Source& source) {
    if (source.pFile == nullptr) return;
    std::array<char, READ_CHUNK> buffer;
    for (;;) {
        const size_t nRead = std::fread(buffer.data(), 1, buffer.size(), source.pFile);
        if (nRead > 0) m_sink(source.pszCategory, std::string(buffer.data(), nRead));
        if (nRead < buffer.size()) break;
    }
    // At the end of what is there now: the next read looks again.
    std::clearerr(source.pFile);
}
