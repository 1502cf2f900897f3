// The values the environment module answers when neither the process environment nor the
// store names them.
#pragma once

#include <optional>
#include <string>

namespace qjenv {

// QJHome: the language home installed beside the module ("qjhome" in the module's own
// folder), when that folder exists; nothing for any other name.
std::optional<std::string> DefaultValue(const std::string& strName);

}  // namespace qjenv
