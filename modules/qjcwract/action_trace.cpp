// The action module's trace lines.
#include "action_trace.h"

#include "family/pvtrc32.h"

namespace qjact {

namespace {
// The family traces its modules at this level.
constexpr int TRACE_LEVEL = 4;
constexpr const char* TRACE_SOURCE = "qjcwract";
}  // namespace

void TraceLine(const std::string& strWhat, const std::string& strText) {
    PVTrace(TRACE_LEVEL, TRACE_SOURCE, "%s: %s\n", strWhat.c_str(), strText.c_str());
}

}  // namespace qjact
