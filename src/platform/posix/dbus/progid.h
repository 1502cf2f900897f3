// The programmatic identifier that names a D-Bus object: "dbus:BUS/SERVICE/OBJECT/PATH:INTERFACE".
#pragma once

#include <optional>
#include <string>

namespace qjdbus {

// Where a D-Bus object lives and which of its interfaces the script talks to.
struct CObjectAddress {
    bool bSystemBus = false;   // the session bus otherwise
    std::string strService;    // a well-known or unique bus name
    std::string strPath;       // the object path, "/" or longer
    std::string strInterface;  // the interface whose members the object variable has
};

// True when the identifier starts with "dbus:" (in any case): it then names a D-Bus object or
// is malformed, and is never looked up among the registered classes.
bool IsObjectProgId(const char* pszProgId);

// Splits "dbus:BUS/SERVICE/OBJECT/PATH:INTERFACE", BUS being "session" or "system". The bus and
// the path keep their form; whether the names are valid is left to the bus. Nothing when a part
// is missing or the bus is neither; strReason then says what is wrong.
std::optional<CObjectAddress> ParseObjectProgId(const std::string& strProgId,
                                                std::string& strReason);

}  // namespace qjdbus
