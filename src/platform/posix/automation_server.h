// The in-process object model that stands in for COM automation on POSIX systems, for the
// object handle of automation.h and for anyone who writes an automation class: the dispatch and
// class-factory interfaces, variants and automation strings, class identifiers, the class
// registry and the entry an automation-server library exports.
//
// Names, layouts and rules follow COM: arguments arrive in DISPPARAMS in reverse order, a
// property put passes its value as the named argument DISPID_PROPERTYPUT, an object reports an
// exception as DISP_E_EXCEPTION with an EXCEPINFO, the caller owns the arguments and the callee
// the result it hands out. Automation strings hold 8-bit text here (OLECHAR is char), the
// same bytes the interpreter holds, so nothing is converted on the way.
//
// An automation-server library compiles variant.cpp beside its own sources (it holds the
// string and variant helpers, which allocate with malloc, so any module may free what another
// allocated) and exports DllGetClassObject. The class registry (class_registry.cpp) lives in
// the interpreter's core.
#pragma once

#include <cstdint>
#include <string>

#include "family/export.h"
#include "platform/automation.h"

using HRESULT = int32_t;
using SCODE = int32_t;
using ULONG = uint32_t;
using UINT = unsigned int;
using USHORT = uint16_t;
using WORD = uint16_t;
using BOOL = int;
using LCID = uint32_t;
using DISPID = int32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char;
using LPOLESTR = OLECHAR*;
// A length-prefixed, zero-terminated automation string; null is a valid (null) string.
using BSTR = OLECHAR*;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr IID IID_NULL = {};
inline constexpr IID IID_IUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HRESULT S_OK = AUTO_S_OK;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = AUTO_E_NOINTERFACE;
constexpr HRESULT E_POINTER = AUTO_E_POINTER;
constexpr HRESULT E_FAIL = AUTO_E_FAIL;
constexpr HRESULT E_OUTOFMEMORY = AUTO_E_OUTOFMEMORY;
constexpr HRESULT E_INVALIDARG = AUTO_E_INVALIDARG;
constexpr HRESULT CLASS_E_NOAGGREGATION = AUTO_CLASS_E_NOAGGREGATION;
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = AUTO_CLASS_E_CLASSNOTAVAILABLE;
constexpr HRESULT CO_E_CLASSSTRING = AUTO_CO_E_CLASSSTRING;
constexpr HRESULT CO_E_ERRORINDLL = AUTO_CO_E_ERRORINDLL;
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = AUTO_DISP_E_UNKNOWNINTERFACE;
constexpr HRESULT DISP_E_MEMBERNOTFOUND = AUTO_DISP_E_MEMBERNOTFOUND;
constexpr HRESULT DISP_E_PARAMNOTFOUND = AUTO_DISP_E_PARAMNOTFOUND;
constexpr HRESULT DISP_E_TYPEMISMATCH = AUTO_DISP_E_TYPEMISMATCH;
constexpr HRESULT DISP_E_UNKNOWNNAME = AUTO_DISP_E_UNKNOWNNAME;
constexpr HRESULT DISP_E_NONAMEDARGS = AUTO_DISP_E_NONAMEDARGS;
constexpr HRESULT DISP_E_BADVARTYPE = AUTO_DISP_E_BADVARTYPE;
constexpr HRESULT DISP_E_EXCEPTION = AUTO_DISP_E_EXCEPTION;
constexpr HRESULT DISP_E_OVERFLOW = AUTO_DISP_E_OVERFLOW;
constexpr HRESULT DISP_E_BADPARAMCOUNT = AUTO_DISP_E_BADPARAMCOUNT;

enum VARENUM : VARTYPE {
    VT_EMPTY = AUTO_VT_EMPTY,
    VT_NULL = AUTO_VT_NULL,
    VT_I4 = AUTO_VT_I4,
    VT_BSTR = AUTO_VT_BSTR,
    VT_DISPATCH = AUTO_VT_DISPATCH,
    VT_BOOL = AUTO_VT_BOOL,
    VT_VARIANT = AUTO_VT_VARIANT,
    VT_UNKNOWN = AUTO_VT_UNKNOWN,
};
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr WORD DISPATCH_METHOD = AUTO_DISPATCH_METHOD;
constexpr WORD DISPATCH_PROPERTYGET = AUTO_DISPATCH_PROPERTYGET;
constexpr WORD DISPATCH_PROPERTYPUT = AUTO_DISPATCH_PROPERTYPUT;
constexpr WORD DISPATCH_PROPERTYPUTREF = AUTO_DISPATCH_PROPERTYPUTREF;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

struct IUnknown;
struct IDispatch;
struct ITypeInfo;

// Only the types of the union below are known to the helpers in variant.cpp.
struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        int32_t lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
    };
};
using VARIANT = tagVARIANT;
using VARIANTARG = tagVARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg;  // the arguments, last one first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    ULONG dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

// The interfaces have no public destructor: an object goes away through its last Release.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// --- automation strings and variants (variant.cpp)

BSTR SysAllocString(const OLECHAR* psz);
// Copies cch characters of psz, or makes cch uninitialised ones when psz is null.
BSTR SysAllocStringLen(const OLECHAR* psz, UINT cch);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);

void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Converts to VT_I4 or VT_BSTR (or to the source's own type) from VT_EMPTY, VT_I4, VT_BOOL
// and VT_BSTR; pvargDest may be pvargSrc. Texts convert to numbers as COM reads them with the
// standard parse flags in an English locale, limited to blanks, one leading sign, digits and
// a decimal fraction (rounded half to even).
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc, USHORT wFlags,
                          VARTYPE vt);

// --- class identifiers (class_registry.cpp)

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits in either case).
bool GuidFromString(const char* psz, GUID& guid);
// Writes that form with upper-case digits.
std::string GuidToString(const GUID& guid);

// --- the class registry (class_registry.cpp)
//
// A class is found by its programmatic identifier (compared without regard to case), first
// among the factories registered in the process, then in the registry file. Each line of that
// file names one class: the programmatic identifier, the class identifier in braces and the
// path of the library that serves it, separated by blanks; the path runs to the end of the
// line. Blank lines and lines starting with "#" are ignored. The file is named by the
// environment variable QJ_CLASSES, else it is "classes" in the configuration folder:
// $XDG_CONFIG_HOME/qjintp/classes, else $HOME/.config/qjintp/classes.

// Makes a class creatable in this process; the registry keeps a reference to the factory.
// A later registration of the same programmatic identifier replaces the earlier one.
HRESULT RegisterClassFactory(const char* pszProgId, REFCLSID clsid, IClassFactory* pFactory);

// Writes the line of one class into the registry file, replacing the line of the same
// programmatic identifier or appending one, and creating the file and its folder as needed.
HRESULT WriteClassRegistration(const char* pszProgId, REFCLSID clsid, const char* pszLibrary);

// The path of the registry file, or empty when neither variable is set.
std::string GetClassRegistryPath();

// The entry of an automation-server library: hands out the factory of a class it serves.
extern "C" QJ_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
using PFNGETCLASSOBJECT = decltype(&DllGetClassObject);
