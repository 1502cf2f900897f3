// The family's trace module: start and end messages, call traces and debug prints.
#pragma once

#include "platform/export.h"

extern "C" {
// printf-style trace output at a level (the interpreter traces at level 4).
QJ_EXPORT void PVTrace(int nLevel, const char* pszSource, const char* pszFormat, ...);
}
