// PLACEHOLDER until automation objects land.
#include "exec/dispatch.h"
#include "host/engine.h"

CScriptDispatch::CScriptDispatch(CScriptEngine* pEngine, const char* pszProgId) {
    pEngine->Raise(std::string("'") + pszProgId + "' - CO_E_CLASSSTRING ($800401F3)",
                   ERR_CREATE_DISPATCH);
}
CScriptDispatch::~CScriptDispatch() = default;
int32_t CScriptEngine::CallObject(CScriptVar*, std::string&, int) { return 0; }
