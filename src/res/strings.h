// The module's string table: every user-visible text, looked up by id when it is used.
#pragma once

#include <string>

#include "res/string_ids.h"

// The text of a string id, or null when the table has no such string.
const char* FindResString(int nId);

// The text of a string id, or the empty text when the table has no such string.
std::string LoadResString(int nId);

// The text used for an error code that has no string of its own.
extern const char g_szUnknownError[];
