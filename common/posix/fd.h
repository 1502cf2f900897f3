// A file descriptor of ours, closed when its owner goes.
#pragma once

#include <unistd.h>

namespace qjcommon {

class CFd {
public:
    CFd() = default;
    explicit CFd(int nFd) : m_nFd(nFd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() { Close(); }

    int Get() const { return m_nFd; }
    void Reset(int nFd) {
        Close();
        m_nFd = nFd;
    }
    // Hands the descriptor over to the caller.
    int Release() {
        int nFd = m_nFd;
        m_nFd = -1;
        return nFd;
    }
    // Closes now and answers what close answered, so that a late write error (NFS reports
    // them here) is not lost; 0 when nothing was open.
    int Close() {
        int nResult = m_nFd >= 0 ? ::close(m_nFd) : 0;
        m_nFd = -1;
        return nResult;
    }

private:
    int m_nFd = -1;
};

}  // namespace qjcommon
