// Running a program and waiting for it: its output drained as it comes, its process group
// killed on time-out or cancel, and the program always reaped.
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>

#include "posix_process.h"

namespace qjact {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the cancel flag.
constexpr int TICK_MS = 50;
// How long, once the program has ended, its descendants may keep its output open.
constexpr int LINGER_MS = 500;
constexpr std::size_t READ_CHUNK = 65536;

int MillisecondsUntil(Clock::time_point when) {
    auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now());
    return nLeft.count() < 0 ? 0 : static_cast<int>(nLeft.count());
}

class CWaiter {
public:
    CWaiter(posix::CChild& child, const RunRequest& request, RunOutcome& outcome)
        : m_child(child), m_request(request), m_outcome(outcome) {
        ::fcntl(m_child.fdOutput.Get(), F_SETFL, O_NONBLOCK);
        // A descriptor that becomes readable when the program ends, where the kernel has one.
        m_fdExit.Reset(static_cast<int>(::syscall(SYS_pidfd_open, m_child.pid, 0)));
        if (request.nTimeoutMs > 0)
            m_deadline = Clock::now() + std::chrono::milliseconds(request.nTimeoutMs);
    }

    void Wait() {
        while (!Finished()) {
            WaitForEvents();
            DrainOutput();
            CheckExit();
        }
        m_child.fdOutput.Close();
        CollectStatus();
    }

private:
    bool Finished() {
        if (m_request.pbCancel != nullptr && m_request.pbCancel->load()) {
            return Kill(RunEnd::CANCELLED);
        }
        if (m_deadline && Clock::now() >= *m_deadline) return Kill(RunEnd::TIMED_OUT);
        if (!m_bExited) return false;
        if (m_bEof) return true;
        if (Clock::now() - m_exitTime < std::chrono::milliseconds(LINGER_MS)) return false;
        m_outcome.strNote = "its descendants still held its output open; the rest was not read";
        return true;
    }

    // Kills the whole group. The leader is not reaped yet, so its group id cannot be reused.
    bool Kill(RunEnd eEnd) {
        ::kill(-m_child.pid, SIGKILL);
        m_outcome.eEnd = eEnd;
        return true;
    }

    void WaitForEvents() {
        int nWait = TICK_MS;
        if (m_deadline) nWait = std::min(nWait, MillisecondsUntil(*m_deadline));
        pollfd afd[2] = {{m_bEof ? -1 : m_child.fdOutput.Get(), POLLIN, 0},
                         {m_bExited ? -1 : m_fdExit.Get(), POLLIN, 0}};
        ::poll(afd, 2, nWait);  // EINTR: the host's signal handler ran; the loop looks again
    }

    void DrainOutput() {
        char buffer[READ_CHUNK];
        while (!m_bEof) {
            ssize_t n = ::read(m_child.fdOutput.Get(), buffer, sizeof buffer);
            if (n > 0) {
                m_outcome.output.Append(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                m_bEof = n == 0 || errno != EAGAIN;
                return;
            }
        }
    }

    // Looks whether the program has ended, without reaping it.
    void CheckExit() {
        if (m_bExited) return;
        siginfo_t info{};
        int nResult =
            ::waitid(P_PID, static_cast<id_t>(m_child.pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((nResult == 0 && info.si_pid != 0) || (nResult < 0 && errno == ECHILD)) {
            m_bExited = true;
            m_exitTime = Clock::now();
        }
    }

    void CollectStatus() {
        int nStatus = 0;
        pid_t pid;
        while ((pid = ::waitpid(m_child.pid, &nStatus, 0)) < 0 && errno == EINTR) {
        }
        if (m_outcome.eEnd == RunEnd::CANCELLED || m_outcome.eEnd == RunEnd::TIMED_OUT) return;
        if (pid < 0) {
            m_outcome.eEnd = RunEnd::SIGNALLED;
            m_outcome.strReason = "its exit status was lost (the host ignores SIGCHLD)";
        } else if (WIFEXITED(nStatus)) {
            m_outcome.eEnd = RunEnd::EXITED;
            m_outcome.nStatus = static_cast<unsigned long>(WEXITSTATUS(nStatus));
        } else {
            m_outcome.eEnd = RunEnd::SIGNALLED;
            m_outcome.nStatus = static_cast<unsigned long>(WTERMSIG(nStatus));
            m_outcome.strReason = std::string("signal ") + std::to_string(WTERMSIG(nStatus)) +
                                  " (" + strsignal(WTERMSIG(nStatus)) + ")";
        }
    }

    posix::CChild& m_child;
    const RunRequest& m_request;
    RunOutcome& m_outcome;
    posix::CFd m_fdExit;
    std::optional<Clock::time_point> m_deadline;
    Clock::time_point m_exitTime;
    bool m_bEof = false;
    bool m_bExited = false;
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
    CWaiter(child, request, outcome).Wait();
    return outcome;
}

}  // namespace qjact
