// The family's trace module: start and end messages, call traces and debug prints.
#pragma once

#include "family/export.h"

extern "C" {
// printf-style trace output at a level (the interpreter traces at level 4).
QJ_EXPORT void PVTrace(int nLevel, const char* pszSource, const char* pszFormat, ...);
// The error number of the first failure to open or write the trace output, or 0: the host's
// way to learn that trace output was lost.
QJ_EXPORT int PVTraceOutputError(void);
}
