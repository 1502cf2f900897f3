// Output sink of the log and trace modules: the file named by an environment variable, else a
// standard stream, opened on first use; every write is flushed. Output that cannot be
// delivered (the file does not open, a write fails) is lost, never sent elsewhere: the sink
// keeps the reason of the first failure for the module to tell its host. A file the sink
// opened is closed when the module is unloaded or the process ends.
#pragma once

#include <cstdio>
#include <mutex>

class CSink {
public:
    CSink(const char* pszEnvVar, std::FILE* pDefault);
    ~CSink();
    CSink(const CSink&) = delete;
    CSink& operator=(const CSink&) = delete;

    // Hosts may log from several threads: each text is written whole.
    void Write(const char* pszText);
    // The error number of the first failure, or 0.
    int Error();

private:
    std::mutex m_lock;
    std::FILE* m_pFile = nullptr;
    bool m_bOwned = false;
    int m_nError = 0;
};
