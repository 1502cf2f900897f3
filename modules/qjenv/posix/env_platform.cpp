// The process environment, path comparison and the module's own folder on POSIX: paths
// compare byte by byte, "/" separates directories.
#include "../env_platform.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "../env_store.h"

extern char** environ;

namespace qjenv {

std::optional<std::string> ProcessValue(const std::string& strName) {
    // The exact spelling wins; otherwise the first variable that differs only in case.
    if (const char* pszValue = std::getenv(strName.c_str())) return std::string(pszValue);
    for (char** ppszEntry = environ; ppszEntry != nullptr && *ppszEntry != nullptr; ++ppszEntry) {
        const char* pszEqual = std::strchr(*ppszEntry, '=');
        if (pszEqual == nullptr) continue;
        if (SameName(std::string(*ppszEntry, static_cast<std::size_t>(pszEqual - *ppszEntry)),
                     strName))
            return std::string(pszEqual + 1);
    }
    return std::nullopt;
}

bool IsDirPrefix(const std::string& strPath, const std::string& strDir) {
    if (strDir.empty() || strPath.compare(0, strDir.size(), strDir) != 0) return false;
    return strPath.size() == strDir.size() || strDir.back() == '/' || strPath[strDir.size()] == '/';
}

std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr)
        return std::string();
    std::string strPath = info.dli_fname;
    std::size_t nSep = strPath.rfind('/');
    return nSep == std::string::npos ? std::string() : strPath.substr(0, nSep);
}

}  // namespace qjenv
