// What the environment module asks of the platform: the process environment, how paths
// compare, and where the module itself lies.
#pragma once

#include <optional>
#include <string>

namespace qjenv {

// The process environment variable of that name, compared without regard to case.
std::optional<std::string> ProcessValue(const std::string& strName);

// Whether strDir is a leading part of strPath that ends on a whole directory: the two are the
// same path, or strPath goes on with a separator, or strDir itself ends with one.
bool IsDirPrefix(const std::string& strPath, const std::string& strDir);

// The folder that holds the module's own file; empty when the system does not say.
std::string OwnFolder();

}  // namespace qjenv
