// The values of a D-Bus reply as the one result a script receives.
#pragma once

#include <systemd/sd-bus.h>

#include <string>

#include "platform/posix/automation_server.h"

namespace qjdbus {

// Reads the values of the message from where it stands to its end into result (VT_EMPTY on
// entry). No value leaves it empty. One integer or boolean within the Number range (a variant
// takes its contents' type) becomes VT_I4; any other value becomes text (VT_BSTR): strings,
// paths and signatures as they are, integers and booleans (1 and 0) in decimal, doubles in
// decimal without exponent, an array of basic values its items separated by ";", a dictionary
// its "key=value" items so separated; several values are separated by ";" too. Returns S_OK,
// or a failure with strReason: DISP_E_BADVARTYPE for a value with no script form (a structure,
// an array of arrays, a file descriptor), E_OUTOFMEMORY, or E_FAIL for a malformed message.
HRESULT ReadResult(sd_bus_message* pMessage, VARIANT& result, std::string& strReason);

}  // namespace qjdbus
