// Runs one built-in directly through ExecBuiltin, with argument slots filled the way the
// argument parser fills them: a literal, Null, or a variable's value with its source.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "doubles/family_double.h"
#include "host/engine.h"

// A Number, a text (null for Null), or a variable.
using ArgValue = std::variant<int32_t, const char*, CScriptVar*>;

inline ArgValue N(int32_t n) {
    return n;
}
inline ArgValue T(const char* psz) {
    return psz;
}
inline ArgValue Null() {
    return static_cast<const char*>(nullptr);
}
inline ArgValue V(CScriptVar& var) {
    return &var;
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
        CScriptArg aSlots[MAX_ARGS];
        for (size_t i = 0; i < args.size(); ++i) {
            CScriptArg& slot = aSlots[i];
            if (const int32_t* pNumber = std::get_if<int32_t>(&args[i])) {
                slot.SetNumber(*pNumber);
            } else if (const char* const* ppszText = std::get_if<const char*>(&args[i])) {
                slot.SetString(*ppszText);
            } else {
                CScriptVar* pSource = std::get<CScriptVar*>(args[i]);
                if (pSource->m_nType == VAR_STRING)
                    slot.SetString(pSource->GetString(), pSource);
                else
                    slot.SetNumber(pSource->GetNumber(), pSource);
            }
        }
        BuiltinResult result{0, {}};
        result.nResult =
            m_engine.ExecBuiltin(m_engine.FindIdent(pszName), aSlots, result.strResult);
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
};
