// The built-ins run directly through ExecBuiltin, their slots filled as the argument parser fills
// them: what reaches the family's modules and comes back, and the string, conversion and path
// built-ins and Exit on their edge cases.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "doubles/family_double.h"
#include "host/engine.h"
#include "support/script_runner.h"

namespace {

// A Number, a text (null for Null), or a String variable, put into a slot as the parser puts it.
using ArgValue = std::function<void(CScriptArg&)>;

const auto N = [](int32_t n) -> ArgValue { return [n](CScriptArg& slot) { slot.SetNumber(n); }; };
const auto T = [](const char* psz) -> ArgValue {
    return [psz](CScriptArg& slot) { slot.SetString(psz); };
};
const auto Null = [] { return T(nullptr); };
const auto V = [](CScriptVar& var) -> ArgValue {
    return [&var](CScriptArg& slot) { slot.SetString(var.GetString(), &var); };
};

// A built-in's number result and its text result.
using BuiltinResult = std::pair<int32_t, std::string>;

class BuiltinTest : public ::testing::Test {
protected:
    BuiltinTest() { family_double::Reset(); }

    BuiltinResult Exec(const char* pszName, const std::vector<ArgValue>& args) {
        CScriptArg aSlots[MAX_ARGS];
        for (size_t i = 0; i < args.size(); ++i) args[i](aSlots[i]);
        std::string strResult;
        CScriptVar* pFunc = m_engine.FindIdent(pszName);
        return {m_engine.ExecBuiltin(pFunc, *pFunc->GetFuncDesc(), aSlots, strResult), strResult};
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

using namespace family_double;

using ForwardTest = BuiltinTest;

// Each built-in is called with arguments made from its own descriptor: a distinct value per
// position, and a variable for an output. A built-in that forwards must reach the family entry
// of its own name with the arguments in order, the output as the result buffer, and hand back
// the entry's answer; every built-in must be carried out by one of the groups.
TEST_F(ForwardTest, EveryBuiltinIsCarriedOutAndForwardsItsArgumentsInOrder) {
    std::vector<std::string> arrFuncs;
    for (const auto& [strName, pVar] : m_engine.m_mapIdent)
        if (pVar->m_nType == VAR_FUNC) arrFuncs.push_back(strName);
    int nForwards = 0;
    for (const std::string& strName : arrFuncs) {
        SCOPED_TRACE(strName);
        const CFuncDesc& desc = *m_engine.FindIdent(strName)->GetFuncDesc();
        CScriptVar& out = StringVar("out", "old");
        std::vector<std::string> arrTexts;
        arrTexts.reserve(MAX_ARGS);  // the arguments point into it
        std::vector<ArgValue> args;
        std::vector<CallArg> passed;
        for (int k = 0; k < desc.m_nParams; ++k) {
            if (desc.m_abByRef[k] != 0) {
                args.push_back(V(out));
                passed.push_back(Buffer());
            } else if (desc.m_anParamType[k] == VAR_NUMBER) {
                args.push_back(N(k + 1));
                passed.push_back(Num(k + 1));
            } else {
                arrTexts.push_back("t" + std::to_string(k + 1));
                args.push_back(T(arrTexts.back().c_str()));
                passed.push_back(Text(arrTexts.back()));
            }
        }
        g_calls.clear();
        g_results[strName] = 77;
        int32_t nResult = 0;
        try {
            nResult = Exec(strName.c_str(), args).first;
        } catch (const CScriptError& error) {
            // Atoi of a word and Exit end in errors of their own.
            EXPECT_NE(m_engine.m_nError, ERR_FUNC_NOT_IMPLEMENTED) << error.strMessage;
            continue;
        }
        if (g_calls.empty()) continue;
        ++nForwards;
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(g_calls[0].strFunc, strName);
        EXPECT_EQ(g_calls[0].args, passed);
        if (desc.m_nRetType == VAR_NUMBER) {
            EXPECT_EQ(nResult, 77);
        }
    }
    EXPECT_EQ(nForwards, 37);  // 25 file-library, 6 environment and 6 action built-ins
    // A number that no group carries out is an error that names the built-in.
    auto pVar = std::make_unique<CScriptVar>(VAR_FUNC);
    pVar->SetFuncDesc(new CFuncDesc(1, nullptr, 26, nullptr));
    m_engine.SetIdent("Gap", std::move(pVar));
    EXPECT_EQ(ErrorOf("Gap", {}), "'Gap' - Function is not implemented");
    EXPECT_EQ(m_engine.m_nError, ERR_FUNC_NOT_IMPLEMENTED);
}

TEST_F(ForwardTest, SizeOutsideTheBufferIsRefusedBeforeTheModule) {
    for (const char* pszName : {"PVEnvGet", "PVEnvStrToRealStr", "PVEnvPathStrToEnvStr"}) {
        for (int32_t nSize : {0, 32768}) {
            SCOPED_TRACE(std::string(pszName) + " size " + std::to_string(nSize));
            CScriptVar& out = StringVar("out", "old");
            g_results[pszName] = 1;
            EXPECT_EQ(ErrorOf(pszName, {T("k"), V(out), N(nSize)}),
                      "'" + std::string(pszName) + " Parameter 3' - Invalid size specified");
            EXPECT_EQ(m_engine.m_nError, ERR_INVALID_SIZE);
            EXPECT_TRUE(g_calls.empty());
            EXPECT_EQ(out.m_strValue, "old");
        }
    }
    CScriptVar& out = StringVar("out", "");
    for (int32_t nSize : {1, 32767})
        EXPECT_EQ(ErrorOf("PVEnvGet", {T("k"), V(out), N(nSize)}), "no error");
}

// Arguments for each output built-in, with the variable in its output place.
std::vector<ArgValue> OutputArgs(const std::string& strName, CScriptVar& out) {
    if (strName == "ActRun") return {N(1), T("b"), T("c"), T("d"), N(5), V(out), N(7)};
    if (strName == "ActIDRun") return {T("a"), N(2), T("c"), T("d"), N(5), V(out), N(7), T("h")};
    if (strName.starts_with("PVEnv")) return {T("k"), V(out), N(260)};
    return {V(out)};
}

// Which answers of an output entry carry its text into the variable; every call starts with an
// empty buffer that holds the longest output.
TEST_F(ForwardTest, OutputIsStoredOnlyOnTheAnswersThatCarryIt) {
    const struct {
        const char* pszName;
        int32_t nAnswer;
        bool bStored;
        std::string strOutput = "new text";  // what the entry writes: nothing when empty
    } kCases[] = {
        {"PVEnvGet", 0, false},
        {"PVEnvStrToRealStr", -1, true},
        {"PVEnvPathStrToEnvStr", 0, true},
        {"ActRun", 0, false},
        {"ActRun", 1, true},
        {"ActIDRun", 2, false},
        {"ActIDRun", 4, false},
        {"ActIDRun", 3, true},
        {"GetMountedDrives", 0, true},
        {"GetParam", 0, true, std::string(32767, 'x')},
        {"GetParam", 0, true, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.pszName) + " answering " + std::to_string(c.nAnswer));
        CScriptVar& out = StringVar("out", nullptr);
        out.m_strValue = "old";
        g_results[c.pszName] = c.nAnswer;
        g_outputs.erase(c.pszName);
        if (!c.strOutput.empty()) g_outputs[c.pszName] = c.strOutput;
        Exec(c.pszName, OutputArgs(c.pszName, out));
        if (c.bStored) {
            EXPECT_STREQ(out.GetString(), c.strOutput.c_str());
        } else {
            EXPECT_EQ(out.GetString(), nullptr);  // still Null, text untouched
            EXPECT_EQ(out.m_strValue, "old");
        }
    }
}

TEST(ForwardRunTest, FamilyIsCalledOnlyWhenTheRunExecutes) {
    const std::string strScript =
        "Declare\nNumber n = 0\nEndDeclare\n"
        "Main\nPVWSetSimulation(1)\nn = PVWCopy(\"a\", \"b\", 3, Null)\nEndMain\n";
    for (const char* pszOptions : {"NT/S", "NT/C"}) {
        ScriptRunner runner;
        EXPECT_EQ(runner.Run(strScript, pszOptions).nResult, 1);
        EXPECT_TRUE(g_calls.empty()) << pszOptions;
    }
    ScriptRunner runner;
    EXPECT_EQ(runner.Run(strScript).nResult, 1);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].strFunc, "PVWCopy");
    EXPECT_EQ(g_calls[1].args, (std::vector{Text("a"), Text("b"), Num(3), NullText()}));
}

using StringBuiltinTest = BuiltinTest;

constexpr char kNullTextError[] = "'NULL-pointer' - Internal error";

TEST_F(StringBuiltinTest, NumberAndTextResults) {
    const struct {
        const char* pszName;
        std::vector<ArgValue> args;
        int32_t nResult;
        const char* pszResult;
    } kCases[] = {
        {"IsEmpty", {T("")}, 0, ""},
        {"Compare", {T("ab"), T("abc")}, -1, ""},
        {"Compare", {T("zz"), T("zzzzzz")}, -1, ""},  // not the difference of the lengths
        {"Compare", {T("\xC8"), T("A")}, 1, ""},      // bytes compare as unsigned values
        {"Compare", {T("abc"), T("abc")}, 0, ""},
        {"CompareNoCase", {T("Hello World"), T("hELLO wORLD")}, 0, ""},
        {"Atoi", {T(" -2147483648")}, INT32_MIN, ""},
        {"Atoi", {T("")}, 0, ""},
        {"Itoa", {N(INT32_MIN)}, 0, "-2147483648"},
        // paths: only a backslash separates
        {"GetFileName", {T("a/b")}, 0, "a/b"},
        {"GetPath", {T("a/b")}, 0, ""},
        {"GetFileName", {T("\\\\srv\\")}, 0, ""},
        {"GetPath", {Null()}, 0, ""},
        // cuts after the n-th first character of the set from the start, or before it from the end
        {"StripCharLeft", {T("x.y.z"), T(".w"), N(1)}, 0, "y.z"},
        {"StripCharRight", {T("x.y.z"), T(".w"), N(1)}, 0, "x.y"},
        {"StripCharLeft", {T("x.y.z"), T("."), N(5)}, 0, "z"},
        {"StripCharRight", {T("x.y.z"), T("."), N(5)}, 0, "x"},
        {"StripCharLeft", {T(".a"), T("."), N(1)}, 0, "a"},
        {"StripCharRight", {T(".a"), T("."), N(1)}, 0, ""},
        {"StripCharLeft", {T("x.y"), T("w."), N(1)}, 0, "x.y"},
        {"StripCharRight", {T("x.y"), T(""), N(2)}, 0, "x.y"},
        {"StripCharLeft", {T("x.y"), Null(), N(1)}, 0, "x.y"},
        {"StripCharRight", {T("x.y"), T("."), N(0)}, 0, "x.y"},
        {"StripCharRight", {Null(), T("."), N(1)}, 0, ""},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(Exec(c.pszName, c.args), BuiltinResult(c.nResult, c.pszResult)) << c.pszName;
    // Case is folded to lower case: the underscore sorts before every letter.
    EXPECT_LT(Exec("CompareNoCase", {T("_"), T("A")}).first, 0);
    EXPECT_GT(Exec("CompareNoCase", {T("D"), T("abc")}).first, 0);
}

TEST_F(StringBuiltinTest, NullWhereATextIsRequiredBadNumbersAndExitAreErrors) {
    const struct {
        const char* pszName;
        std::vector<ArgValue> args;
        std::string strMessage;
    } kCases[] = {
        {"Compare", {Null(), T("a")}, kNullTextError},
        {"Compare", {T("a"), Null()}, kNullTextError},
        {"CompareNoCase", {Null(), T("a")}, kNullTextError},
        {"CompareNoCase", {T("a"), Null()}, kNullTextError},
        {"Atoi", {Null()}, kNullTextError},
        {"Atoi", {T("12 ")}, "'12 ' - Error converting to numeric value"},
        {"Atoi", {T("2147483648")}, "'2147483648' - Error converting to numeric value"},
    };
    for (const auto& c : kCases) EXPECT_EQ(ErrorOf(c.pszName, c.args), c.strMessage) << c.pszName;
    CScriptVar& var = StringVar("s", "ab");
    EXPECT_EQ(ErrorOf("Concat", {V(var), Null()}), kNullTextError);
    EXPECT_EQ(var.m_strValue, "ab");
    // Exit ends without marking an error.
    m_engine.m_bError = false;
    EXPECT_EQ(ErrorOf("Exit", {N(7)}), "Abort through exit call");
    EXPECT_EQ(m_engine.m_nError, ERR_EXIT);
    EXPECT_FALSE(m_engine.m_bError);
}

// The output built-ins change the variable of argument 1 in place, and a Null stays Null.
TEST_F(StringBuiltinTest, OutputBuiltinsChangeTheVariable) {
    const struct {
        const char* pszName;
        const char* pszBefore;
        std::vector<ArgValue> more;
        const char* pszAfter;
    } kCases[] = {
        {"Empty", "abc", {}, ""},
        {"Concat", "ab", {T("cd")}, "abcd"},
        {"MakeUpper", "aBc1-z", {}, "ABC1-Z"},
        {"MakeLower", "aBc1-Z", {}, "abc1-z"},
        {"TrimLeft", " \t\n\v\f\rab c \t", {}, "ab c \t"},
        {"TrimRight", " \tab c \t\n\v\f\r", {}, " \tab c"},
        {"TrimLeftStr", "xxyabcx", {T("xy")}, "abcx"},
        {"TrimLeftStr", "xyx", {T("xy")}, ""},
        {"TrimLeftStr", "xxyabc", {Null()}, "xxyabc"},
        {"TrimRightStr", "xabcyxx", {T("xy")}, "xabc"},
        {"TrimRightStr", "yxy", {T("xy")}, ""},
        {"TrimRightStr", "abcxy", {T("")}, "abcxy"},
    };
    for (const auto& c : kCases) {
        for (bool bNull : {false, true}) {
            CScriptVar& var = StringVar("s", c.pszBefore);
            if (bNull) var.SetString(nullptr);
            std::vector<ArgValue> args{V(var)};
            args.insert(args.end(), c.more.begin(), c.more.end());
            Exec(c.pszName, args);
            EXPECT_EQ(var.m_strValue, c.pszAfter) << c.pszName << " of " << c.pszBefore;
            EXPECT_EQ(var.m_bNull, bNull) << c.pszName << " of " << c.pszBefore;
        }
    }
    // A variable appended to itself: the argument is the variable's own text, which the
    // append outgrows.
    CScriptVar& var = StringVar("s", "0123456789");
    Exec("Concat", {V(var), V(var)});
    EXPECT_EQ(var.m_strValue, "01234567890123456789");
}

}  // namespace
