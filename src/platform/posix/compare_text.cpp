// Case-insensitive comparison of texts by the C library's locale rules.
#include <strings.h>

#include "platform/host_platform.h"

namespace platform {

int CompareNoCase(const char* pszA, const char* pszB) {
    return strcasecmp(pszA, pszB);
}

}  // namespace platform
