// Identifier records: variables, constants, procedures, built-ins and objects, with their
// typed setters and getters; the argument slot of a call; the descriptor of a built-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

class CScriptDispatch;

// Type codes of a record; 1 and 2 are also the parameter and result types of a built-in.
enum VarType {
    VAR_NONE = 0,
    VAR_NUMBER = 1,
    VAR_STRING = 2,
    VAR_PROC = 3,
    VAR_FUNC = 4,
    VAR_CONST = 5,
    VAR_OBJECT = 6,
};

// Calls take at most this many arguments.
constexpr int MAX_ARGS = 15;

// Signature of one built-in.
class CFuncDesc {
public:
    // Both arrays are zero-terminated and may be null. A by-reference mark of 1 makes the
    // parameter at its position an output; any other non-zero mark only moves on.
    CFuncDesc(int32_t nRetType, const int32_t* pParamTypes, int32_t nFuncId, const int32_t* pByRef);

    int32_t m_nRetType;
    int32_t m_anParamType[MAX_ARGS + 1];
    int32_t m_abByRef[MAX_ARGS + 1];
    int32_t m_nParams;
    int32_t m_nFuncId;
};

class CScriptVar {
public:
    explicit CScriptVar(int32_t nType);
    virtual ~CScriptVar();
    CScriptVar(const CScriptVar&) = delete;
    CScriptVar& operator=(const CScriptVar&) = delete;

    bool SetNumber(int32_t nValue);
    bool SetNumberText(const char* pszText);
    bool SetString(const char* pszText);  // null makes the value Null
    bool SetText(std::string_view text);  // a text, never Null
    bool SetObject(CScriptDispatch* pDispatch);
    bool SetProcLine(int32_t nLine);
    bool SetFuncDesc(CFuncDesc* pDesc);

    int32_t GetNumber() {
        if (m_bInit && (m_nType == VAR_NUMBER || m_nType == VAR_CONST)) return m_nValue;
        return RefuseNumber();
    }
    const char* GetString();  // null for a Null value
    std::string& GetStringRef();
    int32_t GetProcLine();
    CFuncDesc* GetFuncDesc();
    CScriptDispatch* GetDispatch() const { return m_pDispatch.get(); }

    // Each raises through the current engine, naming this record; without an engine they
    // do nothing and the caller returns its failure value.
    void RaiseTypeMismatch();
    void RaiseInternal();
    void RaiseNotInitialized();

    bool IsSet() const { return m_bInit; }

    int32_t m_nType;
    int32_t m_nLine = 0;
    std::string m_strValue;
    int32_t m_nValue = 0;
    std::unique_ptr<CFuncDesc> m_pFuncDesc;
    std::unique_ptr<CScriptDispatch> m_pDispatch;
    bool m_bInit = false;
    bool m_bNull = false;
    // The key under which the identifier table holds the record (the table's own key, which
    // stays where it is while the record is held); null while the table holds it under none.
    const std::string* m_pName = nullptr;

    std::string_view Name() const { return m_pName != nullptr ? *m_pName : std::string_view(); }

private:
    void Raise(int nCode);
    // GetNumber of a record that holds no number: raises, or answers -1 without an engine.
    int32_t RefuseNumber();
    bool Accepts(int32_t nType) const { return !m_bInit || m_nType == nType; }
    // Makes the record a set one of the type, if it is unset or of that type already; an
    // internal error otherwise.
    bool TakeType(int32_t nType);
};

// One argument slot of a call. A String argument is the address of its text, which stays
// where it is until the call is over: a variable's value, or a literal's text the engine
// keeps. So a call costs the length of its literals, never that of the variables it names.
// Slots are filled in order and only filled ones are read, so a slot is never constructed.
class CScriptArg {
public:
    void SetNumber(int32_t nValue, CScriptVar* pSource = nullptr) {
        m_nType = VAR_NUMBER;
        m_nValue = nValue;
        m_pszText = nullptr;
        m_pSource = pSource;
    }
    // Null for a Null value.
    void SetString(const char* pszText, CScriptVar* pSource = nullptr) {
        m_nType = VAR_STRING;
        m_nValue = 0;
        m_pszText = pszText;
        m_pSource = pSource;
    }
    // The parser has checked the slot's type against the parameter's before these are read.
    int32_t GetNumber() const { return m_nValue; }
    const char* GetString() const { return m_pszText; }

    int32_t m_nType;
    int32_t m_nValue;
    const char* m_pszText;
    CScriptVar* m_pSource;  // the variable the value came from, if any
};
static_assert(std::is_trivially_default_constructible_v<CScriptArg>);
