// Recording doubles of the family modules, linked into the unit tests in their place.
#include "doubles/family_double.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "family/pvtrc32.h"
#include "family/pvwfile.h"
#include "family/qjclog.h"
#include "family/qjcwract.h"
#include "family/qjenv.h"

namespace family_double {
std::vector<FamilyCall> g_calls;
std::map<std::string, int32_t> g_results;
std::map<std::string, std::string> g_outputs;
std::vector<LogCall> g_log;
std::vector<TraceCall> g_trace;
std::string g_strThrowOnTrace;
std::atomic<int> g_nCallCount{0};

void Reset() {
    g_calls.clear();
    g_results.clear();
    g_outputs.clear();
    g_log.clear();
    g_trace.clear();
    g_strThrowOnTrace.clear();
    g_nCallCount = 0;
}

std::string TraceText() {
    std::string strAll;
    for (const TraceCall& call : g_trace) strAll += call.strText;
    return strAll;
}

std::string LogText() {
    std::string strAll;
    for (const LogCall& call : g_log) strAll += call.strText + "\n";
    return strAll;
}
}  // namespace family_double

namespace {
using namespace family_double;

CallArg Arg(int n) { return Num(n); }
CallArg Arg(const char* psz) { return psz != nullptr ? Text(psz) : NullText(); }

// Records one call and gives the entry's chosen answer; an output entry's buffer receives
// the chosen output text, if any.
template <typename... Args>
int Record(const char* pszFunc, Args... args) {
    ++g_nCallCount;
    g_calls.push_back({pszFunc, {Arg(args)...}});
    auto it = g_results.find(pszFunc);
    return it != g_results.end() ? it->second : 0;
}

int RecordOutput(const char* pszFunc, char* pszBuf, std::vector<CallArg> args) {
    ++g_nCallCount;
    g_calls.push_back({pszFunc, std::move(args)});
    auto itOut = g_outputs.find(pszFunc);
    if (itOut != g_outputs.end()) std::strcpy(pszBuf, itOut->second.c_str());
    auto it = g_results.find(pszFunc);
    return it != g_results.end() ? it->second : 0;
}
}  // namespace

// --- log and trace
void LogError(const char* pszSource, const char* pszId, const char* pszText) {
    g_log.push_back({true, pszSource, pszId, 0, pszText});
}
void LogMessage(int nLevel, const char* pszSource, const char* pszText) {
    g_log.push_back({false, pszSource, "", nLevel, pszText});
}
void PVTrace(int nLevel, const char* pszSource, const char* pszFormat, ...) {
    char szText[70000];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szText, sizeof szText, pszFormat, args);
    va_end(args);
    g_trace.push_back({nLevel, pszSource, pszFormat, szText});
    if (!g_strThrowOnTrace.empty() && std::strstr(szText, g_strThrowOnTrace.c_str()) != nullptr)
        throw std::runtime_error("trace module failed");
}

// --- file library
int PVWScanDifference(const char* a, const char* b, int n, const char* c) {
    return Record("PVWScanDifference", a, b, n, c);
}
int PVWCopy(const char* a, const char* b, int n, const char* c) { return Record("PVWCopy", a, b, n, c); }
int PVWMove(const char* a, const char* b, int n, const char* c) { return Record("PVWMove", a, b, n, c); }
int PVWEqualize(const char* a, const char* b, int n, const char* c) {
    return Record("PVWEqualize", a, b, n, c);
}
int PVWDelete(const char* a, int n, const char* c) { return Record("PVWDelete", a, n, c); }
int PVWCreateDirectory(const char* a) { return Record("PVWCreateDirectory", a); }
int PVWChangeAttrib(const char* a, const char* b, int n, const char* c) {
    return Record("PVWChangeAttrib", a, b, n, c);
}
void PVWSetSimulation(int n) { Record("PVWSetSimulation", n); }
void PVWSetIgnoreErrors(int n) { Record("PVWSetIgnoreErrors", n); }
void PVWSetAnswerYesForDelete(int n) { Record("PVWSetAnswerYesForDelete", n); }
void PVWSetShowProgress(int n) { Record("PVWSetShowProgress", n); }
void PVWBreak(void) { Record("PVWBreak"); }
void PVWAddFileIncludeFilter(const char* a) { Record("PVWAddFileIncludeFilter", a); }
void PVWAddFileExcludeFilter(const char* a) { Record("PVWAddFileExcludeFilter", a); }
void PVWAddDirExcludeFilter(const char* a) { Record("PVWAddDirExcludeFilter", a); }
void PVWSetIncludeAttributes(const char* a, int n) { Record("PVWSetIncludeAttributes", a, n); }
void PVWSetExcludeAttributes(const char* a, int n) { Record("PVWSetExcludeAttributes", a, n); }
void PVWSetNotifyWindow(int n) { Record("PVWSetNotifyWindow", n); }
void PVWSetReservedSpace(int n) { Record("PVWSetReservedSpace", n); }
void PVWSetProcessEmptyDirs(int n) { Record("PVWSetProcessEmptyDirs", n); }
void PVWSetFileTimeFilter(int n) { Record("PVWSetFileTimeFilter", n); }
void PVWAddCopyFile(const char* a, const char* b, int n) { Record("PVWAddCopyFile", a, b, n); }
int PVWCopyFiles(const char* a) { return Record("PVWCopyFiles", a); }
int PVWUpdate(const char* a, const char* b, int n, const char* c) { return Record("PVWUpdate", a, b, n, c); }
void PVWSetSuppressErrorBox(int n) { Record("PVWSetSuppressErrorBox", n); }

// --- environment module
int PVEnvInit(const char* a) { return Record("PVEnvInit", a); }
int PVEnvSet(const char* a, const char* b) { return Record("PVEnvSet", a, b); }
int PVEnvGet(const char* a, char* buf, int n) {
    return RecordOutput("PVEnvGet", buf, {Arg(a), Buffer(), Num(n)});
}
int PVEnvStrToRealStr(const char* a, char* buf, int n) {
    return RecordOutput("PVEnvStrToRealStr", buf, {Arg(a), Buffer(), Num(n)});
}
int PVEnvPathStrToEnvStr(const char* a, char* buf, int n) {
    return RecordOutput("PVEnvPathStrToEnvStr", buf, {Arg(a), Buffer(), Num(n)});
}
void PVEnvFree(void) { Record("PVEnvFree"); }

// --- action module
CActionModule::CActionModule() : m_pState(nullptr) {}
CActionModule::~CActionModule() = default;
int CActionModule::ActRun(int n1, const char* a, const char* b, const char* c, int n5, char* buf,
                          int n7) {
    return RecordOutput("ActRun", buf, {Num(n1), Arg(a), Arg(b), Arg(c), Num(n5), Buffer(), Num(n7)});
}
int CActionModule::ActIDRun(const char* a, int n2, const char* b, const char* c, int n5, char* buf,
                            int n7, const char* d) {
    return RecordOutput("ActIDRun", buf,
                        {Arg(a), Num(n2), Arg(b), Arg(c), Num(n5), Buffer(), Num(n7), Arg(d)});
}
int CActionModule::CloseMeldStart() { return Record("CloseMeldStart"); }
int CActionModule::Dismount(const char* a) { return Record("Dismount", a); }
int CActionModule::GetMountedDrives(char* buf) { return RecordOutput("GetMountedDrives", buf, {Buffer()}); }
int CActionModule::GetParam(char* buf) { return RecordOutput("GetParam", buf, {Buffer()}); }
