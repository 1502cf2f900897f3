// D-Bus objects as automation objects: the creation behind a "dbus:" programmatic identifier.
#pragma once

#include <string>

#include "platform/posix/automation_server.h"

namespace qjdbus {

// Creates the automation object of a "dbus:" identifier: connects to its bus, reads the
// object's introspection data once and keeps the methods and properties of the named
// interface as the object's members. Returns S_OK with *ppDispatch holding one reference, or
// the failure with strDescription saying why: CO_E_CLASSSTRING for a malformed identifier,
// CLASS_E_CLASSNOTAVAILABLE when the bus, the service or the object cannot be reached (the
// bus's error name and message), E_NOINTERFACE when the object lacks the interface or its
// introspection data cannot be read.
HRESULT CreateObject(const char* pszProgId, IDispatch** ppDispatch, std::string& strDescription);

}  // namespace qjdbus
