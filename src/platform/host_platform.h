// What the interpreter needs of the host's platform besides automation: the window-message
// pump between lines, the long local date and time text, the case-insensitive comparison of
// texts, and the extent of the calling thread's stack.
#pragma once

#include <cstddef>

namespace platform {

// Lets up to nMax waiting window messages of the calling thread be dispatched, so that a host
// running the interpreter on its window thread stays responsive. Returns the number
// dispatched. The module has no application framework of its own, so no idle handler follows.
int PumpWindowMessages(int nMax);

// Writes the current local time in the locale's long date and time form. Leaves the empty
// text when the time cannot be had or does not fit.
void FormatLocalTime(char* pszBuf, size_t nSize);

// Compares two texts for the CompareNoCase built-in, ignoring case by the current locale's
// rules: negative, 0 or positive as the first sorts before, with or after the second. The value
// is not limited to -1 and 1. Names the family reads compare with qjcommon::EqualsNoCase.
int CompareNoCase(const char* pszA, const char* pszB);

// The lowest address of the calling thread's stack, or null when the thread's stack cannot be
// found. Stacks grow downwards on every platform the module runs on.
const char* StackBottom();

}  // namespace platform
