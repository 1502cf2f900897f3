// The progress line.
#include "progress.h"

#include <cstdio>

#include "platform.h"

namespace pvw {

CProgress::CProgress(bool bWanted)
    : m_bOn(bWanted && StderrIsTerminal()),
      m_start(std::chrono::steady_clock::now()),
      m_lastDraw(m_start) {}

CProgress::~CProgress() {
    if (m_bOn && m_nFiles > 0) {
        Draw(true);
        std::fputc('\n', stderr);
    }
}

void CProgress::FileBytes(std::uint64_t nBytes) {
    m_nCurrent = nBytes;
    Draw(false);
}

void CProgress::FileDone(std::uint64_t nBytes) {
    ++m_nFiles;
    m_nBytes += nBytes;
    m_nCurrent = 0;
    Draw(false);
}

void CProgress::Draw(bool bForce) {
    if (!m_bOn) return;
    auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    double dSeconds = std::chrono::duration<double>(now - m_start).count();
    double dDone = static_cast<double>(m_nBytes + m_nCurrent);
    double dRate = dSeconds > 0 ? dDone / dSeconds : 0;
    std::fprintf(stderr, "\r%llu files  %.1f MB  %.1f MB/s  %.0f s   ",
                 static_cast<unsigned long long>(m_nFiles), dDone / 1e6, dRate / 1e6, dSeconds);
    std::fflush(stderr);
}

}  // namespace pvw
