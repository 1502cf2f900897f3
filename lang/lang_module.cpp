// A language module's lookup of its texts by string id, where they are a table in the module's
// code (on Windows they are the module's string table instead). Every language links this
// with its own table.
#include "lang_module.h"

#include "family/lang_module.h"

const char* GetLGString(int nId) {
    for (std::size_t i = 0; i < g_nLangStrings; ++i) {
        if (g_aLangStrings[i].nId == nId) return g_aLangStrings[i].pszText;
    }
    return nullptr;
}
