// What the automation object handle does the same way on every platform once it holds an
// object: the result variant, name resolution, and invocation with arguments packed as COM
// packs them. Creation, which differs, is in posix/ and win32/automation.cpp.
#include <vector>

#include "platform/automation.h"
#include "platform/com.h"

namespace {

// The arguments of one invocation as variants, last argument first, freed with the holder.
class CPackedArgs {
public:
    explicit CPackedArgs(const CAutoArgs& args) : m_arrVariants(args.GetCount()) {
        for (size_t i = 0; i < args.GetCount(); ++i)
            m_bComplete = Pack(args[i], m_arrVariants[args.GetCount() - 1 - i]) && m_bComplete;
    }
    ~CPackedArgs() {
        for (VARIANT& var : m_arrVariants) VariantClear(&var);
    }
    CPackedArgs(const CPackedArgs&) = delete;
    CPackedArgs& operator=(const CPackedArgs&) = delete;

    // False when a string could not be allocated.
    bool IsComplete() const { return m_bComplete; }
    VARIANTARG* GetData() { return m_arrVariants.data(); }
    UINT GetCount() const { return static_cast<UINT>(m_arrVariants.size()); }

private:
    static bool Pack(const CAutoArg& arg, VARIANT& var) {
        VariantInit(&var);
        var.vt = arg.m_vt;
        if (arg.m_vt == VT_I4) {
            var.lVal = arg.m_nValue;
            return true;
        }
        if (arg.m_bNullText) return true;
        var.bstrVal = com::AllocBstr(arg.m_strText);
        return var.bstrVal != nullptr;
    }

    std::vector<VARIANT> m_arrVariants;
    bool m_bComplete = true;
};

bool Failed(HRESULT hr) {
    return hr < 0;
}

// Takes what the object reported with DISP_E_EXCEPTION and frees its strings.
CAutoDispatchException TakeException(EXCEPINFO& excepInfo) {
    if (excepInfo.pfnDeferredFillIn) excepInfo.pfnDeferredFillIn(&excepInfo);
    CAutoDispatchException e(com::TextOfBstr(excepInfo.bstrDescription), excepInfo.scode);
    SysFreeString(excepInfo.bstrSource);
    SysFreeString(excepInfo.bstrDescription);
    SysFreeString(excepInfo.bstrHelpFile);
    return e;
}

}  // namespace

CAutoResult::CAutoResult() : m_pVariant(new VARIANT) {
    VariantInit(m_pVariant.get());
}

CAutoResult::~CAutoResult() {
    VariantClear(m_pVariant.get());
}

void CAutoResult::Clear() {
    VariantClear(m_pVariant.get());
}

uint16_t CAutoResult::GetType() const {
    return m_pVariant->vt;
}

int32_t CAutoResult::ChangeType(uint16_t vt) {
    return VariantChangeType(m_pVariant.get(), m_pVariant.get(), 0, vt);
}

int32_t CAutoResult::GetNumber() const {
    return m_pVariant->vt == VT_I4 ? m_pVariant->lVal : 0;
}

std::string CAutoResult::GetText() const {
    return m_pVariant->vt == VT_BSTR ? com::TextOfBstr(m_pVariant->bstrVal) : std::string();
}

CAutoObject::~CAutoObject() {
    ReleaseDispatch();
}

void CAutoObject::ReleaseDispatch() {
    if (m_pDispatch) m_pDispatch->Release();
    m_pDispatch = nullptr;
}

int32_t CAutoObject::GetDispId(const char* pszName, int32_t& nDispId) {
    if (!m_pDispatch) return E_POINTER;
    BSTR bstrName = com::AllocBstr(pszName ? pszName : "");
    if (bstrName == nullptr) return E_OUTOFMEMORY;
    DISPID dispId = DISPID_UNKNOWN;
    HRESULT hr = m_pDispatch->GetIDsOfNames(IID_NULL, &bstrName, 1, LOCALE_USER_DEFAULT, &dispId);
    SysFreeString(bstrName);
    if (hr == S_OK) nDispId = dispId;
    return hr;
}

void CAutoObject::Invoke(int32_t nDispId, uint16_t wFlags, uint16_t vtResult, CAutoResult& result,
                         const CAutoArgs& args) {
    if (!m_pDispatch) throw CAutoException(E_POINTER);
    if (vtResult != VT_VARIANT && vtResult != VT_EMPTY) throw CAutoException(E_INVALIDARG);
    result.Clear();
    CPackedArgs packed(args);
    if (!packed.IsComplete()) throw CAutoException(E_OUTOFMEMORY);
    DISPID dispIdPut = DISPID_PROPERTYPUT;
    DISPPARAMS params = {packed.GetData(), nullptr, packed.GetCount(), 0};
    if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && params.cArgs > 0) {
        params.rgdispidNamedArgs = &dispIdPut;
        params.cNamedArgs = 1;
    }
    VARIANT* pResult = vtResult == VT_VARIANT ? result.m_pVariant.get() : nullptr;
    EXCEPINFO excepInfo = {};
    UINT nArgErr = 0;
    HRESULT hr =
        m_pDispatch->Invoke(nDispId, IID_NULL, 0, wFlags, &params, pResult, &excepInfo, &nArgErr);
    if (!Failed(hr)) return;
    result.Clear();
    if (hr == DISP_E_EXCEPTION) throw TakeException(excepInfo);
    throw CAutoException(hr);
}
