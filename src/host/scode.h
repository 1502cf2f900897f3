// Symbolic text for a COM status code, used when the system has no message text for it.
#pragma once

#include <cstdint>

// Describes sc by its own name, else by the name of the range it falls in, else by its
// severity and facility. The text lives in one static buffer that the next call overwrites,
// so the caller copies it at once.
const char* DescribeScode(int32_t sc);
