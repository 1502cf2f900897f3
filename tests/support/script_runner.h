// Runs script texts through a fresh engine and collects what reached the log and trace.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "doubles/family_double.h"
#include "host/engine.h"
#include "support/temp_dir.h"

struct ScriptRun {
    int nResult;
    std::string strTrace;  // every trace text, joined
    std::string strLog;    // every log text, one per line
    int nError;            // the engine's last error code
};

class ScriptRunner {
public:
    ScriptRunner() {
        family_double::Reset();
        m_pEngine = std::make_unique<CScriptEngine>();
    }

    // Writes the text to a script file "t.scr" in a temporary folder and runs it from inside
    // the folder, so that messages name the script "t.scr".
    ScriptRun Run(const std::string& strScript, const char* pszOptions = "NT",
                  const char* pszParams = nullptr) {
        WriteFile("t.scr", strScript);
        const std::filesystem::path oldDir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.Path());
        ScriptRun run = RunFile("t.scr", pszOptions, pszParams);
        std::filesystem::current_path(oldDir);
        return run;
    }
    ScriptRun RunFile(const char* pszPath, const char* pszOptions, const char* pszParams) {
        family_double::g_log.clear();
        family_double::g_trace.clear();
        ScriptRun run{m_pEngine->Run(pszPath, pszOptions, pszParams), {}, {}, m_pEngine->m_nError};
        for (const auto& call : family_double::g_trace) run.strTrace += call.strText;
        for (const auto& call : family_double::g_log) run.strLog += call.strText + "\n";
        return run;
    }
    // Loads a script file by its path: the engine's error code, or ERR_NONE_YET when it loads.
    int LoadError(const std::string& strPath) {
        try {
            m_pEngine->LoadScript(strPath.c_str());
        } catch (const CScriptError&) {
            return m_pEngine->m_nError;
        }
        return ERR_NONE_YET;
    }
    // The path of a file in the temporary folder.
    std::string PathOf(const std::string& strName) const { return m_dir / strName; }
    void WriteFile(const std::string& strName, const std::string& strText) const {
        std::ofstream(PathOf(strName), std::ios::binary) << strText;
    }

    CScriptEngine& Engine() { return *m_pEngine; }

private:
    const CTempDir m_dir{"qjtest"};  // removed after the engine, which may hold its files
    std::unique_ptr<CScriptEngine> m_pEngine;
};

// The message a failed run logs: "Script error: t.scr (LINE): MESSAGE".
inline std::string ScriptError(int nLine, const std::string& strMessage) {
    return "Script error: t.scr (" + std::to_string(nLine) + "): " + strMessage + "\n";
}
// The trace lines between the start and the end message.
inline std::string BodyTrace(const ScriptRun& run) {
    const size_t nStart = run.strTrace.find('\n') + 1;
    const size_t nEnd = run.strTrace.rfind('\n', run.strTrace.size() - 2) + 1;
    return nEnd > nStart ? run.strTrace.substr(nStart, nEnd - nStart) : "";
}
// The values the run's debug prints showed, without quotes, joined by blanks.
inline std::string PrintedValues(const ScriptRun& run) {
    std::string strValues;
    std::istringstream in(BodyTrace(run));
    for (std::string strLine; std::getline(in, strLine);) {
        const size_t nAt = strLine.find(" = ");
        if (nAt == std::string::npos) continue;
        std::string strValue = strLine.substr(nAt + 3);
        if (strValue.front() == '"') strValue = strValue.substr(1, strValue.size() - 2);
        strValues += (strValues.empty() ? "" : " ") + strValue;
    }
    return strValues;
}
