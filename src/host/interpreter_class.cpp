// The automation class CCInterpreter, its class factory, and the object and lock counts that
// decide whether the module may be unloaded.
#include "host/interpreter_class.h"

#include <new>
#include <string>

#include "host/module_engine.h"
#include "plain_text.h"

namespace {

// CCInterpreter objects alive, and locks taken through the factory's LockServer.
std::atomic<long> g_nObjects{0};
std::atomic<long> g_nLocks{0};

// The method names, indexed by dispatch id.
constexpr const char* METHOD_NAMES[] = {nullptr, "QJIPBreak", "QJIPInterpret"};
constexpr UINT INTERPRET_ARGS = 3;

bool Failed(HRESULT hr) {
    return hr < 0;
}

DISPID FindMethod(const std::string& strName) {
    for (DISPID id = DISPID_QJIPBREAK; id <= DISPID_QJIPINTERPRET; ++id)
        if (qjcommon::EqualsNoCase(strName, METHOD_NAMES[id])) return id;
    return DISPID_UNKNOWN;
}

// The argument at call position i as text; DISPPARAMS holds the arguments last one first.
HRESULT ArgumentText(const DISPPARAMS& params, UINT i, std::string& strText, UINT* puArgErr) {
    const UINT nIndex = params.cArgs - 1 - i;
    VARIANT text;
    VariantInit(&text);
    const HRESULT hr = VariantChangeType(&text, &params.rgvarg[nIndex], 0, VT_BSTR);
    if (Failed(hr)) {
        if (puArgErr != nullptr) *puArgErr = nIndex;
        return DISP_E_TYPEMISMATCH;
    }
    strText = com::TextOfBstr(text.bstrVal);
    VariantClear(&text);
    return S_OK;
}

// The methods do what the plain exports do, on the module's one engine.
HRESULT InvokeBreak(const DISPPARAMS& params) {
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    BreakModuleEngine();
    return S_OK;
}

HRESULT InvokeInterpret(const DISPPARAMS& params, VARIANT* pVarResult, UINT* puArgErr) {
    if (params.cArgs != INTERPRET_ARGS) return DISP_E_BADPARAMCOUNT;
    std::string astrArgs[INTERPRET_ARGS];
    for (UINT i = 0; i < INTERPRET_ARGS; ++i) {
        const HRESULT hr = ArgumentText(params, i, astrArgs[i], puArgErr);
        if (hr != S_OK) return hr;
    }
    const bool bDone =
        InterpretOnModuleEngine(astrArgs[0].c_str(), astrArgs[1].c_str(), astrArgs[2].c_str()) == 1;
    if (pVarResult != nullptr) {
        VariantInit(pVarResult);
        pVarResult->vt = VT_BOOL;
        pVarResult->boolVal = bDone ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

// The one factory of the class; static, and not single-use.
class CInterpreterFactory final : public com::CStaticClassFactory {
public:
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
        return CCInterpreter::CreateInstance(riid, ppvObject);
    }
    HRESULT LockServer(BOOL fLock) override {
        if (fLock)
            ++g_nLocks;
        else
            --g_nLocks;
        return S_OK;
    }
};

CInterpreterFactory g_factory;

}  // namespace

CCInterpreter::CCInterpreter() {
    ++g_nObjects;
}

CCInterpreter::~CCInterpreter() {
    --g_nObjects;
}

HRESULT CCInterpreter::CreateInstance(REFIID riid, void** ppvObject) {
    auto* pObject = new (std::nothrow) CCInterpreter;
    if (pObject == nullptr) return E_OUTOFMEMORY;
    // The object's own reference keeps it alive through a failing QueryInterface.
    pObject->AddRef();
    const HRESULT hr = pObject->QueryInterface(riid, ppvObject);
    pObject->Release();
    return hr;
}

HRESULT CCInterpreter::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_ICInterpreter) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<IDispatch*>(this);
    return S_OK;
}

ULONG CCInterpreter::AddRef() {
    return ++m_nRefs;
}

ULONG CCInterpreter::Release() {
    const ULONG nRefs = --m_nRefs;
    if (nRefs == 0) delete this;
    return nRefs;
}

HRESULT CCInterpreter::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CCInterpreter::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return iTInfo != 0 ? E_INVALIDARG : E_NOTIMPL;
}

HRESULT CCInterpreter::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                     DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (cNames == 0) return E_INVALIDARG;
    if (rgszNames == nullptr || rgDispId == nullptr) return E_POINTER;
    // Names after the first would name parameters, and the methods have no named parameters.
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    rgDispId[0] = FindMethod(com::TextOfName(rgszNames[0]));
    return rgDispId[0] != DISPID_UNKNOWN && cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT CCInterpreter::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                              DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                              UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (dispIdMember != DISPID_QJIPBREAK && dispIdMember != DISPID_QJIPINTERPRET)
        return DISP_E_MEMBERNOTFOUND;
    // Methods only: a method may be called as a property read, never assigned.
    if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0 ||
        (wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (pDispParams == nullptr) return E_INVALIDARG;
    if (pDispParams->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    try {
        if (dispIdMember == DISPID_QJIPBREAK) return InvokeBreak(*pDispParams);
        return InvokeInterpret(*pDispParams, pVarResult, puArgErr);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT RegisterInterpreterFactory() {
    return RegisterClassFactory(INTERPRETER_PROGID, CLSID_CInterpreter, &g_factory);
}

HRESULT GetInterpreterClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_CInterpreter) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

HRESULT CanUnloadInterpreterModule() {
    return g_nObjects == 0 && g_nLocks == 0 ? S_OK : S_FALSE;
}

HRESULT RegisterInterpreterServer(const char* pszModulePath) {
    return WriteClassRegistration(INTERPRETER_PROGID, CLSID_CInterpreter, pszModulePath);
}
