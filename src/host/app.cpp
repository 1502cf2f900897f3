// Start and end of the module.
#include "host/app.h"

#include <clocale>

#include "family/qjenv.h"
#include "host/interpreter_class.h"
#include "host/module_engine.h"

void ModuleStart() {
    std::setlocale(LC_ALL, "");
    RegisterInterpreterFactory();
    CreateModuleEngine();
}

void ModuleEnd() {
    DeleteModuleEngine();
    PVEnvFree();
}
