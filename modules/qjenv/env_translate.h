// Texts with %Name% in them, and paths turned into such texts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qjenv {

using NameLookup = std::function<std::optional<std::string>(const std::string&)>;

// Replaces every %Name% in strText with its value and every %% with one %. False when a name
// is unknown or a % is left unclosed; strOut is then undefined.
bool ExpandNames(const std::string& strText, const NameLookup& lookup, std::string& strOut);

// The reverse: the longest value that is a whole-directory leading part of strPath becomes
// %Name%, and every % in the rest becomes %%. False, and strOut untouched, when no value is.
bool CollapsePath(const std::string& strPath,
                  const std::vector<std::pair<std::string, std::string>>& known,
                  std::string& strOut);

}  // namespace qjenv
