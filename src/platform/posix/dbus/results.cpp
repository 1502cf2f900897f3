// Converting the values of a D-Bus reply to a Number or a text.
#include "platform/posix/dbus/results.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "platform/posix/dbus/basic_value.h"

namespace qjdbus {

namespace {

// One value read: its text, and its number when it is an integer or a boolean.
struct CValue {
    std::string strText;
    std::optional<int64_t> nNumber;  // values of "t" above its range stay text alone
};

// Reading a message fails with a status and a reason.
struct CReadFailure {
    HRESULT hr;
    std::string strReason;
};

void Check(int nResult) {
    if (nResult < 0)
        throw CReadFailure{nResult == -ENOMEM ? E_OUTOFMEMORY : E_FAIL,
                           std::string("the reply cannot be read: ") + std::strerror(-nResult)};
}

std::string DoubleText(double dValue) {
    char szText[400];  // the longest fixed form of a double is 300-odd digits
    const auto [pEnd, ec] =
        std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::fixed);
    return ec == std::errc() ? std::string(szText, pEnd) : std::to_string(dValue);
}

template <typename T>
CValue Whole(T nValue) {
    CValue value{std::to_string(nValue), {}};
    if (std::cmp_less_equal(nValue, std::numeric_limits<int64_t>::max()))
        value.nNumber = static_cast<int64_t>(nValue);
    return value;
}

CValue ReadBasic(sd_bus_message* pMessage, char cType) {
    UBasicValue raw = {};
    Check(sd_bus_message_read_basic(pMessage, cType, &raw));
    switch (cType) {
        case 'y':
            return Whole(raw.y);
        case 'n':
            return Whole(raw.n);
        case 'q':
            return Whole(raw.q);
        case 'i':
            return Whole(raw.i);
        case 'u':
            return Whole(raw.u);
        case 'x':
            return Whole(raw.x);
        case 't':
            return Whole(raw.t);
        case 'b':
            return Whole(raw.b ? 1 : 0);
        case 'd':
            return {DoubleText(raw.d), {}};
        default:
            return {raw.psz ? raw.psz : "", {}};  // s, o, g
    }
}

bool IsReadableBasic(char cType) {
    return cType != 'h' && std::strchr("ynqiuxtbdsog", cType) != nullptr;
}

CValue ReadValue(sd_bus_message* pMessage, bool bItem);

// The contents of a container, entered and left here.
template <typename ReadContents>
CValue ReadContainer(sd_bus_message* pMessage, char cType, const char* pszContents,
                     ReadContents read) {
    Check(sd_bus_message_enter_container(pMessage, cType, pszContents));
    CValue value = read();
    Check(sd_bus_message_exit_container(pMessage));
    return value;
}

// "key=value" of a dictionary.
CValue ReadEntry(sd_bus_message* pMessage) {
    CValue key = ReadValue(pMessage, true);
    return {key.strText + "=" + ReadValue(pMessage, true).strText, {}};
}

// The type of the next value; false at the end of the container or the message.
bool PeekNext(sd_bus_message* pMessage, char& cType, const char*& pszContents) {
    cType = 0;
    pszContents = nullptr;
    Check(sd_bus_message_peek_type(pMessage, &cType, &pszContents));
    return cType != 0;
}

// The items of an array or the values of a reply, separated by ";".
CValue ReadSequence(sd_bus_message* pMessage, bool bItems) {
    CValue joined;
    char cType = 0;
    const char* pszContents = nullptr;
    for (int nCount = 0; PeekNext(pMessage, cType, pszContents); ++nCount) {
        CValue value =
            cType == SD_BUS_TYPE_DICT_ENTRY
                ? ReadContainer(pMessage, cType, pszContents, [&] { return ReadEntry(pMessage); })
                : ReadValue(pMessage, bItems);
        joined.strText += (nCount ? ";" : "") + value.strText;
        joined.nNumber = nCount == 0 ? value.nNumber : std::nullopt;
    }
    return joined;
}

// One value; an item of an array is a basic value or a variant holding one.
CValue ReadValue(sd_bus_message* pMessage, bool bItem) {
    char cType = 0;
    const char* pszContents = nullptr;
    if (!PeekNext(pMessage, cType, pszContents))
        throw CReadFailure{E_FAIL, "the reply ends before its value"};
    if (IsReadableBasic(cType)) return ReadBasic(pMessage, cType);
    if (cType == SD_BUS_TYPE_VARIANT)
        return ReadContainer(pMessage, cType, pszContents,
                             [&] { return ReadValue(pMessage, bItem); });
    if (cType == SD_BUS_TYPE_ARRAY && !bItem) {
        CValue items = ReadContainer(pMessage, cType, pszContents,
                                     [&] { return ReadSequence(pMessage, true); });
        return {items.strText, {}};
    }
    const std::string strContents = pszContents ? pszContents : "";
    std::string strType = std::string(1, cType) + strContents;
    if (cType == SD_BUS_TYPE_STRUCT) strType = "(" + strContents + ")";
    if (cType == SD_BUS_TYPE_DICT_ENTRY) strType = "{" + strContents + "}";
    throw CReadFailure{DISP_E_BADVARTYPE,
                       "a value of the D-Bus type '" + strType + "' has no script form"};
}

}  // namespace

HRESULT ReadResult(sd_bus_message* pMessage, VARIANT& result, std::string& strReason) {
    try {
        char cType = 0;
        const char* pszContents = nullptr;
        if (!PeekNext(pMessage, cType, pszContents)) return S_OK;
        const CValue value = ReadSequence(pMessage, false);
        if (value.nNumber && *value.nNumber >= std::numeric_limits<int32_t>::min() &&
            *value.nNumber <= std::numeric_limits<int32_t>::max()) {
            result.vt = VT_I4;
            result.lVal = static_cast<int32_t>(*value.nNumber);
            return S_OK;
        }
        result.bstrVal =
            SysAllocStringLen(value.strText.data(), static_cast<UINT>(value.strText.size()));
        if (!result.bstrVal) return E_OUTOFMEMORY;
        result.vt = VT_BSTR;
        return S_OK;
    } catch (const CReadFailure& failure) {
        strReason = failure.strReason;
        return failure.hr;
    }
}

}  // namespace qjdbus
