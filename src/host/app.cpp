// Start and end of the module.
#include "host/app.h"

#include <clocale>

#include "family/qjenv.h"
#include "host/interpreter_class.h"
#include "host/module_engine.h"

CScriptDllApp* g_pApp = nullptr;

void ModuleStart() {
    // The language is settled first: every text after this may come from it.
    g_pApp = new (std::nothrow) CScriptDllApp();
    if (g_pApp != nullptr) g_pApp->m_language.Load(0, nullptr, -1);
    std::setlocale(LC_ALL, "");
    RegisterInterpreterFactory();
    CreateModuleEngine();
}

void ModuleEnd() {
    // A host that ends while another of its threads runs a script: the engine, the modules the
    // run uses and its texts stay until the process is gone.
    if (!DeleteModuleEngine()) return;
    PVEnvFree();
    delete g_pApp;
    g_pApp = nullptr;
}
