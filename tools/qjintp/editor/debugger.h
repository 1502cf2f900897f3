// Run control of the debugger: where a run stops, and the call chain and values it shows
// while it is stopped. The run goes on its own thread; the requests come on another.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "exec/debug_hook.h"

class CScriptEngine;

class CDebugger : public CDebugHook {
public:
    enum class Step { Continue, In, Over, Out };
    // One procedure on the call chain, Main first, and the index of the line it is at.
    struct Frame {
        std::string strName;
        int32_t nLine;
    };
    // A value as the editor shows it.
    struct Value {
        std::string strName;
        std::string strType;
        std::string strValue;
    };
    // The groups of values shown while stopped.
    enum Scope { SCOPE_VARIABLES = 1, SCOPE_PARAMETERS, SCOPE_RESULT };
    // Told on the run's thread when the run has stopped: why, and the error text if any.
    using StopHandler = std::function<void(const char* pszReason, const std::string& strText)>;

    CDebugger(CScriptEngine& engine, StopHandler onStop)
        : m_engine(engine), m_onStop(std::move(onStop)) {}

    // Before the run: the lines a step may stop at, those with a breakpoint, and how many
    // of the run's strings are its parameters.
    void Prepare(std::set<int32_t> executable, std::set<int32_t> breakpoints, int nParams);
    void SetBreakpoints(std::set<int32_t> breakpoints);
    void Resume(Step step);
    void Pause();
    // Ends the run as a break does: at its next line, with no stop on the way.
    void Terminate();

    // While stopped; empty otherwise.
    std::vector<Frame> Frames();
    std::vector<Value> Values(int nScope);

    void OnLine(int32_t nLine) override;
    void OnEnterProc(const CScriptVar* pProc) override;
    void OnLeaveProc() override;
    void OnResult(std::string_view name, int32_t nRetType, int32_t nResult,
                  const std::string& strResult) override;
    void OnError(const std::string& strError) override;

private:
    // Whether a line about to run ends a step, a pause or meets a breakpoint; the reason.
    const char* StopReason(int32_t nLine) const;
    // Keeps the run's thread here until a request lets it go on.
    void Stop(std::unique_lock<std::mutex>& lock, const char* pszReason,
              const std::string& strText);
    std::vector<Value> Variables(bool bParameters) const;

    CScriptEngine& m_engine;
    StopHandler m_onStop;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::set<int32_t> m_executable;
    std::set<int32_t> m_breakpoints;
    std::vector<Frame> m_frames;
    int m_nParams = 0;
    Step m_step = Step::Continue;
    size_t m_nStepDepth = 0;  // the chain's length when the step began
    bool m_bPause = false;
    bool m_bStopped = false;
    bool m_bEnding = false;
    Value m_result;  // the last built-in result; no name before the first
};
