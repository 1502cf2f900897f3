// The environment of the host's own process, for a host that names files to the modules it
// loads through environment variables.
#pragma once

namespace qjcommon {

// Sets (or replaces) one environment variable of this process. False when it cannot be set.
bool SetProcessEnv(const char* pszName, const char* pszValue);
// Removes one environment variable of this process. False when it cannot be removed.
bool UnsetProcessEnv(const char* pszName);

}  // namespace qjcommon
