// The environment variables of this process.
#include "../process_env.h"

#include <cstdlib>

namespace qjcommon {

bool SetProcessEnv(const char* pszName, const char* pszValue) {
    return setenv(pszName, pszValue, 1) == 0;
}

bool UnsetProcessEnv(const char* pszName) {
    return unsetenv(pszName) == 0;
}

}  // namespace qjcommon
