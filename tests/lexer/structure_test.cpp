// Tests of the structure pass: the block rules line by line, the If and While nesting rule,
// the checks at the end of the file, and the records the pass leaves behind.
#include <string>
#include <vector>

#include "lexer/engine_fixture.h"
#include "support/script_runner.h"

namespace {

constexpr const char* UNEXPECTED = "Unexpected";

struct StructureCase {
    const char* pszName;
    std::vector<std::string> lines;
    Outcome expected;
};

void PrintTo(const StructureCase& c, std::ostream* os) {
    *os << c.pszName;
}

class StructureTest : public EngineTest, public ::testing::WithParamInterface<StructureCase> {};

TEST_P(StructureTest, ReportsCodeDetailAndLine) {
    const StructureCase& c = GetParam();
    EXPECT_EQ(Scan(c.lines), c.expected);
}

// One faulty script per rule; each keyword is tested in a place it may not stand, and with
// what may not follow it.
const StructureCase kRuleCases[] = {
    {"InvalidFirstToken", {"Main", "1x = 2", "EndMain"}, Failed(3, "1x", "Invalid identifier", 2)},
    {"InvalidFirstTokenAtTopLevel", {"$x = 1"}, Failed(3, "$x", "Invalid identifier", 1)},
    {"NumberFirst", {"Main", "12", "EndMain"}, Failed(2, "12", UNEXPECTED, 2)},
    {"SignFirst", {"Main", "-x", "EndMain"}, Failed(2, "-", UNEXPECTED, 2)},
    {"LiteralFirstNamedWithoutQuotes",
     {"Main", "\"abc\" x", "EndMain"},
     Failed(2, "abc", UNEXPECTED, 2)},
    {"NullFirst", {"Main", "Null", "EndMain"}, Failed(2, "Null", UNEXPECTED, 2)},
    {"AssignFirst", {"Main", "= 5", "EndMain"}, Failed(2, "=", UNEXPECTED, 2)},
    {"ParenthesisFirst", {"(Main)"}, Failed(2, "(", UNEXPECTED, 1)},
    {"DotFirst", {"Declare", ".x"}, Failed(2, ".", UNEXPECTED, 2)},
    {"StatementAtTopLevel", {"foo(1)"}, Failed(2, "foo", UNEXPECTED, 1)},
    {"StatementInDeclare", {"Declare", "x = 1", "EndDeclare"}, Failed(2, "x", UNEXPECTED, 2)},
    {"SecondMainInsideMain", {"Main", "Main", "EndMain"}, Failed(2, "Main", UNEXPECTED, 2)},
    {"MainInsideDeclare", {"Declare", "Main"}, Failed(2, "Main", UNEXPECTED, 2)},
    {"MainNotAlone", {"Main x"}, Failed(2, "x", UNEXPECTED, 1)},
    {"MainStateTestedBeforeRestOfLine", {"Proc p", "Main x"}, Failed(2, "Main", UNEXPECTED, 2)},
    {"SecondMainBlock",
     {"Main", "EndMain", "", "Main", "EndMain"},
     Failed(10, "Main", "Redefinition", 4)},
    {"SecondMainBlockNotAloneIsUnexpectedFirst",
     {"Main", "EndMain", "Main 1"},
     Failed(2, "1", UNEXPECTED, 3)},
    {"ProcWithoutName", {"Proc"}, Failed(2, "Proc", UNEXPECTED, 1)},
    {"ProcWithCommentForName", {"Proc // p"}, Failed(2, "Proc", UNEXPECTED, 1)},
    {"ProcWithParameters", {"Proc p(a)"}, Failed(2, "(", UNEXPECTED, 1)},
    {"ProcWithSecondName", {"Proc p q"}, Failed(2, "q", UNEXPECTED, 1)},
    {"ProcInsideMain", {"Main", "Proc p"}, Failed(2, "Proc", UNEXPECTED, 2)},
    {"ProcInsideProc", {"Proc p", "Proc q"}, Failed(2, "Proc", UNEXPECTED, 2)},
    {"ProcTwice", {"Proc p", "EndProc", "Proc p", "EndProc"}, Failed(10, "p", "Redefinition", 3)},
    {"ProcNamedMain", {"Main", "EndMain", "Proc Main"}, Failed(10, "Main", "Redefinition", 3)},
    {"ProcNamedLikeConstant", {"Proc TRUE"}, Failed(10, "TRUE", "Redefinition", 1)},
    {"ProcNamedLikeVariable",
     {"Declare", "String s", "EndDeclare", "Proc s"},
     Failed(10, "s", "Redefinition", 4)},
    {"ProcRedefinitionTestedBeforeSurplusToken",
     {"Proc FALSE x"},
     Failed(10, "FALSE", "Redefinition", 1)},
    {"DeclareInsideMain", {"Main", "Declare"}, Failed(2, "Declare", UNEXPECTED, 2)},
    {"DeclareInsideDeclare", {"Declare", "Declare"}, Failed(2, "Declare", UNEXPECTED, 2)},
    {"DeclareNotAlone", {"Declare Number n"}, Failed(2, "Number", UNEXPECTED, 1)},
    {"EndMainWithoutMain", {"EndMain"}, Failed(2, "EndMain", UNEXPECTED, 1)},
    {"EndMainClosingProc", {"Proc p", "EndMain"}, Failed(2, "EndMain", UNEXPECTED, 2)},
    {"EndMainNotAlone", {"Main", "EndMain x"}, Failed(2, "x", UNEXPECTED, 2)},
    {"EndProcClosingMain", {"Main", "EndProc"}, Failed(2, "EndProc", UNEXPECTED, 2)},
    {"EndProcNotAlone", {"Proc p", "EndProc p"}, Failed(2, "p", UNEXPECTED, 2)},
    {"EndDeclareAtTopLevel", {"EndDeclare"}, Failed(2, "EndDeclare", UNEXPECTED, 1)},
    {"EndDeclareClosingMain", {"Main", "EndDeclare"}, Failed(2, "EndDeclare", UNEXPECTED, 2)},
    {"EndDeclareNotAlone", {"Declare", "EndDeclare ;"}, Failed(2, ";", UNEXPECTED, 2)},
    {"IfAtTopLevel", {"If (a == 1)"}, Failed(2, "If", UNEXPECTED, 1)},
    {"IfInDeclare", {"Declare", "If (a == 1)"}, Failed(2, "If", UNEXPECTED, 2)},
    {"IfAlone", {"Main", "If", "EndIf", "EndMain"}, Failed(2, "If", UNEXPECTED, 2)},
    {"IfWithCommentOnly", {"Main", "If // (a)"}, Failed(2, "If", UNEXPECTED, 2)},
    {"WhileAtTopLevel", {"While (a == 1)"}, Failed(2, "While", UNEXPECTED, 1)},
    {"WhileAlone", {"Proc p", "While"}, Failed(13, "While", "Expression expected", 2)},
    {"EndIfAtTopLevel", {"EndIf"}, Failed(2, "EndIf", UNEXPECTED, 1)},
    {"EndIfNotAlone", {"Main", "If (a)", "EndIf (a)"}, Failed(2, "(", UNEXPECTED, 3)},
    {"EndWhileInDeclare", {"Declare", "EndWhile"}, Failed(2, "EndWhile", UNEXPECTED, 2)},
    {"EndWhileNotAlone", {"Main", "While (a)", "EndWhile 1"}, Failed(2, "1", UNEXPECTED, 3)},
    {"ReturnAtTopLevel", {"Return"}, Failed(2, "Return", UNEXPECTED, 1)},
    {"ReturnWithValue", {"Proc p", "Return 1"}, Failed(2, "1", UNEXPECTED, 2)},
    {"NumberAtTopLevel", {"Number n"}, Failed(2, "Number", UNEXPECTED, 1)},
    {"NumberInMain", {"Main", "Number n"}, Failed(2, "Number", UNEXPECTED, 2)},
    {"StringInProc", {"Proc p", "String s"}, Failed(2, "String", UNEXPECTED, 2)},
    {"ObjectAtTopLevel", {"Object o(\"X\")"}, Failed(2, "Object", UNEXPECTED, 1)},
    {"DirectiveWithoutName", {"Main", "#", "EndMain"}, Failed(32, "", "Directive expected", 2)},
    {"DirectiveUnknown", {"", "#esc"}, Failed(31, "esc", "Unknown directive", 2)},
    {"DirectiveWithSurplus", {"# NoEsc 1"}, Failed(2, "1", UNEXPECTED, 1)},
    {"EscapeInStatementLineIsLexedOnlyToFirstToken", {"Main", "f(\"\\x\")", "EndMain"}, Passed()},
    {"EscapeInFirstToken",
     {"Main", "\"\\x\"", "EndMain"},
     Failed(30, "\\x", "Unknown escape sequence", 2)},
};

INSTANTIATE_TEST_SUITE_P(Rules, StructureTest, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

// What the file may end with: checked in order, reported for the file's last line.
const StructureCase kEndCases[] = {
    {"EmptyFile", {}, Passed()},
    {"OnlyBlankCommentAndDirectiveLines", {"", "// note", "#NoEsc", ""}, Passed()},
    {"MainNotClosed",
     {"Main", "DebugPrintNum(1)", "x = 1", "y = 2"},
     Failed(2, "EOF", UNEXPECTED, 4)},
    {"MainNotClosedBeforeBlankLines", {"Main", "", ""}, Failed(2, "EOF", UNEXPECTED, 3)},
    {"ProcNotClosed", {"Main", "EndMain", "Proc p"}, Failed(2, "EOF", UNEXPECTED, 3)},
    {"DeclareNotClosed", {"Declare"}, Failed(2, "EOF", UNEXPECTED, 1)},
    {"OpenBlockBeforeOpenIf", {"Main", "If (a)"}, Failed(2, "EOF", UNEXPECTED, 2)},
    {"IfNotClosed", {"Main", "If (a)", "EndMain", ""}, Failed(14, "If", "Block error", 4)},
    {"EndIfWithoutIf", {"Main", "EndIf", "EndMain"}, Failed(14, "If", "Block error", 3)},
    {"WhileNotClosed", {"Proc p", "While (a)", "EndProc"}, Failed(14, "While", "Block error", 3)},
    {"EndWhileWithoutWhile",
     {"Proc p", "EndWhile", "EndProc"},
     Failed(14, "While", "Block error", 3)},
    {"IfReportedBeforeWhile",
     {"Main", "While (a)", "If (b)", "EndMain"},
     Failed(14, "If", "Block error", 4)},
};

INSTANTIATE_TEST_SUITE_P(EndOfFile, StructureTest, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

// Blocks nest as the depths saved by the latest If and While allow: not as a stack would.
const StructureCase kNestingCases[] = {
    {"IfInIf", {"Main", "If (a)", "If (b)", "EndIf", "EndIf", "EndMain"}, Passed()},
    {"WhileInWhile",
     {"Main", "While (a)", "While (b)", "EndWhile", "EndWhile", "EndMain"},
     Passed()},
    {"WhileInIf", {"Main", "If (a)", "While (b)", "EndWhile", "EndIf", "EndMain"}, Passed()},
    {"IfInWhile", {"Main", "While (a)", "If (b)", "EndIf", "EndWhile", "EndMain"}, Passed()},
    {"IfAfterIfInWhile",
     {"Main", "While (a)", "If (b)", "EndIf", "If (c)", "EndIf", "EndWhile", "EndMain"},
     Passed()},
    {"IfOpenedInMainClosedInProc",
     {"Main", "If (a)", "EndMain", "Proc p", "EndIf", "EndProc"},
     Passed()},
    {"WhileSpanningTwoProcs",
     {"Proc p", "While (a)", "EndProc", "Proc q", "EndWhile", "EndProc"},
     Passed()},
    {"EndIfClosingIfAroundOpenWhile",
     {"Main", "If (a)", "While (b)", "EndIf", "EndWhile", "EndMain"},
     Failed(2, "EndIf", UNEXPECTED, 4)},
    {"EndWhileClosingWhileAroundOpenIf",
     {"Main", "While (a)", "If (b)", "EndWhile", "EndIf", "EndMain"},
     Failed(2, "EndWhile", UNEXPECTED, 4)},
    {"IfWhileIfClosedInOrderFailsAtOuterEndIf",
     {"Main", "If (a)", "While (b)", "If (c)", "EndIf", "EndWhile", "EndIf", "EndMain"},
     Failed(2, "EndIf", UNEXPECTED, 7)},
    {"WhileIfWhileClosedInOrderFailsAtOuterEndWhile",
     {"Main", "While (a)", "If (b)", "While (c)", "EndWhile", "EndIf", "EndWhile", "EndMain"},
     Failed(2, "EndWhile", UNEXPECTED, 7)},
    {"DepthsCarryAcrossBlocks",
     {"Main", "While (a)", "EndMain", "Proc p", "If (b)", "EndWhile", "EndProc"},
     Failed(2, "EndWhile", UNEXPECTED, 6)},
};

INSTANTIATE_TEST_SUITE_P(Nesting, StructureTest, ::testing::ValuesIn(kNestingCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

using StructurePassTest = EngineTest;

TEST_F(StructurePassTest, RegistersMainProceduresAndVariablesAtTheirLines) {
    ASSERT_EQ(Scan({"// demo", "Proc first", "EndProc", "Declare", "Number n = 5",
                    "String s = \"x\"", "EndDeclare", "Main", "  first", "later", "EndMain",
                    "Proc later", "Return", "EndProc", ""}),
              Passed());
    const struct {
        const char* pszName;
        int32_t nLine;
    } kProcs[] = {{"first", 1}, {"Main", 7}, {"later", 11}};
    for (const auto& proc : kProcs) {
        CScriptVar* pProc = Ident(proc.pszName);
        ASSERT_NE(pProc, nullptr) << proc.pszName;
        EXPECT_EQ(pProc->m_nType, VAR_PROC);
        EXPECT_TRUE(pProc->IsSet());
        EXPECT_EQ(pProc->GetProcLine(), proc.nLine) << proc.pszName;
    }
    EXPECT_EQ(Ident("n")->GetNumber(), 5);
    EXPECT_STREQ(Ident("s")->GetString(), "x");
    EXPECT_EQ(m_engine.m_nCurLine, 14);
}

TEST_F(StructurePassTest, ProcedureNameIsTakenWhateverItsCode) {
    ASSERT_EQ(Scan({"Proc 12", "EndProc", "Proc \"two words\"", "EndProc"}), Passed());
    EXPECT_EQ(Ident("12")->GetProcLine(), 0);
    EXPECT_EQ(Ident("two words")->GetProcLine(), 2);
}

TEST_F(StructurePassTest, ProcedureCannotTakeBuiltinName) {
    auto pFunc = std::make_unique<CScriptVar>(VAR_FUNC);
    pFunc->SetFuncDesc(new CFuncDesc(0, nullptr, 1, nullptr));
    m_engine.SetIdent("Beep", std::move(pFunc));
    EXPECT_EQ(Scan({"Proc Beep"}), Failed(10, "Beep", "Redefinition", 1));
    EXPECT_EQ(Ident("Beep")->m_nType, VAR_FUNC);
}

TEST_F(StructurePassTest, EscapeModeLastsAcrossLinesAndAfterThePass) {
    ASSERT_EQ(Scan({"Declare", "String a = \"1\\t2\"", "#NoEsc", "", "String b = \"1\\t2\"",
                    "# Esc", "String c = \"1\\t2\"", "#NoEsc", "EndDeclare"}),
              Passed());
    EXPECT_STREQ(Ident("a")->GetString(), "1\t2");
    EXPECT_STREQ(Ident("b")->GetString(), "1\\t2");
    EXPECT_STREQ(Ident("c")->GetString(), "1\t2");
    // Execution begins in the mode the last directive line left.
    EXPECT_FALSE(m_engine.m_bEscapes);
}

TEST_F(StructurePassTest, RecordsEnteredBeforeAFaultStayUntilCleanUp) {
    EXPECT_EQ(
        Scan({"Declare", "Number n = 1", "EndDeclare", "Main", "EndMain", "Proc p", "Proc q"}),
        Failed(2, "Proc", UNEXPECTED, 7));
    EXPECT_NE(Ident("n"), nullptr);
    EXPECT_NE(Ident("Main"), nullptr);
    EXPECT_NE(Ident("p"), nullptr);
    EXPECT_EQ(Ident("q"), nullptr);
}

// --- through a whole run: the loader's line numbers and the logged message

TEST(StructureRun, SoundScriptPassesWithItsVariables) {
    ScriptRunner runner;
    ScriptRun run =
        runner.Run("Declare\nNumber n = 5\nEndDeclare\nMain\nEndMain\nProc p\nEndProc\n");
    EXPECT_EQ(run.nResult, 1);
    EXPECT_EQ(run.strLog, "");
}

TEST(StructureRun, FaultsNameTheLineOfTheFile) {
    const struct {
        const char* pszScript;
        std::string strLog;
    } kCases[] = {
        {"Main\nDebugPrintNum(1)\nx = 1\ny = 2\n", ScriptError(4, "'EOF' - Unexpected")},
        {"Main\nDebugPrintNum(1)\nx = 1\ny = 2", ScriptError(4, "'EOF' - Unexpected")},
        {"Main\r\n// note\r\n\r\n  EndMain  x\r\n", ScriptError(4, "'x' - Unexpected")},
        {"Main\nEndMain\nMain\nEndMain\n", ScriptError(3, "'Main' - Redefinition")},
        {"Main\n\tWhile\nEndMain\n", ScriptError(2, "'While' - Expression expected")},
        {"Main\nIf (1 == 1)\nEndMain\n\n", ScriptError(4, "'If' - Block error")},
        {"Declare\nNumber n = x\nEndDeclare\n", ScriptError(2, "'x' - Unknown identifier")},
    };
    for (const auto& c : kCases) {
        ScriptRunner runner;
        ScriptRun run = runner.Run(c.pszScript);
        EXPECT_EQ(run.nResult, 0) << c.pszScript;
        EXPECT_EQ(run.strLog, c.strLog) << c.pszScript;
    }
}

TEST(StructureRun, ProcedureDefinedAfterMainCanBeCalled) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("Main\nlater\nEndMain\nProc later\nDebugPrintNum(7)\nEndProc\n", "");
    EXPECT_EQ(run.nResult, 1);
    EXPECT_EQ(run.strLog, "");
    EXPECT_NE(run.strTrace.find("t.scr (5): Literal = 7\n"), std::string::npos) << run.strTrace;
}

TEST(StructureRun, DeclaredWithoutValueIsUninitialisedInMain) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("Declare\nNumber n\nEndDeclare\nMain\nDebugPrintNum(n)\nEndMain\n");
    EXPECT_EQ(run.strLog, ScriptError(5, "'n' - Variable not initialized"));
}

TEST(StructureRun, ExecutionBeginsInTheEscapeModeTheFileEndsWith) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("Main\nDebugPrintStr(\"a\\tb\")\nEndMain\n#NoEsc\n", "");
    EXPECT_EQ(run.strLog, "");
    EXPECT_NE(run.strTrace.find("t.scr (2): Literal = \"a\\tb\"\n"), std::string::npos)
        << run.strTrace;
}

TEST(StructureRun, EmptyScriptFailsOnlyWhenMainIsLookedFor) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("\n// nothing\n");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, 15);
    EXPECT_NE(run.strLog.find("'Main' - missing"), std::string::npos) << run.strLog;
}

TEST(StructureRun, SecondRunMayDeclareTheSameNamesAgain) {
    ScriptRunner runner;
    const char* pszScript = "Declare\nNumber n = 1\nEndDeclare\nMain\nEndMain\nProc p\nEndProc\n";
    EXPECT_EQ(runner.Run(pszScript).strLog, "");
    ScriptRun run = runner.Run(pszScript);
    EXPECT_EQ(run.nResult, 1);
    EXPECT_EQ(run.strLog, "");
}

}  // namespace
