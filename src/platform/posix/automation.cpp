// Creation of an automation object on the POSIX object model: a D-Bus object for a "dbus:"
// identifier, else through the class registry.
#include "platform/automation.h"

#include "platform/posix/automation_server.h"
#include "platform/posix/class_registry.h"
#include "platform/posix/dbus/object.h"
#include "platform/posix/dbus/progid.h"

int32_t CAutoObject::CreateDispatch(const char* pszProgId) {
    ReleaseDispatch();
    m_strCreateDescription.clear();
    if (qjdbus::IsObjectProgId(pszProgId))
        return qjdbus::CreateObject(pszProgId, &m_pDispatch, m_strCreateDescription);
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
