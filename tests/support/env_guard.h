// Changes an environment variable for one test and puts the old value back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "process_env.h"

class CEnvGuard {
public:
    explicit CEnvGuard(const char* pszName) : m_strName(pszName) {
        if (const char* pszValue = std::getenv(pszName)) m_strOld = pszValue;
    }
    CEnvGuard(const char* pszName, const std::string& strValue) : CEnvGuard(pszName) {
        Set(strValue);
    }
    ~CEnvGuard() {
        if (m_strOld)
            qjcommon::SetProcessEnv(m_strName.c_str(), m_strOld->c_str());
        else
            qjcommon::UnsetProcessEnv(m_strName.c_str());
    }
    CEnvGuard(const CEnvGuard&) = delete;
    CEnvGuard& operator=(const CEnvGuard&) = delete;

    void Set(const std::string& strValue) {
        qjcommon::SetProcessEnv(m_strName.c_str(), strValue.c_str());
    }
    void Unset() { qjcommon::UnsetProcessEnv(m_strName.c_str()); }

private:
    std::string m_strName;
    std::optional<std::string> m_strOld;
};
