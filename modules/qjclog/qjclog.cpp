// The log module: each entry is one line on the log sink (QJ_LOG, else stderr).
#include "family/qjclog.h"

#include <string>

#include "../sink/sink.h"

namespace {
CSink& LogSink() {
    static CSink s_sink("QJ_LOG", stderr);
    return s_sink;
}
}  // namespace

void LogError(const char*, const char* pszId, const char* pszText) {
    std::string strLine = std::string(pszId ? pszId : "") + " " + (pszText ? pszText : "") + "\n";
    LogSink().Write(strLine.c_str());
}

void LogMessage(int, const char*, const char* pszText) {
    std::string strLine = std::string(pszText ? pszText : "") + "\n";
    LogSink().Write(strLine.c_str());
}

int LogOutputError(void) {
    return LogSink().Error();
}
