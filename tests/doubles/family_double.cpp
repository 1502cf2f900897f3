// Recording doubles of the family modules, linked into the unit tests in their place.
#include "doubles/family_double.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

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

void Reset() {
    g_calls.clear();
    g_results.clear();
    g_outputs.clear();
    g_log.clear();
    g_trace.clear();
    g_strThrowOnTrace.clear();
}
}  // namespace family_double
using namespace family_double;

// --- log and trace
void LogError(const char* pszSource, const char* pszId, const char* pszText) {
    g_log.push_back({true, pszSource, pszId, 0, pszText});
}
void LogMessage(int nLevel, const char* pszSource, const char* pszText) {
    g_log.push_back({false, pszSource, "", nLevel, pszText});
}
void PVTrace(int nLevel, const char* pszSource, const char* pszFormat, ...) {
    // Off the stack, as the real module keeps it: a host thread's stack may be small.
    std::vector<char> text(70000);
    char* szText = text.data();
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szText, text.size(), pszFormat, args);
    va_end(args);
    g_trace.push_back({nLevel, pszSource, pszFormat, szText});
    if (!g_strThrowOnTrace.empty() && std::strstr(szText, g_strThrowOnTrace.c_str()) != nullptr)
        throw std::runtime_error("trace module failed");
}

namespace {
using S = const char*;

// clang-format off
CallArg Arg(int n) { return Num(n); }
CallArg Arg(const char* psz) { return psz != nullptr ? Text(psz) : NullText(); }
CallArg Arg(char*) { return Buffer(); }

// The output buffer among an entry's arguments, if any.
template <typename T>
char* OutputBuffer(T, char* pszFound) { return pszFound; }
char* OutputBuffer(char* pszBuf, char*) { return pszBuf; }

// Records one call and gives the entry's chosen answer; an output entry's buffer receives
// the chosen output text, if any.
template <typename... Args>
int Record(const char* pszFunc, Args... args) {
    g_calls.push_back({pszFunc, {Arg(args)...}});
    char* pszBuf = nullptr;
    ((pszBuf = OutputBuffer(args, pszBuf)), ...);
    auto itOut = g_outputs.find(pszFunc);
    if (pszBuf != nullptr && itOut != g_outputs.end()) std::strcpy(pszBuf, itOut->second.c_str());
    auto it = g_results.find(pszFunc);
    return it != g_results.end() ? it->second : 0;
}
}  // namespace

// --- file library, environment and action modules: each entry records its call
int PVWScanDifference(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
int PVWCopy(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
int PVWMove(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
int PVWEqualize(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
int PVWDelete(S a, int n, S c) { return Record(__func__, a, n, c); }
int PVWCreateDirectory(S a) { return Record(__func__, a); }
int PVWChangeAttrib(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
void PVWSetSimulation(int n) { Record(__func__, n); }
void PVWSetIgnoreErrors(int n) { Record(__func__, n); }
void PVWSetAnswerYesForDelete(int n) { Record(__func__, n); }
void PVWSetShowProgress(int n) { Record(__func__, n); }
void PVWBreak(void) { Record(__func__); }
void PVWAddFileIncludeFilter(S a) { Record(__func__, a); }
void PVWAddFileExcludeFilter(S a) { Record(__func__, a); }
void PVWAddDirExcludeFilter(S a) { Record(__func__, a); }
void PVWSetIncludeAttributes(S a, int n) { Record(__func__, a, n); }
void PVWSetExcludeAttributes(S a, int n) { Record(__func__, a, n); }
void PVWSetNotifyWindow(int n) { Record(__func__, n); }
void PVWSetReservedSpace(int n) { Record(__func__, n); }
void PVWSetProcessEmptyDirs(int n) { Record(__func__, n); }
void PVWSetFileTimeFilter(int n) { Record(__func__, n); }
void PVWAddCopyFile(S a, S b, int n) { Record(__func__, a, b, n); }
int PVWCopyFiles(S a) { return Record(__func__, a); }
int PVWUpdate(S a, S b, int n, S c) { return Record(__func__, a, b, n, c); }
void PVWSetSuppressErrorBox(int n) { Record(__func__, n); }

// --- environment module
int PVEnvInit(S a) { return Record(__func__, a); }
int PVEnvSet(S a, S b) { return Record(__func__, a, b); }
int PVEnvGet(S a, char* buf, int n) { return Record(__func__, a, buf, n); }
int PVEnvStrToRealStr(S a, char* buf, int n) { return Record(__func__, a, buf, n); }
int PVEnvPathStrToEnvStr(S a, char* buf, int n) { return Record(__func__, a, buf, n); }
void PVEnvFree(void) { Record(__func__); }

// --- action module
CActionModule::CActionModule() : m_pbCancel(nullptr) {}
CActionModule::~CActionModule() = default;
int CActionModule::ActRun(int n1, S a, S b, S c, int n5, char* buf, int n7) {
    return Record(__func__, n1, a, b, c, n5, buf, n7);
}
int CActionModule::ActIDRun(S a, int n2, S b, S c, int n5, char* buf, int n7, S d) {
    return Record(__func__, a, n2, b, c, n5, buf, n7, d);
}
int CActionModule::CloseMeldStart() { return Record(__func__); }
int CActionModule::Dismount(S a) { return Record(__func__, a); }
int CActionModule::GetMountedDrives(char* buf) { return Record(__func__, buf); }
int CActionModule::GetParam(char* buf) { return Record(__func__, buf); }
// clang-format on
