// PLACEHOLDER until the built-in registry lands.
#include "host/engine.h"

void CScriptEngine::RegisterBuiltins() {}
int32_t CScriptEngine::ExecBuiltin(CScriptVar*, CScriptArg*, std::string&) { return 0; }
