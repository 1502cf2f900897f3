// Method calls on a D-Bus object: building one and waiting for its reply.
#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

#include "platform/posix/dbus/progid.h"

namespace qjdbus {

struct CMessageUnref {
    void operator()(sd_bus_message* pMessage) const { sd_bus_message_unref(pMessage); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, CMessageUnref>;

struct CBusUnref {
    void operator()(sd_bus* pBus) const { sd_bus_flush_close_unref(pBus); }
};
using BusPtr = std::unique_ptr<sd_bus, CBusUnref>;

// A new call of a member of an interface of the object; null when sd-bus refuses it (a
// malformed name, no memory), with strError saying why.
MessagePtr NewCall(sd_bus* pBus, const CObjectAddress& address, const char* pszInterface,
                   const char* pszMember, std::string& strError);

// Sends the call and waits for its reply as long as the object needs: a call has no time-out
// of its own. Null when the object answers with an error, or the call fails on the way (the
// service leaves the bus, the connection breaks); strError then holds the error's
// "NAME: MESSAGE", or what failed when there is no error reply.
MessagePtr CallAndWait(sd_bus* pBus, sd_bus_message* pCall, std::string& strError);

}  // namespace qjdbus
