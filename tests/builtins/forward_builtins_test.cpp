// What the file-library, environment and action built-ins pass to the family's modules, and
// what they bring back into the script's variables.
#include <gtest/gtest.h>

#include "builtins/builtin_call.h"

namespace {

using family_double::g_calls;
using family_double::g_outputs;
using family_double::g_results;

using ForwardTest = BuiltinTest;

struct ForwardCase {
    const char* pszName;
    std::vector<ArgValue> args;
    std::vector<CallArg> passed;
    bool bResult;  // the built-in hands the entry's integer to the script
};

// Every built-in that forwards without an output, with the arguments that must arrive.
const ForwardCase kForwards[] = {
    {"PVWScanDifference",
     {T("a"), T("b"), N(3), T("d")},
     {Text("a"), Text("b"), Num(3), Text("d")},
     true},
    {"PVWCopy", {T("a"), T("b"), N(3), Null()}, {Text("a"), Text("b"), Num(3), NullText()}, true},
    {"PVWMove", {Null(), T("b"), N(-3), T("d")}, {NullText(), Text("b"), Num(-3), Text("d")}, true},
    {"PVWEqualize", {T("a"), T(""), N(0), T("d")}, {Text("a"), Text(""), Num(0), Text("d")}, true},
    {"PVWDelete", {T("a"), N(2), T("c")}, {Text("a"), Num(2), Text("c")}, true},
    {"PVWCreateDirectory", {T("dir")}, {Text("dir")}, true},
    {"PVWChangeAttrib",
     {T("a"), T("+r"), N(1), T("d")},
     {Text("a"), Text("+r"), Num(1), Text("d")},
     true},
    {"PVWSetSimulation", {N(1)}, {Num(1)}, false},
    {"PVWSetIgnoreErrors", {N(2)}, {Num(2)}, false},
    {"PVWSetAnswerYesForDelete", {N(3)}, {Num(3)}, false},
    {"PVWSetShowProgress", {N(4)}, {Num(4)}, false},
    {"PVWBreak", {}, {}, false},
    {"PVWAddFileIncludeFilter", {T("*.c")}, {Text("*.c")}, false},
    {"PVWAddFileExcludeFilter", {Null()}, {NullText()}, false},
    {"PVWAddDirExcludeFilter", {T("tmp")}, {Text("tmp")}, false},
    {"PVWSetIncludeAttributes", {T("h"), N(1)}, {Text("h"), Num(1)}, false},
    {"PVWSetExcludeAttributes", {T("s"), N(0)}, {Text("s"), Num(0)}, false},
    {"PVWSetNotifyWindow", {N(0x1234)}, {Num(0x1234)}, false},
    {"PVWSetReservedSpace", {N(INT32_MAX)}, {Num(INT32_MAX)}, false},
    {"PVWSetProcessEmptyDirs", {N(5)}, {Num(5)}, false},
    {"PVWSetFileTimeFilter", {N(INT32_MIN)}, {Num(INT32_MIN)}, false},
    {"PVWAddCopyFile", {T("a"), T("b"), N(7)}, {Text("a"), Text("b"), Num(7)}, false},
    {"PVWCopyFiles", {T("log")}, {Text("log")}, true},
    {"PVWUpdate", {T("a"), T("b"), N(9), T("d")}, {Text("a"), Text("b"), Num(9), Text("d")}, true},
    {"PVWSetSuppressErrorBox", {N(1)}, {Num(1)}, false},
    {"PVEnvInit", {Null()}, {NullText()}, true},
    {"PVEnvSet", {T("QJHome"), T("/opt")}, {Text("QJHome"), Text("/opt")}, true},
    {"PVEnvFree", {}, {}, false},
    {"Dismount", {T("X:")}, {Text("X:")}, true},
    {"CloseMeldStart", {}, {}, false},
};

TEST_F(ForwardTest, ArgumentsArriveInOrderWithNullAsNullPointer) {
    for (const ForwardCase& c : kForwards) {
        SCOPED_TRACE(c.pszName);
        g_calls.clear();
        g_results[c.pszName] = 77;
        BuiltinResult result = Exec(c.pszName, c.args);
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(g_calls[0].strFunc, c.pszName);
        EXPECT_EQ(g_calls[0].args, c.passed);
        if (c.bResult) {
            EXPECT_EQ(result.nResult, 77);
        }
        EXPECT_EQ(result.strResult, "");
    }
}

TEST_F(ForwardTest, OutputEntriesGetTheBufferInPlaceOfTheVariable) {
    CScriptVar& out = StringVar("out", "old");
    Exec("PVEnvGet", {T("key"), V(out), N(100)});
    Exec("ActRun", {N(1), T("b"), Null(), T("d"), N(5), V(out), N(7)});
    Exec("ActIDRun", {T("id"), N(2), T("c"), T("d"), N(5), V(out), N(7), Null()});
    Exec("GetParam", {V(out)});
    Exec("GetMountedDrives", {V(out)});
    ASSERT_EQ(g_calls.size(), 5u);
    EXPECT_EQ(g_calls[0].args, (std::vector{Text("key"), Buffer(), Num(100)}));
    EXPECT_EQ(g_calls[1].args,
              (std::vector{Num(1), Text("b"), NullText(), Text("d"), Num(5), Buffer(), Num(7)}));
    EXPECT_EQ(g_calls[2].args, (std::vector{Text("id"), Num(2), Text("c"), Text("d"), Num(5),
                                            Buffer(), Num(7), NullText()}));
    EXPECT_EQ(g_calls[3].args, std::vector{Buffer()});
    EXPECT_EQ(g_calls[4].args, std::vector{Buffer()});
}

TEST_F(ForwardTest, SizeOutsideTheBufferIsRefusedBeforeTheModule) {
    for (const char* pszName : {"PVEnvGet", "PVEnvStrToRealStr", "PVEnvPathStrToEnvStr"}) {
        for (int32_t nSize : {0, -1, 32768, INT32_MIN, INT32_MAX}) {
            SCOPED_TRACE(std::string(pszName) + " size " + std::to_string(nSize));
            CScriptVar& out = StringVar("out", "old");
            g_outputs[pszName] = "new";
            g_results[pszName] = 1;
            EXPECT_EQ(ErrorOf(pszName, {T("k"), V(out), N(nSize)}),
                      "'" + std::string(pszName) + " Parameter 3' - Invalid size specified");
            EXPECT_EQ(m_engine.m_nError, ERR_INVALID_SIZE);
            EXPECT_TRUE(g_calls.empty());
            EXPECT_EQ(out.m_strValue, "old");
        }
    }
}

TEST_F(ForwardTest, SizesAtTheLimitsArePassedUnchanged) {
    CScriptVar& out = StringVar("out", "");
    for (int32_t nSize : {1, 32767}) {
        g_calls.clear();
        Exec("PVEnvStrToRealStr", {T("k"), V(out), N(nSize)});
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(g_calls[0].args[2], Num(nSize));
    }
}

struct StoreCase {
    const char* pszName;
    int32_t nAnswer;
    bool bStored;
};

// Which answers of an output entry carry its text into the variable.
const StoreCase kStoreRules[] = {
    {"PVEnvGet", 0, false},
    {"PVEnvGet", 1, true},
    {"PVEnvGet", -1, true},
    {"PVEnvStrToRealStr", 0, false},
    {"PVEnvStrToRealStr", 2, true},
    {"PVEnvPathStrToEnvStr", 0, true},
    {"PVEnvPathStrToEnvStr", 1, true},
    {"ActRun", 0, false},
    {"ActRun", 1, true},
    {"ActRun", 3, true},
    {"ActRun", -5, true},
    {"ActIDRun", 0, false},
    {"ActIDRun", 1, false},
    {"ActIDRun", 2, false},
    {"ActIDRun", 4, false},
    {"ActIDRun", 3, true},
    {"GetParam", 0, true},
    {"GetParam", 1, true},
    {"GetMountedDrives", 0, true},
};

// Arguments for each output built-in, with the variable in its output place.
std::vector<ArgValue> OutputArgs(const std::string& strName, CScriptVar& out) {
    if (strName == "ActRun") return {N(1), T("b"), T("c"), T("d"), N(5), V(out), N(7)};
    if (strName == "ActIDRun") return {T("a"), N(2), T("c"), T("d"), N(5), V(out), N(7), T("h")};
    if (strName.starts_with("PVEnv")) return {T("k"), V(out), N(260)};
    return {V(out)};
}

TEST_F(ForwardTest, OutputIsStoredOnlyOnTheAnswersThatCarryIt) {
    for (const StoreCase& c : kStoreRules) {
        SCOPED_TRACE(std::string(c.pszName) + " answering " + std::to_string(c.nAnswer));
        CScriptVar& out = StringVar("out", nullptr);
        out.m_strValue = "old";
        g_results[c.pszName] = c.nAnswer;
        g_outputs[c.pszName] = "new text";
        BuiltinResult result = Exec(c.pszName, OutputArgs(c.pszName, out));
        if (c.bStored) {
            EXPECT_STREQ(out.GetString(), "new text");
        } else {
            EXPECT_EQ(out.GetString(), nullptr);  // still Null, text untouched
            EXPECT_EQ(out.m_strValue, "old");
        }
        if (m_engine.FindIdent(c.pszName)->GetFuncDesc()->m_nRetType == VAR_NUMBER) {
            EXPECT_EQ(result.nResult, c.nAnswer);
        }
    }
}

TEST_F(ForwardTest, AnEntryThatWritesNothingStoresTheEmptyText) {
    for (const char* pszName : {"PVEnvGet", "PVEnvPathStrToEnvStr", "ActRun", "GetParam"}) {
        CScriptVar& out = StringVar("out", "old");
        g_results[pszName] = 1;
        Exec(pszName, OutputArgs(pszName, out));
        EXPECT_STREQ(out.GetString(), "") << pszName;
    }
}

TEST_F(ForwardTest, EveryCallStartsWithAnEmptyBuffer) {
    CScriptVar& out = StringVar("out", "");
    g_outputs["GetParam"] = "first";
    Exec("GetParam", {V(out)});
    EXPECT_EQ(out.m_strValue, "first");
    g_outputs.clear();
    Exec("GetParam", {V(out)});
    EXPECT_EQ(out.m_strValue, "");
}

TEST_F(ForwardTest, TheLongestOutputFitsTheBuffer) {
    CScriptVar& out = StringVar("out", "");
    const std::string strLong(32767, 'x');
    g_outputs["GetMountedDrives"] = strLong;
    Exec("GetMountedDrives", {V(out)});
    EXPECT_EQ(out.m_strValue, strLong);
}

}  // namespace
