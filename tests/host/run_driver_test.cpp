// The run driver: the loader, options, parameters, messages, the routing of errors, the cancel
// flag, the module's end step; and the descriptions of COM status codes in its messages.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "host/app.h"
#include "host/scode.h"
#include "support/script_runner.h"

namespace {
using namespace family_double;

TEST(RunDriver, OptionsSetExactlyTheNamedFlags) {
    const struct {
        const char* pszOptions;
        bool bSimulate, bCheck, bTrace, bLogAsError;
    } kCases[] = {
        {"/S/NT", true, false, false, false},     {"-s-e", true, false, true, true},
        {"/S /E", false, false, true, true},      {"/c/S", true, true, true, false},
        {"C", false, true, true, false},          {"/-//--", false, false, true, false},
        {"/X/SE/NTT", false, false, true, false},
    };
    for (const auto& c : kCases) {
        CScriptEngine engine;
        engine.ParseOptions(c.pszOptions);
        EXPECT_EQ(engine.m_bSimulate, c.bSimulate) << c.pszOptions;
        EXPECT_EQ(engine.m_bCheckOnly, c.bCheck) << c.pszOptions;
        EXPECT_EQ(engine.m_bTrace, c.bTrace) << c.pszOptions;
        EXPECT_EQ(engine.m_bLogAsError, c.bLogAsError) << c.pszOptions;
    }
}

// Quoted parameters become Param1, Param2, ...; what stands outside quotes, and a value whose
// quote is not closed, are dropped.
TEST(RunDriver, MessagesFrameTheRunAndQuotedParametersBecomeVariables) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("Main\nEndMain\n", "", "\"one\" x \"\"\"two words\" \"three");
    EXPECT_EQ(run.nResult, 1);
    ASSERT_EQ(g_trace.size(), 5u);
    EXPECT_TRUE(g_trace[0].strText.starts_with("'t.scr' start script processing - "));
    EXPECT_EQ(g_trace[1].strText + g_trace[2].strText + g_trace[3].strText,
              "Param1 = one\nParam2 = \nParam3 = two words\n");
    EXPECT_TRUE(g_trace[4].strText.starts_with("'t.scr' end of script processing - "));
    for (const auto& call : g_trace) {
        EXPECT_EQ(call.nLevel, 4);
        EXPECT_EQ(call.strSource, "Tarvik Script DLL");
        EXPECT_EQ(call.strFormat, "%s");
    }
    // Without a trace only the start message, sent before the options are read, remains.
    runner.Run("Main\nEndMain\n", "/NT", "\"a\"");
    ASSERT_EQ(g_trace.size(), 1u);
    EXPECT_NE(g_trace[0].strText.find("start script processing"), std::string::npos);
    // The run's identifiers and lines are gone after it.
    EXPECT_EQ(runner.Engine().FindIdent("Param1"), nullptr);
    EXPECT_EQ(runner.Engine().FindIdent("TRUE")->GetNumber(), 1);
    EXPECT_TRUE(runner.Engine().m_arrLines.empty());
}

// A failed run logs through LogMessage at level 2 with a prefix (with E, through LogError under
// the error's id: pinned through qjintp by host.cases and run_usage.sh).
TEST(RunDriver, ErrorsGoToLogMessageWithPrefix) {
    ScriptRunner runner;
    runner.Run("", "");
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_FALSE(g_log[0].bError);
    EXPECT_EQ(g_log[0].nLevel, 2);
    EXPECT_EQ(g_log[0].strSource, "Tarvik Script DLL");
    EXPECT_EQ(g_log[0].strText, "Script error: t.scr (1): 'Main' - missing");
    // A script without a path is logged without a line.
    EXPECT_EQ(runner.RunFile(nullptr, nullptr, nullptr).nError, ERR_OPEN_SCRIPT);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].strText, "Script error: 'NULL' - Error opening script file");
}

TEST(RunDriver, RaiseFormatsTheMessageFromCodeAndText) {
    const struct {
        const char* pszText;
        int nCode;
        const char* pszMessage;
        bool bError;
    } kCases[] = {
        {"foo", ERR_UNKNOWN_IDENT, "'foo' - Unknown identifier", true},
        {nullptr, ERR_TYPE_MISMATCH, "'' - Type mismatch", true},
        {"x", ERR_UNKNOWN, "'x' - Unknown error", true},
        {"x", 37, "'x' - Unknown Error", true},
        {"x", -2, "'x' - Unknown Error", true},
        {"ignored", ERR_EXIT, "Abort through exit call", false},
    };
    for (const auto& c : kCases) {
        CScriptEngine engine;
        EXPECT_THROW(engine.Raise(c.pszText, c.nCode), CScriptError);
        EXPECT_EQ(engine.m_strError, c.pszMessage);
        EXPECT_EQ(engine.m_nError, c.nCode);
        EXPECT_EQ(engine.m_bError, c.bError) << c.pszMessage;
    }
}

TEST(RunDriver, FailureOfAnotherKindAndABreakBeforeARunLeaveTheNextRunAlone) {
    ScriptRunner runner;
    g_strThrowOnTrace = "Param1";
    ScriptRun run = runner.Run("Main\nEndMain\n", "", "\"a\"");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, ERR_INTERNAL);
    EXPECT_NE(run.strLog.find("'trace module failed' - Internal error"), std::string::npos);
    g_strThrowOnTrace.clear();
    runner.Engine().Break();
    run = runner.Run("Main\nDebugPrintNum(1)\nEndMain\n");
    EXPECT_EQ(run.nResult, 1);
    EXPECT_EQ(run.strLog, "");
}

TEST(ModuleEnd, LeavesARunningEngineAlone) {
    ScriptRunner runner;  // a folder for the script
    runner.WriteFile("endless.scr", "Main\nWhile (1 == 1)\nEndWhile\nEndMain\n");
    const std::string strScript = runner.PathOf("endless.scr");
    ModuleStart();
    ASSERT_NE(g_pEngine, nullptr);
    CScriptEngine* pEngine = g_pEngine;
    std::atomic<int> nResult = -1;
    std::thread run([&] { nResult = pEngine->Run(strScript.c_str(), "NT", nullptr); });
    while (!pEngine->m_bBusy.test()) std::this_thread::yield();
    ModuleEnd();
    EXPECT_EQ(g_pEngine, pEngine);
    // The run goes on, and ends as any run does. (A cancel that comes before the run has
    // reset its flags is forgotten.)
    while (nResult == -1) {
        pEngine->Break();
        std::this_thread::yield();
    }
    run.join();
    EXPECT_EQ(nResult, 0);
    EXPECT_EQ(pEngine->m_nError, ERR_CANCELLED);
    ModuleEnd();
    EXPECT_EQ(g_pEngine, nullptr);
}

TEST(DescribeScode, GivesNameRangeOrSeverityAndFacility) {
    const struct {
        uint32_t sc;
        const char* pszExpected;
    } cases[] = {
        // the worked examples of each kind of description
        {0x80004005, "E_FAIL ($80004005)"},
        {0x80040175, "range: CACHE_E_FIRST...CACHE_E_LAST ($80040175)"},
        {0x800A0001, "severity: SEVERITY_ERROR, facility: <Unknown Facility> ($800A0001)"},
        {0x80070002, "severity: SEVERITY_ERROR, facility: FACILITY_WIN32 ($80070002)"},
        // names as the SDK defines them
        {0x00000000, "S_OK ($00000000)"},
        {0x80040140, "VIEW_E_DRAW ($80040140)"},
        {0x80020006, "DISP_E_UNKNOWNNAME ($80020006)"},
        {0x8007000E, "E_OUTOFMEMORY ($8007000E)"},
        // a name wins over the range it lies in, also at the range's own bounds
        {0x80040170, "CACHE_E_NOCACHE_UPDATED ($80040170)"},
        {0x8004017F, "range: CACHE_E_FIRST...CACHE_E_LAST ($8004017F)"},
        {0x0004018F, "OLEOBJ_S_LAST ($0004018F)"},
        {0x00040110, "range: CLASSFACTORY_S_FIRST...CLASSFACTORY_S_LAST ($00040110)"},
        {0x800401FF, "range: CO_E_FIRST...CO_E_LAST ($800401FF)"},
        {0x80040200, "severity: SEVERITY_ERROR, facility: FACILITY_ITF ($80040200)"},
        {0x000401FF, "range: CO_S_FIRST...CO_S_LAST ($000401FF)"},
        {0x00040200, "severity: SEVERITY_SUCCESS, facility: FACILITY_ITF ($00040200)"},
        {0x800400FF, "range: OLE_E_FIRST...OLE_E_LAST ($800400FF)"},
        {0x8003FFFF, "severity: SEVERITY_ERROR, facility: FACILITY_STORAGE ($8003FFFF)"},
        // the facility is bits 16 to 28: the reserved bits 29 and 30 belong to neither field
        {0x00000002, "severity: SEVERITY_SUCCESS, facility: FACILITY_NULL ($00000002)"},
        {0x80017777, "severity: SEVERITY_ERROR, facility: FACILITY_RPC ($80017777)"},
        {0x00067777, "severity: SEVERITY_SUCCESS, facility: FACILITY_0x06 ($00067777)"},
        {0x80087777, "severity: SEVERITY_ERROR, facility: FACILITY_WINDOWS ($80087777)"},
        {0x80097777, "severity: SEVERITY_ERROR, facility: <Unknown Facility> ($80097777)"},
        {0x20070002, "severity: SEVERITY_SUCCESS, facility: FACILITY_WIN32 ($20070002)"},
        {0xC0080001, "severity: SEVERITY_ERROR, facility: FACILITY_WINDOWS ($C0080001)"},
        {0x7FFFFFFF, "severity: SEVERITY_SUCCESS, facility: <Unknown Facility> ($7FFFFFFF)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeScode(static_cast<int32_t>(c.sc)), std::string(c.pszExpected));
}

TEST(DescribeScode, EveryNamedCodeIsUniqueAndDescribedByItsName) {
    EXPECT_EQ(ScodeNames().size(), 243u);
    std::set<uint32_t> codes;
    for (const ScodeName& entry : ScodeNames()) {
        EXPECT_TRUE(codes.insert(entry.sc).second) << entry.pszName;
        const std::string strText = DescribeScode(static_cast<int32_t>(entry.sc));
        EXPECT_EQ(strText.substr(0, strText.find(" ($")), entry.pszName);
    }
}

using Lines = std::vector<std::string>;

Lines Load(ScriptRunner& runner, const std::string& strText) {
    runner.WriteFile("load.scr", strText);
    runner.Engine().LoadScript(runner.PathOf("load.scr").c_str());
    return runner.Engine().m_arrLines;
}

int LoadFails(ScriptRunner& runner, const std::string& strText) {
    runner.WriteFile("load.scr", strText);
    return runner.LoadError(runner.PathOf("load.scr"));
}

TEST(Loader, LinesAreCleanedButKeepTheirIndex) {
    ScriptRunner runner;
    EXPECT_EQ(Load(runner, ""), Lines({""}));
    EXPECT_EQ(Load(runner, "a\n"), Lines({"a", ""}));
    EXPECT_EQ(Load(runner, "a"), Lines({"a", ""}));
    EXPECT_EQ(Load(runner, " \t x y \t\n   \n// c\n  //c2\nz // t\n"),
              Lines({"x y \t", "", "", "", "z // t", ""}));
    EXPECT_EQ(Load(runner, "\v\fa\n"), Lines({"a", ""}));
    Lines lf = Load(runner, "Main\n  x = 1 \n\nEndMain\n");
    EXPECT_EQ(Load(runner, "Main\r\n  x = 1 \r\n\r\nEndMain\r\n"), lf);  // CR LF alike
}

TEST(Loader, LineLimitCountsTheLineFeedAndARunReportsTheLine) {
    ScriptRunner runner;
    const std::string strMax(MAX_LINE, 'x');
    EXPECT_EQ(Load(runner, strMax), Lines({strMax, ""}));
    EXPECT_EQ(Load(runner, std::string(MAX_LINE - 1, 'x') + "\n"),
              Lines({std::string(MAX_LINE - 1, 'x'), ""}));
    EXPECT_EQ(Load(runner, std::string(MAX_LINE - 1, 'x') + "\r\n").size(), 2u);
    EXPECT_EQ(LoadFails(runner, "a\nb\n" + strMax + "\nc\n"), ERR_LINE_TOO_LONG);
    EXPECT_EQ(runner.Engine().m_nCurLine, 2);
    EXPECT_EQ(LoadFails(runner, strMax + "\r\n"), ERR_LINE_TOO_LONG);
    EXPECT_EQ(LoadFails(runner, std::string(100000, 'y')), ERR_LINE_TOO_LONG);
    EXPECT_EQ(runner.Engine().m_nCurLine, 0);
    // A run reports it with its line number.
    ScriptRun run = runner.Run("Main\n" + std::string(MAX_LINE, 'x') + "\nEndMain\n", "");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.strLog, ScriptError(2, "'t.scr' - Line too long (max. 32767 chars)"));
}

}  // namespace

// A file of 2^31 line feeds has more lines than the line numbers can count. Writing and reading
// 2 GB takes minutes, so the test runs only when QJ_SLOW_TESTS is set.
TEST(Loader, MoreLinesThanCanBeNumberedIsAReadError) {
    if (std::getenv("QJ_SLOW_TESTS") == nullptr) GTEST_SKIP() << "set QJ_SLOW_TESTS to run";
    ScriptRunner runner;
    {
        std::ofstream file(runner.PathOf("lines.scr"), std::ios::binary);
        const std::string strFeeds(1 << 20, '\n');
        for (int i = 0; i < 2048; ++i) file << strFeeds;
        ASSERT_TRUE(file.flush());
    }
    EXPECT_EQ(runner.LoadError(runner.PathOf("lines.scr")), ERR_READ_SCRIPT);
    std::filesystem::remove(runner.PathOf("lines.scr"));
}
