// The module's string table, as the platform keeps it (res/string_table.inc is its source).
#include "res/strings.h"

#include "platform/string_resources.h"

const char* FindResString(int nId) {
    return platform::FindStringResource(nId);
}

std::string LoadResString(int nId) {
    const char* pszText = FindResString(nId);
    return pszText != nullptr ? pszText : "";
}

const char g_szUnknownError[] = "Unknown Error";
