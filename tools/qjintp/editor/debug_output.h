// The trace and log output of a debugged run, sent on as the debugger's output: the trace
// and log modules write to files of the session's own, which are read as they grow.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CDebugOutput {
public:
    // Told each new piece of text, with "stdout" for the trace and "stderr" for the log.
    using Sink = std::function<void(const char* pszCategory, const std::string& strText)>;

    explicit CDebugOutput(Sink sink) : m_sink(std::move(sink)) {}
    ~CDebugOutput();
    CDebugOutput(const CDebugOutput&) = delete;
    CDebugOutput& operator=(const CDebugOutput&) = delete;

    // Points the trace and log modules at new files and starts reading them; false with the
    // reason when a file cannot be made.
    bool Start(std::string& strReason);
    // Sends on what has been written so far.
    void Drain();

private:
    struct Source {
        const char* pszCategory;
        std::string strPath;
        std::FILE* pFile = nullptr;
    };
    bool OpenSource(Source& source, const char* pszVariable, std::string& strReason);
    void DrainSource(Source& source);
    void Poll();

    Sink m_sink;
    Source m_trace{"stdout", {}};
    Source m_log{"stderr", {}};
    std::mutex m_lock;
    // One reader at a time, so that pieces go out in the order they were written.
    std::mutex m_drainLock;
    std::condition_variable m_wake;
    bool m_bStopping = false;
    std::thread m_poller;
};
