// Where the family's configuration files live, and how they are read: a file of ours is read
// only when it is a regular file of bounded size (safe_write.h writes it).
#pragma once

#include <cstddef>
#include <string>

namespace qjcommon {

// The folder that holds the family's configuration: $XDG_CONFIG_HOME/qjintp, else
// ~/.config/qjintp on POSIX; %APPDATA%\QJIntp32 on Windows. Empty when none can be named.
std::string ConfigDir();

// The environment store: the file named by QJ_ENV_FILE, else env.ini in ConfigDir().
std::string EnvStorePath();

// A file beside the environment store (actions.ini, say).
std::string BesideEnvStore(const char* pszName);

// Reads a regular file (links followed) of at most nMaxBytes into strText. On failure answers
// false with the system's reason (or ours: "not a regular file", "file too large").
bool ReadSmallFile(const std::string& strPath, std::size_t nMaxBytes, std::string& strText,
                   std::string& strReason);

}  // namespace qjcommon
