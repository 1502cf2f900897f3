// The module's exports for automation clients: its class object, whether it may be unloaded,
// and the registration of its class.
#include "family/export.h"
#include "host/interpreter_class.h"

namespace {
// An address inside this module, by which the module finds its own path.
const char s_cModuleAnchor = 0;
}  // namespace

extern "C" QJ_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return GetInterpreterClassObject(rclsid, riid, ppv);
}

extern "C" QJ_EXPORT HRESULT DllCanUnloadNow(void) {
    return CanUnloadInterpreterModule();
}

// Reports success even when the registration could not be written.
extern "C" QJ_EXPORT HRESULT DllRegisterServer(void) {
    RegisterInterpreterServer(com::GetModulePath(&s_cModuleAnchor).c_str());
    return S_OK;
}
