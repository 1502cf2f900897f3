// The sample automation server: a library like any third party's, loaded through the registry
// file, whose objects offer every kind of member a script reaches and record how each
// invocation arrived. Its members are listed in sample_server.h.
#include "sample_server.h"

#include <strings.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/com.h"

namespace {

constexpr CLSID CLSID_SampleServer = {
    0x5A3C1E20, 0x7B4D, 0x4F6A, {0x9C, 0x2E, 0x1D, 0x8B, 0x0F, 0x3A, 0x6E, 0x51}};
constexpr CLSID CLSID_SampleNoDispatch = {
    0x5A3C1E21, 0x7B4D, 0x4F6A, {0x9C, 0x2E, 0x1D, 0x8B, 0x0F, 0x3A, 0x6E, 0x51}};

std::atomic<int> g_nObjects{0};

// Properties take the ids below ID_SUM; the writable ones come first and alone are recorded.
enum : DISPID {
    ID_NUMBER = 1,
    ID_STRING,
    ID_LAST_CALL,
    ID_OBJECT_COUNT,
    ID_SUM = 10,
    ID_CONCAT,
    ID_CONCAT_NUL,
    ID_RAISE,
    ID_RAISE_LATER,
    ID_VOID0 = 100,  // Void0 to Void15 take 100 to 115
};
constexpr UINT MAX_VOID_ARGS = 15;

constexpr struct {
    const char* pszName;
    DISPID id;
} s_aMembers[] = {
    {"Number", ID_NUMBER},
    {"String", ID_STRING},
    {"LastCall", ID_LAST_CALL},
    {"ObjectCount", ID_OBJECT_COUNT},
    {"Sum", ID_SUM},
    {"Concat", ID_CONCAT},
    {"ConcatNul", ID_CONCAT_NUL},
    {"Raise", ID_RAISE},
    {"RaiseLater", ID_RAISE_LATER},
};

DISPID FindMember(const char* pszName) {
    for (const auto& member : s_aMembers)
        if (strcasecmp(member.pszName, pszName) == 0) return member.id;
    if (strncasecmp(pszName, "Void", 4) != 0) return DISPID_UNKNOWN;
    for (UINT n = 0; n <= MAX_VOID_ARGS; ++n)
        if (std::to_string(n) == pszName + 4) return static_cast<DISPID>(ID_VOID0 + n);
    return DISPID_UNKNOWN;
}

std::string MemberName(DISPID id) {
    if (id >= ID_VOID0 && id <= static_cast<DISPID>(ID_VOID0 + MAX_VOID_ARGS))
        return "Void" + std::to_string(id - ID_VOID0);
    for (const auto& member : s_aMembers)
        if (member.id == id) return member.pszName;
    return {};
}

// The fewest and most arguments a method takes.
void ArgLimits(DISPID id, UINT& nMin, UINT& nMax) {
    nMin = id >= ID_VOID0 ? static_cast<UINT>(id - ID_VOID0) : 0;
    nMax = id >= ID_VOID0 ? nMin : id == ID_RAISE_LATER ? 0 : id == ID_RAISE ? 1 : MAX_VOID_ARGS;
}

std::string TextOf(BSTR bstr) {
    return std::string(bstr ? bstr : "", SysStringLen(bstr));
}

std::string DescribeArg(const VARIANT& var) {
    if (var.vt == VT_I4) return "I4:" + std::to_string(var.lVal);
    if (var.vt != VT_BSTR) return "VT:" + std::to_string(var.vt);
    return var.bstrVal ? "BSTR:\"" + TextOf(var.bstrVal) + "\"" : "BSTR:null";
}

void SetText(VARIANT* pResult, const std::string& strText) {
    pResult->vt = VT_BSTR;
    pResult->bstrVal = SysAllocStringLen(strText.data(), static_cast<UINT>(strText.size()));
}

void SetNumber(VARIANT* pResult, int32_t nValue) {
    pResult->vt = VT_I4;
    pResult->lVal = nValue;
}

HRESULT FillDeferredException(EXCEPINFO* pExcepInfo) {
    pExcepInfo->bstrDescription = SysAllocString("Deferred sample failure");
    pExcepInfo->pfnDeferredFillIn = nullptr;
    return S_OK;
}

// The argument at script position i (DISPPARAMS holds them last one first).
const VARIANT& ArgAt(const DISPPARAMS& params, UINT i) {
    return params.rgvarg[params.cArgs - 1 - i];
}

// Converts the argument at script position i, telling the caller which one failed.
HRESULT ConvertArg(const DISPPARAMS& params, UINT i, VARTYPE vt, VARIANT& value, UINT* puArgErr) {
    VariantInit(&value);
    HRESULT hr = VariantChangeType(&value, &ArgAt(params, i), 0, vt);
    if (hr != S_OK && puArgErr) *puArgErr = params.cArgs - 1 - i;
    return hr;
}

// Reference counting and interface lookup of the sample's objects; each counts as alive.
template <class TInterface, const IID& riidOwn>
class CObject : public TInterface {
public:
    CObject() { ++g_nObjects; }
    virtual ~CObject() { --g_nObjects; }
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != riidOwn) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        this->AddRef();
        *ppvObject = static_cast<TInterface*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++m_nRefs; }
    ULONG Release() override {
        ULONG nRefs = --m_nRefs;
        if (nRefs == 0) delete this;
        return nRefs;
    }

private:
    std::atomic<ULONG> m_nRefs{0};
};

class CSampleServer final : public CObject<IDispatch, IID_IDispatch> {
public:
    CSampleServer() {
        VariantInit(&m_varString);
        m_varString.vt = VT_BSTR;  // a null text until the first put
    }
    ~CSampleServer() override { VariantClear(&m_varString); }

    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        *ppTInfo = nullptr;
        return E_NOTIMPL;  // there is no type information
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                          DISPID* rgDispId) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        // Names after the first would be parameter names; no member has named parameters.
        for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
        if (cNames > 0) rgDispId[0] = FindMember(rgszNames[0]);
        return cNames == 1 && rgDispId[0] != DISPID_UNKNOWN ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const std::string strMember = MemberName(id);
        if (strMember.empty()) return DISP_E_MEMBERNOTFOUND;
        const DISPPARAMS& params = *pDispParams;
        if (id <= ID_STRING || id >= ID_SUM) {
            m_strLastCall = std::to_string(wFlags) + " " + strMember + "(";
            for (UINT i = 0; i < params.cArgs; ++i) {
                if (i != 0) m_strLastCall += ", ";
                m_strLastCall += DescribeArg(ArgAt(params, i));
            }
            m_strLastCall += ")";
        }
        if (id < ID_SUM) return InvokeProperty(id, wFlags, params, pVarResult, puArgErr);
        VARIANT ignored;
        VariantInit(&ignored);
        HRESULT hr = InvokeMethod(id, wFlags, params, pVarResult ? pVarResult : &ignored,
                                  pExcepInfo, puArgErr);
        VariantClear(&ignored);
        return hr;
    }

private:
    HRESULT InvokeProperty(DISPID id, WORD wFlags, const DISPPARAMS& params, VARIANT* pResult,
                           UINT* puArgErr);
    HRESULT InvokeMethod(DISPID id, WORD wFlags, const DISPPARAMS& params, VARIANT* pResult,
                         EXCEPINFO* pExcepInfo, UINT* puArgErr);
    HRESULT SumOrConcat(DISPID id, const DISPPARAMS& params, VARIANT* pResult, UINT* puArgErr);
    HRESULT Raise(const DISPPARAMS& params, EXCEPINFO* pExcepInfo, bool bDeferred);

    int32_t m_nNumber = 0;
    VARIANT m_varString;
    std::string m_strLastCall;
};

HRESULT CSampleServer::InvokeProperty(DISPID id, WORD wFlags, const DISPPARAMS& params,
                                      VARIANT* pResult, UINT* puArgErr) {
    if (wFlags & DISPATCH_PROPERTYPUT) {
        if (id > ID_STRING) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1 || params.cNamedArgs != 1 ||
            params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        VARIANT value;
        HRESULT hr = ConvertArg(params, 0, id == ID_NUMBER ? VT_I4 : VT_BSTR, value, puArgErr);
        if (hr != S_OK) return hr;
        if (id == ID_NUMBER) {
            m_nNumber = value.lVal;
        } else {
            VariantClear(&m_varString);
            m_varString = value;
        }
        return S_OK;
    }
    if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!pResult) return S_OK;
    if (id == ID_STRING) return VariantCopy(pResult, &m_varString);
    if (id == ID_LAST_CALL)
        SetText(pResult, m_strLastCall);
    else
        SetNumber(pResult, id == ID_NUMBER ? m_nNumber : g_nObjects.load());
    return S_OK;
}

HRESULT CSampleServer::InvokeMethod(DISPID id, WORD wFlags, const DISPPARAMS& params,
                                    VARIANT* pResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    UINT nMin = 0;
    UINT nMax = 0;
    ArgLimits(id, nMin, nMax);
    if (params.cArgs < nMin || params.cArgs > nMax) return DISP_E_BADPARAMCOUNT;
    switch (id) {
        case ID_SUM:
        case ID_CONCAT:
        case ID_CONCAT_NUL:
            return SumOrConcat(id, params, pResult, puArgErr);
        case ID_RAISE:
        case ID_RAISE_LATER:
            return Raise(params, pExcepInfo, id == ID_RAISE_LATER);
        default:  // Void0 to Void15
            return S_OK;
    }
}

HRESULT CSampleServer::SumOrConcat(DISPID id, const DISPPARAMS& params, VARIANT* pResult,
                                   UINT* puArgErr) {
    int64_t nSum = 0;
    std::string strText;
    for (UINT i = 0; i < params.cArgs; ++i) {
        VARIANT value;
        HRESULT hr = ConvertArg(params, i, id == ID_SUM ? VT_I4 : VT_BSTR, value, puArgErr);
        if (hr != S_OK) return hr;
        if (id == ID_SUM) nSum += value.lVal;
        if (id == ID_CONCAT_NUL && i != 0) strText.push_back('\0');
        if (id != ID_SUM) strText += TextOf(value.bstrVal);
        VariantClear(&value);
    }
    if (id != ID_SUM) {
        SetText(pResult, strText);
        return S_OK;
    }
    if (nSum < INT32_MIN || nSum > INT32_MAX) return DISP_E_OVERFLOW;
    SetNumber(pResult, static_cast<int32_t>(nSum));
    return S_OK;
}

HRESULT CSampleServer::Raise(const DISPPARAMS& params, EXCEPINFO* pExcepInfo, bool bDeferred) {
    if (!pExcepInfo) return DISP_E_EXCEPTION;
    *pExcepInfo = {};
    pExcepInfo->wCode = 1001;
    pExcepInfo->bstrSource = SysAllocString(SAMPLE_SERVER_PROGID);
    if (bDeferred) {
        pExcepInfo->pfnDeferredFillIn = FillDeferredException;
    } else if (params.cArgs == 1) {
        VARIANT text;
        if (ConvertArg(params, 0, VT_BSTR, text, nullptr) == S_OK)
            pExcepInfo->bstrDescription = text.bstrVal;
    } else {
        pExcepInfo->bstrDescription = SysAllocString("Sample failure");
    }
    return DISP_E_EXCEPTION;
}

// An object that offers no dispatch interface.
class CNoDispatch final : public CObject<IUnknown, IID_IUnknown> {};

// One static factory per class, serving any number of objects.
template <class TObject>
class CFactory final : public com::CStaticClassFactory {
public:
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        *ppvObject = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        auto* pObject = new TObject;
        pObject->AddRef();
        HRESULT hr = pObject->QueryInterface(riid, ppvObject);
        pObject->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

CFactory<CSampleServer> g_serverFactory;
CFactory<CNoDispatch> g_noDispatchFactory;

// An address inside this library, by which it finds its own path.
const char s_cModuleAnchor = 0;

}  // namespace

extern "C" QJ_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (rclsid == CLSID_SampleServer) return g_serverFactory.QueryInterface(riid, ppv);
    if (rclsid == CLSID_SampleNoDispatch) return g_noDispatchFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Records both classes with this library as their server, as `qjintp --register` asks.
extern "C" QJ_EXPORT HRESULT DllRegisterServer(void) {
    const std::string strLibrary = com::GetModulePath(&s_cModuleAnchor);
    HRESULT hr =
        WriteClassRegistration(SAMPLE_SERVER_PROGID, CLSID_SampleServer, strLibrary.c_str());
    if (hr != S_OK) return hr;
    return WriteClassRegistration(SAMPLE_NODISPATCH_PROGID, CLSID_SampleNoDispatch,
                                  strLibrary.c_str());
}
