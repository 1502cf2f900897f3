// The storage of one basic D-Bus value as sd-bus reads and appends it, named by type letter.
#pragma once

#include <cstdint>

namespace qjdbus {

union UBasicValue {
    uint8_t y;
    int16_t n;
    uint16_t q;
    int32_t i;
    uint32_t u;
    int64_t x;
    uint64_t t;
    int b;
    double d;
    const char* psz;  // s, o and g
};

}  // namespace qjdbus
