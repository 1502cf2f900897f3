// The action module's trace lines.
#include "action_trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "family/pvtrc32.h"

namespace qjact {

namespace {
// The family traces its modules at this level.
constexpr int TRACE_LEVEL = 4;
constexpr const char* TRACE_SOURCE = "qjcwract";
}  // namespace

void TraceLine(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int nLen = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    std::string strLine(nLen > 0 ? static_cast<size_t>(nLen) : 0, '\0');
    std::vsnprintf(strLine.data(), strLine.size() + 1, pszFormat, args);
    va_end(args);
    strLine.push_back('\n');
    PVTrace(TRACE_LEVEL, TRACE_SOURCE, "%s", strLine.c_str());
}

}  // namespace qjact
