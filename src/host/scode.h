// Symbolic text for a COM status code, used when the system has no message text for it.
#pragma once

#include <cstdint>
#include <span>

// Describes sc by its own name, else by the name of the range it falls in, else by its
// severity and facility. The text lives in one static buffer that the next call overwrites,
// so the caller copies it at once.
const char* DescribeScode(int32_t sc);

// One named code of the table DescribeScode searches.
struct ScodeName {
    uint32_t sc;
    const char* pszName;
};

// The named codes, read-only, in the order they are searched.
std::span<const ScodeName> ScodeNames();
