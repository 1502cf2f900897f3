// The lookup side of the class registry, for the object handle of automation.cpp.
#pragma once

#include "platform/posix/automation_server.h"

// Finds the class of a programmatic identifier and hands out its factory with a reference for
// the caller: CO_E_CLASSSTRING when no class has that identifier, the loader's failure when its
// library cannot be loaded or lacks the entry, else the library entry's answer.
HRESULT GetClassObjectOfProgId(const char* pszProgId, IClassFactory** ppFactory);
