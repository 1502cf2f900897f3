// The names of the library's own temporary files: ".<name>.pvw<salt>-<counter>" beside the
// file they will replace. Such names are the library's, never the user's: no operation counts,
// copies, reports or equalises them.
#pragma once

#include <string>

namespace pvw {

// A fresh temporary name for a copy that will be renamed to strTarget.
std::string TempNameFor(const std::string& strTarget);

// Whether strName has the form of a temporary name.
bool IsTempName(const std::string& strName);

}  // namespace pvw
