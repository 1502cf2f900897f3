// What a debugger attached to an engine learns of a run: each line before it runs, the
// procedures entered and left, each built-in's result and the script error before it unwinds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CScriptVar;

// An engine without one runs as if no debugger existed. Each call may keep the run waiting
// (a stop); the run goes on when it returns.
class CDebugHook {
public:
    virtual ~CDebugHook() = default;
    // Before the line of that index runs; m_nCurLine holds it too.
    virtual void OnLine(int32_t nLine) = 0;
    // A procedure is called from the line m_nCurLine, and has returned.
    virtual void OnEnterProc(const CScriptVar* pProc) = 0;
    virtual void OnLeaveProc() = 0;
    // A built-in has returned a Number or a String (nRetType says which).
    virtual void OnResult(std::string_view name, int32_t nRetType, int32_t nResult,
                          const std::string& strResult) = 0;
    // The run is about to end with this script error.
    virtual void OnError(const std::string& strError) = 0;
};
