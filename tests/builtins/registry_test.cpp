// The built-in table as the engine registers it, and the executor's choice by number.
#include <gtest/gtest.h>

#include <vector>

#include "builtins/builtin_call.h"
#include "support/script_runner.h"

namespace {

struct NamedNumber {
    const char* pszName;
    int32_t nFuncId;
};

// Every built-in with its number; the numbers do not follow the order of the names.
constexpr NamedNumber kNumbers[] = {
    {"PVWScanDifference", 1},
    {"PVWMove", 3},
    {"PVWCopy", 2},
    {"PVWEqualize", 4},
    {"PVWUpdate", 24},
    {"PVWDelete", 5},
    {"PVWChangeAttrib", 7},
    {"PVWCreateDirectory", 6},
    {"PVWSetSimulation", 8},
    {"PVWSetShowProgress", 11},
    {"PVWSetIgnoreErrors", 9},
    {"PVWSetAnswerYesForDelete", 10},
    {"PVWBreak", 12},
    {"PVWSetReservedSpace", 19},
    {"PVWSetProcessEmptyDirs", 20},
    {"PVWSetSuppressErrorBox", 25},
    {"PVWSetFileTimeFilter", 21},
    {"PVWSetNotifyWindow", 18},
    {"PVWAddFileIncludeFilter", 13},
    {"PVWAddFileExcludeFilter", 14},
    {"PVWAddDirExcludeFilter", 15},
    {"PVWSetIncludeAttributes", 16},
    {"PVWSetExcludeAttributes", 17},
    {"PVWAddCopyFile", 22},
    {"PVWCopyFiles", 23},
    {"PVEnvInit", 100},
    {"PVEnvSet", 101},
    {"PVEnvGet", 102},
    {"PVEnvStrToRealStr", 103},
    {"PVEnvPathStrToEnvStr", 104},
    {"PVEnvFree", 107},
    {"ActRun", 200},
    {"ActIDRun", 201},
    {"GetParam", 202},
    {"GetMountedDrives", 203},
    {"Dismount", 204},
    {"CloseMeldStart", 205},
    {"GetLenght", 300},
    {"IsEmpty", 301},
    {"Empty", 302},
    {"Concat", 303},
    {"Compare", 304},
    {"CompareNoCase", 305},
    {"MakeUpper", 306},
    {"MakeLower", 307},
    {"TrimLeft", 308},
    {"TrimRight", 309},
    {"TrimLeftStr", 310},
    {"TrimRightStr", 311},
    {"Itoa", 314},
    {"Atoi", 315},
    {"GetFileName", 500},
    {"GetPath", 501},
    {"StripCharLeft", 502},
    {"StripCharRight", 503},
    {"Exit", 504},
    {"DebugPrintNum", 10000},
    {"DebugPrintStr", 10001},
};
static_assert(std::size(kNumbers) == 58);

constexpr int32_t NUM = VAR_NUMBER;
constexpr int32_t STR = VAR_STRING;

struct Signature {
    const char* pszName;
    int32_t nRetType;
    std::vector<int32_t> params;
    int nOutput;  // 1-based position of the output parameter, 0 for none
};

// A spread of shapes: every kind of result, the longest lists, every output position.
const Signature kSignatures[] = {
    {"PVWScanDifference", NUM, {STR, STR, NUM, STR}, 0},
    {"PVWDelete", NUM, {STR, NUM, STR}, 0},
    {"PVWBreak", 0, {}, 0},
    {"PVWSetIncludeAttributes", 0, {STR, NUM}, 0},
    {"PVWAddCopyFile", 0, {STR, STR, NUM}, 0},
    {"PVEnvGet", NUM, {STR, STR, NUM}, 2},
    {"PVEnvPathStrToEnvStr", 0, {STR, STR, NUM}, 2},
    {"ActRun", NUM, {NUM, STR, STR, STR, NUM, STR, NUM}, 6},
    {"ActIDRun", NUM, {STR, NUM, STR, STR, NUM, STR, NUM, STR}, 6},
    {"GetParam", 0, {STR}, 1},
    {"Dismount", NUM, {STR}, 0},
    {"Empty", 0, {STR}, 1},
    {"Concat", 0, {STR, STR}, 1},
    {"TrimRightStr", 0, {STR, STR}, 1},
    {"Compare", NUM, {STR, STR}, 0},
    {"Itoa", STR, {NUM}, 0},
    {"Atoi", NUM, {STR}, 0},
    {"StripCharRight", STR, {STR, STR, NUM}, 0},
    {"Exit", 0, {NUM}, 0},
    {"DebugPrintStr", 0, {STR}, 0},
};

using RegistryTest = BuiltinTest;

TEST_F(RegistryTest, EveryNameIsABuiltinWithItsNumber) {
    for (const NamedNumber& entry : kNumbers) {
        SCOPED_TRACE(entry.pszName);
        CScriptVar* pVar = m_engine.FindIdent(entry.pszName);
        ASSERT_NE(pVar, nullptr);
        EXPECT_EQ(pVar->m_nType, VAR_FUNC);
        EXPECT_TRUE(pVar->IsSet());
        ASSERT_NE(pVar->GetFuncDesc(), nullptr);
        EXPECT_EQ(pVar->GetFuncDesc()->m_nFuncId, entry.nFuncId);
    }
}

TEST_F(RegistryTest, NoOtherBuiltinsAreRegistered) {
    int nFuncs = 0;
    for (const auto& [name, pVar] : m_engine.m_mapIdent) nFuncs += pVar->m_nType == VAR_FUNC;
    EXPECT_EQ(nFuncs, 58);
}

TEST_F(RegistryTest, SignaturesAndOutputMarks) {
    for (const Signature& sig : kSignatures) {
        SCOPED_TRACE(sig.pszName);
        const CFuncDesc* pDesc = m_engine.FindIdent(sig.pszName)->GetFuncDesc();
        EXPECT_EQ(pDesc->m_nRetType, sig.nRetType);
        ASSERT_EQ(pDesc->m_nParams, static_cast<int32_t>(sig.params.size()));
        for (int k = 0; k <= MAX_ARGS; ++k) {
            int32_t nType = k < pDesc->m_nParams ? sig.params[k] : 0;
            EXPECT_EQ(pDesc->m_anParamType[k], nType) << "parameter " << k + 1;
            EXPECT_EQ(pDesc->m_abByRef[k], k + 1 == sig.nOutput ? 1 : 0) << "parameter " << k + 1;
        }
    }
}

TEST_F(RegistryTest, NamesAreMatchedExactly) {
    for (const char* pszName : {"getlenght", "GETLENGHT", "GetLength", "itoa", "exit", "Getlenght"})
        EXPECT_EQ(m_engine.FindIdent(pszName), nullptr) << pszName;
}

TEST_F(RegistryTest, UnknownNumberRaisesNotImplementedWithTheName) {
    auto pVar = std::make_unique<CScriptVar>(VAR_FUNC);
    pVar->SetFuncDesc(new CFuncDesc(1, nullptr, 9999, nullptr));
    m_engine.SetIdent("Bogus", std::move(pVar));
    EXPECT_EQ(ErrorOf("Bogus", {}), "'Bogus' - Function is not implemented");
    EXPECT_EQ(m_engine.m_nError, ERR_FUNC_NOT_IMPLEMENTED);
}

TEST_F(RegistryTest, UnassignedNumbersInsideTheGroupsAreNotImplemented) {
    for (int32_t nFuncId : {0, 26, 105, 106, 312, 313, 505, 10002}) {
        auto pVar = std::make_unique<CScriptVar>(VAR_FUNC);
        pVar->SetFuncDesc(new CFuncDesc(0, nullptr, nFuncId, nullptr));
        m_engine.SetIdent("Gap", std::move(pVar));
        EXPECT_EQ(ErrorOf("Gap", {}), "'Gap' - Function is not implemented") << nFuncId;
    }
    EXPECT_TRUE(family_double::g_calls.empty());
}

TEST_F(RegistryTest, DebugPrintsDoNothingInTheExecutor) {
    CScriptVar& var = StringVar("s", "abc");
    EXPECT_EQ(Exec("DebugPrintNum", {N(12)}).nResult, 0);
    BuiltinResult result = Exec("DebugPrintStr", {V(var)});
    EXPECT_EQ(result.nResult, 0);
    EXPECT_EQ(result.strResult, "");
    EXPECT_EQ(var.m_strValue, "abc");
    EXPECT_TRUE(family_double::g_trace.empty());
}

TEST(RegistryRunTest, BuiltinsSurviveARunThatDeclaredVariables) {
    ScriptRunner runner;
    ScriptRun run =
        runner.Run("Declare\nNumber n = 1\nString s = \"x\"\nEndDeclare\nMain\nEndMain\n");
    EXPECT_EQ(run.nResult, 1) << run.strLog;
    CScriptEngine& engine = runner.Engine();
    EXPECT_EQ(engine.FindIdent("n"), nullptr);
    for (const NamedNumber& entry : kNumbers) {
        CScriptVar* pVar = engine.FindIdent(entry.pszName);
        ASSERT_NE(pVar, nullptr) << entry.pszName;
        EXPECT_EQ(pVar->GetFuncDesc()->m_nFuncId, entry.nFuncId) << entry.pszName;
    }
}

}  // namespace
