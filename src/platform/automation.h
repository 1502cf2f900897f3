// Automation objects as the interpreter uses them: create one by programmatic identifier,
// resolve a member name to a DISPID, invoke a member with typed arguments, convert the result,
// release the object. The same interface sits on the system's automation library on Windows
// and on the in-process object model of src/platform/posix elsewhere.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The constants carry the automation library's names with AUTO_ in front, so that they never
// collide with the macros of the system headers, and its values.

// Status codes (HRESULT values); 0 is success, a negative value a failure.
constexpr int32_t AUTO_S_OK = 0;
constexpr int32_t AUTO_E_NOINTERFACE = static_cast<int32_t>(0x80004002);
constexpr int32_t AUTO_E_POINTER = static_cast<int32_t>(0x80004003);
constexpr int32_t AUTO_E_FAIL = static_cast<int32_t>(0x80004005);
constexpr int32_t AUTO_E_OUTOFMEMORY = static_cast<int32_t>(0x8007000E);
constexpr int32_t AUTO_E_INVALIDARG = static_cast<int32_t>(0x80070057);
// A module of a registered class cannot be loaded (the system error "module not found").
constexpr int32_t AUTO_E_MOD_NOT_FOUND = static_cast<int32_t>(0x8007007E);
constexpr int32_t AUTO_CLASS_E_NOAGGREGATION = static_cast<int32_t>(0x80040110);
constexpr int32_t AUTO_CLASS_E_CLASSNOTAVAILABLE = static_cast<int32_t>(0x80040111);
constexpr int32_t AUTO_CO_E_CLASSSTRING = static_cast<int32_t>(0x800401F3);
constexpr int32_t AUTO_CO_E_ERRORINDLL = static_cast<int32_t>(0x800401F9);
constexpr int32_t AUTO_DISP_E_UNKNOWNINTERFACE = static_cast<int32_t>(0x80020001);
constexpr int32_t AUTO_DISP_E_MEMBERNOTFOUND = static_cast<int32_t>(0x80020003);
constexpr int32_t AUTO_DISP_E_PARAMNOTFOUND = static_cast<int32_t>(0x80020004);
constexpr int32_t AUTO_DISP_E_TYPEMISMATCH = static_cast<int32_t>(0x80020005);
constexpr int32_t AUTO_DISP_E_UNKNOWNNAME = static_cast<int32_t>(0x80020006);
constexpr int32_t AUTO_DISP_E_NONAMEDARGS = static_cast<int32_t>(0x80020007);
constexpr int32_t AUTO_DISP_E_BADVARTYPE = static_cast<int32_t>(0x80020008);
constexpr int32_t AUTO_DISP_E_EXCEPTION = static_cast<int32_t>(0x80020009);
constexpr int32_t AUTO_DISP_E_OVERFLOW = static_cast<int32_t>(0x8002000A);
constexpr int32_t AUTO_DISP_E_BADPARAMCOUNT = static_cast<int32_t>(0x8002000E);

// Variant type codes.
constexpr uint16_t AUTO_VT_EMPTY = 0;
constexpr uint16_t AUTO_VT_NULL = 1;
constexpr uint16_t AUTO_VT_I4 = 3;
constexpr uint16_t AUTO_VT_BSTR = 8;
constexpr uint16_t AUTO_VT_DISPATCH = 9;
constexpr uint16_t AUTO_VT_BOOL = 11;
constexpr uint16_t AUTO_VT_VARIANT = 12;
constexpr uint16_t AUTO_VT_UNKNOWN = 13;

// Dispatch flags of an invocation; a method call without arguments passes METHOD|PROPERTYGET.
constexpr uint16_t AUTO_DISPATCH_METHOD = 1;
constexpr uint16_t AUTO_DISPATCH_PROPERTYGET = 2;
constexpr uint16_t AUTO_DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t AUTO_DISPATCH_PROPERTYPUTREF = 8;

// The platform's dispatch interface and variant; callers never look inside them.
struct IDispatch;
struct tagVARIANT;

// The result of an invocation: one variant, owned and cleared by this object.
class CAutoResult {
public:
    CAutoResult();
    ~CAutoResult();
    CAutoResult(const CAutoResult&) = delete;
    CAutoResult& operator=(const CAutoResult&) = delete;

    // Frees what the variant holds and makes it AUTO_VT_EMPTY.
    void Clear();
    uint16_t GetType() const;
    // Converts the variant in place to AUTO_VT_I4 or AUTO_VT_BSTR by the automation rules
    // (flags 0, so a boolean true is -1 and its text "-1"). Returns the status; on failure the
    // variant keeps its value.
    int32_t ChangeType(uint16_t vt);
    // The value of an AUTO_VT_I4 variant; 0 for any other type.
    int32_t GetNumber() const;
    // The narrow text of an AUTO_VT_BSTR variant; empty for a null string and any other type.
    std::string GetText() const;

private:
    friend class CAutoObject;
    std::unique_ptr<tagVARIANT> m_pVariant;
};

// One argument of an invocation: a 32-bit integer, or a narrow text that travels as an
// automation string, where a null text travels as a null string.
struct CAutoArg {
    uint16_t m_vt;  // AUTO_VT_I4 or AUTO_VT_BSTR
    int32_t m_nValue;
    bool m_bNullText;
    std::string m_strText;
};

// The arguments of an invocation in script order (first argument first).
class CAutoArgs {
public:
    void AddNumber(int32_t nValue) { m_arrArgs.push_back({AUTO_VT_I4, nValue, false, {}}); }
    // pszText may be null: the object then receives a null string.
    void AddText(const char* pszText) {
        m_arrArgs.push_back({AUTO_VT_BSTR, 0, pszText == nullptr, pszText ? pszText : ""});
    }
    size_t GetCount() const { return m_arrArgs.size(); }
    const CAutoArg& operator[](size_t i) const { return m_arrArgs[i]; }

private:
    std::vector<CAutoArg> m_arrArgs;
};

// The invocation failed with a status (not counting an exception the object raised).
class CAutoException : public std::exception {
public:
    explicit CAutoException(int32_t sc) : m_sc(sc) {}
    const char* what() const noexcept override { return "automation invocation failed"; }
    int32_t m_sc;
};

// The object raised an exception; it carries the object's description (maybe empty) and the
// status the object gave with it (0 when it gave none).
class CAutoDispatchException : public std::exception {
public:
    CAutoDispatchException(std::string strDescription, int32_t scError)
        : m_strDescription(std::move(strDescription)), m_scError(scError) {}
    const char* what() const noexcept override { return m_strDescription.c_str(); }
    std::string m_strDescription;
    int32_t m_scError;
};

// A handle on one automation object. It starts empty; CreateDispatch makes it hold an object,
// and the object is released with ReleaseDispatch or when the handle is destroyed.
class CAutoObject {
public:
    CAutoObject() = default;
    ~CAutoObject();
    CAutoObject(const CAutoObject&) = delete;
    CAutoObject& operator=(const CAutoObject&) = delete;

    // Creates the object of a programmatic identifier and asks it for its dispatch interface.
    // Returns AUTO_S_OK, or the failing status with the handle left empty; an identifier that
    // names no registered class is AUTO_CO_E_CLASSSTRING.
    int32_t CreateDispatch(const char* pszProgId);
    bool IsCreated() const { return m_pDispatch != nullptr; }
    void ReleaseDispatch();
    // Why the last CreateDispatch failed, in words, where the kind of object says more than
    // its status; empty otherwise.
    const std::string& GetCreateDescription() const { return m_strCreateDescription; }

    // Resolves one member name in the user's default locale. Returns AUTO_S_OK with the DISPID
    // in nDispId, or the object's failure (AUTO_DISP_E_UNKNOWNNAME for an unknown name).
    int32_t GetDispId(const char* pszName, int32_t& nDispId);

    // Invokes a member with dispatch flags and arguments; a property put passes its one
    // argument as the named property-put argument. vtResult is AUTO_VT_VARIANT to receive the
    // member's result in result, or AUTO_VT_EMPTY to ask for none (result is then left empty).
    // Throws CAutoDispatchException when the object raises an exception and CAutoException on
    // any other failure.
    void Invoke(int32_t nDispId, uint16_t wFlags, uint16_t vtResult, CAutoResult& result,
                const CAutoArgs& args);

private:
    IDispatch* m_pDispatch = nullptr;
    std::string m_strCreateDescription;
};
