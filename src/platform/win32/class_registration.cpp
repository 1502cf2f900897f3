// An in-process automation class's registration in the system's registry.
#include "platform/win32/class_registration.h"

#include <string>

namespace {

// The text form of a class identifier, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string TextOfClsid(REFCLSID clsid) {
    wchar_t szWide[40];
    if (StringFromGUID2(clsid, szWide, 40) == 0) return {};
    char szText[40];
    WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof szText, nullptr, nullptr);
    return szText;
}

// Sets the default value (pszName null) or a named value of a key below the classes root.
LSTATUS SetKeyValue(const std::string& strKey, const char* pszName, const std::string& strValue) {
    HKEY hKey = nullptr;
    LSTATUS nStatus = RegCreateKeyExA(HKEY_CLASSES_ROOT, strKey.c_str(), 0, nullptr, 0,
                                      KEY_SET_VALUE, nullptr, &hKey, nullptr);
    if (nStatus != ERROR_SUCCESS) return nStatus;
    nStatus =
        RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                       static_cast<DWORD>(strValue.size() + 1));
    RegCloseKey(hKey);
    return nStatus;
}

}  // namespace

HRESULT RegisterClassFactory(const char* pszProgId, REFCLSID, IClassFactory* pFactory) {
    return pszProgId != nullptr && *pszProgId != '\0' && pFactory != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT WriteClassRegistration(const char* pszProgId, REFCLSID clsid, const char* pszModulePath) {
    if (pszProgId == nullptr || *pszProgId == '\0' || pszModulePath == nullptr ||
        *pszModulePath == '\0')
        return E_INVALIDARG;
    const std::string strClsid = TextOfClsid(clsid);
    if (strClsid.empty()) return E_INVALIDARG;
    const std::string strProgId = pszProgId;
    const std::string strClassKey = "CLSID\\" + strClsid;
    const struct {
        std::string strKey;
        const char* pszName;
        std::string strValue;
    } aValues[] = {
        {strProgId, nullptr, strProgId},
        {strProgId + "\\CLSID", nullptr, strClsid},
        {strClassKey, nullptr, strProgId},
        {strClassKey + "\\ProgID", nullptr, strProgId},
        {strClassKey + "\\InprocServer32", nullptr, pszModulePath},
        {strClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
    };
    for (const auto& value : aValues) {
        const LSTATUS nStatus = SetKeyValue(value.strKey, value.pszName, value.strValue);
        if (nStatus != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(nStatus));
    }
    return S_OK;
}
