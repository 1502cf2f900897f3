// The trace module: every text as formatted, on the trace sink (QJ_TRACE, else stdout), with
// lines longer than QJ_TRACE_LINE_MAX cut: a call's trace line shows its arguments' texts,
// which a script can make as long as it likes.
#include "family/pvtrc32.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../sink/sink.h"
#include "line_cut.h"

namespace {
CSink& TraceSink() {
    static CSink s_sink("QJ_TRACE", stdout);
    return s_sink;
}

std::size_t TraceLineLimit() {
    static const std::size_t s_nLimit = pvtrc::LineLimit(std::getenv("QJ_TRACE_LINE_MAX"));
    return s_nLimit;
}
}  // namespace

void PVTrace(int, const char*, const char* pszFormat, ...) {
    CSink& sink = TraceSink();
    if (pszFormat == nullptr) return;
    va_list args;
    va_start(args, pszFormat);
    std::string strText;
    if (std::strcmp(pszFormat, "%s") == 0) {
        // A text traced as it is, as the modules trace their lines (a batch of them at once),
        // is taken as it is rather than measured and formatted.
        const char* pszText = va_arg(args, const char*);
        strText = pszText != nullptr ? pszText : "(null)";
    } else {
        va_list copy;
        va_copy(copy, args);
        int nLen = std::vsnprintf(nullptr, 0, pszFormat, copy);
        va_end(copy);
        if (nLen > 0) {
            strText.assign(static_cast<size_t>(nLen), '\0');
            std::vsnprintf(strText.data(), strText.size() + 1, pszFormat, args);
        }
    }
    va_end(args);
    if (!strText.empty()) {
        pvtrc::CutLongLines(strText, TraceLineLimit());
        sink.Write(strText.c_str());
    }
}

int PVTraceOutputError(void) {
    return TraceSink().Error();
}
