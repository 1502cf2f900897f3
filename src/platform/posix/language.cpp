// The language module's platform side on POSIX: shared libraries through dlopen, the module's
// own file through dladdr, and a language module's texts through its GetLGString. There are
// no message boxes: a notice goes to the log module.
#include "platform/language.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstddef>

#include "config_files.h"
#include "family/lang_module.h"
#include "family/qjclog.h"
#include "ini_text.h"
#include "plain_text.h"

namespace platform {

const char PATH_SEPARATOR = '/';
const char OWN_MODULE_EXTENSION[] = ".so";
const char ENV_MODULE_NAME[] = QJ_ENV_MODULE_FILE;  // by soname: the installed file

namespace {
// A language's configuration file holds a few lines.
constexpr std::size_t MAX_PROFILE_BYTES = 64 * 1024;
}  // namespace

ModuleHandle OpenModule(const std::string& strPath) {
    // A bare name is looked for beside this module first: the family's modules are installed
    // together, whatever search path the host (or a tool that wraps dlopen) brings.
    if (strPath.find('/') == std::string::npos) {
        std::string strOwn = OwnModulePath();
        std::size_t nSep = strOwn.rfind('/');
        if (nSep != std::string::npos) {
            std::string strBeside = strOwn.substr(0, nSep + 1) + strPath;
            if (ModuleHandle hModule = dlopen(strBeside.c_str(), RTLD_NOW | RTLD_LOCAL))
                return hModule;
        }
    }
    return dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* ModuleSymbol(ModuleHandle hModule, const char* pszName) {
    return dlsym(hModule, pszName);
}

void CloseModule(ModuleHandle hModule) {
    dlclose(hModule);
}

// An installed module is loaded by its versioned name (libQJIntp32.so.2); the version is left
// off, so that the file's extension is ".so" as language modules expect.
std::string OwnModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnModulePath), &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    std::string strPath = info.dli_fname;
    std::size_t nSo = strPath.rfind(".so.");
    if (nSo != std::string::npos && nSo > strPath.rfind('/') &&
        strPath.find_first_not_of("0123456789.", nSo + 4) == std::string::npos)
        strPath.erase(nSo + 3);
    return strPath;
}

bool FileExists(const std::string& strPath) {
    struct stat status {};
    return stat(strPath.c_str(), &status) == 0;
}

std::string ReadProfileString(const std::string& strFile, const char* pszSection,
                              const char* pszKey, int nSize) {
    std::string strText, strReason, strValue;
    if (nSize < 1 || !qjcommon::ReadSmallFile(strFile, MAX_PROFILE_BYTES, strText, strReason)) {
        return std::string();
    }
    qjcommon::ReadIni(strText, [&](const qjcommon::CIniLine& line) {
        bool bFound = line.nKind == qjcommon::EIniLine::Entry &&
                      qjcommon::EqualsNoCase(line.section, pszSection) &&
                      qjcommon::EqualsNoCase(line.name, pszKey);
        if (bFound) strValue = line.value.substr(0, static_cast<std::size_t>(nSize) - 1);
        return !bFound;
    });
    return strValue;
}

bool LoadModuleString(ModuleHandle hModule, int nId, std::string& strText) {
    auto pfnGetString = reinterpret_cast<decltype(&GetLGString)>(dlsym(hModule, "GetLGString"));
    const char* pszText = pfnGetString != nullptr ? pfnGetString(nId) : nullptr;
    if (pszText == nullptr) return false;
    strText = pszText;
    return true;
}

void ShowNotice(const std::string& strTitle, const std::string& strText) {
    LogMessage(2, strTitle.c_str(), strText.c_str());
}

}  // namespace platform
