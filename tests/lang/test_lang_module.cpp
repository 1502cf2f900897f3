// A language module for tests: its version is chosen when it is built (none at all without
// TEST_LG_VERSION), and it translates only a few texts.
#include "family/lang_module.h"

#ifdef TEST_LG_VERSION
int GetLGVersion(void) {
    return TEST_LG_VERSION;
}
#endif

const char* GetLGString(int nId) {
    switch (nId) {
        case 6:
            return "Unbekannter Bezeichner (Test)";
        case 101:
            return "'%d' Start %s";  // not the conversions of the own text: never used
        case 57344:
            return "Test-DLL";
        default:
            return nullptr;
    }
}
