// D-Bus objects in a build made without sd-bus: every one fails to be created, saying why.
#include "platform/posix/dbus/object.h"

namespace qjdbus {

HRESULT CreateObject(const char* /*pszProgId*/, IDispatch** ppDispatch,
                     std::string& strDescription) {
    *ppDispatch = nullptr;
    strDescription = "this build has no D-Bus objects: libsystemd was not found when it was built";
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace qjdbus
