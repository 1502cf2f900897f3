// A D-Bus object as an automation object: its interface's methods and properties are the
// members, a call and a property access are calls on the bus, and the object's error replies
// are the exceptions it raises.
#include "platform/posix/dbus/object.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "plain_text.h"
#include "platform/posix/dbus/arguments.h"
#include "platform/posix/dbus/call.h"
#include "platform/posix/dbus/interface_xml.h"
#include "platform/posix/dbus/results.h"

namespace qjdbus {

namespace {

constexpr char PROPERTIES_INTERFACE[] = "org.freedesktop.DBus.Properties";
constexpr char INTROSPECTABLE_INTERFACE[] = "org.freedesktop.DBus.Introspectable";

// Ends an invocation with the object's exception.
HRESULT Raise(EXCEPINFO* pExcepInfo, const std::string& strDescription) {
    if (pExcepInfo) {
        *pExcepInfo = {};
        pExcepInfo->bstrDescription =
            SysAllocStringLen(strDescription.data(), static_cast<UINT>(strDescription.size()));
        pExcepInfo->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

class CObject final : public IDispatch {
public:
    CObject(BusPtr pBus, CObjectAddress address, std::vector<CMember> arrMembers)
        : m_pBus(std::move(pBus)),
          m_address(std::move(address)),
          m_arrMembers(std::move(arrMembers)) {}

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
        const ULONG nRefs = --m_nRefs;
        if (nRefs == 0) delete this;
        return nRefs;
    }
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT /*iTInfo*/, LCID /*lcid*/, ITypeInfo** ppTInfo) override {
        *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

private:
    ~CObject() = default;

    HRESULT CallMethod(const CMember& member, const DISPPARAMS& params, VARIANT* pResult,
                       EXCEPINFO* pExcepInfo, UINT* puArgErr);
    HRESULT GetProperty(const CMember& member, VARIANT* pResult, EXCEPINFO* pExcepInfo);
    HRESULT SetProperty(const CMember& member, const VARIANT& value, EXCEPINFO* pExcepInfo);
    // Sends the call and hands its reply's values to pResult (when given).
    HRESULT Send(MessagePtr pCall, VARIANT* pResult, EXCEPINFO* pExcepInfo);
    // A call of a member of the Properties interface with the interface's and the property's
    // names as its first arguments; null with the failure in hr.
    MessagePtr NewPropertiesCall(const char* pszMember, const CMember& member,
                                 EXCEPINFO* pExcepInfo, HRESULT& hr);

    std::atomic<ULONG> m_nRefs{1};
    BusPtr m_pBus;
    const CObjectAddress m_address;
    const std::vector<CMember> m_arrMembers;
};

// Names are looked up as written first; an object's member names differ in case only rarely,
// and a script cannot write one that is a keyword of its own in that case.
HRESULT CObject::GetIDsOfNames(REFIID /*riid*/, LPOLESTR* rgszNames, UINT cNames, LCID /*lcid*/,
                               DISPID* rgDispId) {
    if (cNames != 1 || !rgszNames[0]) return DISP_E_UNKNOWNNAME;
    for (bool bExact : {true, false}) {
        for (size_t i = 0; i < m_arrMembers.size(); ++i) {
            const std::string& strName = m_arrMembers[i].strName;
            if (bExact ? strName == rgszNames[0] : qjcommon::EqualsNoCase(strName, rgszNames[0])) {
                *rgDispId = static_cast<DISPID>(i);
                return S_OK;
            }
        }
    }
    *rgDispId = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CObject::Invoke(DISPID dispIdMember, REFIID /*riid*/, LCID /*lcid*/, WORD wFlags,
                        DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                        UINT* puArgErr) {
    if (dispIdMember < 0 || static_cast<size_t>(dispIdMember) >= m_arrMembers.size())
        return DISP_E_MEMBERNOTFOUND;
    const CMember& member = m_arrMembers[static_cast<size_t>(dispIdMember)];
    const DISPPARAMS& params = *pDispParams;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!member.bProperty) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1 || params.cNamedArgs != 1 ||
            params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_BADPARAMCOUNT;
        return SetProperty(member, params.rgvarg[0], pExcepInfo);
    }
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (!member.bProperty && (wFlags & DISPATCH_METHOD))
        return CallMethod(member, params, pVarResult, pExcepInfo, puArgErr);
    if (member.bProperty && (wFlags & DISPATCH_PROPERTYGET) && params.cArgs == 0)
        return GetProperty(member, pVarResult, pExcepInfo);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CObject::CallMethod(const CMember& member, const DISPPARAMS& params, VARIANT* pResult,
                            EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (params.cArgs != member.arrTypes.size()) return DISP_E_BADPARAMCOUNT;
    std::string strError;
    MessagePtr pCall = NewCall(m_pBus.get(), m_address, m_address.strInterface.c_str(),
                               member.strName.c_str(), strError);
    if (!pCall) return Raise(pExcepInfo, strError);
    // The arguments arrive last one first.
    for (UINT i = 0; i < params.cArgs; ++i) {
        const UINT nArg = params.cArgs - 1 - i;
        const HRESULT hr = AppendArgument(pCall.get(), member.arrTypes[i], params.rgvarg[nArg]);
        if (hr != S_OK) {
            if (puArgErr) *puArgErr = nArg;
            return hr;
        }
    }
    return Send(std::move(pCall), pResult, pExcepInfo);
}

MessagePtr CObject::NewPropertiesCall(const char* pszMember, const CMember& member,
                                      EXCEPINFO* pExcepInfo, HRESULT& hr) {
    std::string strError;
    MessagePtr pCall = NewCall(m_pBus.get(), m_address, PROPERTIES_INTERFACE, pszMember, strError);
    if (!pCall) {
        hr = Raise(pExcepInfo, strError);
        return nullptr;
    }
    const int nResult = sd_bus_message_append(pCall.get(), "ss", m_address.strInterface.c_str(),
                                              member.strName.c_str());
    hr = nResult >= 0 ? S_OK : E_OUTOFMEMORY;
    return nResult >= 0 ? std::move(pCall) : nullptr;
}

HRESULT CObject::GetProperty(const CMember& member, VARIANT* pResult, EXCEPINFO* pExcepInfo) {
    HRESULT hr = S_OK;
    MessagePtr pCall = NewPropertiesCall("Get", member, pExcepInfo, hr);
    return pCall ? Send(std::move(pCall), pResult, pExcepInfo) : hr;
}

// The value goes in a variant of the property's type; the bus refuses a type that is none.
HRESULT CObject::SetProperty(const CMember& member, const VARIANT& value, EXCEPINFO* pExcepInfo) {
    const std::string& strType = member.arrTypes[0];
    HRESULT hr = S_OK;
    MessagePtr pCall = NewPropertiesCall("Set", member, pExcepInfo, hr);
    if (!pCall) return hr;
    const int nOpened = sd_bus_message_open_container(pCall.get(), 'v', strType.c_str());
    if (nOpened < 0) return nOpened == -ENOMEM ? E_OUTOFMEMORY : DISP_E_BADVARTYPE;
    hr = AppendArgument(pCall.get(), strType, value);
    if (hr != S_OK) return hr;
    if (sd_bus_message_close_container(pCall.get()) < 0) return E_OUTOFMEMORY;
    return Send(std::move(pCall), nullptr, pExcepInfo);
}

HRESULT CObject::Send(MessagePtr pCall, VARIANT* pResult, EXCEPINFO* pExcepInfo) {
    std::string strError;
    MessagePtr pReply = CallAndWait(m_pBus.get(), pCall.get(), strError);
    if (!pReply) return Raise(pExcepInfo, strError);
    if (!pResult) return S_OK;
    const HRESULT hr = ReadResult(pReply.get(), *pResult, strError);
    return hr == S_OK ? hr : Raise(pExcepInfo, strError);
}

// Why the parts of the address are no names the bus takes; empty when they all are.
std::string InvalidPart(const CObjectAddress& address) {
    if (!sd_bus_service_name_is_valid(address.strService.c_str()))
        return "'" + address.strService + "' is no valid service name";
    if (!sd_bus_object_path_is_valid(address.strPath.c_str()))
        return "'" + address.strPath + "' is no valid object path";
    if (!sd_bus_interface_name_is_valid(address.strInterface.c_str()))
        return "'" + address.strInterface + "' is no valid interface name";
    return {};
}

BusPtr Connect(bool bSystemBus, std::string& strDescription) {
    sd_bus* pBus = nullptr;
    const int nResult = bSystemBus ? sd_bus_open_system(&pBus) : sd_bus_open_user(&pBus);
    if (nResult >= 0) return BusPtr(pBus);
    strDescription = std::string("cannot connect to the ") + (bSystemBus ? "system" : "session") +
                     " bus: " + std::strerror(-nResult);
    return nullptr;
}

// The introspection document of the object; empty with strDescription when it cannot be had.
std::string Introspect(sd_bus* pBus, const CObjectAddress& address, std::string& strDescription) {
    MessagePtr pCall =
        NewCall(pBus, address, INTROSPECTABLE_INTERFACE, "Introspect", strDescription);
    MessagePtr pReply = pCall ? CallAndWait(pBus, pCall.get(), strDescription) : nullptr;
    const char* pszXml = nullptr;
    if (pReply && sd_bus_message_read(pReply.get(), "s", &pszXml) < 0)
        strDescription = "the object's introspection data is no text";
    return pszXml ? pszXml : "";
}

}  // namespace

HRESULT CreateObject(const char* pszProgId, IDispatch** ppDispatch, std::string& strDescription) {
    *ppDispatch = nullptr;
    std::optional<CObjectAddress> address = ParseObjectProgId(pszProgId, strDescription);
    if (address) strDescription = InvalidPart(*address);
    if (!address || !strDescription.empty()) return CO_E_CLASSSTRING;
    BusPtr pBus = Connect(address->bSystemBus, strDescription);
    if (!pBus) return CLASS_E_CLASSNOTAVAILABLE;
    const std::string strXml = Introspect(pBus.get(), *address, strDescription);
    if (!strDescription.empty()) return CLASS_E_CLASSNOTAVAILABLE;
    std::optional<std::vector<CMember>> arrMembers =
        ReadInterfaceMembers(strXml, address->strInterface, strDescription);
    if (!arrMembers) return E_NOINTERFACE;
    *ppDispatch =
        new (std::nothrow) CObject(std::move(pBus), std::move(*address), std::move(*arrMembers));
    return *ppDispatch ? S_OK : E_OUTOFMEMORY;
}

}  // namespace qjdbus
