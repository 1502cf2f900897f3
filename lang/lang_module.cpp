// A language module: answers its version and looks its texts up by string id. Every language
// links this with its own table.
#include "lang_module.h"

#include "family/lang_module.h"

int GetLGVersion(void) {
    return LG_VERSION;
}

const char* GetLGString(int nId) {
    for (std::size_t i = 0; i < g_nLangStrings; ++i) {
        if (g_aLangStrings[i].nId == nId) return g_aLangStrings[i].pszText;
    }
    return nullptr;
}
