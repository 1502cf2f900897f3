// The family's environment module: named environment values and their translation.
#pragma once

#include "family/export.h"

extern "C" {
QJ_EXPORT int PVEnvInit(const char* pszInit);
QJ_EXPORT int PVEnvSet(const char* pszName, const char* pszValue);
// Output entries write a zero-terminated text of at most nSize characters into pszBuf and
// answer 0 when they have no output.
QJ_EXPORT int PVEnvGet(const char* pszKey, char* pszBuf, int nSize);
QJ_EXPORT int PVEnvStrToRealStr(const char* pszText, char* pszBuf, int nSize);
QJ_EXPORT int PVEnvPathStrToEnvStr(const char* pszText, char* pszBuf, int nSize);
QJ_EXPORT void PVEnvFree(void);
}
