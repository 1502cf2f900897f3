// The sample automation server: a library like any third party's, loaded through the registry
// file, whose objects offer every kind of member a script reaches and record how each
// invocation arrived. Its members are listed in sample_server.h.
#include "sample_server.h"

#include <strings.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/automation_server.h"

namespace {

constexpr CLSID CLSID_SampleServer = {
    0x5A3C1E20, 0x7B4D, 0x4F6A, {0x9C, 0x2E, 0x1D, 0x8B, 0x0F, 0x3A, 0x6E, 0x51}};
constexpr CLSID CLSID_SampleNoDispatch = {
    0x5A3C1E21, 0x7B4D, 0x4F6A, {0x9C, 0x2E, 0x1D, 0x8B, 0x0F, 0x3A, 0x6E, 0x51}};

std::atomic<int> g_nObjects{0};

enum : DISPID {
    ID_NUMBER = 1,
    ID_STRING,
    ID_LAST_MEMBER,
    ID_LAST_FLAGS,
    ID_LAST_ARGS,
    ID_CALL_COUNT,
    ID_OBJECT_COUNT,
    ID_SUM = 10,
    ID_CONCAT,
    ID_NUMERIC_STRING,
    ID_TO_BOOL,
    ID_ECHO,
    ID_RAISE,
    ID_RAISE_LATER,
    ID_VOID0 = 100,  // Void0 to Void15 take 100 to 115
};

struct CMember {
    std::string strName;
    DISPID id;
    bool bProperty;
    bool bWritable;
    bool bRecorded;  // the inspection properties do not count as invocations
    UINT nMinArgs;
    UINT nMaxArgs;
};

const std::vector<CMember>& Members() {
    static const std::vector<CMember> arrMembers = [] {
        std::vector<CMember> arr = {
            {"Number", ID_NUMBER, true, true, true, 0, 0},
            {"String", ID_STRING, true, true, true, 0, 0},
            {"LastMember", ID_LAST_MEMBER, true, false, false, 0, 0},
            {"LastFlags", ID_LAST_FLAGS, true, false, false, 0, 0},
            {"LastArgs", ID_LAST_ARGS, true, false, false, 0, 0},
            {"CallCount", ID_CALL_COUNT, true, false, false, 0, 0},
            {"ObjectCount", ID_OBJECT_COUNT, true, false, false, 0, 0},
            {"Sum", ID_SUM, false, false, true, 0, 15},
            {"Concat", ID_CONCAT, false, false, true, 0, 15},
            {"NumericString", ID_NUMERIC_STRING, false, false, true, 0, 0},
            {"ToBool", ID_TO_BOOL, false, false, true, 1, 1},
            {"Echo", ID_ECHO, false, false, true, 1, 1},
            {"Raise", ID_RAISE, false, false, true, 0, 1},
            {"RaiseLater", ID_RAISE_LATER, false, false, true, 0, 0},
        };
        for (UINT n = 0; n <= 15; ++n)
            arr.push_back({"Void" + std::to_string(n), static_cast<DISPID>(ID_VOID0 + n), false,
                           false, true, n, n});
        return arr;
    }();
    return arrMembers;
}

const CMember* FindMember(DISPID id) {
    for (const CMember& member : Members())
        if (member.id == id) return &member;
    return nullptr;
}

const CMember* FindMember(const char* pszName) {
    for (const CMember& member : Members())
        if (strcasecmp(member.strName.c_str(), pszName) == 0) return &member;
    return nullptr;
}

std::string TextOf(BSTR bstr) {
    return std::string(bstr ? bstr : "", SysStringLen(bstr));
}

std::string DescribeArg(const VARIANT& var) {
    switch (var.vt) {
        case VT_I4:
            return "I4:" + std::to_string(var.lVal);
        case VT_BSTR:
            return var.bstrVal ? "BSTR:\"" + TextOf(var.bstrVal) + "\"" : "BSTR:null";
        case VT_BOOL:
            return "BOOL:" + std::to_string(var.boolVal);
        case VT_EMPTY:
            return "EMPTY";
        default:
            return "VT:" + std::to_string(var.vt);
    }
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

class CSampleServer final : public IDispatch {
public:
    CSampleServer() {
        VariantInit(&m_varString);
        m_varString.vt = VT_BSTR;  // a null text until the first put
        ++g_nObjects;
    }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *ppvObject = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++m_nRefs; }
    ULONG Release() override {
        ULONG nRefs = --m_nRefs;
        if (nRefs == 0) delete this;
        return nRefs;
    }
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        *ppTInfo = nullptr;
        return DISP_E_BADINDEX;  // there is no type information
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    static constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000B);

    ~CSampleServer() {
        VariantClear(&m_varString);
        --g_nObjects;
    }

    void Record(const CMember& member, WORD wFlags, const DISPPARAMS& params);
    HRESULT InvokeProperty(const CMember& member, WORD wFlags, const DISPPARAMS& params,
                           VARIANT* pResult, UINT* puArgErr);
    HRESULT GetProperty(DISPID id, VARIANT* pResult);
    HRESULT PutProperty(DISPID id, const VARIANT& value, UINT* puArgErr);
    HRESULT InvokeMethod(const CMember& member, WORD wFlags, const DISPPARAMS& params,
                         VARIANT* pResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    HRESULT Sum(const DISPPARAMS& params, VARIANT* pResult, UINT* puArgErr);
    HRESULT Concat(const DISPPARAMS& params, VARIANT* pResult, UINT* puArgErr);
    HRESULT Raise(const DISPPARAMS& params, EXCEPINFO* pExcepInfo, bool bDeferred);

    std::atomic<ULONG> m_nRefs{0};
    int32_t m_nNumber = 0;
    VARIANT m_varString;
    std::string m_strLastMember;
    WORD m_wLastFlags = 0;
    std::string m_strLastArgs;
    int32_t m_nCallCount = 0;
};

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

HRESULT CSampleServer::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                     DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Names after the first would be parameter names; no member has named parameters.
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    const CMember* pMember = cNames ? FindMember(rgszNames[0]) : nullptr;
    if (!pMember) return DISP_E_UNKNOWNNAME;
    rgDispId[0] = pMember->id;
    return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT CSampleServer::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                              DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                              UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const CMember* pMember = FindMember(dispIdMember);
    if (!pMember) return DISP_E_MEMBERNOTFOUND;
    if (pMember->bRecorded) Record(*pMember, wFlags, *pDispParams);
    if (pMember->bProperty)
        return InvokeProperty(*pMember, wFlags, *pDispParams, pVarResult, puArgErr);
    return InvokeMethod(*pMember, wFlags, *pDispParams, pVarResult, pExcepInfo, puArgErr);
}

void CSampleServer::Record(const CMember& member, WORD wFlags, const DISPPARAMS& params) {
    m_strLastMember = member.strName;
    m_wLastFlags = wFlags;
    m_strLastArgs.clear();
    for (UINT i = 0; i < params.cArgs; ++i)
        m_strLastArgs += (i ? ", " : "") + DescribeArg(ArgAt(params, i));
    ++m_nCallCount;
}

HRESULT CSampleServer::InvokeProperty(const CMember& member, WORD wFlags, const DISPPARAMS& params,
                                      VARIANT* pResult, UINT* puArgErr) {
    if (wFlags & DISPATCH_PROPERTYPUT) {
        if (!member.bWritable) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1 || params.cNamedArgs != 1 ||
            params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        return PutProperty(member.id, params.rgvarg[0], puArgErr);
    }
    if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    return pResult ? GetProperty(member.id, pResult) : S_OK;
}

HRESULT CSampleServer::GetProperty(DISPID id, VARIANT* pResult) {
    switch (id) {
        case ID_NUMBER:
            SetNumber(pResult, m_nNumber);
            return S_OK;
        case ID_STRING:
            return VariantCopy(pResult, &m_varString);
        case ID_LAST_MEMBER:
            SetText(pResult, m_strLastMember);
            return S_OK;
        case ID_LAST_FLAGS:
            SetNumber(pResult, m_wLastFlags);
            return S_OK;
        case ID_LAST_ARGS:
            SetText(pResult, m_strLastArgs);
            return S_OK;
        case ID_CALL_COUNT:
            SetNumber(pResult, m_nCallCount);
            return S_OK;
        default:
            SetNumber(pResult, g_nObjects);
            return S_OK;
    }
}

HRESULT CSampleServer::PutProperty(DISPID id, const VARIANT& value, UINT* puArgErr) {
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &value, 0, id == ID_NUMBER ? VT_I4 : VT_BSTR);
    if (hr != S_OK) {
        if (puArgErr) *puArgErr = 0;
        return hr;
    }
    if (id == ID_NUMBER) {
        m_nNumber = converted.lVal;
        return S_OK;
    }
    VariantClear(&m_varString);
    m_varString = converted;
    return S_OK;
}

HRESULT CSampleServer::InvokeMethod(const CMember& member, WORD wFlags, const DISPPARAMS& params,
                                    VARIANT* pResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs < member.nMinArgs || params.cArgs > member.nMaxArgs)
        return DISP_E_BADPARAMCOUNT;
    VARIANT ignored;
    VariantInit(&ignored);
    VARIANT* pOut = pResult ? pResult : &ignored;
    HRESULT hr = S_OK;
    switch (member.id) {
        case ID_SUM:
            hr = Sum(params, pOut, puArgErr);
            break;
        case ID_CONCAT:
            hr = Concat(params, pOut, puArgErr);
            break;
        case ID_NUMERIC_STRING:
            SetText(pOut, "1234");
            break;
        case ID_TO_BOOL:
            hr = ConvertArg(params, 0, VT_I4, *pOut, puArgErr);
            if (hr == S_OK) {
                pOut->vt = VT_BOOL;
                pOut->boolVal = pOut->lVal ? VARIANT_TRUE : VARIANT_FALSE;
            }
            break;
        case ID_ECHO:
            hr = VariantCopy(pOut, &ArgAt(params, 0));
            break;
        case ID_RAISE:
        case ID_RAISE_LATER:
            hr = Raise(params, pExcepInfo, member.id == ID_RAISE_LATER);
            break;
        default:  // Void0 to Void15
            break;
    }
    VariantClear(&ignored);
    return hr;
}

HRESULT CSampleServer::Sum(const DISPPARAMS& params, VARIANT* pResult, UINT* puArgErr) {
    int64_t nSum = 0;
    for (UINT i = 0; i < params.cArgs; ++i) {
        VARIANT value;
        HRESULT hr = ConvertArg(params, i, VT_I4, value, puArgErr);
        if (hr != S_OK) return hr;
        nSum += value.lVal;
    }
    if (nSum < INT32_MIN || nSum > INT32_MAX) return DISP_E_OVERFLOW;
    SetNumber(pResult, static_cast<int32_t>(nSum));
    return S_OK;
}

HRESULT CSampleServer::Concat(const DISPPARAMS& params, VARIANT* pResult, UINT* puArgErr) {
    std::string strText;
    for (UINT i = 0; i < params.cArgs; ++i) {
        VARIANT value;
        HRESULT hr = ConvertArg(params, i, VT_BSTR, value, puArgErr);
        if (hr != S_OK) return hr;
        strText += TextOf(value.bstrVal);
        VariantClear(&value);
    }
    SetText(pResult, strText);
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
        VariantInit(&text);
        if (VariantChangeType(&text, &ArgAt(params, 0), 0, VT_BSTR) == S_OK) {
            pExcepInfo->bstrDescription = text.bstrVal;
        }
    } else {
        pExcepInfo->bstrDescription = SysAllocString("Sample failure");
    }
    return DISP_E_EXCEPTION;
}

// An object that offers no dispatch interface.
class CNoDispatch final : public IUnknown {
public:
    CNoDispatch() { ++g_nObjects; }
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *ppvObject = this;
        return S_OK;
    }
    ULONG AddRef() override { return ++m_nRefs; }
    ULONG Release() override {
        ULONG nRefs = --m_nRefs;
        if (nRefs == 0) delete this;
        return nRefs;
    }

private:
    ~CNoDispatch() { --g_nObjects; }
    std::atomic<ULONG> m_nRefs{0};
};

// One static factory per class, serving any number of objects.
template <class TObject>
class CFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
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

}  // namespace

extern "C" QJ_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (rclsid == CLSID_SampleServer) return g_serverFactory.QueryInterface(riid, ppv);
    if (rclsid == CLSID_SampleNoDispatch) return g_noDispatchFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}
