// What the built-in executor shares with the groups of built-ins that do the work.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/engine.h"

// Capacity of the result buffer that output texts of the sibling modules are written to.
constexpr int RESULT_BUFFER_SIZE = 32768;

// One call of a built-in: the engine, the built-in's record, the filled argument slots and
// the result string. Arguments are counted from 1, as a script writes them.
struct CBuiltinCall {
    CScriptEngine& engine;
    CScriptVar* pFunc;
    CScriptArg* pSlots;
    std::string& strResult;

    int32_t Number(int nArg) { return pSlots[nArg - 1].GetNumber(); }
    // Null for a Null argument.
    const char* Text(int nArg) { return pSlots[nArg - 1].GetString(); }
    // The variable an output argument named; the caller has made sure there is one.
    CScriptVar& Variable(int nArg) { return *pSlots[nArg - 1].m_pSource; }
};

// Each carries out the built-in of the given number when it belongs to the group, and answers
// nothing when it does not.
std::optional<int32_t> ExecStringBuiltin(int32_t nFuncId, CBuiltinCall& call);
std::optional<int32_t> ExecForwardBuiltin(int32_t nFuncId, CBuiltinCall& call);
