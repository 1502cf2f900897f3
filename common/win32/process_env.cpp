// The environment variables of this process, in the runtime library's environment, which
// every module of the process that reads getenv shares.
#include "../process_env.h"

#include <cstdlib>

namespace qjcommon {

bool SetProcessEnv(const char* pszName, const char* pszValue) {
    return _putenv_s(pszName, pszValue) == 0;
}

// An empty value removes the variable.
bool UnsetProcessEnv(const char* pszName) {
    return _putenv_s(pszName, "") == 0;
}

}  // namespace qjcommon
