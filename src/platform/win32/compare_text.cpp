// Case-insensitive comparison of texts by the runtime library's locale rules.
#include <string.h>

#include "platform/host_platform.h"

namespace platform {

int CompareNoCase(const char* pszA, const char* pszB) {
    return _stricmp(pszA, pszB);
}

}  // namespace platform
