// The language module's platform side on Windows: modules through LoadLibraryExA, the
// module's own file through GetModuleFileNameA, a language's configuration file through
// GetPrivateProfileStringA, a language module's texts from its string table, and a notice
// in a message box.
#include "platform/language.h"

#include <windows.h>

#include <vector>

namespace platform {

const char PATH_SEPARATOR = '\\';
const char OWN_MODULE_EXTENSION[] = ".dll";
const char ENV_MODULE_NAME[] = "qjenv.dll";

namespace {
// A string table entry holds at most this many characters.
constexpr int MAX_RESOURCE_STRING = 4096;
}  // namespace

ModuleHandle OpenModule(const std::string& strPath) {
    // A full path makes the module's own folder the first place its imports are looked for.
    return LoadLibraryExA(strPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* ModuleSymbol(ModuleHandle hModule, const char* pszName) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(hModule), pszName));
}

void CloseModule(ModuleHandle hModule) {
    FreeLibrary(static_cast<HMODULE>(hModule));
}

std::string OwnModulePath() {
    HMODULE hOwn = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&OwnModulePath), &hOwn)) {
        return std::string();
    }
    char szPath[MAX_PATH];
    DWORD nLen = GetModuleFileNameA(hOwn, szPath, MAX_PATH);
    return nLen > 0 && nLen < MAX_PATH ? std::string(szPath, nLen) : std::string();
}

bool FileExists(const std::string& strPath) {
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA(strPath.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) return false;
    FindClose(hFind);
    return true;
}

std::string ReadProfileString(const std::string& strFile, const char* pszSection,
                              const char* pszKey, int nSize) {
    if (nSize < 1) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(nSize), '\0');
    DWORD nLen = GetPrivateProfileStringA(pszSection, pszKey, "", buffer.data(),
                                          static_cast<DWORD>(nSize), strFile.c_str());
    return std::string(buffer.data(), nLen);
}

bool LoadModuleString(ModuleHandle hModule, int nId, std::string& strText) {
    char szText[MAX_RESOURCE_STRING];
    int nLen = LoadStringA(static_cast<HINSTANCE>(hModule), static_cast<UINT>(nId), szText,
                           MAX_RESOURCE_STRING);
    if (nLen <= 0) return false;
    strText.assign(szText, static_cast<std::size_t>(nLen));
    return true;
}

void ShowNotice(const std::string& strTitle, const std::string& strText) {
    MessageBoxA(nullptr, strText.c_str(), strTitle.c_str(), MB_ICONINFORMATION);
}

}  // namespace platform
