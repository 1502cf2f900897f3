// The structure pass: its block and nesting rules, and the records and declarations it leaves.
#include <string>
#include <vector>

#include "lexer/engine_fixture.h"

namespace {

constexpr const char* UNEXPECTED = "Unexpected";
constexpr const char* REDEFINITION = "Redefinition";
constexpr const char* CONVERT = "Error converting to numeric value";

struct StructureCase {
    std::vector<std::string> lines;
    Outcome expected;
};

using StructureTest = EngineTest;

TEST_F(StructureTest, ReportsCodeDetailAndLineOfEachRule) {
    const StructureCase kCases[] = {
        // what may stand first on a line, and where
        {{"Main", "1x = 2", "EndMain"}, Failed(3, "1x", "Invalid identifier", 2)},
        {{"Main", "\"abc\" x", "EndMain"}, Failed(2, "abc", UNEXPECTED, 2)},
        {{"(Main)"}, Failed(2, "(", UNEXPECTED, 1)},
        {{"foo(1)"}, Failed(2, "foo", UNEXPECTED, 1)},
        {{"Declare", "x = 1", "EndDeclare"}, Failed(2, "x", UNEXPECTED, 2)},
        {{"Main", "Main", "EndMain"}, Failed(2, "Main", UNEXPECTED, 2)},
        {{"Main x"}, Failed(2, "x", UNEXPECTED, 1)},
        {{"Proc p", "Main x"}, Failed(2, "Main", UNEXPECTED, 2)},  // place before rest of line
        {{"Main", "EndMain", "", "Main", "EndMain"}, Failed(10, "Main", REDEFINITION, 4)},
        {{"Proc // p"}, Failed(2, "Proc", UNEXPECTED, 1)},
        {{"Proc p(a)"}, Failed(2, "(", UNEXPECTED, 1)},
        {{"Proc p", "Proc q"}, Failed(2, "Proc", UNEXPECTED, 2)},
        {{"Proc p", "EndProc", "Proc p"}, Failed(10, "p", REDEFINITION, 3)},
        {{"Proc FALSE x"}, Failed(10, "FALSE", REDEFINITION, 1)},  // name before surplus token
        {{"Declare Number n"}, Failed(2, "Number", UNEXPECTED, 1)},
        {{"Proc p", "EndMain"}, Failed(2, "EndMain", UNEXPECTED, 2)},
        {{"Main", "EndDeclare"}, Failed(2, "EndDeclare", UNEXPECTED, 2)},
        {{"Proc p", "EndProc p"}, Failed(2, "p", UNEXPECTED, 2)},
        {{"Declare", "If (a == 1)"}, Failed(2, "If", UNEXPECTED, 2)},
        {{"Main", "If", "EndIf", "EndMain"}, Failed(2, "If", UNEXPECTED, 2)},
        {{"Proc p", "While"}, Failed(13, "While", "Expression expected", 2)},
        {{"Main", "If (a)", "EndIf (a)"}, Failed(2, "(", UNEXPECTED, 3)},
        {{"Return"}, Failed(2, "Return", UNEXPECTED, 1)},
        {{"Proc p", "Return 1"}, Failed(2, "1", UNEXPECTED, 2)},
        {{"Main", "Number n"}, Failed(2, "Number", UNEXPECTED, 2)},
        {{"Object o(\"X\")"}, Failed(2, "Object", UNEXPECTED, 1)},
        {{"", "#esc"}, Failed(31, "esc", "Unknown directive", 2)},
        // a statement line is read only up to its first token here
        {{"Main", "f(\"\\x\")", "EndMain"}, PASSED},
        {{"Main", "\"\\x\"", "EndMain"}, Failed(30, "\\x", "Unknown escape sequence", 2)},
        // the end of the file: checked in order, reported for the file's last line
        {{}, PASSED},
        {{"", "// note", "#NoEsc", ""}, PASSED},
        {{"Main", "x = 1", ""}, Failed(2, "EOF", UNEXPECTED, 3)},
        {{"Main", "If (a)"}, Failed(2, "EOF", UNEXPECTED, 2)},
        {{"Main", "If (a)", "EndMain", ""}, Failed(14, "If", "Block error", 4)},
        {{"Main", "EndIf", "EndMain"}, Failed(14, "If", "Block error", 3)},
        {{"Proc p", "While (a)", "EndProc"}, Failed(14, "While", "Block error", 3)},
        {{"Main", "While (a)", "If (b)", "EndMain"}, Failed(14, "If", "Block error", 4)},
        // If and While nest as the depths saved by the latest If and While allow, which is not
        // quite a stack, and the depths run on across blocks
        {{"Main", "If (a)", "While (b)", "EndWhile", "If (c)", "EndIf", "EndIf", "EndMain"},
         PASSED},
        {{"Main", "If (a)", "EndMain", "Proc p", "EndIf", "EndProc"}, PASSED},
        {{"Main", "If (a)", "While (b)", "EndIf"}, Failed(2, "EndIf", UNEXPECTED, 4)},
        {{"Main", "While (a)", "If (b)", "EndWhile"}, Failed(2, "EndWhile", UNEXPECTED, 4)},
        {{"Main", "If (a)", "While (b)", "If (c)", "EndIf", "EndWhile", "EndIf"},
         Failed(2, "EndIf", UNEXPECTED, 7)},
        {{"Main", "While (a)", "EndMain", "Proc p", "If (b)", "EndWhile"},
         Failed(2, "EndWhile", UNEXPECTED, 6)},
    };
    for (const StructureCase& c : kCases) {
        m_engine.ClearRunData();
        m_engine.m_bEscapes = true;
        EXPECT_EQ(Scan(c.lines), c.expected) << ::testing::PrintToString(c.lines);
    }
}

TEST_F(StructureTest, RegistersMainProceduresAndVariablesAtTheirLines) {
    ASSERT_EQ(Scan({"// demo", "Proc first", "EndProc", "Declare", "Number n = 5", "EndDeclare",
                    "Main", "  first", "EndMain", "Proc 12", "Return", "EndProc", ""}),
              PASSED);
    EXPECT_EQ(Ident("first")->GetProcLine(), 1);
    EXPECT_EQ(Ident("Main")->GetProcLine(), 6);
    EXPECT_EQ(Ident("12")->GetProcLine(), 9);  // a procedure's name is taken whatever its code
    EXPECT_EQ(Ident("n")->GetNumber(), 5);
}

TEST_F(StructureTest, EscapeModeLastsAcrossLinesAndAfterThePass) {
    ASSERT_EQ(Scan({"Declare", "String a = \"1\\t2\"", "#NoEsc", "String b = \"1\\t2\"", "# Esc",
                    "String c = \"1\\t2\"", "#NoEsc", "EndDeclare"}),
              PASSED);
    EXPECT_STREQ(Ident("a")->GetString(), "1\t2");
    EXPECT_STREQ(Ident("b")->GetString(), "1\\t2");
    EXPECT_STREQ(Ident("c")->GetString(), "1\t2");
    // Execution begins in the mode the last directive line left.
    EXPECT_FALSE(m_engine.m_bEscapes);
}

class DeclareTest : public EngineTest {
protected:
    // Runs declaration lines inside a Declare block: they start on the file's second line.
    Outcome Declare(const std::vector<std::string>& lines) {
        std::vector<std::string> file = {"Declare"};
        file.insert(file.end(), lines.begin(), lines.end());
        file.push_back("EndDeclare");
        return Scan(file);
    }
};

TEST_F(DeclareTest, VariablesTakeLiteralsConstantsNullAndEarlierVariables) {
    ASSERT_EQ(Declare({"Number a = 12", "Number b = TRUE", "Number c = a", "Number d = 2147483647",
                       "Number u", "String s = \"two words\"", "String t = s", "String z = Null",
                       "String y = z", "String v"}),
              PASSED);
    EXPECT_EQ(Ident("a")->GetNumber(), 12);
    EXPECT_EQ(Ident("b")->GetNumber(), 1);
    EXPECT_EQ(Ident("c")->GetNumber(), 12);
    EXPECT_EQ(Ident("d")->GetNumber(), INT32_MAX);
    EXPECT_STREQ(Ident("t")->GetString(), "two words");
    EXPECT_EQ(Ident("y")->GetString(), nullptr);
    EXPECT_TRUE(Ident("y")->IsSet());
    for (const char* pszUnset : {"u", "v"}) EXPECT_FALSE(Ident(pszUnset)->IsSet()) << pszUnset;
    EXPECT_EQ(Ident("u")->m_nType, VAR_NUMBER);
    EXPECT_EQ(Ident("v")->m_nType, VAR_STRING);
    // The initialiser's value is taken at the declaration, not linked.
    Ident("a")->SetNumber(9);
    Ident("s")->SetString("y");
    EXPECT_EQ(Ident("c")->GetNumber(), 12);
    EXPECT_STREQ(Ident("t")->GetString(), "two words");
}

struct FaultCase {
    std::vector<std::string> lines;  // the last line is the faulty one
    std::string strName;             // the name it declares, which must stay unknown
    Outcome expected;
};

// The faulty declaration stands on the file's line (number of lines + 1).
TEST_F(DeclareTest, FaultyLinesFailAndLeaveNoRecord) {
    const char* INIT = "Initializer expected";
    const FaultCase kCases[] = {
        {{"Number"}, "", Failed(2, "", UNEXPECTED, 2)},
        {{"Number 5"}, "5", Failed(2, "5", UNEXPECTED, 2)},
        {{"Number n 5"}, "n", Failed(2, "5", UNEXPECTED, 2)},
        {{"Number n += 1"}, "n", Failed(2, "+=", UNEXPECTED, 2)},
        {{"Number n ="}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = \"5\""}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = 1 2"}, "n", Failed(2, "2", UNEXPECTED, 2)},
        {{"Number n = -5"}, "n", Failed(2, "5", UNEXPECTED, 2)},
        {{"Number n = 2147483648"}, "n", Failed(19, "2147483648", CONVERT, 2)},
        {{"Number n = n"}, "n", Failed(4, "n", "Unknown identifier", 2)},
        {{"String s = \"x\"", "Number n = s"}, "n", Failed(12, "s", "Type mismatch", 3)},
        {{"Number u", "Number n = u"}, "n", Failed(5, "u", "Variable not initialized", 3)},
        {{"String s = 5"}, "s", Failed(11, "=", INIT, 2)},
        {{"String s = \"a\\z\""}, "s", Failed(30, "\\z", "Unknown escape sequence", 2)},
        {{"Number n = 1", "String s = n"}, "s", Failed(12, "n", "Type mismatch", 3)},
        {{"String s = TRUE"}, "s", Failed(12, "TRUE", "Type mismatch", 2)},
        {{"Object o"}, "o", Failed(2, "", UNEXPECTED, 2)},
        {{"Object o(x)"}, "o", Failed(2, "x", UNEXPECTED, 2)},
        {{"Object o(\"X.Y\") y"}, "o", Failed(2, "y", UNEXPECTED, 2)},
        // The whole line is read before the name is tested, the name before the initialiser.
        {{"Number a", "Number a = 1 2"}, "", Failed(2, "2", UNEXPECTED, 3)},
        {{"Number a", "Object a(\"X.Y\") y"}, "", Failed(2, "y", UNEXPECTED, 3)},
        {{"Number a", "String a"}, "", Failed(10, "a", "Redefinition", 3)},
        {{"Object FALSE(\"X.Y\")"}, "", Failed(10, "FALSE", "Redefinition", 2)},
        {{"Number a", "Number a = nowhere"}, "", Failed(10, "a", "Redefinition", 3)},
    };
    for (const FaultCase& c : kCases) {
        SCOPED_TRACE(c.lines.back());
        m_engine.ClearRunData();
        EXPECT_EQ(Declare(c.lines), c.expected);
        if (!c.strName.empty()) {
            EXPECT_EQ(Ident(c.strName.c_str()), nullptr);
        }
    }
}

}  // namespace
