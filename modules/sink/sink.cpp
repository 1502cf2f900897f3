// Output sink of the log and trace modules.
#include "sink.h"

#include <cerrno>
#include <cstdlib>

#include "stream_mode.h"

CSink::CSink(const char* pszEnvVar, std::FILE* pDefault) {
    const char* pszPath = std::getenv(pszEnvVar);
    if (pszPath == nullptr || *pszPath == '\0') {
        m_pFile = pDefault;
    } else {
        m_pFile = std::fopen(pszPath, "ab");
        m_bOwned = m_pFile != nullptr;
        if (m_pFile == nullptr) {
            m_nError = errno;
            return;
        }
    }
    SetBinaryStream(m_pFile);
}

CSink::~CSink() {
    // A thread of a host that is ending may still write: it finds the sink closed.
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bOwned) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_bOwned = false;
}

void CSink::Write(const char* pszText) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_pFile == nullptr) return;
    errno = 0;
    const bool bWritten = std::fputs(pszText, m_pFile) != EOF && std::fflush(m_pFile) == 0;
    if (!bWritten && m_nError == 0) m_nError = errno != 0 ? errno : EIO;
}

int CSink::Error() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nError;
}
