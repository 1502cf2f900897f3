// Runs one built-in directly through ExecBuiltin, with argument slots filled the way the
// argument parser fills them: a literal, Null, or a copy of a variable with its source.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "doubles/family_double.h"
#include "host/engine.h"

struct ArgValue {
    enum Kind { NUMBER, TEXT, VARIABLE } eKind;
    int32_t nValue = 0;
    const char* pszText = nullptr;  // null stands for Null
    CScriptVar* pVar = nullptr;
};

inline ArgValue N(int32_t n) {
    return {ArgValue::NUMBER, n, nullptr, nullptr};
}
inline ArgValue T(const char* psz) {
    return {ArgValue::TEXT, 0, psz, nullptr};
}
inline ArgValue Null() {
    return T(nullptr);
}
inline ArgValue V(CScriptVar& var) {
    return {ArgValue::VARIABLE, 0, nullptr, &var};
}

struct BuiltinResult {
    int32_t nResult;
    std::string strResult;
};

class BuiltinTest : public ::testing::Test {
protected:
    BuiltinTest() { family_double::Reset(); }

    // Runs the named built-in; a script error escapes as CScriptError.
    BuiltinResult Exec(const char* pszName, const std::vector<ArgValue>& args) {
        CScriptVar* pFunc = m_engine.FindIdent(pszName);
        if (pFunc == nullptr) throw std::invalid_argument(pszName);
        CScriptArg aSlots[MAX_ARGS];
        CScriptArg* pSlot = aSlots;
        for (const ArgValue& arg : args) Fill(*pSlot++, arg);
        BuiltinResult result{0, {}};
        result.nResult = m_engine.ExecBuiltin(pFunc, aSlots, result.strResult);
        return result;
    }

    // The message of the script error the call raises, or "no error".
    std::string ErrorOf(const char* pszName, const std::vector<ArgValue>& args) {
        try {
            Exec(pszName, args);
        } catch (const CScriptError& error) {
            return error.strMessage;
        }
        return "no error";
    }

    // A String variable held by the engine under the name, set to the text (null: Null).
    CScriptVar& StringVar(const char* pszName, const char* pszValue) {
        auto pVar = std::make_unique<CScriptVar>(VAR_STRING);
        pVar->SetString(pszValue);
        return *m_engine.SetIdent(pszName, std::move(pVar));
    }

    CScriptEngine m_engine;

private:
    static void Fill(CScriptArg& slot, const ArgValue& arg) {
        switch (arg.eKind) {
            case ArgValue::NUMBER:
                slot.SetNumber(arg.nValue);
                break;
            case ArgValue::TEXT:
                slot.SetString(arg.pszText);
                break;
            case ArgValue::VARIABLE:
                if (arg.pVar->m_nType == VAR_STRING)
                    slot.SetString(arg.pVar->GetString());
                else
                    slot.SetNumber(arg.pVar->GetNumber());
                slot.m_pSource = arg.pVar;
                break;
        }
    }
};
