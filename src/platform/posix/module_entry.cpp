// The module's start and end on POSIX: when the shared library is loaded and unloaded.
#include "host/app.h"

__attribute__((constructor)) static void OnLoad() {
    ModuleStart();
}
__attribute__((destructor)) static void OnUnload() {
    ModuleEnd();
}
