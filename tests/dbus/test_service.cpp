// The tests' D-Bus service org.qjintp.Test on the session bus of its environment: its methods tell
// what arrived, answer every type, fail or quit during a call, beside writable properties; its
// /org/qjintp/Bad is not XML. It writes "ready" once it owns its name, and ends with the bus.
#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/dbus/basic_value.h"

namespace {

struct CState {
    char* pszLabel = nullptr;
    int32_t nCount = 0;
    uint8_t nLevel = 0;
};

std::string Text(char cType, const qjdbus::UBasicValue& raw) {
    if (cType == 'y') return std::to_string(raw.y);
    if (cType == 'n') return std::to_string(raw.n);
    if (cType == 'q') return std::to_string(raw.q);
    if (cType == 'i') return std::to_string(raw.i);
    if (cType == 'u') return std::to_string(raw.u);
    if (cType == 'x') return std::to_string(raw.x);
    if (cType == 't') return std::to_string(raw.t);
    if (cType == 'b') return std::to_string(raw.b);
    if (cType != 'd') return raw.psz;
    char szValue[32];
    snprintf(szValue, sizeof szValue, "%g", raw.d);
    return szValue;
}

// "TYPE:VALUE" of each argument, separated by blanks; a variant as "v:TYPE:VALUE".
int DescribeArguments(sd_bus_message* pMessage, std::string& strOut) {
    char cType = 0;
    const char* pszContents = nullptr;
    while (sd_bus_message_peek_type(pMessage, &cType, &pszContents) > 0) {
        strOut += strOut.empty() || strOut.back() == ':' ? "" : " ";
        strOut += std::string(1, cType) + ":";
        int r = 0;
        if (cType == 'v') {
            r = sd_bus_message_enter_container(pMessage, 'v', pszContents);
            if (r >= 0) r = DescribeArguments(pMessage, strOut);
            if (r >= 0) r = sd_bus_message_exit_container(pMessage);
        } else {
            qjdbus::UBasicValue raw = {};
            r = sd_bus_message_read_basic(pMessage, cType, &raw);
            if (r >= 0) strOut += Text(cType, raw);
        }
        if (r < 0) return r;
    }
    return 0;
}

int Describe(sd_bus_message* pMessage, void*, sd_bus_error*) {
    std::string strOut;
    const int r = DescribeArguments(pMessage, strOut);
    return r < 0 ? r : sd_bus_reply_method_return(pMessage, "s", strOut.c_str());
}

// The methods without arguments answer a fixed value of their type, Nothing none at all.
int Answer(sd_bus_message* pMessage, void*, sd_bus_error*) {
    const std::string strMember = sd_bus_message_get_member(pMessage);
    if (strMember == "Values") {
        return sd_bus_reply_method_return(pMessage, "ynqiuxtbdsog", 255, -32768, 65535, -7,
                                          4294967295u, INT64_MIN, UINT64_MAX, 1, 2.5, "text",
                                          "/a/b", "a{sv}");
    }
    if (strMember == "Big") return sd_bus_reply_method_return(pMessage, "t", UINT64_MAX);
    if (strMember == "Ratio") return sd_bus_reply_method_return(pMessage, "d", 2.5);
    if (strMember == "Flag") return sd_bus_reply_method_return(pMessage, "b", 1);
    if (strMember == "Wrapped") return sd_bus_reply_method_return(pMessage, "v", "x", int64_t{-5});
    if (strMember == "List") return sd_bus_reply_method_return(pMessage, "ai", 3, 1, 2, 3);
    if (strMember == "Map") {
        return sd_bus_reply_method_return(pMessage, "a{sv}", 2, "name", "s", "qj", "size", "u", 7u);
    }
    if (strMember == "Nested") return sd_bus_reply_method_return(pMessage, "a(ss)", 1, "a", "b");
    return sd_bus_reply_method_return(pMessage, "");
}

int Fail(sd_bus_message*, void*, sd_bus_error* pError) {
    return sd_bus_error_set(pError, "org.qjintp.Test.Error.Refused", "refused as asked");
}

// Leaves the bus in the middle of the call, without a reply.
[[noreturn]] int Quit(sd_bus_message*, void*, sd_bus_error*) {
    std::_Exit(0);
}

const sd_bus_vtable TEST_VTABLE[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("All", "ynqiuxtbdsogv", "s", Describe, 0),
    SD_BUS_METHOD("Byte", "y", "s", Describe, 0),
    SD_BUS_METHOD("UInt32", "u", "s", Describe, 0),
    SD_BUS_METHOD("Int64", "x", "s", Describe, 0),
    SD_BUS_METHOD("Bool", "b", "s", Describe, 0),
    SD_BUS_METHOD("Double", "d", "s", Describe, 0),
    SD_BUS_METHOD("Path", "o", "s", Describe, 0),
    SD_BUS_METHOD("Variant", "v", "s", Describe, 0),
    SD_BUS_METHOD("Strings", "as", "s", Describe, 0),
    SD_BUS_METHOD("Values", "", "ynqiuxtbdsog", Answer, 0),
    SD_BUS_METHOD("Big", "", "t", Answer, 0),
    SD_BUS_METHOD("Ratio", "", "d", Answer, 0),
    SD_BUS_METHOD("Flag", "", "b", Answer, 0),
    SD_BUS_METHOD("Wrapped", "", "v", Answer, 0),
    SD_BUS_METHOD("List", "", "ai", Answer, 0),
    SD_BUS_METHOD("Map", "", "a{sv}", Answer, 0),
    SD_BUS_METHOD("Nested", "", "a(ss)", Answer, 0),
    SD_BUS_METHOD("Nothing", "", "", Answer, 0),
    SD_BUS_METHOD("Fail", "", "", Fail, 0),
    SD_BUS_METHOD("Quit", "", "", Quit, 0),
    SD_BUS_WRITABLE_PROPERTY("Label", "s", nullptr, nullptr, offsetof(CState, pszLabel), 0),
    SD_BUS_WRITABLE_PROPERTY("Count", "i", nullptr, nullptr, offsetof(CState, nCount), 0),
    SD_BUS_WRITABLE_PROPERTY("Level", "y", nullptr, nullptr, offsetof(CState, nLevel), 0),
    SD_BUS_PROPERTY("Fixed", "i", nullptr, offsetof(CState, nCount), 0),
    SD_BUS_VTABLE_END,
};

// Answers every call on its path, introspection included, with text that is not XML.
int BadObject(sd_bus_message* pMessage, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(pMessage, "s", "<node><interface name=\"a.B\"><method");
}

}  // namespace

int main() {
    sd_bus* pBus = nullptr;
    CState state;
    if (sd_bus_open_user(&pBus) < 0 ||
        sd_bus_add_object_vtable(pBus, nullptr, "/org/qjintp/Test", "org.qjintp.Test", TEST_VTABLE,
                                 &state) < 0 ||
        sd_bus_add_object(pBus, nullptr, "/org/qjintp/Bad", BadObject, nullptr) < 0 ||
        sd_bus_request_name(pBus, "org.qjintp.Test", 0) < 0)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        int r = sd_bus_process(pBus, nullptr);
        if (r == 0) r = sd_bus_wait(pBus, UINT64_MAX);
        if (r < 0) return 0;
    }
}
