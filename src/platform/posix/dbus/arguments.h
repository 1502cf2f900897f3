// Script values as the arguments a D-Bus member takes.
#pragma once

#include <systemd/sd-bus.h>

#include <string>

#include "platform/posix/automation_server.h"

namespace qjdbus {

// Appends a VT_I4 or VT_BSTR value to the message as the complete D-Bus type strType.
// Integers of every width and booleans take a Number or a text holding a whole number, with
// the range of the type checked; a double takes a Number or a decimal text; a string, object
// path or signature takes a text or a Number's decimal text; a variant holds an "i" for a
// Number and an "s" for a text. Returns S_OK; DISP_E_TYPEMISMATCH when the value is no value
// of the type (a path or signature the bus would refuse is not one); DISP_E_OVERFLOW when it
// is out of the type's range; DISP_E_BADVARTYPE for a type no script value converts to.
HRESULT AppendArgument(sd_bus_message* pMessage, const std::string& strType, const VARIANT& value);

}  // namespace qjdbus
