// Creation of an automation object on the POSIX object model: through the class registry.
#include "platform/automation.h"

#include "platform/posix/automation_server.h"
#include "platform/posix/class_registry.h"

int32_t CAutoObject::CreateDispatch(const char* pszProgId) {
    ReleaseDispatch();
    IClassFactory* pFactory = nullptr;
    HRESULT hr = GetClassObjectOfProgId(pszProgId, &pFactory);
    if (hr < 0) return hr;
    IUnknown* pUnknown = nullptr;
    hr = pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&pUnknown));
    pFactory->Release();
    if (hr < 0) return hr;
    hr = pUnknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_pDispatch));
    pUnknown->Release();
    if (hr < 0) {
        m_pDispatch = nullptr;
        return hr;
    }
    return S_OK;
}
