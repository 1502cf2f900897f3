// Runs script texts through a fresh engine and collects what reached the log and trace.
#pragma once

#include <memory>
#include <string>

#include "doubles/family_double.h"
#include "host/engine.h"

struct ScriptRun {
    int nResult;
    std::string strTrace;  // every trace text, joined
    std::string strLog;    // every log text, one per line
    int nError;            // the engine's last error code
};

class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();

    // Writes the text to a script file "t.scr" in a temporary folder and runs it.
    ScriptRun Run(const std::string& strScript, const char* pszOptions = "NT",
                  const char* pszParams = nullptr);
    // Runs a script file by its path.
    ScriptRun RunFile(const char* pszPath, const char* pszOptions, const char* pszParams);
    // Loads a script file by its path: the engine's error code, or ERR_NONE_YET when it loads.
    int LoadError(const std::string& strPath);
    // The path of a file in the temporary folder.
    std::string PathOf(const std::string& strName) const;
    void WriteFile(const std::string& strName, const std::string& strText) const;

    CScriptEngine& Engine() { return *m_pEngine; }

private:
    std::unique_ptr<CScriptEngine> m_pEngine;
    std::string m_strDir;
};

// The message a failed run logs: "Script error: t.scr (LINE): MESSAGE".
std::string ScriptError(int nLine, const std::string& strMessage);
