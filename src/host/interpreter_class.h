// The module's automation class: CCInterpreter offers the two operations of the plain exports
// as dispatch methods, and its class factory makes it creatable as "QJIntp32.CInterpreter".
// All objects share the module's one engine, so a call while a run is in progress is refused
// as the export refuses it.
#pragma once

#include <atomic>

#include "platform/com.h"

// Dispatch ids: each method's position in the class's dispatch table, counted from 1.
constexpr DISPID DISPID_QJIPBREAK = 1;
constexpr DISPID DISPID_QJIPINTERPRET = 2;

constexpr char INTERPRETER_PROGID[] = "QJIntp32.CInterpreter";

// The class's dispatch interface, and its class: the class id equals the interface id except
// for its first byte in memory (the low byte of Data1), which is one higher. Both are fixed for
// good, since hosts and registrations refer to them.
inline constexpr IID IID_ICInterpreter = {
    0x4E7A3C10, 0x52D8, 0x4B1F, {0x8E, 0x63, 0x0A, 0x9D, 0x71, 0xC4, 0x2B, 0x5E}};
inline constexpr CLSID CLSID_CInterpreter = {
    0x4E7A3C11, 0x52D8, 0x4B1F, {0x8E, 0x63, 0x0A, 0x9D, 0x71, 0xC4, 0x2B, 0x5E}};

class CCInterpreter final : public IDispatch {
public:
    // Creates an object and hands out its interface riid.
    static HRESULT CreateInstance(REFIID riid, void** ppvObject);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // No type information is offered: clients bind by name or by the dispatch ids.
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    // Method names are matched without regard to case.
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    // QJIPBreak takes no arguments and gives no result. QJIPInterpret takes three texts (script
    // path, options, parameters) and gives a boolean: true when the script ran to its end.
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

private:
    // Each object holds the module as an application lock does, from construction to
    // destruction, which follows the release of the last reference.
    CCInterpreter();
    ~CCInterpreter();

    std::atomic<ULONG> m_nRefs{0};
};

// Makes the class creatable in this process; the module does it when it starts.
HRESULT RegisterInterpreterFactory();

// What the module's exports answer:
// DllGetClassObject: the factory for CLSID_CInterpreter, CLASS_E_CLASSNOTAVAILABLE for others.
HRESULT GetInterpreterClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// DllCanUnloadNow: S_OK when no object lives and no client holds a lock, else S_FALSE.
HRESULT CanUnloadInterpreterModule();
// DllRegisterServer: records the class with pszModulePath as its server; returns the status of
// the writing, which the export does not pass on.
HRESULT RegisterInterpreterServer(const char* pszModulePath);
