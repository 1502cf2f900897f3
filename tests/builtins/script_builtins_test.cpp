// Built-ins as scripts call them: results, output variables, errors with their lines, and
// what reaches the family's modules in each run mode.
#include <gtest/gtest.h>

#include "support/script_runner.h"

namespace {

using family_double::g_calls;
using family_double::g_outputs;
using family_double::g_results;

// Whether the trace holds the line, with the whole trace shown when it does not.
::testing::AssertionResult Traced(const ScriptRun& run, const std::string& strLine) {
    if (run.strTrace.find(strLine) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << strLine << "\" in\n" << run.strTrace;
}

// Runs with tracing on, so that the debug prints show the values.
ScriptRun RunTraced(ScriptRunner& runner, const std::string& strScript) {
    return runner.Run(strScript, "");
}

TEST(ScriptBuiltinTest, TextsChangeInPlaceAndResultsAreAssigned) {
    ScriptRunner runner;
    ScriptRun run = RunTraced(runner,
                              "Declare\n"
                              "String s = \"  Hello \"\n"
                              "String t = \"\"\n"
                              "Number n = 0\n"
                              "EndDeclare\n"
                              "Main\n"
                              "TrimLeft(s)\n"
                              "TrimRight(s)\n"
                              "MakeUpper(s)\n"
                              "Concat(s, \"!\")\n"
                              "n = GetLenght(s)\n"
                              "t = Itoa(n)\n"
                              "DebugPrintStr(s)\n"
                              "DebugPrintStr(t)\n"
                              "t = StripCharRight(\"a\\\\b\\\\c\", \"\\\\\", 1)\n"
                              "DebugPrintStr(t)\n"
                              "EndMain\n");
    EXPECT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_TRUE(Traced(run, "t.scr (7): TrimLeft( \"  Hello \" )\n"));
    EXPECT_TRUE(Traced(run, "t.scr (11): GetLenght - Return value: 6\n"));
    EXPECT_TRUE(Traced(run, "t.scr (13): s = \"HELLO!\"\n"));
    EXPECT_TRUE(Traced(run, "t.scr (14): t = \"6\"\n"));
    EXPECT_TRUE(Traced(run, "t.scr (16): t = \"a\\b\"\n"));
}

TEST(ScriptBuiltinTest, AnOutputVariableMustHoldAValue) {
    const std::string strDeclare = "Declare\nString u\nEndDeclare\nMain\n";
    ScriptRunner runner;
    ScriptRun run = runner.Run(strDeclare + "Empty(u)\nEndMain\n");
    EXPECT_EQ(run.strLog, ScriptError(5, "'u' - Variable not initialized"));
    for (const char* pszValue : {"\"\"", "Null"}) {
        run = runner.Run(strDeclare + "u = " + pszValue + "\nEmpty(u)\nEndMain\n");
        EXPECT_EQ(run.nResult, 1) << pszValue << ": " << run.strLog;
    }
}

TEST(ScriptBuiltinTest, ErrorsNameTheLineOfTheCall) {
    struct Case {
        const char* pszMain;
        std::string strLog;
    };
    const Case cases[] = {
        {"n = GetLenght(Null)\n", ScriptError(6, "'NULL-pointer' - Internal error")},
        {"n = Atoi(\"12a\")\n", ScriptError(6, "'12a' - Error converting to numeric value")},
        {"PVEnvGet(\"k\", s, 0)\n",
         ScriptError(6, "'PVEnvGet Parameter 3' - Invalid size specified")},
        {"n = getlenght(\"a\")\n", ScriptError(6, "'getlenght' - Unknown identifier")},
    };
    for (const Case& c : cases) {
        ScriptRunner runner;
        ScriptRun run =
            runner.Run(std::string("Declare\nNumber n = 0\nString s = \"\"\nEndDeclare\n"
                                   "Main\n") +
                       c.pszMain + "EndMain\n");
        EXPECT_EQ(run.nResult, 0) << c.pszMain;
        EXPECT_EQ(run.strLog, c.strLog) << c.pszMain;
        EXPECT_TRUE(g_calls.empty());
    }
}

TEST(ScriptBuiltinTest, ExitEndsTheRunWithoutAnErrorMessage) {
    ScriptRunner runner;
    ScriptRun run = RunTraced(runner, "Main\nExit(7)\nDebugPrintNum(1)\nEndMain\n");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, ERR_EXIT);
    EXPECT_EQ(run.strLog, "");
    EXPECT_TRUE(Traced(run, "t.scr (2): Abort through exit call\n"));
    EXPECT_FALSE(Traced(run, "Literal = 1"));
}

TEST(ScriptBuiltinTest, FileLibraryIsCalledOnlyWhenTheRunExecutes) {
    const std::string strScript =
        "Declare\nNumber n = 0\nEndDeclare\n"
        "Main\nPVWSetSimulation(1)\nn = PVWCopy(\"a\", \"b\", 3, Null)\nEndMain\n";
    struct Case {
        const char* pszOptions;
        size_t nCalls;
    };
    for (const Case& c : {Case{"NT", 2}, Case{"NT/S", 0}, Case{"NT/C", 0}}) {
        ScriptRunner runner;
        ScriptRun run = runner.Run(strScript, c.pszOptions);
        EXPECT_EQ(run.nResult, 1) << run.strLog;
        EXPECT_EQ(g_calls.size(), c.nCalls) << c.pszOptions;
    }
    ScriptRunner runner;
    runner.Run(strScript);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].strFunc, "PVWSetSimulation");
    EXPECT_EQ(g_calls[0].args, std::vector{Num(1)});
    EXPECT_EQ(g_calls[1].strFunc, "PVWCopy");
    EXPECT_EQ(g_calls[1].args, (std::vector{Text("a"), Text("b"), Num(3), NullText()}));
}

TEST(ScriptBuiltinTest, OutputVariablesReceiveTheModulesText) {
    ScriptRunner runner;
    g_results["ActIDRun"] = 3;
    g_outputs["ActIDRun"] = "action output";
    g_results["PVEnvGet"] = 0;
    g_outputs["PVEnvGet"] = "unused";
    ScriptRun run = RunTraced(runner,
                              "Declare\n"
                              "String a = \"old\"\n"
                              "String e = \"old\"\n"
                              "Number n = 0\n"
                              "EndDeclare\n"
                              "Main\n"
                              "n = ActIDRun(\"id\", 1, \"x\", Null, 0, a, 5, \"y\")\n"
                              "n = PVEnvGet(\"key\", e, 32767)\n"
                              "DebugPrintStr(a)\n"
                              "DebugPrintStr(e)\n"
                              "EndMain\n");
    EXPECT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_TRUE(Traced(run, "ActIDRun - Return value: 3\n"));
    EXPECT_TRUE(Traced(run, "t.scr (9): a = \"action output\"\n"));
    EXPECT_TRUE(Traced(run, "t.scr (10): e = \"old\"\n"));
}

}  // namespace
