// A language module: a loadable module that holds the interpreter's texts in one language.
// It answers its version and, by string id, the translated text; an id it has no text for
// is then taken from the interpreter's own table.
#pragma once

#include "family/export.h"

// The layout of texts a language module must have to be used.
constexpr int LG_VERSION = 3;

extern "C" {
QJ_EXPORT int GetLGVersion(void);
// The translated text of a string id, or null when the module has none.
QJ_EXPORT const char* GetLGString(int nId);
}
