// The family's log module: where script errors end up.
#pragma once

#include "family/export.h"

extern "C" {
// Logs an error under a message id ("50000001", or "01000001" for an unreadable script).
QJ_EXPORT void LogError(const char* pszSource, const char* pszId, const char* pszText);
// Logs a message at a level (2 for a script error without a message id).
QJ_EXPORT void LogMessage(int nLevel, const char* pszSource, const char* pszText);
// The error number of the first failure to open or write the log output, or 0: the host's way
// to learn that log output was lost.
QJ_EXPORT int LogOutputError(void);
}
