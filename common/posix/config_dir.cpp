// The configuration folder on POSIX: $XDG_CONFIG_HOME/qjintp, else ~/.config/qjintp.
#include <cstdlib>

#include "../config_files.h"

namespace qjcommon {

std::string ConfigDir() {
    const char* pszXdg = std::getenv("XDG_CONFIG_HOME");
    if (pszXdg != nullptr && *pszXdg == '/') return std::string(pszXdg) + "/qjintp";
    const char* pszHome = std::getenv("HOME");
    if (pszHome != nullptr && *pszHome != '\0') return std::string(pszHome) + "/.config/qjintp";
    return std::string();
}

}  // namespace qjcommon
