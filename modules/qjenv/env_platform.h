// What the environment module asks of the platform: the process environment, and how paths
// compare.
#pragma once

#include <optional>
#include <string>

namespace qjenv {

// The process environment variable of that name, compared without regard to case.
std::optional<std::string> ProcessValue(const std::string& strName);

// Whether strDir is a leading part of strPath that ends on a whole directory: the two are the
// same path, or strPath goes on with a separator, or strDir itself ends with one.
bool IsDirPrefix(const std::string& strPath, const std::string& strDir);

}  // namespace qjenv
