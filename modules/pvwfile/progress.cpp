// The progress bar.
#include "progress.h"

#include <cstdio>

#include "platform.h"

namespace pvw {

CProgress::CProgress(bool bWanted) : m_bOn(bWanted && StderrIsTerminal()) {}

CProgress::~CProgress() {
    if (m_bOn && m_nTotalFiles > 0) {
        Draw(true);
        std::fputc('\n', stderr);
    }
}

void CProgress::Begin(std::uint64_t nFiles, std::uint64_t nBytes) {
    m_nTotalFiles = nFiles;
    m_nTotalBytes = nBytes;
    m_start = m_lastDraw = std::chrono::steady_clock::now();
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
    if (!m_bOn || m_nTotalFiles == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    double dSeconds = std::chrono::duration<double>(now - m_start).count();
    double dDone = static_cast<double>(m_nBytes + m_nCurrent);
    double dRate = dSeconds > 0 ? dDone / dSeconds : 0;
    double dLeft = dRate > 0 ? (static_cast<double>(m_nTotalBytes) - dDone) / dRate : 0;
    int nPercent = m_nTotalBytes > 0 ? static_cast<int>(100 * dDone / m_nTotalBytes) : 100;
    std::fprintf(stderr, "\r%3d%%  %llu/%llu files  %.1f/%.1f MB  %.1f MB/s  %.0f s left   ",
                 nPercent, static_cast<unsigned long long>(m_nFiles),
                 static_cast<unsigned long long>(m_nTotalFiles), dDone / 1e6,
                 static_cast<double>(m_nTotalBytes) / 1e6, dRate / 1e6, dLeft < 0 ? 0 : dLeft);
    std::fflush(stderr);
}

}  // namespace pvw
