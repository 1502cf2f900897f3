// The identifier table: names to records, constants, decimal conversion, clean-up after a run.
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "host/engine.h"

int32_t CScriptEngine::ToNumber(const char* pszText) {
    // Decimal as strtol reads it: leading white space, one sign, digits; nothing may follow.
    char* pszEnd = nullptr;
    errno = 0;
    long long nValue = std::strtoll(pszText, &pszEnd, 10);
    if (*pszEnd != '\0' || errno == ERANGE || nValue < INT32_MIN || nValue > INT32_MAX)
        Raise(pszText, ERR_CONVERT_NUMBER);
    return static_cast<int32_t>(nValue);
}

CScriptVar* CScriptEngine::FindIdent(std::string_view name) const {
    auto it = m_mapIdent.find(name);
    return it != m_mapIdent.end() ? it->second.get() : nullptr;
}

std::string CScriptEngine::GetIdentName(const CScriptVar* pVar) const {
    return pVar != nullptr ? pVar->m_strName : std::string();
}

CScriptVar* CScriptEngine::SetIdent(const std::string& strName,
                                    std::unique_ptr<CScriptVar> pVar) {
    pVar->m_strName = strName;
    std::unique_ptr<CScriptVar>& slot = m_mapIdent[strName];
    slot = std::move(pVar);
    return slot.get();
}

void CScriptEngine::AddConstant(const char* pszName, int32_t nValue) {
    auto pVar = std::make_unique<CScriptVar>(VAR_CONST);
    pVar->SetNumber(nValue);
    SetIdent(pszName, std::move(pVar));
}

void CScriptEngine::ClearRunData() {
    std::erase_if(m_mapIdent, [](const auto& entry) {
        const CScriptVar* pVar = entry.second.get();
        return pVar == nullptr || (pVar->m_nType != VAR_FUNC && pVar->m_nType != VAR_CONST);
    });
}

void CScriptEngine::DeleteAllIdents() { m_mapIdent.clear(); }
