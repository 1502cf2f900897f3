// The debugger's run control: stops at breakpoints, steps, pauses and script errors, and the
// view of the engine's call chain and variables while the run waits.
#include "editor/debugger.h"

#include <algorithm>
#include <string_view>

#include "host/engine.h"

namespace {
constexpr char PARAM_PREFIX[] = "Param";
constexpr char NULL_TEXT[] = "NULL";
constexpr char UNSET_TEXT[] = "(not set)";
constexpr char OBJECT_TEXT[] = "(automation object)";

const char* TypeName(int32_t nType) {
    switch (nType) {
        case VAR_NUMBER:
            return "Number";
        case VAR_STRING:
            return "String";
        default:
            return "Object";
    }
}

std::string Quoted(const char* pszText) {
    return pszText == nullptr ? NULL_TEXT : '"' + std::string(pszText) + '"';
}

std::string ShownValue(CScriptVar& var) {
    if (!var.IsSet()) return UNSET_TEXT;
    if (var.m_nType == VAR_NUMBER) return std::to_string(var.GetNumber());
    if (var.m_nType == VAR_STRING) return Quoted(var.GetString());
    return OBJECT_TEXT;
}

// The number of a run parameter's name ("Param3": 3), or 0.
int ParamNumber(std::string_view name) {
    if (name.substr(0, sizeof PARAM_PREFIX - 1) != PARAM_PREFIX) return 0;
    name.remove_prefix(sizeof PARAM_PREFIX - 1);
    if (name.empty() || name.front() == '0') return 0;
    int n = 0;
    for (char ch : name) {
        if (ch < '0' || ch > '9' || n > 100000) return 0;
        n = n * 10 + (ch - '0');
    }
    return n;
}
}  // namespace

void CDebugger::Prepare(std::set<int32_t> executable, std::set<int32_t> breakpoints, int nParams) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_executable = std::move(executable);
    m_breakpoints = std::move(breakpoints);
    m_nParams = nParams;
    m_frames.assign(1, Frame{"Main", 0});
}

void CDebugger::SetBreakpoints(std::set<int32_t> breakpoints) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_breakpoints = std::move(breakpoints);
}

void CDebugger::Resume(Step step) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_step = step;
    m_nStepDepth = m_frames.size();
    m_bStopped = false;
    m_wake.notify_all();
}

void CDebugger::Pause() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bPause = true;
}

void CDebugger::Terminate() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bEnding = true;
    m_bStopped = false;
    m_engine.Break();
    m_wake.notify_all();
}

std::vector<CDebugger::Frame> CDebugger::Frames() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bStopped) return {};
    return m_frames;
}

std::vector<CDebugger::Value> CDebugger::Values(int nScope) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bStopped) return {};
    switch (nScope) {
        case SCOPE_VARIABLES:
        case SCOPE_PARAMETERS:
            return Variables(nScope == SCOPE_PARAMETERS);
        case SCOPE_RESULT:
            if (!m_result.strName.empty()) return {m_result};
            break;
    }
    return {};
}

std::vector<CDebugger::Value> CDebugger::Variables(bool bParameters) const {
    // The run is waiting in a stop: its records stay as they are while they are read.
    std::vector<Value> values;
    for (const auto& [strName, pVar] : m_engine.m_mapIdent) {
        if (pVar == nullptr || (pVar->m_nType != VAR_NUMBER && pVar->m_nType != VAR_STRING &&
                                pVar->m_nType != VAR_OBJECT))
            continue;
        const int nParam = ParamNumber(strName);
        if ((nParam >= 1 && nParam <= m_nParams) != bParameters) continue;
        values.push_back(Value{strName, TypeName(pVar->m_nType), ShownValue(*pVar)});
    }
    std::ranges::sort(values, {}, &Value::strName);
    return values;
}

const char* CDebugger::StopReason(int32_t nLine) const {
    if (m_bPause) return "pause";
    if (m_breakpoints.contains(nLine)) return "breakpoint";
    switch (m_step) {
        case Step::In:
            return "step";
        case Step::Over:
            return m_frames.size() <= m_nStepDepth ? "step" : nullptr;
        case Step::Out:
            return m_frames.size() < m_nStepDepth ? "step" : nullptr;
        case Step::Continue:
            break;
    }
    return nullptr;
}

void CDebugger::Stop(std::unique_lock<std::mutex>& lock, const char* pszReason,
                     const std::string& strText) {
    m_bPause = false;
    m_step = Step::Continue;
    m_bStopped = true;
    lock.unlock();
    m_onStop(pszReason, strText);
    lock.lock();
    m_wake.wait(lock, [this] { return !m_bStopped; });
}

void CDebugger::OnLine(int32_t nLine) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_frames.back().nLine = nLine;
    if (m_bEnding || !m_executable.contains(nLine)) return;
    if (const char* pszReason = StopReason(nLine)) Stop(lock, pszReason, {});
}

void CDebugger::OnEnterProc(const CScriptVar* pProc) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_frames.push_back(Frame{std::string(pProc->Name()), m_engine.m_nCurLine});
}

void CDebugger::OnLeaveProc() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_frames.size() > 1) m_frames.pop_back();
}

void CDebugger::OnResult(std::string_view name, int32_t nRetType, int32_t nResult,
                         const std::string& strResult) {
    if (nRetType != VAR_NUMBER && nRetType != VAR_STRING) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_result = Value{std::string(name), TypeName(nRetType),
                     nRetType == VAR_NUMBER ? std::to_string(nResult) : Quoted(strResult.c_str())};
}

void CDebugger::OnError(const std::string& strError) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_bEnding) return;
    m_frames.back().nLine = m_engine.m_nCurLine;
    Stop(lock, "exception", strError);
}
