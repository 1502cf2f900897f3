// Waiting for a started program, the same on every platform: the wait ends when the owner
// cancels, when the time-out passes (both kill the program's whole group), or once the program
// has ended and its output is closed. Descendants that keep the output open after the program
// ended get a short while, then are left to themselves.
#pragma once

#include <chrono>
#include <optional>

#include "action_platform.h"

namespace qjact {

class CProgramWait {
public:
    CProgramWait(const RunRequest& request, RunOutcome& outcome);
    virtual ~CProgramWait() = default;
    CProgramWait(const CProgramWait&) = delete;
    CProgramWait& operator=(const CProgramWait&) = delete;

    // Waits, then fills the outcome with how the program ended and what it wrote.
    void Run();

protected:
    // Blocks at most nMs, less when output comes or the program ends.
    virtual void WaitForEvents(int nMs) = 0;
    // Reads what the output holds without blocking; answers false once it is closed.
    virtual bool DrainOutput() = 0;
    // Whether the program has ended (it is not reaped yet).
    virtual bool HasEnded() = 0;
    // Kills the program and everything it started.
    virtual void KillGroup() = 0;
    // Closes the output, reaps the program, and sets eEnd and nStatus from how it ended.
    virtual void Collect() = 0;

    RunOutcome& m_outcome;

private:
    using Clock = std::chrono::steady_clock;

    bool Finished();
    int MillisecondsToWait() const;

    const RunRequest& m_request;
    std::optional<Clock::time_point> m_deadline;
    Clock::time_point m_endTime;
    bool m_bOpen = true;    // the output pipe has writers
    bool m_bEnded = false;  // the program has ended
};

}  // namespace qjact
