// What the language module asks of the platform: loadable modules and the module's own file,
// the files it looks for, the configuration file of a language, the string table of a loaded
// module, and how a notice reaches the user.
#pragma once

#include <string>

namespace platform {

using ModuleHandle = void*;

// The separator of the directories in a path ("/", or "\" on Windows).
extern const char PATH_SEPARATOR;
// The extension of the module's own file, with its dot (".so", or ".dll" on Windows).
extern const char OWN_MODULE_EXTENSION[];
// The environment module, as it is loaded by name.
extern const char ENV_MODULE_NAME[];

// Loads a module by path or name; null when it cannot be loaded.
ModuleHandle OpenModule(const std::string& strPath);
void* ModuleSymbol(ModuleHandle hModule, const char* pszName);
void CloseModule(ModuleHandle hModule);

// The full path of the module that holds this code, or the empty text.
std::string OwnModulePath();

// Whether something of that path exists.
bool FileExists(const std::string& strPath);

// The value of a key in a section of an INI-style file, at most nSize - 1 characters; the
// empty text when the file, the section or the key is missing.
std::string ReadProfileString(const std::string& strFile, const char* pszSection,
                              const char* pszKey, int nSize);

// The text of a string id in a loaded language module; false when it has none.
bool LoadModuleString(ModuleHandle hModule, int nId, std::string& strText);

// Shows a notice to the user once (a message box, or the log where there are none).
void ShowNotice(const std::string& strTitle, const std::string& strText);

}  // namespace platform
