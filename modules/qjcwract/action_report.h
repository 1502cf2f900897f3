// How an action ended: the caller's result, its output in the caller's buffer, one trace line.
#pragma once

#include <string>

#include "action_platform.h"

namespace qjact {

enum class ResultStyle {
    RUN,    // 1 for a program that exited 0
    BY_ID,  // 3 for one that exited 0 and wrote output, 1 for one that wrote nothing
};

// 0 not started; 2 started without waiting; 1 (or 3) exited 0; -N exited with status N;
// -1000 killed on time-out or cancel; -1001 ended otherwise (a signal, say). Every result but
// 0 leaves the captured text in pszOut. strWhat names the action in the trace line.
int ReportOutcome(const std::string& strWhat, const RunOutcome& outcome, int nTimeoutMs,
                  ResultStyle eStyle, char* pszOut);

}  // namespace qjact
