// The log module: each entry is one line on the log sink (QJ_LOG, else stderr).
#include "family/qjclog.h"

#include <string>

#include "../sink/sink.h"

namespace {
FILE* LogSink() {
    static FILE* s_pSink = OpenSink("QJ_LOG", stderr);
    return s_pSink;
}
}  // namespace

void LogError(const char*, const char* pszId, const char* pszText) {
    std::string strLine = std::string(pszId ? pszId : "") + " " + (pszText ? pszText : "") + "\n";
    WriteSink(LogSink(), strLine.c_str());
}

void LogMessage(int, const char*, const char* pszText) {
    std::string strLine = std::string(pszText ? pszText : "") + "\n";
    WriteSink(LogSink(), strLine.c_str());
}
