// The environment module's answers of last resort: an installed tree finds its own language
// home without anyone setting QJHome.
#include "env_default.h"

#include <filesystem>
#include <system_error>

#include "env_platform.h"
#include "env_store.h"

namespace qjenv {

std::optional<std::string> DefaultValue(const std::string& strName) {
    if (!SameName(strName, "QJHome")) return std::nullopt;
    std::string strFolder = OwnFolder();
    if (strFolder.empty()) return std::nullopt;
    std::filesystem::path home = std::filesystem::path(strFolder) / "qjhome";
    std::error_code ec;
    if (!std::filesystem::is_directory(home, ec)) return std::nullopt;
    return home.string();
}

}  // namespace qjenv
