// Script errors and the messages of a run: the one way to fail and the one way to report.
#include "family/pvtrc32.h"
#include "family/qjclog.h"
#include "host/engine.h"
#include "res/strings.h"

namespace {
// Message ids under which errors are logged as errors.
constexpr char ID_OPEN_ERROR[] = "01000001";
constexpr char ID_SCRIPT_ERROR[] = "50000001";
}  // namespace

void CScriptEngine::Raise(const char* pszText, int nCode) {
    m_nError = nCode;
    const char* pszError = FindResString(nCode + 2);
    if (pszError == nullptr) pszError = g_szUnknownError;
    if (nCode == ERR_EXIT) {
        // Leaving through Exit is not an error: no offending text, no error flag.
        m_strError = pszError;
    } else {
        m_bError = true;
        m_strError.assign(1, '\'');
        m_strError.append(pszText != nullptr ? pszText : "");
        m_strError.append("' - ");
        m_strError.append(pszError);
        if (m_pDebugHook != nullptr && nCode != ERR_CANCELLED) m_pDebugHook->OnError(m_strError);
    }
    throw CScriptError{m_strError};
}

void CScriptEngine::Report(const char* pszText, bool bLine) {
    if (!m_bError && !m_bTrace) return;
    std::string strMessage;
    if (bLine && m_nError != ERR_OPEN_SCRIPT) {
        strMessage = m_strScript + " (" + std::to_string(m_nCurLine + 1) + "): " + pszText;
    } else {
        strMessage = pszText;
    }
    if (m_bError) {
        if (m_bLogAsError) {
            LogError(m_strSource.c_str(),
                     m_nError == ERR_OPEN_SCRIPT ? ID_OPEN_ERROR : ID_SCRIPT_ERROR,
                     strMessage.c_str());
        } else {
            LogMessage(2, m_strSource.c_str(),
                       (LoadResString(IDS_SCRIPT_ERROR) + strMessage).c_str());
        }
    } else {
        strMessage.push_back('\n');
        PVTrace(4, m_strSource.c_str(), "%s", strMessage.c_str());
    }
}
