// Identifier records: typed setters and getters, and the errors they raise.
#include "exec/scriptvar.h"

#include "exec/dispatch.h"
#include "host/engine.h"

CFuncDesc::CFuncDesc(int32_t nRetType, const int32_t* pParamTypes, int32_t nFuncId,
                     const int32_t* pByRef)
    : m_nRetType(nRetType), m_anParamType{}, m_abByRef{}, m_nParams(0), m_nFuncId(nFuncId) {
    while (pParamTypes != nullptr && m_nParams < MAX_ARGS && pParamTypes[m_nParams] != 0) {
        m_anParamType[m_nParams] = pParamTypes[m_nParams];
        ++m_nParams;
    }
    for (int i = 0; pByRef != nullptr && i < MAX_ARGS && pByRef[i] != 0; ++i) {
        if (pByRef[i] == 1) m_abByRef[i] = 1;
    }
}

CScriptVar::CScriptVar(int32_t nType) : m_nType(nType) {}

CScriptVar::~CScriptVar() = default;

void CScriptVar::Raise(int nCode) {
    if (g_pCurEngine == nullptr) return;
    g_pCurEngine->Raise(Name(), nCode);
}

void CScriptVar::RaiseTypeMismatch() {
    Raise(ERR_TYPE_MISMATCH);
}
void CScriptVar::RaiseInternal() {
    Raise(ERR_INTERNAL);
}
void CScriptVar::RaiseNotInitialized() {
    Raise(ERR_NOT_INITIALIZED);
}

bool CScriptVar::SetNumber(int32_t nValue) {
    if (!Accepts(VAR_NUMBER)) {
        RaiseTypeMismatch();
        return false;
    }
    if (m_nType == VAR_NONE) m_nType = VAR_NUMBER;
    m_bInit = true;
    m_nValue = nValue;
    return true;
}

bool CScriptVar::SetNumberText(const char* pszText) {
    if (pszText == nullptr) {
        RaiseInternal();
        return false;
    }
    if (g_pCurEngine == nullptr) return false;
    return SetNumber(g_pCurEngine->ToNumber(pszText));
}

bool CScriptVar::SetString(const char* pszText) {
    if (pszText != nullptr) return SetText(pszText);
    if (!Accepts(VAR_STRING)) {
        RaiseTypeMismatch();
        return false;
    }
    // Null leaves the stored text as it was.
    m_nType = VAR_STRING;
    m_bInit = true;
    m_bNull = true;
    return true;
}

bool CScriptVar::SetText(std::string_view text) {
    if (!Accepts(VAR_STRING)) {
        RaiseTypeMismatch();
        return false;
    }
    m_nType = VAR_STRING;
    m_bInit = true;
    m_bNull = false;
    m_strValue.assign(text);
    return true;
}

bool CScriptVar::TakeType(int32_t nType) {
    if (!Accepts(nType)) {
        RaiseInternal();
        return false;
    }
    m_nType = nType;
    m_bInit = true;
    return true;
}

bool CScriptVar::SetObject(CScriptDispatch* pDispatch) {
    if (!TakeType(VAR_OBJECT)) return false;
    m_pDispatch.reset(pDispatch);
    return true;
}

bool CScriptVar::SetProcLine(int32_t nLine) {
    if (nLine < 0) {
        RaiseInternal();
        return false;
    }
    if (!TakeType(VAR_PROC)) return false;
    m_nLine = nLine;
    return true;
}

bool CScriptVar::SetFuncDesc(CFuncDesc* pDesc) {
    if (!TakeType(VAR_FUNC)) return false;
    m_pFuncDesc.reset(pDesc);
    return true;
}

int32_t CScriptVar::RefuseNumber() {
    if (!m_bInit) {
        RaiseNotInitialized();
    } else {
        RaiseTypeMismatch();
    }
    return -1;
}

const char* CScriptVar::GetString() {
    if (!m_bInit) {
        RaiseNotInitialized();
        return nullptr;
    }
    if (m_nType != VAR_STRING) {
        RaiseTypeMismatch();
        return nullptr;
    }
    return m_bNull ? nullptr : m_strValue.c_str();
}

std::string& CScriptVar::GetStringRef() {
    if (!m_bInit) {
        RaiseNotInitialized();
    } else if (m_nType != VAR_STRING) {
        RaiseTypeMismatch();
    }
    return m_strValue;
}

int32_t CScriptVar::GetProcLine() {
    if (!m_bInit || m_nType != VAR_PROC) {
        RaiseInternal();
        return -1;
    }
    return m_nLine;
}

CFuncDesc* CScriptVar::GetFuncDesc() {
    if (!m_bInit || m_nType != VAR_FUNC || m_pFuncDesc == nullptr) {
        RaiseInternal();
        return nullptr;
    }
    return m_pFuncDesc.get();
}
