// The interpreter object: construction, the run sequence, options, parameters and cancel.
#include "host/engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "plain_text.h"
#include "platform/host_platform.h"
#include "res/strings.h"

CScriptEngine* g_pEngine = nullptr;
CScriptEngine* g_pCurEngine = nullptr;

namespace {
// Size of the buffer that takes the time text of the start and end messages.
constexpr size_t TIME_TEXT_SIZE = 128;

std::string FormatMessage(int nId, const std::string& strScript) {
    char szTime[TIME_TEXT_SIZE];
    platform::FormatLocalTime(szTime, sizeof szTime);
    std::string strFormat = LoadResString(nId);
    int nLen = std::snprintf(nullptr, 0, strFormat.c_str(), strScript.c_str(), szTime);
    std::string strText(nLen > 0 ? static_cast<size_t>(nLen) : 0, '\0');
    std::snprintf(strText.data(), strText.size() + 1, strFormat.c_str(), strScript.c_str(), szTime);
    return strText;
}

bool IsEmptyText(const char* psz) {
    return psz == nullptr || *psz == '\0';
}

// The lowest stack address a nested block of a run that starts here may use, or 0 when the
// thread's stack cannot be found.
[[gnu::noinline]] uintptr_t BlockStackLimit() {
    const char* pBottom = platform::StackBottom();
    if (pBottom == nullptr) return 0;
    const char chHere = 0;
    const auto nBottom = reinterpret_cast<uintptr_t>(pBottom);
    const uintptr_t nLeft = reinterpret_cast<uintptr_t>(&chHere) - nBottom;
    return nBottom + std::clamp<uintptr_t>(nLeft / 2, MIN_STACK_RESERVE, STACK_RESERVE);
}
}  // namespace

CScriptEngine::CScriptEngine() {
    g_pCurEngine = this;
    m_action.SetCancelFlag(&m_bCancel);
    m_strSource = LoadResString(IDS_SOURCE_NAME);
    m_strReturnLabel = LoadResString(IDS_RETURN_VALUE);
    InitTokenTable();
    RegisterBuiltins();
    AddConstant("TRUE", 1);
    AddConstant("FALSE", 0);
}

CScriptEngine::~CScriptEngine() {
    DeleteAllIdents();
    m_mapToken.clear();
    m_arrLines.clear();
    if (g_pCurEngine == this) g_pCurEngine = nullptr;
}

int CScriptEngine::Run(const char* pszScript, const char* pszOptions, const char* pszParams) {
    if (m_bBusy.test_and_set()) return 0;

    int nResult = 1;
    g_pCurEngine = this;
    m_bTrace = true;
    m_bEscapes = true;
    m_nError = ERR_NONE_YET;
    m_bSimulate = m_bCheckOnly = m_bError = m_bLogAsError = false;
    m_bCancel = false;
    m_nDepth = 0;
    m_nStackLimit = BlockStackLimit();
    m_pszPos = m_szLine;
    try {
        m_strScript = pszScript != nullptr ? pszScript : "";
        Report(FormatMessage(IDS_START_MESSAGE, m_strScript).c_str(), false);
        if (!IsEmptyText(pszOptions)) ParseOptions(pszOptions);
        if (!IsEmptyText(pszParams)) SetParams(pszParams);
        RunGuarded(pszScript);
    } catch (const CScriptError& error) {
        Report(error.strMessage.c_str(), true);
        nResult = 0;
    } catch (const std::bad_alloc&) {
        nResult = ReportFailure("Out of memory");
    } catch (const std::exception& ex) {
        nResult = ReportFailure(ex.what());
    } catch (...) {
        nResult = ReportFailure("Unknown Exception");
    }
    EndRun();
    return nResult;
}

void CScriptEngine::EndRun() noexcept {
    ClearRunData();
    m_arrLines.clear();
    m_arrLines.shrink_to_fit();
    m_bCheckOnly = m_bSimulate = false;
    m_bError = false;
    try {
        Report(FormatMessage(IDS_END_MESSAGE, m_strScript).c_str(), false);
    } catch (...) {
        // The run is over; a trace module that fails here cannot change its result.
    }
    // Idle only once the end message is out, so that a run waiting on another thread cannot
    // change the state that message is made from.
    m_bBusy.clear();
}

void CScriptEngine::RunGuarded(const char* pszScript) {
    LoadScript(pszScript);
    ScanStructure();
    RunMain();
}

int CScriptEngine::ReportFailure(const char* pszDetail) noexcept {
    // Anything but a script error is reported as an internal script error.
    try {
        try {
            Raise(pszDetail, ERR_INTERNAL);
        } catch (const CScriptError& error) {
            Report(error.strMessage.c_str(), true);
        }
    } catch (...) {
        // Nothing is left to report it with.
    }
    return 0;
}

void CScriptEngine::ParseOptions(const char* pszOptions) {
    struct Option {
        const char* pszName;
        bool CScriptEngine::*pFlag;
        bool bValue;
    };
    static constexpr Option s_aOptions[] = {
        {"S", &CScriptEngine::m_bSimulate, true},
        {"C", &CScriptEngine::m_bCheckOnly, true},
        {"NT", &CScriptEngine::m_bTrace, false},
        {"E", &CScriptEngine::m_bLogAsError, true},
    };
    m_bSimulate = false;
    m_bCheckOnly = false;
    // Tokens are separated by "/" and "-" only; a blank is part of a token.
    std::string_view options = pszOptions;
    while (!options.empty()) {
        size_t nSep = options.find_first_of("/-");
        std::string_view token = options.substr(0, nSep);
        for (const Option& option : s_aOptions) {
            if (qjcommon::EqualsNoCase(token, option.pszName)) {
                this->*option.pFlag = option.bValue;
                break;
            }
        }
        options.remove_prefix(nSep == std::string_view::npos ? options.size() : nSep + 1);
    }
}

void CScriptEngine::SetParams(const char* pszParams) {
    std::string_view params = pszParams;
    int n = 1;
    size_t nOpen = params.find('"');
    while (nOpen != std::string_view::npos) {
        size_t nClose = params.find('"', nOpen + 1);
        if (nClose == std::string_view::npos) break;
        std::string strValue(params.substr(nOpen + 1, nClose - nOpen - 1));
        std::string strName = "Param" + std::to_string(n);
        auto pVar = std::make_unique<CScriptVar>(VAR_STRING);
        pVar->SetString(strValue.c_str());
        SetIdent(strName, std::move(pVar));
        Report((strName + " = " + strValue).c_str(), false);
        ++n;
        nOpen = params.find('"', nClose + 1);
    }
}

void CScriptEngine::Break() {
    m_bCancel = true;
}

void CScriptEngine::PumpMessages(int nMax) {
    platform::PumpWindowMessages(nMax);
}
