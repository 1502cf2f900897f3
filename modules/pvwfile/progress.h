// The progress line on standard error: files and bytes done so far and the rate (an operation
// acts as it walks, so no total is known before the end). Drawn at most ten times a second, and
// only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace pvw {

class CProgress {
public:
    explicit CProgress(bool bWanted);
    ~CProgress();

    // Bytes of the current file copied so far.
    void FileBytes(std::uint64_t nBytes);
    void FileDone(std::uint64_t nBytes);

private:
    void Draw(bool bForce);

    bool m_bOn;
    std::uint64_t m_nFiles = 0, m_nBytes = 0, m_nCurrent = 0;
    std::chrono::steady_clock::time_point m_start, m_lastDraw;
};

}  // namespace pvw
