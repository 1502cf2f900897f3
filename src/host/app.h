// Start and end of the module: the one engine lives from one to the other.
#pragma once

#include <string>

#include "host/language_module.h"

// The application object: the name and help file it shows the user, which a language module
// may translate, and the language module itself.
struct CScriptDllApp {
    std::string m_strAppName;   // empty until a name is set
    std::string m_strHelpPath;  // empty when there is no help file
    CLanguageModule m_language;
};

// The application object from module start to module end; null outside the module.
extern CScriptDllApp* g_pApp;

// Creates the application object, which takes the language module for the user's language,
// then sets the locale from the user's environment and creates the engine.
void ModuleStart();
// Deletes the engine, releases the environment module, then deletes the application object;
// while a run is in progress, it leaves all of them alone.
void ModuleEnd();
