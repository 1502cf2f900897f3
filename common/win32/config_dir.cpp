// The configuration folder on Windows: %APPDATA%\QJIntp32.
#include <cstdlib>

#include "../config_files.h"

namespace qjcommon {

std::string ConfigDir() {
    const char* pszAppData = std::getenv("APPDATA");
    if (pszAppData != nullptr && *pszAppData != '\0') return std::string(pszAppData) + "\\QJIntp32";
    return std::string();
}

}  // namespace qjcommon
