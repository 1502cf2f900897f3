// The module's one engine, created at start and deleted at end.
#include "host/module_engine.h"

#include <new>

#include "host/engine.h"

void CreateModuleEngine() {
    g_pEngine = new (std::nothrow) CScriptEngine();
}

bool DeleteModuleEngine() {
    if (g_pEngine != nullptr && g_pEngine->m_bBusy.test_and_set()) return false;
    delete g_pEngine;
    g_pEngine = nullptr;
    return true;
}

int InterpretOnModuleEngine(const char* pszScript, const char* pszOptions, const char* pszParams) {
    if (g_pEngine == nullptr) return 0;
    try {
        return g_pEngine->Run(pszScript, pszOptions, pszParams);
    } catch (...) {
        return 0;
    }
}

void BreakModuleEngine() {
    if (g_pEngine != nullptr) g_pEngine->Break();
}
