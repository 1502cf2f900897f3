// The platform-independent rules of a wait for a program.
#include "action_wait.h"

#include <algorithm>

namespace qjact {

namespace {
// How often a wait looks at the cancel flag.
constexpr int TICK_MS = 50;
// How long, once the program has ended, its descendants may keep its output open.
constexpr int LINGER_MS = 500;
}  // namespace

CProgramWait::CProgramWait(const RunRequest& request, RunOutcome& outcome)
    : m_outcome(outcome), m_request(request) {
    if (request.nTimeoutMs > 0)
        m_deadline = Clock::now() + std::chrono::milliseconds(request.nTimeoutMs);
}

void CProgramWait::Run() {
    while (!Finished()) {
        WaitForEvents(MillisecondsToWait());
        if (m_bOpen) m_bOpen = DrainOutput();
        if (!m_bEnded && HasEnded()) {
            m_bEnded = true;
            m_endTime = Clock::now();
        }
    }
    RunEnd eKilled = m_outcome.eEnd;
    Collect();
    // A killed program ended because of us, whatever its status says.
    if (eKilled == RunEnd::CANCELLED || eKilled == RunEnd::TIMED_OUT) m_outcome.eEnd = eKilled;
}

bool CProgramWait::Finished() {
    bool bCancelled = m_request.pbCancel != nullptr && m_request.pbCancel->load();
    if (bCancelled || (m_deadline && Clock::now() >= *m_deadline)) {
        KillGroup();
        m_outcome.eEnd = bCancelled ? RunEnd::CANCELLED : RunEnd::TIMED_OUT;
        return true;
    }
    if (!m_bEnded) return false;
    if (!m_bOpen) return true;
    if (Clock::now() - m_endTime < std::chrono::milliseconds(LINGER_MS)) return false;
    m_outcome.strNote = "its descendants still held its output open; the rest was not read";
    return true;
}

int CProgramWait::MillisecondsToWait() const {
    if (!m_deadline) return TICK_MS;
    auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(nLeft.count(), 0, TICK_MS));
}

}  // namespace qjact
