// Automation strings and variants of the POSIX object model: allocation, copying, clearing and
// the type conversions the interpreter relies on.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/automation_server.h"

namespace {

// A string is one malloc block: its length in bytes, the bytes, a terminating zero. The BSTR
// points at the bytes.
using StringLength = uint32_t;

StringLength* LengthOf(BSTR bstr) {
    return reinterpret_cast<StringLength*>(bstr) - 1;
}

bool IsKnownType(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I4:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_BOOL:
        case VT_UNKNOWN:
            return true;
        default:
            return false;
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a number from an automation string: blanks, an optional sign, digits with an optional
// decimal fraction, blanks. The fraction is rounded half to even, as automation rounds.
HRESULT NumberFromText(BSTR bstr, int32_t& nValue) {
    const char* p = bstr ? bstr : "";
    const char* pEnd = p + SysStringLen(bstr);
    while (p < pEnd && IsBlank(*p)) ++p;
    bool bNegative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) bNegative = *p++ == '-';

    constexpr uint64_t kTooBig = uint64_t{1} << 32;  // any magnitude above this overflows
    uint64_t nWhole = 0;
    bool bDigits = false;
    for (; p < pEnd && IsDigit(*p); ++p, bDigits = true) {
        if (nWhole < kTooBig) nWhole = nWhole * 10 + static_cast<uint64_t>(*p - '0');
    }
    int nFirstFraction = 0;
    bool bMoreFraction = false;
    if (p < pEnd && *p == '.') {
        ++p;
        if (p < pEnd && IsDigit(*p)) {
            nFirstFraction = *p++ - '0';
            bDigits = true;
        }
        for (; p < pEnd && IsDigit(*p); ++p) bMoreFraction = bMoreFraction || *p != '0';
    }
    while (p < pEnd && IsBlank(*p)) ++p;
    if (!bDigits || p != pEnd) return DISP_E_TYPEMISMATCH;

    bool bHalf = nFirstFraction == 5 && !bMoreFraction;
    if (nFirstFraction > 5 || (nFirstFraction == 5 && bMoreFraction) || (bHalf && nWhole % 2))
        ++nWhole;
    const uint64_t nLimit = bNegative ? uint64_t{2147483648} : uint64_t{2147483647};
    if (nWhole > nLimit) return DISP_E_OVERFLOW;
    nValue = static_cast<int32_t>(bNegative ? -static_cast<int64_t>(nWhole)
                                            : static_cast<int64_t>(nWhole));
    return S_OK;
}

HRESULT ToNumber(const VARIANT& src, VARIANT& result) {
    result.vt = VT_I4;
    switch (src.vt) {
        case VT_EMPTY:
            result.lVal = 0;
            return S_OK;
        case VT_BOOL:
            result.lVal = src.boolVal;
            return S_OK;
        case VT_BSTR:
            return NumberFromText(src.bstrVal, result.lVal);
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// Without VARIANT_ALPHABOOL a boolean reads as the number it holds, so true is "-1".
HRESULT ToText(const VARIANT& src, VARIANT& result) {
    std::string strText;
    switch (src.vt) {
        case VT_EMPTY:
            break;
        case VT_I4:
            strText = std::to_string(src.lVal);
            break;
        case VT_BOOL:
            strText = std::to_string(src.boolVal);
            break;
        default:
            return DISP_E_TYPEMISMATCH;
    }
    result.vt = VT_BSTR;
    result.bstrVal = SysAllocStringLen(strText.data(), static_cast<UINT>(strText.size()));
    return result.bstrVal ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    return psz ? SysAllocStringLen(psz, static_cast<UINT>(std::strlen(psz))) : nullptr;
}

BSTR SysAllocStringLen(const OLECHAR* psz, UINT cch) {
    auto* pBlock = static_cast<char*>(std::malloc(sizeof(StringLength) + cch + 1));
    if (!pBlock) return nullptr;
    BSTR bstr = pBlock + sizeof(StringLength);
    *LengthOf(bstr) = cch;
    if (psz) std::memcpy(bstr, psz, cch);
    bstr[cch] = '\0';
    return bstr;
}

void SysFreeString(BSTR bstr) {
    if (bstr) std::free(LengthOf(bstr));
}

UINT SysStringLen(BSTR bstr) {
    return bstr ? *LengthOf(bstr) : 0;
}

void VariantInit(VARIANTARG* pvarg) {
    std::memset(pvarg, 0, sizeof *pvarg);
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (!IsKnownType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if (pvarg->vt == VT_BSTR) SysFreeString(pvarg->bstrVal);
    if ((pvarg->vt == VT_DISPATCH || pvarg->vt == VT_UNKNOWN) && pvarg->punkVal)
        pvarg->punkVal->Release();
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (pvargDest == pvargSrc) return S_OK;
    if (!IsKnownType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = VariantClear(pvargDest);
    if (hr != S_OK) return hr;
    *pvargDest = *pvargSrc;
    if (pvargSrc->vt == VT_BSTR && pvargSrc->bstrVal) {
        pvargDest->bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
        if (!pvargDest->bstrVal) {
            VariantInit(pvargDest);
            return E_OUTOFMEMORY;
        }
    }
    if ((pvargSrc->vt == VT_DISPATCH || pvargSrc->vt == VT_UNKNOWN) && pvargSrc->punkVal)
        pvargSrc->punkVal->AddRef();
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc, USHORT /*wFlags*/,
                          VARTYPE vt) {
    if (!IsKnownType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if (pvargSrc->vt == vt) return VariantCopy(pvargDest, pvargSrc);
    if (vt != VT_I4 && vt != VT_BSTR) return DISP_E_BADVARTYPE;

    VARIANT result;
    VariantInit(&result);
    HRESULT hr = vt == VT_I4 ? ToNumber(*pvargSrc, result) : ToText(*pvargSrc, result);
    if (hr != S_OK) return hr;
    // The source is cleared only now, so that a failed conversion leaves it as it was.
    VariantClear(pvargDest);
    *pvargDest = result;
    return S_OK;
}
