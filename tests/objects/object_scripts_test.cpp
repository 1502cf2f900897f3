// Object variables driven through scripts against the sample server: how each access kind
// arrives at the object, results and their conversions, failures, run modes and traces.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "objects/object_fixture.h"
#include "support/script_runner.h"

namespace {

// The declarations every script starts with; the first line of Main's body is line 12.
constexpr char DECLARATIONS[] =
    "Declare\n"
    "Object o(\"QJSample.Server\")\n"
    "Number n = 0\n"
    "Number f = 0\n"
    "String s = \"text\"\n"
    "String a = \"\"\n"
    "String m = \"\"\n"
    "String z = Null\n"
    "Number u\n"
    "EndDeclare\n"
    "Main\n";
constexpr int FIRST_LINE = 12;

std::string Script(const std::string& strBody) {
    return DECLARATIONS + strBody + "EndMain\n";
}

std::vector<std::string> Lines(const std::string& strText) {
    std::vector<std::string> arrLines;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);) arrLines.push_back(strLine);
    return arrLines;
}

// The trace lines between the start and the end message.
std::vector<std::string> BodyTrace(const ScriptRun& run) {
    std::vector<std::string> arrLines = Lines(run.strTrace);
    if (arrLines.size() < 2) return {};
    return {arrLines.begin() + 1, arrLines.end() - 1};
}

// The trace lines that show the value of n.
std::vector<std::string> PrintedNumbers(const ScriptRun& run) {
    std::vector<std::string> arrPrinted;
    for (const std::string& strLine : BodyTrace(run))
        if (strLine.find("): n = ") != std::string::npos) arrPrinted.push_back(strLine);
    return arrPrinted;
}

std::string TraceLine(int nLine, const std::string& strText) {
    return "t.scr (" + std::to_string(nLine) + "): " + strText;
}

// Names each case of a table after its pszName.
struct CaseName {
    template <class T>
    std::string operator()(const ::testing::TestParamInfo<T>& info) const {
        return info.param.pszName;
    }
};

class ObjectScriptTest : public ::testing::Test {
protected:
    CSampleRegistry m_registry;
    ScriptRunner m_runner;
};

// ---------------------------------------------------------------------------------------------
// How an access reaches the object: dispatch flags, member, and arguments as they arrive.

struct ArrivalCase {
    const char* pszName;
    const char* pszLine;  // the access under test
    int nFlags;
    const char* pszMember;
    const char* pszArgs;  // as the sample server lists them
};

void PrintTo(const ArrivalCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class ArrivalTest : public ObjectScriptTest, public ::testing::WithParamInterface<ArrivalCase> {};

TEST_P(ArrivalTest, ObjectSeesFlagsMemberAndArguments) {
    const ArrivalCase& c = GetParam();
    // The inspection properties are not invocations of their own, so they tell about the
    // access on the line before them.
    ScriptRun run = m_runner.Run(Script(std::string(c.pszLine) + "\n"
                                                                 "f = o.LastFlags\n"
                                                                 "m = o.LastMember\n"
                                                                 "a = o.LastArgs\n"
                                                                 "DebugPrintNum(f)\n"
                                                                 "DebugPrintStr(m)\n"
                                                                 "DebugPrintStr(a)\n"),
                                 "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    std::vector<std::string> arrTrace = BodyTrace(run);
    ASSERT_GE(arrTrace.size(), 3u) << run.strTrace;
    const size_t nLast = arrTrace.size() - 1;
    EXPECT_EQ(arrTrace[nLast - 2], TraceLine(FIRST_LINE + 4, "f = " + std::to_string(c.nFlags)));
    EXPECT_EQ(arrTrace[nLast - 1],
              TraceLine(FIRST_LINE + 5, "m = \"" + std::string(c.pszMember) + "\""));
    EXPECT_EQ(arrTrace[nLast], TraceLine(FIRST_LINE + 6, "a = \"" + std::string(c.pszArgs) + "\""));
}

INSTANTIATE_TEST_SUITE_P(
    AccessKinds, ArrivalTest,
    ::testing::Values(
        ArrivalCase{"property_read_statement", "o.number", 2, "Number", ""},
        ArrivalCase{"property_read_assignment", "s = o.string", 2, "String", ""},
        ArrivalCase{"method_empty_parentheses", "o.Void0()", 3, "Void0", ""},
        ArrivalCase{"method_empty_parentheses_in_assignment", "s = o.Concat()", 3, "Concat", ""},
        ArrivalCase{"method_with_arguments", "o.Void2(7, \"x\")", 1, "Void2", R"(I4:7, BSTR:"x")"},
        ArrivalCase{"method_trailing_comma", "o.Void1(7,)", 1, "Void1", "I4:7"},
        ArrivalCase{"method_variables_and_null", "o.Void4(n, s, z, TRUE)", 1, "Void4",
                    R"(I4:0, BSTR:"text", BSTR:null, I4:1)"},
        ArrivalCase{"method_null_literal_and_empty_text", "o.Void2(Null, \"\")", 1, "Void2",
                    R"(BSTR:null, BSTR:"")"},
        ArrivalCase{"method_fifteen_arguments",
                    "o.Void15(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)", 1, "Void15",
                    "I4:1, I4:2, I4:3, I4:4, I4:5, I4:6, I4:7, I4:8, I4:9, I4:10, I4:11, I4:12, "
                    "I4:13, I4:14, I4:15"},
        ArrivalCase{"method_name_any_case", "o.vOID0()", 3, "Void0", ""},
        ArrivalCase{"put_number_literal", "o.number = 2147483647", 4, "Number", "I4:2147483647"},
        ArrivalCase{"put_text_literal", "o.string = \"a b\"", 4, "String", R"(BSTR:"a b")"},
        ArrivalCase{"put_null", "o.string = Null", 4, "String", "BSTR:null"},
        ArrivalCase{"put_number_variable", "o.number = n", 4, "Number", "I4:0"},
        ArrivalCase{"put_constant", "o.number = TRUE", 4, "Number", "I4:1"},
        ArrivalCase{"put_text_variable", "o.string = s", 4, "String", R"(BSTR:"text")"},
        ArrivalCase{"put_null_variable", "o.string = z", 4, "String", "BSTR:null"},
        ArrivalCase{"put_with_comment", "o.number = 5 // five", 4, "Number", "I4:5"}),
    CaseName());

// ---------------------------------------------------------------------------------------------
// Results: what an assignment receives, and the value a put leaves in the object.

struct ResultCase {
    const char* pszName;
    const char* pszBody;  // ends by printing the variable under test
    const char* pszPrinted;
};

void PrintTo(const ResultCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class ResultTest : public ObjectScriptTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultTest, AssignmentReceivesConvertedResult) {
    const ResultCase& c = GetParam();
    ScriptRun run = m_runner.Run(Script(c.pszBody), "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    std::vector<std::string> arrTrace = BodyTrace(run);
    ASSERT_FALSE(arrTrace.empty());
    const std::string& strLast = arrTrace.back();
    EXPECT_EQ(strLast.substr(strLast.find("): ") + 3), c.pszPrinted);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ResultTest,
    ::testing::Values(
        ResultCase{"number_from_number", "n = o.Sum(40, 2)\nDebugPrintNum(n)\n", "n = 42"},
        ResultCase{"number_from_numeric_text", "n = o.NumericString()\nDebugPrintNum(n)\n",
                   "n = 1234"},
        ResultCase{"number_from_true", "n = o.ToBool(5)\nDebugPrintNum(n)\n", "n = -1"},
        ResultCase{"number_from_false", "n = 9\nn = o.ToBool(0)\nDebugPrintNum(n)\n", "n = 0"},
        ResultCase{"number_add_assign", "n = 5\nn += o.Sum(1, 2)\nDebugPrintNum(n)\n", "n = 8"},
        ResultCase{"text_from_number", "s = o.Sum(2, 3)\nDebugPrintStr(s)\n", R"(s = "5")"},
        ResultCase{"text_from_true", "s = o.ToBool(1)\nDebugPrintStr(s)\n", R"(s = "-1")"},
        ResultCase{"text_from_text", "s = o.Concat(\"a\", Null, 7)\nDebugPrintStr(s)\n",
                   R"(s = "a7")"},
        ResultCase{"text_from_null_string_is_empty", "s = o.string\nDebugPrintStr(s)\n",
                   R"(s = "")"},
        ResultCase{"number_put_then_read", "o.number = 77\nn = o.number\nDebugPrintNum(n)\n",
                   "n = 77"},
        ResultCase{"text_put_then_read", "o.string = \"x y\"\ns = o.string\nDebugPrintStr(s)\n",
                   R"(s = "x y")"},
        ResultCase{"numeric_text_put_to_number_property",
                   "o.number = \"12\"\nn = o.number\nDebugPrintNum(n)\n", "n = 12"},
        ResultCase{"echo_keeps_text", "s = o.Echo(\"q\")\nDebugPrintStr(s)\n", R"(s = "q")"}),
    CaseName());

// ---------------------------------------------------------------------------------------------
// Failures: each ends the run with one error on the line of the access.

struct FailureCase {
    const char* pszName;
    const char* pszBody;
    int nLine;  // offset from the first line of the body
    const char* pszMessage;
    int nCode;
    const char* pszOptions = "NT";
};

void PrintTo(const FailureCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class FailureTest : public ObjectScriptTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, RunEndsWithError) {
    const FailureCase& c = GetParam();
    ScriptRun run = m_runner.Run(Script(c.pszBody), c.pszOptions);
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.strLog, ScriptError(FIRST_LINE + c.nLine, c.pszMessage));
    EXPECT_EQ(run.nError, c.nCode);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, FailureTest,
    ::testing::Values(
        FailureCase{"name_alone", "o\n", 0, "'' - Unexpected", 2},
        FailureCase{"no_dot", "o(1)\n", 0, "'(' - Unexpected", 2},
        FailureCase{"no_member_name", "o.\n", 0, "'' - Unexpected", 2},
        FailureCase{"member_not_a_name", "o.5\n", 0, "'5' - Unexpected", 2},
        FailureCase{"member_is_a_type_name", "o.Number\n", 0, "'Number' - Unexpected", 2},
        FailureCase{"token_after_member", "o.Void0 5\n", 0, "'5' - Unexpected", 2},
        FailureCase{"compound_operator_after_member", "o.number += 1\n", 0, "'+=' - Unexpected", 2},
        FailureCase{"put_without_value", "o.number =\n", 0, "'' - Unexpected", 2},
        FailureCase{"put_extra_token", "o.number = 5 6\n", 0, "'6' - Unexpected", 2},
        FailureCase{"put_unknown_identifier", "o.number = q\n", 0, "'q' - Unknown identifier", 4},
        FailureCase{"put_object_variable", "o.number = o\n", 0, "'o' - Unexpected", 2},
        FailureCase{"put_procedure", "o.number = Main\n", 0, "'Main' - Unexpected", 2},
        FailureCase{"put_punctuation", "o.number = (\n", 0, "'(' - Unexpected", 2},
        FailureCase{"put_lone_sign", "o.number = -\n", 0, "'-' - Error converting to numeric value",
                    19},
        FailureCase{"put_unset_variable", "o.number = u\n", 0, "'u' - Variable not initialized", 5},
        FailureCase{"argument_object_variable", "o.Void1(o)\n", 0, "'o' - Unexpected", 2},
        FailureCase{"argument_list_open", "o.Void1(1\n", 0, "'' - Invalid expression", 16},
        FailureCase{"unknown_member", "o.Nope\n", 0,
                    "'Nope' - Identifier unknown in IDispatch interface", 28},
        // The member is resolved before its arguments are read.
        FailureCase{"unknown_member_before_faulty_arguments", "o.Nope(q, \n", 0,
                    "'Nope' - Identifier unknown in IDispatch interface", 28},
        FailureCase{"unknown_member_in_put", "o.Nope = q\n", 0,
                    "'Nope' - Identifier unknown in IDispatch interface", 28}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Results, FailureTest,
    ::testing::Values(
        FailureCase{"void_method_to_number", "n = o.Void0()\n", 0,
                    "'Void0' - Assignment from void method", 20},
        FailureCase{"void_method_to_text", "s = o.Void1(1)\n", 0,
                    "'Void1' - Assignment from void method", 20},
        FailureCase{"text_to_number", "n = o.Concat(\"x\")\n", 0, "'Concat' - Type mismatch", 12},
        FailureCase{"text_property_to_number", "o.string = \"1x\"\nn = o.string\n", 1,
                    "'string' - Type mismatch", 12},
        FailureCase{"empty_text_to_number", "n = o.Concat()\n", 0, "'Concat' - Type mismatch", 12}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Invocations, FailureTest,
    ::testing::Values(
        FailureCase{"object_exception_with_text", "o.Raise(\"boom\")\n", 0,
                    "'COleDispatchException boom' - Internal error", 0},
        FailureCase{"object_exception_default_text", "o.Raise()\n", 0,
                    "'COleDispatchException Sample failure' - Internal error", 0},
        FailureCase{"object_exception_filled_in_later", "n = o.RaiseLater()\n", 0,
                    "'COleDispatchException Deferred sample failure' - Internal error", 0},
        FailureCase{"too_few_arguments", "o.Void2(1)\n", 0, "'COleException' - Internal error", 0},
        FailureCase{"too_many_arguments", "o.Void0(1)\n", 0, "'COleException' - Internal error", 0},
        FailureCase{"argument_not_convertible", "o.Sum(1, \"x\")\n", 0,
                    "'COleException' - Internal error", 0},
        FailureCase{"put_to_read_only_property", "o.LastFlags = 1\n", 0,
                    "'COleException' - Internal error", 0},
        FailureCase{"put_not_convertible", "o.number = \"many\"\n", 0,
                    "'COleException' - Internal error", 0},
        FailureCase{"method_as_property_read", "o.Void0\n", 0, "'COleException' - Internal error",
                    0},
        FailureCase{"exception_after_earlier_lines", "n = 1\no.Raise(\"late\")\n", 1,
                    "'COleDispatchException late' - Internal error", 0}),
    CaseName());

// Check and simulation runs resolve members and read arguments but never invoke.
INSTANTIATE_TEST_SUITE_P(
    Modes, FailureTest,
    ::testing::Values(
        FailureCase{"check_unknown_member", "o.Nope\n", 0,
                    "'Nope' - Identifier unknown in IDispatch interface", 28, "C"},
        FailureCase{"simulate_unknown_member", "o.Nope(1)\n", 0,
                    "'Nope' - Identifier unknown in IDispatch interface", 28, "S"},
        FailureCase{"check_faulty_argument", "o.Void1(q)\n", 0, "'q' - Unknown identifier", 4, "C"},
        FailureCase{"simulate_faulty_put", "o.number = 1 2\n", 0, "'2' - Unexpected", 2, "S"}),
    CaseName());

TEST_F(ObjectScriptTest, CheckFindsUnknownMemberInProcedureNeverCalled) {
    ScriptRun run = m_runner.Run(
        "Declare\nObject o(\"QJSample.Server\")\nEndDeclare\nMain\nEndMain\n"
        "Proc P\no.Void0()\no.Nope()\nEndProc\n",
        "C");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.strLog, ScriptError(8, "'Nope' - Identifier unknown in IDispatch interface"));
}

TEST_F(ObjectScriptTest, CheckAndSimulationRunsInvokeNothing) {
    // Each of these fails when it is invoked.
    const std::string strBody =
        "o.Raise(\"boom\")\n"
        "n = o.Void0()\n"
        "n = o.Concat(\"x\")\n"
        "o.LastFlags = 1\n";
    for (const char* pszOptions : {"C", "S", "C-NT", "S/NT"}) {
        ScriptRun run = m_runner.Run(Script(strBody), pszOptions);
        EXPECT_EQ(run.nResult, 1) << pszOptions << ": " << run.strLog;
        EXPECT_EQ(run.strLog, "") << pszOptions;
    }
}

TEST_F(ObjectScriptTest, SimulationTracesBuiltinsButNotObjectCalls) {
    ScriptRun run = m_runner.Run(Script("n = o.Sum(1, 2)\no.Void0()\nDebugPrintNum(n)\n"), "S");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    // The object calls give the caller 0 without running.
    EXPECT_EQ(BodyTrace(run), std::vector<std::string>{TraceLine(FIRST_LINE + 2, "n = 0")});
}

TEST_F(ObjectScriptTest, VoidMethodAsStatementSucceeds) {
    ScriptRun run = m_runner.Run(Script("o.Void0()\no.Void3(1, \"b\", Null)\n"));
    EXPECT_EQ(run.nResult, 1) << run.strLog;
}

// ---------------------------------------------------------------------------------------------
// Traces: the call line before the invocation, the result line after it, none for a put.

TEST_F(ObjectScriptTest, TraceShowsCallsAndResults) {
    ScriptRun run = m_runner.Run(Script("n = o.Sum(1, \"2\")\n"
                                        "s = o.Concat(\"a\", Null, n)\n"
                                        "o.number = 5\n"
                                        "o.string = Null\n"
                                        "o.Void0()\n"
                                        "o.number\n"
                                        "n = o.number\n"
                                        "s = o.ToBool(1)\n"),
                                 "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    const int L = FIRST_LINE;
    EXPECT_EQ(BodyTrace(run), (std::vector<std::string>{
                                  TraceLine(L, R"(o.Sum( 1, "2" ))"),
                                  TraceLine(L, "o.Sum - Return value: 3"),
                                  TraceLine(L + 1, R"(o.Concat( "a", NULL, 3 ))"),
                                  TraceLine(L + 1, R"(o.Concat - Return value: "a3")"),
                                  TraceLine(L + 4, "o.Void0(  )"),
                                  TraceLine(L + 5, "o.number(  )"),
                                  TraceLine(L + 6, "o.number(  )"),
                                  TraceLine(L + 6, "o.number - Return value: 5"),
                                  TraceLine(L + 7, "o.ToBool( 1 )"),
                                  TraceLine(L + 7, R"(o.ToBool - Return value: "-1")"),
                              }));
}

TEST_F(ObjectScriptTest, TraceHasCallLineBeforeFailedInvocation) {
    ScriptRun run = m_runner.Run(Script("n = o.Raise(\"no\")\n"), "");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(BodyTrace(run),
              std::vector<std::string>{TraceLine(FIRST_LINE, R"(o.Raise( "no" ))")});
    EXPECT_EQ(run.strLog, ScriptError(FIRST_LINE, "'COleDispatchException no' - Internal error"));
}

TEST_F(ObjectScriptTest, TraceLabelUsesVariableName) {
    ScriptRun run = m_runner.Run(
        "Declare\nObject Server_2(\"qjsample.server\")\nEndDeclare\nMain\nServer_2.Void0()\n"
        "EndMain\n",
        "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_EQ(BodyTrace(run), std::vector<std::string>{TraceLine(5, "Server_2.Void0(  )")});
}

// ---------------------------------------------------------------------------------------------
// Creation and lifetime.

struct CreationCase {
    const char* pszName;
    const char* pszProgId;
    const char* pszDescription;
};

class CreationTest : public ObjectScriptTest, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(CreationTest, FailsInStructurePassWithStatusDescription) {
    const CreationCase& c = GetParam();
    ScriptRun run = m_runner.Run("Declare\nNumber n = 1\nObject p(\"" + std::string(c.pszProgId) +
                                     "\")\nEndDeclare\nMain\nDebugPrintNum(n)\nEndMain\n",
                                 "");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, 27);
    EXPECT_EQ(run.strLog,
              ScriptError(3, "''" + std::string(c.pszProgId) + "' - " + c.pszDescription +
                                 "' - Error creating IDispatch interface"));
    // No statement ran: the trace holds the start and end messages only.
    EXPECT_TRUE(BodyTrace(run).empty()) << run.strTrace;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CreationTest,
    ::testing::Values(CreationCase{"unknown_progid", "No.Such", "CO_E_CLASSSTRING ($800401F3)"},
                      CreationCase{"empty_progid", "", "CO_E_CLASSSTRING ($800401F3)"},
                      CreationCase{"no_dispatch_interface", SAMPLE_NODISPATCH_PROGID,
                                   "E_NOINTERFACE ($80004002)"},
                      CreationCase{
                          "library_missing", "QJSample.Missing",
                          "severity: SEVERITY_ERROR, facility: FACILITY_WIN32 ($8007007E)"}),
    CaseName());

TEST_F(ObjectScriptTest, ObjectsAreReleasedAfterEveryRun) {
    const std::string strTwo =
        "Declare\nObject o(\"QJSample.Server\")\nObject p(\"QJSample.Server\")\nNumber n = 0\n";
    const std::string strCount = "EndDeclare\nMain\nn = o.ObjectCount\nDebugPrintNum(n)\nEndMain\n";

    ScriptRun run = m_runner.Run(strTwo + strCount, "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_EQ(PrintedNumbers(run), std::vector<std::string>{TraceLine(8, "n = 2")});

    // Runs that fail after creating objects release them too: in Main, and in the structure
    // pass when a later object cannot be created.
    run = m_runner.Run(strTwo + "EndDeclare\nMain\no.Raise()\nEndMain\n");
    ASSERT_EQ(run.nError, 0) << run.strLog;
    run = m_runner.Run(strTwo + "Object q(\"No.Such\")\nEndDeclare\nMain\nEndMain\n");
    ASSERT_EQ(run.nError, 27) << run.strLog;

    run = m_runner.Run("Declare\nObject o(\"QJSample.Server\")\nNumber n = 0\n" + strCount, "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_EQ(PrintedNumbers(run), std::vector<std::string>{TraceLine(7, "n = 1")});
}

TEST_F(ObjectScriptTest, EachVariableHasItsOwnObject) {
    ScriptRun run = m_runner.Run(
        "Declare\nObject o(\"QJSample.Server\")\nObject p(\"QJSample.Server\")\nNumber n = 0\n"
        "EndDeclare\nMain\no.number = 1\np.number = 2\nn = o.number\nDebugPrintNum(n)\n"
        "n = p.number\nDebugPrintNum(n)\nEndMain\n",
        "");
    ASSERT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_EQ(PrintedNumbers(run),
              (std::vector<std::string>{TraceLine(10, "n = 1"), TraceLine(12, "n = 2")}));
}

}  // namespace
