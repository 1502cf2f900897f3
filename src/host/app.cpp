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
    delete g_pEngine;
    g_pEngine = nullptr;
    PVEnvFree();
}
