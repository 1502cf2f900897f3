// Start and end of the module.
#include "host/app.h"

#include <clocale>
#include <new>

#include "family/qjenv.h"
#include "host/engine.h"
#include "host/interpreter_class.h"

void ModuleStart() {
    std::setlocale(LC_ALL, "");
    RegisterInterpreterFactory();
    g_pEngine = new (std::nothrow) CScriptEngine();
}

void ModuleEnd() {
    // A host that ends while another of its threads runs a script: the engine, and the modules
    // the run uses, stay until the process is gone. Taking the busy flag keeps a new run out.
    if (g_pEngine != nullptr && g_pEngine->m_bBusy.test_and_set()) return;
    delete g_pEngine;
    g_pEngine = nullptr;
    PVEnvFree();
}
