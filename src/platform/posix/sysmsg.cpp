// POSIX keeps no message table for status codes, so every description comes from the
// status-code tables.
#include "platform/sysmsg.h"

bool GetSystemMessageText(int32_t /*sc*/, std::string& /*strOut*/) {
    return false;
}
