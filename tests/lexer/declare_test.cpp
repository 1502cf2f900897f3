// Tests of the declarations: the values they give, the errors of faulty lines, and that a
// faulty line leaves no record behind.
#include <string>
#include <vector>

#include "lexer/engine_fixture.h"

namespace {

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
              Passed());
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
    const char* UNEXPECTED = "Unexpected";
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
        {{"Number n = 2147483648"},
         "n",
         Failed(19, "2147483648", "Error converting to numeric value", 2)},
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
