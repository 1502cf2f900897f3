// The process environment, path comparison and the module's own folder on Windows: paths
// compare without regard to case, and "\" and "/" both separate directories.
#include "../env_platform.h"

#include <windows.h>

#include "plain_text.h"

namespace qjenv {

namespace {
bool IsSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

bool SamePathChar(char a, char b) {
    if (IsSeparator(a) && IsSeparator(b)) return true;
    return qjcommon::SameCharNoCase(a, b);
}
}  // namespace

std::optional<std::string> ProcessValue(const std::string& strName) {
    // Windows compares the names of environment variables without regard to case itself.
    DWORD nSize = GetEnvironmentVariableA(strName.c_str(), nullptr, 0);
    if (nSize == 0) return std::nullopt;
    std::string strValue(nSize, '\0');
    DWORD nLen = GetEnvironmentVariableA(strName.c_str(), strValue.data(), nSize);
    if (nLen >= nSize) return std::nullopt;  // it changed between the two calls
    strValue.resize(nLen);
    return strValue;
}

bool IsDirPrefix(const std::string& strPath, const std::string& strDir) {
    if (strDir.empty() || strPath.size() < strDir.size()) return false;
    for (std::size_t i = 0; i < strDir.size(); ++i) {
        if (!SamePathChar(strPath[i], strDir[i])) return false;
    }
    return strPath.size() == strDir.size() || IsSeparator(strDir.back()) ||
           IsSeparator(strPath[strDir.size()]);
}

std::string OwnFolder() {
    HMODULE hModule = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&OwnFolder), &hModule))
        return std::string();
    char szPath[MAX_PATH] = {};
    DWORD nLen = GetModuleFileNameA(hModule, szPath, MAX_PATH);
    if (nLen == 0 || nLen >= MAX_PATH) return std::string();
    std::string strPath(szPath, nLen);
    std::size_t nSep = strPath.find_last_of("\\/");
    return nSep == std::string::npos ? std::string() : strPath.substr(0, nSep);
}

}  // namespace qjenv
