// Results and trace lines of finished actions.
#include "action_report.h"

#include <climits>

#include "action_trace.h"

namespace qjact {

namespace {

constexpr int RESULT_NOT_STARTED = 0;
constexpr int RESULT_RAN = 1;
constexpr int RESULT_STARTED = 2;
constexpr int RESULT_RAN_WITH_OUTPUT = 3;
constexpr int RESULT_KILLED = -1000;
constexpr int RESULT_ABNORMAL_END = -1001;

int ExitResult(unsigned long nStatus, bool bWroteOutput, ResultStyle eStyle) {
    if (nStatus == 0)
        return eStyle == ResultStyle::BY_ID && bWroteOutput ? RESULT_RAN_WITH_OUTPUT : RESULT_RAN;
    return nStatus > INT_MAX ? -INT_MAX : -static_cast<int>(nStatus);
}

// ", 100000 bytes of output (the first 32767 kept)" and any note of the platform's.
std::string OutputWords(const RunOutcome& outcome) {
    std::string strWords = ", " + std::to_string(outcome.output.Total()) + " bytes of output";
    if (outcome.output.Cut()) strWords += " (the first " + std::to_string(MAX_OUTPUT) + " kept)";
    if (!outcome.strNote.empty()) strWords += "; " + outcome.strNote;
    return strWords;
}

}  // namespace

int ReportOutcome(const std::string& strWhat, const RunOutcome& outcome, int nTimeoutMs,
                  ResultStyle eStyle, char* pszOut) {
    std::string strText = outcome.output.Text();
    if (outcome.eEnd != RunEnd::NOT_STARTED) CopyToBuffer(strText, pszOut);
    std::string strOutput = OutputWords(outcome);
    switch (outcome.eEnd) {
        case RunEnd::NOT_STARTED:
            TraceLine(strWhat, "not started: " + outcome.strReason);
            return RESULT_NOT_STARTED;
        case RunEnd::STARTED:
            TraceLine(strWhat, "started, not waited for");
            return RESULT_STARTED;
        case RunEnd::EXITED:
            TraceLine(strWhat, "exited with status " + std::to_string(outcome.nStatus) + strOutput);
            return ExitResult(outcome.nStatus, !strText.empty(), eStyle);
        case RunEnd::SIGNALLED:
            TraceLine(strWhat, "ended by " + outcome.strReason + strOutput);
            return RESULT_ABNORMAL_END;
        case RunEnd::TIMED_OUT:
            TraceLine(strWhat, "killed with its process group after the time-out of " +
                                   std::to_string(nTimeoutMs) + " ms" + strOutput);
            return RESULT_KILLED;
        case RunEnd::CANCELLED:
            TraceLine(strWhat, "killed with its process group, the run was cancelled" + strOutput);
            return RESULT_KILLED;
    }
    return RESULT_NOT_STARTED;
}

}  // namespace qjact
