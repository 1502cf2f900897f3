// Method calls on a D-Bus object through sd-bus, without a time-out, with the error named.
#include "platform/posix/dbus/call.h"

#include <cstdint>
#include <cstring>

namespace qjdbus {

namespace {

// sd-bus waits without end for a call given this time-out.
constexpr uint64_t NO_TIMEOUT = UINT64_MAX;

}  // namespace

MessagePtr NewCall(sd_bus* pBus, const CObjectAddress& address, const char* pszInterface,
                   const char* pszMember, std::string& strError) {
    sd_bus_message* pCall = nullptr;
    const int nResult = sd_bus_message_new_method_call(
        pBus, &pCall, address.strService.c_str(), address.strPath.c_str(), pszInterface, pszMember);
    if (nResult < 0)
        strError = std::string("the call of '") + pszMember +
                   "' cannot be made: " + std::strerror(-nResult);
    return MessagePtr(nResult < 0 ? nullptr : pCall);
}

MessagePtr CallAndWait(sd_bus* pBus, sd_bus_message* pCall, std::string& strError) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* pReply = nullptr;
    const int nResult = sd_bus_call(pBus, pCall, NO_TIMEOUT, &error, &pReply);
    if (nResult >= 0) return MessagePtr(pReply);
    if (sd_bus_error_is_set(&error)) {
        strError = std::string(error.name) + ": " + (error.message ? error.message : "");
    } else {
        strError = std::string("the call failed: ") + std::strerror(-nResult);
    }
    sd_bus_error_free(&error);
    return nullptr;
}

}  // namespace qjdbus
