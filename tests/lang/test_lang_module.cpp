// A language module for tests: its version is chosen when it is built (none at all without
// TEST_LG_VERSION), and it translates only a few texts. Built with TEST_LG_PLANTED it is a
// library someone planted: loading it writes the file that QJ_TEST_LG_MARKER names.
#include "family/lang_module.h"

#ifdef TEST_LG_PLANTED
#include <cstdio>
#include <cstdlib>

__attribute__((constructor)) static void MarkLoaded() {
    if (const char* pszMarker = std::getenv("QJ_TEST_LG_MARKER")) {
        if (std::FILE* pFile = std::fopen(pszMarker, "w")) std::fclose(pFile);
    }
}
#endif

#ifdef TEST_LG_VERSION
int GetLGVersion(void) {
    return TEST_LG_VERSION;
}
#endif

const char* GetLGString(int nId) {
    if (nId == 6) return "Unbekannter Bezeichner (Test)";
    if (nId == 101) return "'%d' Start %s";  // not the conversions of the own text: never used
    return nId == 57344 ? "Test-DLL" : nullptr;
}
