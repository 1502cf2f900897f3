// The built-in table and the built-ins that forward to the family's file library, environment
// and action modules: what reaches the modules, and what comes back into the script.
#include <gtest/gtest.h>

#include "builtins/builtin_call.h"
#include "support/script_runner.h"

namespace {

using family_double::g_calls;
using family_double::g_outputs;
using family_double::g_results;

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
            nResult = Exec(strName.c_str(), args).nResult;
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
}

TEST_F(ForwardTest, UnknownNumberRaisesNotImplementedWithTheName) {
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

// Which answers of an output entry carry its text into the variable.
TEST_F(ForwardTest, OutputIsStoredOnlyOnTheAnswersThatCarryIt) {
    const struct {
        const char* pszName;
        int32_t nAnswer;
        bool bStored;
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
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.pszName) + " answering " + std::to_string(c.nAnswer));
        CScriptVar& out = StringVar("out", nullptr);
        out.m_strValue = "old";
        g_results[c.pszName] = c.nAnswer;
        g_outputs[c.pszName] = "new text";
        Exec(c.pszName, OutputArgs(c.pszName, out));
        if (c.bStored) {
            EXPECT_STREQ(out.GetString(), "new text");
        } else {
            EXPECT_EQ(out.GetString(), nullptr);  // still Null, text untouched
            EXPECT_EQ(out.m_strValue, "old");
        }
    }
}

TEST_F(ForwardTest, EveryCallStartsWithAnEmptyBufferThatHoldsTheLongestOutput) {
    CScriptVar& out = StringVar("out", "");
    const std::string strLong(32767, 'x');
    g_outputs["GetParam"] = strLong;
    Exec("GetParam", {V(out)});
    EXPECT_EQ(out.m_strValue, strLong);
    g_outputs.clear();
    Exec("GetParam", {V(out)});
    EXPECT_EQ(out.m_strValue, "");
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

}  // namespace
