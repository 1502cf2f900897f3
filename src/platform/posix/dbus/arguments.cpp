// Converting the Numbers and texts of a script to the basic D-Bus types a member declares.
#include "platform/posix/dbus/arguments.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "plain_text.h"
#include "platform/posix/dbus/basic_value.h"

namespace qjdbus {

namespace {

using Wide = __int128;  // holds every value of every D-Bus integer type

struct CIntegerType {
    char cType;
    Wide nMin;
    Wide nMax;
};

template <typename T>
constexpr CIntegerType Integer(char cType) {
    return {cType, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
}

constexpr CIntegerType INTEGER_TYPES[] = {
    Integer<uint8_t>('y'),  Integer<int16_t>('n'), Integer<uint16_t>('q'), Integer<int32_t>('i'),
    Integer<uint32_t>('u'), Integer<int64_t>('x'), Integer<uint64_t>('t'),
};

// The text of a VT_BSTR value without its leading and trailing blanks.
std::string_view TrimmedText(const VARIANT& value) {
    std::string_view text(value.bstrVal ? value.bstrVal : "", SysStringLen(value.bstrVal));
    return qjcommon::Trim(text, qjcommon::WHITE_SPACE);
}

// A whole number from a Number or a text; a text holds digits with one optional sign.
HRESULT ReadWhole(const VARIANT& value, Wide& nValue) {
    if (value.vt == VT_I4) {
        nValue = value.lVal;
        return S_OK;
    }
    std::string_view text = TrimmedText(value);
    const bool bNegative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    uint64_t nMagnitude = 0;
    const auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), nMagnitude);
    if (text.empty() || pEnd != text.data() + text.size() || ec == std::errc::invalid_argument)
        return DISP_E_TYPEMISMATCH;
    if (ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    nValue = bNegative ? -Wide(nMagnitude) : Wide(nMagnitude);
    return S_OK;
}

HRESULT ReadDouble(const VARIANT& value, double& dValue) {
    if (value.vt == VT_I4) {
        dValue = value.lVal;
        return S_OK;
    }
    const std::string_view text = TrimmedText(value);
    const auto [pEnd, ec] = std::from_chars(text.data(), text.data() + text.size(), dValue);
    if (text.empty() || pEnd != text.data() + text.size() || ec == std::errc::invalid_argument)
        return DISP_E_TYPEMISMATCH;
    return ec == std::errc::result_out_of_range ? DISP_E_OVERFLOW : S_OK;
}

// sd-bus refuses what is no value of the type, such as a malformed object path.
HRESULT Appended(int nResult) {
    if (nResult >= 0) return S_OK;
    return nResult == -ENOMEM ? E_OUTOFMEMORY : DISP_E_TYPEMISMATCH;
}

HRESULT AppendInteger(sd_bus_message* pMessage, const CIntegerType& type, const VARIANT& value) {
    Wide nValue = 0;
    HRESULT hr = ReadWhole(value, nValue);
    if (hr != S_OK) return hr;
    if (nValue < type.nMin || nValue > type.nMax) return DISP_E_OVERFLOW;
    UBasicValue raw = {};
    switch (type.cType) {
        case 'y':
            raw.y = static_cast<uint8_t>(nValue);
            break;
        case 'n':
            raw.n = static_cast<int16_t>(nValue);
            break;
        case 'q':
            raw.q = static_cast<uint16_t>(nValue);
            break;
        case 'i':
            raw.i = static_cast<int32_t>(nValue);
            break;
        case 'u':
            raw.u = static_cast<uint32_t>(nValue);
            break;
        case 'x':
            raw.x = static_cast<int64_t>(nValue);
            break;
        default:
            raw.t = static_cast<uint64_t>(nValue);
            break;
    }
    return Appended(sd_bus_message_append_basic(pMessage, type.cType, &raw));
}

HRESULT AppendText(sd_bus_message* pMessage, char cType, const VARIANT& value) {
    const std::string strText = value.vt == VT_I4 ? std::to_string(value.lVal)
                                                  : std::string(value.bstrVal ? value.bstrVal : "");
    return Appended(sd_bus_message_append_basic(pMessage, cType, strText.c_str()));
}

HRESULT AppendBasic(sd_bus_message* pMessage, char cType, const VARIANT& value) {
    for (const CIntegerType& type : INTEGER_TYPES)
        if (type.cType == cType) return AppendInteger(pMessage, type, value);
    switch (cType) {
        case 'b': {
            Wide nValue = 0;
            HRESULT hr = ReadWhole(value, nValue);
            const int bValue = nValue != 0;
            return hr != S_OK ? hr : Appended(sd_bus_message_append_basic(pMessage, 'b', &bValue));
        }
        case 'd': {
            double dValue = 0;
            HRESULT hr = ReadDouble(value, dValue);
            return hr != S_OK ? hr : Appended(sd_bus_message_append_basic(pMessage, 'd', &dValue));
        }
        case 's':
        case 'o':
        case 'g':
            return AppendText(pMessage, cType, value);
        default:
            return DISP_E_BADVARTYPE;
    }
}

HRESULT AppendVariant(sd_bus_message* pMessage, const VARIANT& value) {
    const char* pszContents = value.vt == VT_I4 ? "i" : "s";
    HRESULT hr = Appended(sd_bus_message_open_container(pMessage, 'v', pszContents));
    if (hr == S_OK) hr = AppendBasic(pMessage, *pszContents, value);
    return hr != S_OK ? hr : Appended(sd_bus_message_close_container(pMessage));
}

}  // namespace

HRESULT AppendArgument(sd_bus_message* pMessage, const std::string& strType, const VARIANT& value) {
    if (value.vt != VT_I4 && value.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    if (strType == "v") return AppendVariant(pMessage, value);
    if (strType.size() != 1) return DISP_E_BADVARTYPE;
    return AppendBasic(pMessage, strType[0], value);
}

}  // namespace qjdbus
