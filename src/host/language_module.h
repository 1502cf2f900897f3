// The language resource module: finds the language module of the user's language through the
// environment module's keys, checks its version, and makes it the source of the module's
// texts. Texts it lacks still come from the module's own table.
#pragma once

#include <string>

#include "platform/language.h"

class CLanguageModule {
public:
    // Loads the environment module and looks up its PVEnvGet.
    CLanguageModule();
    // Undoes the resource and name changes, and unloads both modules.
    virtual ~CLanguageModule();
    CLanguageModule(const CLanguageModule&) = delete;
    CLanguageModule& operator=(const CLanguageModule&) = delete;

    // Looks for the language module of the language key ("QJLGAdmin" with bAdmin, else
    // "QJLg") and the module base name (this module's own file's when null). nMsgId names
    // the string shown when the module found has the wrong version (-1: a fixed text).
    // Returns 1 when a language module of the right version is now current, otherwise 0.
    // A language name that is not a plain file name is refused with a notice.
    int Load(int bAdmin, const char* pszBase, int nMsgId);
    // Undoes an earlier load: the resources and the application's name, and the help path.
    void Restore(int bRestoreResources, int bRestoreHelp);

private:
    using PFNENVGET = int (*)(const char*, char*, int);

    std::string ReadKey(const char* pszKey, int nSize) const;
    // Switches to a loaded module of the right version, or shows the wrong-version notice
    // and unloads it. Returns 1 when switched.
    int TakeModule(platform::ModuleHandle hModule, int nMsgId);
    // Tells the user why the module's own texts stay in use, under the application's name.
    static void ShowNotice(const std::string& strText);

    std::string m_strOldHelpPath;  // the help path before a language help file was set
    std::string m_strOldAppName;   // the application's name before the translated one
    platform::ModuleHandle m_hOldResource = nullptr;  // current before the language module
    platform::ModuleHandle m_hLangDll = nullptr;
    platform::ModuleHandle m_hEnvDll = nullptr;
    PFNENVGET m_pfnEnvGet = nullptr;
};
