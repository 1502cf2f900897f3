// Recording doubles of the family modules (log, trace, file library, environment, actions):
// every call is kept with every argument, and tests choose what the entries answer.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct CallArg {
    enum Kind { NUMBER, TEXT, NULL_TEXT, BUFFER } kind;
    int32_t nValue = 0;
    std::string strText;  // the text of TEXT; the capacity-free output buffer has none
    bool operator==(const CallArg&) const = default;
};

struct FamilyCall {
    std::string strFunc;
    std::vector<CallArg> args;
};

inline const auto Num = [](int32_t n) { return CallArg{CallArg::NUMBER, n, {}}; };
inline const auto Text = [](const std::string& s) { return CallArg{CallArg::TEXT, 0, s}; };
inline const auto NullText = [] { return CallArg{CallArg::NULL_TEXT, 0, {}}; };
inline const auto Buffer = [] { return CallArg{CallArg::BUFFER, 0, {}}; };

namespace family_double {

// Every call of a file-library, environment or action entry, in order.
extern std::vector<FamilyCall> g_calls;
// What an entry answers (default 0) and what an output entry writes into its buffer.
extern std::map<std::string, int32_t> g_results;
extern std::map<std::string, std::string> g_outputs;

// What reached the log and trace modules: each call with its arguments.
struct LogCall {
    bool bError;  // LogError (true) or LogMessage (false)
    std::string strSource;
    std::string strId;  // LogError: message id
    int nLevel = 0;     // LogMessage: level
    std::string strText;
};
struct TraceCall {
    int nLevel;
    std::string strSource;
    std::string strFormat;
    std::string strText;  // the formatted text
};
extern std::vector<LogCall> g_log;
extern std::vector<TraceCall> g_trace;
// When not empty, a trace text containing it makes the trace module throw, as a module
// that fails would.
extern std::string g_strThrowOnTrace;

// Forgets every call and answer.
void Reset();

}  // namespace family_double
