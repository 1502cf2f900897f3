// Creation of an automation object through the system: the class of the programmatic
// identifier from the registration (CLSIDFromProgID), then the object (CoCreateInstance).
#include "platform/automation.h"

#include "platform/com.h"

namespace {

// Automation needs COM on the calling thread. Where the host has not entered it on the thread
// that runs the script, the thread gets a single-threaded apartment, kept until it ends (a
// host that already entered COM keeps its own choice).
void EnterComOnThread() {
    thread_local const HRESULT s_hrEntered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    static_cast<void>(s_hrEntered);
}

}  // namespace

int32_t CAutoObject::CreateDispatch(const char* pszProgId) {
    ReleaseDispatch();
    EnterComOnThread();
    if (pszProgId == nullptr) return CO_E_CLASSSTRING;
    BSTR bstrProgId = com::AllocBstr(pszProgId);
    if (bstrProgId == nullptr) return E_OUTOFMEMORY;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(bstrProgId, &clsid);
    SysFreeString(bstrProgId);
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&m_pDispatch));
    if (FAILED(hr)) m_pDispatch = nullptr;
    return hr;
}
