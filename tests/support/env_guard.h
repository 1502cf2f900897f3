// Changes an environment variable for one test and puts the old value back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

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
            setenv(m_strName.c_str(), m_strOld->c_str(), 1);
        else
            unsetenv(m_strName.c_str());
    }
    CEnvGuard(const CEnvGuard&) = delete;
    CEnvGuard& operator=(const CEnvGuard&) = delete;

    void Set(const std::string& strValue) { setenv(m_strName.c_str(), strValue.c_str(), 1); }
    void Unset() { unsetenv(m_strName.c_str()); }

private:
    std::string m_strName;
    std::optional<std::string> m_strOld;
};
