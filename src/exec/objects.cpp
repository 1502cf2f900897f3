// Object variables: the automation object a declaration creates, and the member accesses on it
// in statements and assignments. A member is resolved on the live object before its arguments
// are read, in every run mode, so that an unknown member is found by a check run too.
#include <cstring>
#include <memory>
#include <string>

#include "exec/dispatch.h"
#include "host/engine.h"
#include "host/scode.h"
#include "lexer/tokens.h"
#include "platform/sysmsg.h"

namespace {
// Offending texts of the failures of an invocation, which have no error code of their own.
constexpr char DETAIL_INVOKE_FAILED[] = "COleException";
constexpr char DETAIL_OBJECT_EXCEPTION[] = "COleDispatchException ";
constexpr char DETAIL_UNKNOWN_EXCEPTION[] = "Unknown Exception";
constexpr char DETAIL_RESULT_KIND[] = "RetType";

// What a member access asks of the object.
struct CMemberAccess {
    std::string strMember;
    int32_t nDispId = 0;
    uint16_t wFlags = 0;
};

// "." and the member's name.
std::string ReadMemberName(CScriptEngine& engine) {
    std::string strText;
    if (engine.GetToken(nullptr, strText) != TK_DOT) engine.Raise(strText, ERR_UNEXPECTED);
    if (engine.GetToken(nullptr, strText) != TK_IDENT) engine.Raise(strText, ERR_UNEXPECTED);
    return strText;
}

// The dispatch flags that the token after the member's name selects; that token stays unread.
uint16_t PeekAccessFlags(CScriptEngine& engine) {
    std::string strText;
    char* pszSaved = engine.m_pszPos;
    const int32_t nCode = engine.GetToken(nullptr, strText);
    engine.m_pszPos = pszSaved;
    switch (nCode) {
        case TK_END:
            return AUTO_DISPATCH_PROPERTYGET;
        case TK_LPAREN:
            return AUTO_DISPATCH_METHOD;
        case TK_ASSIGN:
            return AUTO_DISPATCH_PROPERTYPUT;
        default:
            engine.Raise(strText, ERR_UNEXPECTED);
    }
}

// Copies the value of a variable named on the right of a property assignment into the slot.
void CopyVariable(CScriptEngine& engine, const std::string& strName, CScriptArg& slot) {
    CScriptVar* pSource = engine.FindIdent(strName);
    if (pSource == nullptr) engine.Raise(strName, ERR_UNKNOWN_IDENT);
    switch (pSource->m_nType) {
        case VAR_NUMBER:
        case VAR_CONST:
            slot.SetNumber(pSource->GetNumber());
            break;
        case VAR_STRING:
            slot.SetString(pSource->GetString());
            break;
        default:
            engine.Raise(strName, ERR_UNEXPECTED);
    }
}

// "=" and the one value of a property assignment, which must end the line.
void ReadPutValue(CScriptEngine& engine, CScriptArg& slot) {
    std::string strText;
    engine.GetToken(nullptr, strText);  // the "=" that selected the assignment
    switch (engine.GetToken(nullptr, strText)) {
        case TK_NUMBER:
            slot.SetNumber(engine.ToNumber(strText));
            break;
        case TK_STRING:
            slot.SetString(engine.KeepLiteral(0, strText));
            break;
        case TK_NULL:
            slot.SetString(nullptr);
            break;
        case TK_IDENT:
            CopyVariable(engine, strText, slot);
            break;
        default:
            engine.Raise(strText, ERR_UNEXPECTED);
    }
    if (engine.GetToken(nullptr, strText) != TK_END) engine.Raise(strText, ERR_UNEXPECTED);
}

// Reads the member access that follows an object's name and resolves the member.
CMemberAccess ReadMemberAccess(CScriptEngine& engine, CScriptDispatch& object) {
    CMemberAccess access;
    access.strMember = ReadMemberName(engine);
    access.wFlags = PeekAccessFlags(engine);
    if (object.GetDispId(access.strMember.c_str(), access.nDispId) != AUTO_S_OK)
        engine.Raise(access.strMember, ERR_UNKNOWN_MEMBER);
    return access;
}

// Fills the slots with the access's arguments; returns how many. A method called without
// arguments is also offered as a property read, as the automation convention has it.
int ReadArguments(CScriptEngine& engine, CMemberAccess& access, CScriptArg* pSlots) {
    switch (access.wFlags) {
        case AUTO_DISPATCH_METHOD: {
            const int nArgs = engine.ParseArgs(pSlots);
            if (nArgs == 0) access.wFlags = AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET;
            return nArgs;
        }
        case AUTO_DISPATCH_PROPERTYPUT:
            ReadPutValue(engine, pSlots[0]);
            return 1;
        default:
            return 0;
    }
}

// A member access on an object that a check for form alone never created: read, not resolved.
int32_t ReadAccessForm(CScriptEngine& engine) {
    CMemberAccess access;
    access.strMember = ReadMemberName(engine);
    access.wFlags = PeekAccessFlags(engine);
    auto pSlots = std::make_unique<CScriptArg[]>(MAX_ARGS);
    ReadArguments(engine, access, pSlots.get());
    return 0;
}

// Invokes the member; every failure of the invocation becomes an internal error.
void Invoke(CScriptEngine& engine, CScriptDispatch& object, const CMemberAccess& access,
            const CAutoArgs& args, CAutoResult& result) {
    const uint16_t vtResult =
        access.wFlags == AUTO_DISPATCH_PROPERTYPUT ? AUTO_VT_EMPTY : AUTO_VT_VARIANT;
    try {
        object.Invoke(access.nDispId, access.wFlags, vtResult, result, args);
    } catch (const CAutoDispatchException& e) {
        engine.Raise(DETAIL_OBJECT_EXCEPTION + e.m_strDescription, ERR_INTERNAL);
    } catch (const CAutoException&) {
        engine.Raise(DETAIL_INVOKE_FAILED, ERR_INTERNAL);
    } catch (...) {
        engine.Raise(DETAIL_UNKNOWN_EXCEPTION, ERR_INTERNAL);
    }
}

// The line that shows an object call's result.
void TraceReturnValue(CScriptEngine& engine, const std::string& strLabel,
                      const std::string& strValue) {
    if (!engine.m_bTrace) return;
    const std::string strLine = strLabel + " - " + engine.m_strReturnLabel + ": " + strValue;
    engine.Report(strLine.c_str(), true);
}

// Hands the invocation's result to the caller in the kind it asked for.
int32_t TakeResult(CScriptEngine& engine, CAutoResult& result, int nResultKind,
                   const std::string& strMember, const std::string& strLabel,
                   std::string& strResult) {
    if (nResultKind == AUTO_VT_I4 || nResultKind == AUTO_VT_BSTR) {
        if (result.GetType() == AUTO_VT_EMPTY) engine.Raise(strMember, ERR_VOID_ASSIGNMENT);
        if (result.ChangeType(static_cast<uint16_t>(nResultKind)) != AUTO_S_OK) {
            result.Clear();
            engine.Raise(strMember, ERR_TYPE_MISMATCH);
        }
    }
    switch (nResultKind) {
        case AUTO_VT_EMPTY:
            return 0;
        case AUTO_VT_BSTR:
            // Automation texts are counted and may hold a NUL; a script text ends at the first.
            strResult = result.GetText();
            strResult.resize(std::strlen(strResult.c_str()));
            TraceReturnValue(engine, strLabel, '"' + strResult + '"');
            return 0;
        case AUTO_VT_I4: {
            const int32_t nValue = result.GetNumber();
            TraceReturnValue(engine, strLabel, std::to_string(nValue));
            return nValue;
        }
        default:
            engine.Raise(DETAIL_RESULT_KIND, ERR_INTERNAL);
    }
}
}  // namespace

CScriptDispatch::CScriptDispatch(CScriptEngine* pEngine, const char* pszProgId) {
    const int32_t sc = CreateDispatch(pszProgId);
    if (IsCreated()) return;
    std::string strDescription = GetCreateDescription();
    if (strDescription.empty() && !GetSystemMessageText(sc, strDescription))
        strDescription = DescribeScode(sc);
    pEngine->Raise("'" + std::string(pszProgId) + "' - " + strDescription, ERR_CREATE_DISPATCH);
}

void GetArgValue(const CScriptArg& slot, CAutoArgs& args) {
    if (slot.m_nType == VAR_STRING) {
        args.AddText(slot.GetString());
    } else {
        args.AddNumber(slot.GetNumber());
    }
}

int32_t CScriptEngine::CallObject(CScriptVar* pObject, std::string& strResult, int nResultKind) {
    if (m_bFormOnly && pObject != nullptr && pObject->m_nType == VAR_OBJECT)
        return ReadAccessForm(*this);
    if (pObject == nullptr || !pObject->IsSet() || pObject->m_nType != VAR_OBJECT ||
        pObject->GetDispatch() == nullptr)
        Raise(GetIdentName(pObject), ERR_INTERNAL);
    CScriptDispatch& object = *pObject->GetDispatch();

    CMemberAccess access = ReadMemberAccess(*this, object);
    // On the heap: an object call runs at the deepest nesting level of a script.
    auto pSlots = std::make_unique<CScriptArg[]>(MAX_ARGS);
    const int nArgs = ReadArguments(*this, access, pSlots.get());
    const std::string strLabel = GetIdentName(pObject) + "." + access.strMember;
    if (m_bCheckOnly || m_bSimulate) return 0;
    if (m_bTrace && access.wFlags != AUTO_DISPATCH_PROPERTYPUT)
        TraceCall(strLabel, pSlots.get(), nArgs);

    // Taken before the invocation: a slot without a value is a script error of its own.
    CAutoArgs args;
    for (int i = 0; i < nArgs; ++i) GetArgValue(pSlots[i], args);
    CAutoResult result;
    Invoke(*this, object, access, args, result);
    return TakeResult(*this, result, nResultKind, access.strMember, strLabel, strResult);
}
