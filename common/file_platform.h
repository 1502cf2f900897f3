// The platform's side of the safe write: the steps that differ between POSIX and Windows.
#pragma once

#include <string>
#include <string_view>

namespace qjcommon {

enum class ENewFile { Written, NameTaken, Failed };

// Creates strTemp exclusively (never through a link), with the permissions of strModel when
// that exists, and writes text to it, flushed to the disk. NameTaken when something already
// has that name; Failed with the reason, and no file left behind.
ENewFile WriteNewFile(const std::string& strTemp, const std::string& strModel,
                      std::string_view text, std::string& strReason);

// Renames strTemp over strTarget and flushes the folder that holds them. False with the reason;
// a temporary that could not be renamed is removed.
bool MoveIntoPlace(const std::string& strTemp, const std::string& strTarget,
                   std::string& strReason);

}  // namespace qjcommon
