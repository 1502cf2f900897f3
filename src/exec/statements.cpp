// PLACEHOLDER until statement execution lands.
#include "host/engine.h"

bool CScriptEngine::RunMain() {
    CScriptVar* pMain = FindIdent("Main");
    if (pMain == nullptr) Raise("Main", ERR_MISSING);
    return true;
}
int32_t CScriptEngine::RunBlock(int32_t) { return 0; }
int32_t CScriptEngine::FindBlockEnd(int32_t) { return 0; }
void CScriptEngine::CheckAllProcs() {}
int32_t CScriptEngine::CallBuiltin(CScriptVar*, std::string&) { return 0; }
void CScriptEngine::TraceCall(const std::string&, CScriptArg*, int) {}
bool CScriptEngine::EvalCondition(const std::string&) { return false; }
void CScriptEngine::AssignNumber(CScriptVar*) {}
void CScriptEngine::AssignString(CScriptVar*) {}
int CScriptEngine::ParseArgs(CScriptArg*) { return 0; }
