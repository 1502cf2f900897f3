// Reading the programmatic identifier of a D-Bus object into its bus, service, path and
// interface.
#include "platform/posix/dbus/progid.h"

#include "plain_text.h"

namespace qjdbus {

namespace {
constexpr std::string_view PREFIX = "dbus:";
constexpr size_t PREFIX_LENGTH = PREFIX.size();
constexpr char FORM[] =
    "the form is dbus:session/SERVICE/OBJECT/PATH:INTERFACE (or dbus:system/...)";
}  // namespace

bool IsObjectProgId(const char* pszProgId) {
    return pszProgId &&
           qjcommon::EqualsNoCase(std::string_view(pszProgId).substr(0, PREFIX_LENGTH), PREFIX);
}

std::optional<CObjectAddress> ParseObjectProgId(const std::string& strProgId,
                                                std::string& strReason) {
    // A unique service name holds a ":" and no "/"; a path holds no ":"; an interface neither.
    const size_t nBusEnd = strProgId.find('/', PREFIX_LENGTH);
    const size_t nServiceEnd =
        nBusEnd == std::string::npos ? nBusEnd : strProgId.find('/', nBusEnd + 1);
    const size_t nPathEnd = strProgId.rfind(':');
    if (nServiceEnd == std::string::npos || nPathEnd < nServiceEnd || nServiceEnd == nBusEnd + 1 ||
        nPathEnd + 1 == strProgId.size()) {
        strReason = FORM;
        return std::nullopt;
    }
    CObjectAddress address;
    const std::string strBus = strProgId.substr(PREFIX_LENGTH, nBusEnd - PREFIX_LENGTH);
    if (strBus != "session" && strBus != "system") {
        strReason = "unknown bus '" + strBus + "': " + FORM;
        return std::nullopt;
    }
    address.bSystemBus = strBus == "system";
    address.strService = strProgId.substr(nBusEnd + 1, nServiceEnd - nBusEnd - 1);
    address.strPath = strProgId.substr(nServiceEnd, nPathEnd - nServiceEnd);
    address.strInterface = strProgId.substr(nPathEnd + 1);
    return address;
}

}  // namespace qjdbus
