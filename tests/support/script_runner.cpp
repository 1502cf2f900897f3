// Runs script texts through a fresh engine and collects what reached the log and trace.
#include "support/script_runner.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

ScriptRunner::ScriptRunner() {
    family_double::Reset();
    m_pEngine = std::make_unique<CScriptEngine>();
    m_strDir = MakeTempDir("qjtest");
}

ScriptRunner::~ScriptRunner() {
    m_pEngine.reset();
    std::filesystem::remove_all(m_strDir);
}

std::string ScriptRunner::PathOf(const std::string& strName) const {
    return m_strDir + "/" + strName;
}

void ScriptRunner::WriteFile(const std::string& strName, const std::string& strText) const {
    FILE* pFile = std::fopen(PathOf(strName).c_str(), "wb");
    std::fwrite(strText.data(), 1, strText.size(), pFile);
    std::fclose(pFile);
}

ScriptRun ScriptRunner::Run(const std::string& strScript, const char* pszOptions,
                            const char* pszParams) {
    WriteFile("t.scr", strScript);
    // Run from inside the folder so that messages name the script "t.scr".
    std::filesystem::path oldDir = std::filesystem::current_path();
    std::filesystem::current_path(m_strDir);
    ScriptRun run = RunFile("t.scr", pszOptions, pszParams);
    std::filesystem::current_path(oldDir);
    return run;
}

ScriptRun ScriptRunner::RunFile(const char* pszPath, const char* pszOptions,
                                const char* pszParams) {
    family_double::g_log.clear();
    family_double::g_trace.clear();
    int nResult = m_pEngine->Run(pszPath, pszOptions, pszParams);
    return {nResult, family_double::TraceText(), family_double::LogText(), m_pEngine->m_nError};
}

int ScriptRunner::LoadError(const std::string& strPath) {
    try {
        m_pEngine->LoadScript(strPath.c_str());
    } catch (const CScriptError&) {
        return m_pEngine->m_nError;
    }
    return ERR_NONE_YET;
}

std::string ScriptError(int nLine, const std::string& strMessage) {
    return "Script error: t.scr (" + std::to_string(nLine) + "): " + strMessage + "\n";
}
