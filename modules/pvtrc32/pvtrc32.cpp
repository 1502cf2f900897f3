// The trace module: every text exactly as formatted, on the trace sink (QJ_TRACE, else stdout).
#include "family/pvtrc32.h"

#include <cstdarg>
#include <string>

#include "../sink/sink.h"

namespace {
CSink& TraceSink() {
    static CSink s_sink("QJ_TRACE", stdout);
    return s_sink;
}
}  // namespace

void PVTrace(int, const char*, const char* pszFormat, ...) {
    CSink& sink = TraceSink();
    if (pszFormat == nullptr) return;
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int nLen = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (nLen > 0) {
        std::string strText(static_cast<size_t>(nLen), '\0');
        std::vsnprintf(strText.data(), strText.size() + 1, pszFormat, args);
        sink.Write(strText.c_str());
    }
    va_end(args);
}

int PVTraceOutputError(void) {
    return TraceSink().Error();
}
