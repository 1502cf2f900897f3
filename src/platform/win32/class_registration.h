// The Windows side of making an automation class reachable: the system finds an in-process
// class through its registration in the registry and asks the module's DllGetClassObject.
#pragma once

#include <windows.h>

// Nothing is registered while the module runs: an in-process server hands out its factories
// through DllGetClassObject when the system asks for a registered class. Checks the arguments.
HRESULT RegisterClassFactory(const char* pszProgId, REFCLSID clsid, IClassFactory* pFactory);

// Writes the class's registration: the programmatic identifier with its class identifier, and
// the class identifier with its programmatic identifier and pszModulePath as its in-process
// server. The first failure of the registry ends it, as that status.
HRESULT WriteClassRegistration(const char* pszProgId, REFCLSID clsid, const char* pszModulePath);
