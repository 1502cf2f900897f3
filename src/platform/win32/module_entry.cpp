// The module's start and end on Windows: when the DLL is attached to and detached from the
// process.
#include <windows.h>

#include "host/app.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) ModuleStart();
    if (dwReason == DLL_PROCESS_DETACH) ModuleEnd();
    return TRUE;
}
