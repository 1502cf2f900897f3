// COM's names for code that implements an automation class once for every platform: the
// system's headers on Windows, the in-process object model of platform/posix elsewhere; and
// the few helpers whose form differs between the two.
//
// A class makes its factory creatable in the process with RegisterClassFactory and records
// itself for clients with WriteClassRegistration (automation_server.h on POSIX,
// win32/class_registration.h over the system's class registration on Windows).
#pragma once

#include <string>

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include "platform/win32/class_registration.h"
#else
#include <dlfcn.h>

#include "platform/posix/automation_server.h"
#endif

namespace com {

// The narrow text of an automation string; a null string reads as empty.
inline std::string TextOfBstr(BSTR bstr);
// A new automation string holding a narrow text (null when out of memory), for the caller to
// free with SysFreeString.
inline BSTR AllocBstr(const std::string& strText);
// The narrow text of a zero-terminated name as GetIDsOfNames receives it.
inline std::string TextOfName(const OLECHAR* pszName);
// The path of the loaded module that holds pAddress; empty when unknown.
inline std::string GetModulePath(const void* pAddress);

#if defined(_WIN32)

// The narrow text of cch wide characters, in the system's narrow code page.
inline std::string NarrowText(const OLECHAR* psz, int cch) {
    if (psz == nullptr || cch <= 0) return {};
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, psz, cch, nullptr, 0, nullptr, nullptr);
    std::string strText(static_cast<size_t>(nBytes > 0 ? nBytes : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, psz, cch, strText.data(), nBytes, nullptr, nullptr);
    return strText;
}

inline std::string TextOfBstr(BSTR bstr) {
    return NarrowText(bstr, static_cast<int>(SysStringLen(bstr)));
}

inline BSTR AllocBstr(const std::string& strText) {
    const int cch = static_cast<int>(strText.size());
    const int nWide = MultiByteToWideChar(CP_ACP, 0, strText.data(), cch, nullptr, 0);
    BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(nWide));
    if (bstr != nullptr) MultiByteToWideChar(CP_ACP, 0, strText.data(), cch, bstr, nWide);
    return bstr;
}

inline std::string TextOfName(const OLECHAR* pszName) {
    return pszName ? NarrowText(pszName, static_cast<int>(wcslen(pszName))) : std::string();
}

inline std::string GetModulePath(const void* pAddress) {
    HMODULE hModule = nullptr;
    const DWORD dwFlags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(dwFlags, static_cast<LPCSTR>(pAddress), &hModule)) return {};
    char szPath[MAX_PATH];
    const DWORD nLen = GetModuleFileNameA(hModule, szPath, MAX_PATH);
    return nLen > 0 && nLen < MAX_PATH ? std::string(szPath, nLen) : std::string();
}

#else

// Automation strings hold narrow text here already.
inline std::string TextOfBstr(BSTR bstr) {
    return bstr ? std::string(bstr, SysStringLen(bstr)) : std::string();
}

inline BSTR AllocBstr(const std::string& strText) {
    return SysAllocStringLen(strText.data(), static_cast<UINT>(strText.size()));
}

inline std::string TextOfName(const OLECHAR* pszName) {
    return pszName ? std::string(pszName) : std::string();
}

inline std::string GetModulePath(const void* pAddress) {
    Dl_info info{};
    if (dladdr(pAddress, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

#endif

// A class factory that lives as long as its module: references do not decide its lifetime.
// A class adds how it makes an object and how it counts locks.
class CStaticClassFactory : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};

}  // namespace com
