// The module's string table: every user-visible text, looked up by id when it is used.
#pragma once

#include <string>

#include "platform/language.h"
#include "res/string_ids.h"

// Makes a loaded language module the source of every text it has, or with null the module's
// own table alone again; answers the module that was current before. Texts the language
// module lacks, or whose % conversions differ from the module's own, stay the module's own.
platform::ModuleHandle SetResourceModule(platform::ModuleHandle hModule);

// The text of a string id, or null when the table has no such string.
const char* FindResString(int nId);

// The text of a string id, or the empty text when the table has no such string.
std::string LoadResString(int nId);

// The text used for an error code that has no string of its own.
extern const char g_szUnknownError[];
