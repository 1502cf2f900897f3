// The family's log module: where script errors end up.
#pragma once

#include "platform/export.h"

extern "C" {
// Logs an error under a message id ("50000001", or "01000001" for an unreadable script).
QJ_EXPORT void LogError(const char* pszSource, const char* pszId, const char* pszText);
// Logs a message at a level (2 for a script error without a message id).
QJ_EXPORT void LogMessage(int nLevel, const char* pszSource, const char* pszText);
}
