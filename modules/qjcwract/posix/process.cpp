// Running a program and waiting for it on POSIX: a poll on its output pipe and on a descriptor
// that signals its end, a kill of its process group, and the program always reaped.
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "../action_wait.h"
#include "posix_process.h"

namespace qjact {

namespace {

constexpr std::size_t READ_CHUNK = 65536;

class CPosixWait : public CProgramWait {
public:
    CPosixWait(posix::CChild& child, const RunRequest& request, RunOutcome& outcome)
        : CProgramWait(request, outcome), m_child(child) {
        ::fcntl(m_child.fdOutput.Get(), F_SETFL, O_NONBLOCK);
        // Becomes readable when the program ends, where the kernel offers it; else the
        // wait's ticks notice the end.
        m_fdEnd.Reset(static_cast<int>(::syscall(SYS_pidfd_open, m_child.pid, 0)));
    }

private:
    void WaitForEvents(int nMs) override {
        pollfd afd[2] = {{m_child.fdOutput.Get(), POLLIN, 0}, {m_fdEnd.Get(), POLLIN, 0}};
        ::poll(afd, 2, nMs);  // EINTR: the host's signal handler ran; the wait looks again
    }

    bool DrainOutput() override {
        char buffer[READ_CHUNK];
        while (true) {
            ssize_t n = ::read(m_child.fdOutput.Get(), buffer, sizeof buffer);
            if (n > 0) {
                m_outcome.output.Append(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                bool bOpen = n < 0 && errno == EAGAIN;
                if (!bOpen) m_child.fdOutput.Close();
                return bOpen;
            }
        }
    }

    bool HasEnded() override {
        siginfo_t info{};
        int nResult =
            ::waitid(P_PID, static_cast<id_t>(m_child.pid), &info, WEXITED | WNOHANG | WNOWAIT);
        bool bEnded = (nResult == 0 && info.si_pid != 0) || (nResult < 0 && errno == ECHILD);
        if (bEnded) m_fdEnd.Close();  // it stays readable from now on
        return bEnded;
    }

    // The leader is not reaped yet, so its group id cannot have been reused.
    void KillGroup() override { ::kill(-m_child.pid, SIGKILL); }

    void Collect() override {
        m_child.fdOutput.Close();
        int nStatus = 0;
        pid_t pid;
        while ((pid = ::waitpid(m_child.pid, &nStatus, 0)) < 0 && errno == EINTR) {
        }
        if (pid < 0) {
            m_outcome.eEnd = RunEnd::SIGNALLED;
            m_outcome.strReason = "its exit status was lost (the host ignores SIGCHLD)";
        } else if (WIFEXITED(nStatus)) {
            m_outcome.eEnd = RunEnd::EXITED;
            m_outcome.nStatus = static_cast<unsigned long>(WEXITSTATUS(nStatus));
        } else {
            int nSignal = WTERMSIG(nStatus);
            m_outcome.eEnd = RunEnd::SIGNALLED;
            m_outcome.nStatus = static_cast<unsigned long>(nSignal);
            m_outcome.strReason =
                "signal " + std::to_string(nSignal) + " (" + ::strsignal(nSignal) + ")";
        }
    }

    posix::CChild& m_child;
    posix::CFd m_fdEnd;
};

}  // namespace

RunOutcome RunProgram(const RunRequest& request) {
    RunOutcome outcome;
    std::string strPath;
    posix::CChild child;
    if (!posix::FindProgram(request.strProgram, strPath, outcome.strReason) ||
        !posix::StartChild(request, strPath, child, outcome.strReason))
        return outcome;
    if (!request.bWait) {
        outcome.eEnd = RunEnd::STARTED;
        return outcome;
    }
    CPosixWait(child, request, outcome).Run();
    return outcome;
}

}  // namespace qjact
