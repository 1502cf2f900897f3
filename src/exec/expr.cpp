// Conditions, assignments and argument lists: the three places where a line holds a value.
// Every token a faulty line needs is read before the first check, so that the error a line
// gets does not depend on how far it was read.
#include <cstdint>

#include "host/engine.h"
#include "lexer/tokens.h"

namespace {
// OLE variant types of the result an object access is asked for.
constexpr int VT_I4 = 3;
constexpr int VT_BSTR = 8;

// The record a name stands for; a name the table does not hold is unknown.
CScriptVar* LookUp(CScriptEngine& engine, std::string_view strName) {
    CScriptVar* pVar = engine.FindIdent(strName);
    if (pVar == nullptr) engine.Raise(strName, ERR_UNKNOWN_IDENT);
    return pVar;
}

// The value of a condition operand that has passed the operand check.
int32_t OperandValue(CScriptEngine& engine, int32_t nCode, const CTokenText& strText) {
    if (nCode == TK_NUMBER) return engine.ToNumber(strText);
    return LookUp(engine, strText)->GetNumber();
}

bool IsComparison(int32_t nCode) {
    return nCode == TK_NE || nCode == TK_EQ || nCode == TK_LE || nCode == TK_GE;
}

// Numbers wrap around in 32 bits; the arithmetic is done unsigned, where wrapping is defined.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// The operator and the value token of an assignment, both read before either is checked.
struct Assignment {
    int32_t nOperator;
    int32_t nValue;
    const CTokenText& strValue;
};

// Both tokens must be there, and the operator one of those the target's type allows. Taken
// into each assignment; the value token is the engine's, which the assignment reads on.
[[gnu::always_inline]] inline Assignment ReadAssignment(CScriptEngine& engine, bool bNumber) {
    const int32_t nOperator = engine.GetToken(nullptr, engine.m_tokOperator);
    const int32_t nValue = engine.GetToken(nullptr, engine.m_tokValue);
    const bool bKnown = nOperator == TK_ASSIGN ||
                        (bNumber && (nOperator == TK_ADD_ASSIGN || nOperator == TK_SUB_ASSIGN));
    if (nOperator == TK_END || nValue == TK_END || !bKnown)
        engine.Raise("", ERR_INVALID_EXPRESSION);
    return Assignment{nOperator, nValue, engine.m_tokValue};
}

// The token after the last one a line may hold, which must be its end: most lines end right
// after that last token, and such an end needs no lexer.
int32_t GetTrailingToken(CScriptEngine& engine, CTokenText& text) {
    if (*engine.m_pszPos == '\0') return TK_END;
    return engine.GetToken(nullptr, text);
}

// Fills slot nSlot from a token; false for the ")" that ends the list early.
bool FillSlot(CScriptEngine& engine, CScriptArg* pSlots, int nSlot, int32_t nCode,
              const CTokenText& strText) {
    CScriptArg& slot = pSlots[nSlot];
    switch (nCode) {
        case TK_IDENT: {
            CScriptVar* pSource = LookUp(engine, strText);
            if (pSource->m_nType == VAR_NUMBER || pSource->m_nType == VAR_CONST) {
                slot.SetNumber(pSource->GetNumber(), pSource);
            } else if (pSource->m_nType == VAR_STRING) {
                slot.SetString(pSource->GetString(), pSource);
            } else {
                engine.Raise(strText, ERR_UNEXPECTED);
            }
            return true;
        }
        case TK_NUMBER:
            slot.SetNumber(engine.ToNumber(strText));
            return true;
        case TK_STRING:
            slot.SetString(engine.KeepLiteral(nSlot, strText));
            return true;
        case TK_NULL:
            slot.SetString(nullptr);
            return true;
        case TK_RPAREN:
            return false;
        default:
            engine.Raise(strText, ERR_UNEXPECTED);
    }
}
}  // namespace

[[gnu::flatten]] bool CScriptEngine::EvalCondition(std::string_view strCondition) {
    // The parentheses' own texts name no error, so they and the rest share one token.
    CTokenText &strLeft = m_tokLeft, &strCompare = m_tokCompare, &strRight = m_tokRight,
               &strOther = m_tokOther;
    // The lexer only reads the text it is given.
    const int32_t nOpen =
        GetPunctuation(const_cast<char*>(strCondition.data()), '(', TK_LPAREN, strOther);
    const int32_t nLeft = GetToken(nullptr, strLeft);
    const int32_t nCompare = GetToken(nullptr, strCompare);
    const int32_t nRight = GetToken(nullptr, strRight);
    const int32_t nClose = GetPunctuation(nullptr, ')', TK_RPAREN, strOther);
    if (nOpen != TK_LPAREN || nClose != TK_RPAREN) Raise(strCondition, ERR_INVALID_EXPRESSION);
    if (GetTrailingToken(*this, strOther) != TK_END) Raise(strOther, ERR_UNEXPECTED);
    if (nLeft != TK_NUMBER && nLeft != TK_IDENT) Raise(strLeft, ERR_INVALID_OPERAND);
    if (nRight != TK_NUMBER && nRight != TK_IDENT) Raise(strRight, ERR_INVALID_OPERAND);
    if (!IsComparison(nCompare)) Raise(strCompare, ERR_INVALID_OPERATOR);

    const int32_t nLeftValue = OperandValue(*this, nLeft, strLeft);
    const int32_t nRightValue = OperandValue(*this, nRight, strRight);
    switch (nCompare) {
        case TK_NE:
            return nLeftValue != nRightValue;
        case TK_EQ:
            return nLeftValue == nRightValue;
        case TK_LE:
            return nLeftValue <= nRightValue;
        default:
            return nLeftValue >= nRightValue;
    }
}

// The assignments stay out of line: a block compiles its name step into itself, and their
// calls would widen the frame of every nesting level. Each compiles its own steps, the lexer
// included, into itself; the calls of built-ins and objects stay out of line.
[[gnu::noinline, gnu::flatten]] void CScriptEngine::AssignNumber(CScriptVar* pTarget) {
    const auto [nOperator, nValueCode, strValue] = ReadAssignment(*this, true);

    int32_t nValue = 0;
    if (nValueCode == TK_NUMBER) {
        nValue = ToNumber(strValue);
    } else if (nValueCode == TK_IDENT) {
        CScriptVar* pSource = LookUp(*this, strValue);
        std::string strScratch;
        switch (pSource->m_nType) {
            case VAR_NUMBER:
            case VAR_CONST:
                nValue = pSource->GetNumber();
                break;
            case VAR_FUNC:
                nValue = CallBuiltin(pSource, strScratch, VAR_NUMBER);
                break;
            case VAR_OBJECT:
                nValue = CallObject(pSource, strScratch, VT_I4);
                break;
            default:
                Raise(strValue, ERR_TYPE_MISMATCH);
        }
    } else {
        Raise(strValue, ERR_TYPE_MISMATCH);
    }

    // The value is complete before the target is read.
    if (nOperator == TK_ADD_ASSIGN) {
        nValue = WrapAdd(pTarget->GetNumber(), nValue);
    } else if (nOperator == TK_SUB_ASSIGN) {
        nValue = WrapSub(pTarget->GetNumber(), nValue);
    }
    pTarget->SetNumber(nValue);
}

[[gnu::noinline, gnu::flatten]] void CScriptEngine::AssignString(CScriptVar* pTarget) {
    const Assignment assignment = ReadAssignment(*this, false);
    const int32_t nValueCode = assignment.nValue;
    const CTokenText& strValue = assignment.strValue;

    if (nValueCode == TK_STRING) {
        pTarget->SetText(strValue);
    } else if (nValueCode == TK_NULL) {
        pTarget->SetString(nullptr);
    } else if (nValueCode == TK_IDENT) {
        CScriptVar* pSource = LookUp(*this, strValue);
        std::string strScratch;
        switch (pSource->m_nType) {
            case VAR_STRING: {
                // A Null source makes the target Null; a variable assigned to itself keeps
                // its value.
                const char* pszText = pSource->GetString();
                if (pSource != pTarget) pTarget->SetString(pszText);
                break;
            }
            case VAR_FUNC:
                CallBuiltin(pSource, strScratch, VAR_STRING);
                pTarget->SetString(strScratch.c_str());
                break;
            case VAR_OBJECT:
                CallObject(pSource, strScratch, VT_BSTR);
                pTarget->SetString(strScratch.c_str());
                break;
            default:
                Raise(strValue, ERR_TYPE_MISMATCH);
        }
    } else {
        Raise(strValue, ERR_TYPE_MISMATCH);
    }
}

[[gnu::flatten]] int CScriptEngine::ParseArgs(CScriptArg* pSlots) {
    CTokenText& strText = m_tokArgument;
    if (GetPunctuation(nullptr, '(', TK_LPAREN, strText) != TK_LPAREN)
        Raise(strText, ERR_UNEXPECTED);

    int nFilled = 0;
    while (nFilled < MAX_ARGS) {
        const int32_t nCode = GetToken(nullptr, strText);
        if (!FillSlot(*this, pSlots, nFilled, nCode, strText)) break;
        ++nFilled;
        // Most calls take one argument, after which the list ends.
        const int32_t nNext = GetPunctuation(nullptr, ')', TK_RPAREN, strText);
        if (nNext == TK_RPAREN) break;
        if (nNext == TK_END) Raise("", ERR_INVALID_EXPRESSION);
        if (nNext != TK_COMMA) Raise(strText, ERR_UNEXPECTED);
    }
    // After fifteen arguments and a comma, the next token fails here, whatever it is.
    if (GetTrailingToken(*this, strText) != TK_END) Raise(strText, ERR_UNEXPECTED);
    return nFilled;
}

const char* CScriptEngine::KeepLiteral(int nSlot, std::string_view text) {
    std::string& strKept = m_aLiteralArgs[static_cast<size_t>(nSlot)];
    strKept.assign(text);
    return strKept.c_str();
}
