// Paths of the family's configuration files, and bounded reads of them.
#include "config_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace qjcommon {

std::string EnvStorePath() {
    const char* pszFile = std::getenv("QJ_ENV_FILE");
    if (pszFile != nullptr && *pszFile != '\0') return pszFile;
    std::string strDir = ConfigDir();
    return strDir.empty() ? std::string() : (fs::path(strDir) / "env.ini").string();
}

std::string BesideEnvStore(const char* pszName) {
    std::string strStore = EnvStorePath();
    if (strStore.empty()) return std::string();
    return (fs::path(strStore).parent_path() / pszName).string();
}

bool ReadSmallFile(const std::string& strPath, std::size_t nMaxBytes, std::string& strText,
                   std::string& strReason) {
    std::error_code ec;
    fs::file_status status = fs::status(strPath, ec);
    if (ec) {
        strReason = ec.message();
        return false;
    }
    if (!fs::is_regular_file(status)) {
        strReason = "not a regular file";
        return false;
    }
    std::ifstream file(strPath, std::ios::binary);
    if (!file) {
        strReason = std::strerror(errno);
        return false;
    }
    // Read one byte past the limit: a file that grew after the check is still caught.
    strText.assign(nMaxBytes + 1, '\0');
    file.read(strText.data(), static_cast<std::streamsize>(strText.size()));
    if (file.bad()) {
        strReason = "read error";
        return false;
    }
    strText.resize(static_cast<std::size_t>(file.gcount()));
    if (strText.size() > nMaxBytes) {
        strReason = "file too large";
        return false;
    }
    return true;
}

}  // namespace qjcommon
