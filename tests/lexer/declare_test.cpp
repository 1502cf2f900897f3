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

TEST_F(DeclareTest, NumbersTakeLiteralsConstantsAndEarlierVariables) {
    ASSERT_EQ(Declare({"Number a = 12", "Number b = TRUE", "Number c = FALSE", "Number d = a",
                       "Number e = 2147483647", "Number f = 007", "Number h"}),
              Passed());
    const struct {
        const char* pszName;
        int32_t nValue;
    } kValues[] = {{"a", 12}, {"b", 1}, {"c", 0}, {"d", 12}, {"e", 2147483647}, {"f", 7}};
    for (const auto& v : kValues) {
        CScriptVar* pVar = Ident(v.pszName);
        ASSERT_NE(pVar, nullptr) << v.pszName;
        EXPECT_EQ(pVar->m_nType, VAR_NUMBER) << v.pszName;
        EXPECT_EQ(pVar->GetNumber(), v.nValue) << v.pszName;
    }
    CScriptVar* pUnset = Ident("h");
    ASSERT_NE(pUnset, nullptr);
    EXPECT_EQ(pUnset->m_nType, VAR_NUMBER);
    EXPECT_FALSE(pUnset->IsSet());
    Outcome read = Catch([&] { pUnset->GetNumber(); });
    EXPECT_EQ(read.nCode, 5);
    EXPECT_EQ(read.strMessage, "'h' - Variable not initialized");
}

TEST_F(DeclareTest, InitialiserValueIsTakenAtDeclaration) {
    ASSERT_EQ(Declare({"Number a = 1", "Number b = a", "String s = \"x\"", "String t = s"}),
              Passed());
    Ident("a")->SetNumber(9);
    Ident("s")->SetString("y");
    EXPECT_EQ(Ident("b")->GetNumber(), 1);
    EXPECT_STREQ(Ident("t")->GetString(), "x");
}

TEST_F(DeclareTest, StringsTakeLiteralsNullAndEarlierVariables) {
    ASSERT_EQ(Declare({"String a = \"two words\"", "String b = \"\"", "String c = Null",
                       "String d = c", "String e = a", "String f = \"tab\\there\"", "String g"}),
              Passed());
    EXPECT_STREQ(Ident("a")->GetString(), "two words");
    EXPECT_STREQ(Ident("b")->GetString(), "");
    for (const char* pszNull : {"c", "d"}) {
        CScriptVar* pVar = Ident(pszNull);
        ASSERT_NE(pVar, nullptr);
        EXPECT_EQ(pVar->m_nType, VAR_STRING);
        EXPECT_TRUE(pVar->IsSet()) << pszNull;
        EXPECT_EQ(pVar->GetString(), nullptr) << pszNull;
    }
    EXPECT_STREQ(Ident("e")->GetString(), "two words");
    EXPECT_STREQ(Ident("f")->GetString(), "tab\there");
    EXPECT_EQ(Ident("g")->m_nType, VAR_STRING);
    EXPECT_FALSE(Ident("g")->IsSet());
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
        {{"Number Main"}, "Main", Failed(2, "Main", UNEXPECTED, 2)},
        {{"Number n 5"}, "n", Failed(2, "5", UNEXPECTED, 2)},
        {{"Number n += 1"}, "n", Failed(2, "+=", UNEXPECTED, 2)},
        {{"Number n -= 1"}, "n", Failed(2, "-=", UNEXPECTED, 2)},
        {{"Number n == 1"}, "n", Failed(2, "==", UNEXPECTED, 2)},
        {{"Number n ="}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = Null"}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = \"5\""}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = (1)"}, "n", Failed(11, "=", INIT, 2)},
        {{"Number n = -5"}, "n", Failed(2, "5", UNEXPECTED, 2)},
        {{"Number n = 1 2"}, "n", Failed(2, "2", UNEXPECTED, 2)},
        {{"Number n = TRUE x"}, "n", Failed(2, "x", UNEXPECTED, 2)},
        {{"Number n = 2147483648"},
         "n",
         Failed(19, "2147483648", "Error converting to numeric value", 2)},
        {{"Number n = +"}, "n", Failed(19, "+", "Error converting to numeric value", 2)},
        {{"Number n = x"}, "n", Failed(4, "x", "Unknown identifier", 2)},
        {{"Number n = n"}, "n", Failed(4, "n", "Unknown identifier", 2)},
        {{"Number n = later", "Number later = 1"},
         "n",
         Failed(4, "later", "Unknown identifier", 2)},
        {{"String s = \"x\"", "Number n = s"}, "n", Failed(12, "s", "Type mismatch", 3)},
        {{"Number u", "Number n = u"}, "n", Failed(5, "u", "Variable not initialized", 3)},
        {{"String"}, "", Failed(2, "", UNEXPECTED, 2)},
        {{"String \"s\""}, "s", Failed(2, "s", UNEXPECTED, 2)},
        {{"String s = 5"}, "s", Failed(11, "=", INIT, 2)},
        {{"String s = -"}, "s", Failed(11, "=", INIT, 2)},
        {{"String s = \"a\" \"b\""}, "s", Failed(2, "b", UNEXPECTED, 2)},
        {{"String s = \"a\\z\""}, "s", Failed(30, "\\z", "Unknown escape sequence", 2)},
        {{"String s = \"unterminated"}, "s", Failed(11, "=", INIT, 2)},
        {{"String s = t"}, "s", Failed(4, "t", "Unknown identifier", 2)},
        {{"Number n = 1", "String s = n"}, "s", Failed(12, "n", "Type mismatch", 3)},
        {{"String u", "String s = u"}, "s", Failed(5, "u", "Variable not initialized", 3)},
        {{"String s = TRUE"}, "s", Failed(12, "TRUE", "Type mismatch", 2)},
        {{"Object"}, "", Failed(2, "", UNEXPECTED, 2)},
        {{"Object o"}, "o", Failed(2, "", UNEXPECTED, 2)},
        {{"Object o \"X.Y\""}, "o", Failed(2, "X.Y", UNEXPECTED, 2)},
        {{"Object o = (\"X.Y\")"}, "o", Failed(2, "=", UNEXPECTED, 2)},
        {{"Object o(5)"}, "o", Failed(2, "5", UNEXPECTED, 2)},
        {{"Object o(x)"}, "o", Failed(2, "x", UNEXPECTED, 2)},
        {{"Object o(\"X.Y\""}, "o", Failed(2, "", UNEXPECTED, 2)},
        {{"Object o(\"X.Y\",1)"}, "o", Failed(2, ",", UNEXPECTED, 2)},
        {{"Object o(\"X.Y\") y"}, "o", Failed(2, "y", UNEXPECTED, 2)},
        // The whole line is read before the name is tested.
        {{"Number a", "Number a = 1 2"}, "", Failed(2, "2", UNEXPECTED, 3)},
        {{"Number a", "String a = 5"}, "", Failed(11, "=", INIT, 3)},
        {{"Number a", "Object a(1)"}, "", Failed(2, "1", UNEXPECTED, 3)},
        {{"Number a", "Object a(\"X.Y\") y"}, "", Failed(2, "y", UNEXPECTED, 3)},
        {{"Number a", "Number a"}, "", Failed(10, "a", "Redefinition", 3)},
        {{"Number a", "String a = \"x\""}, "", Failed(10, "a", "Redefinition", 3)},
        {{"String TRUE = \"x\""}, "", Failed(10, "TRUE", "Redefinition", 2)},
        {{"Object FALSE(\"X.Y\")"}, "", Failed(10, "FALSE", "Redefinition", 2)},
        // The name is tested before the initialiser is looked up.
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

TEST_F(DeclareTest, VariableCannotTakeProcedureOrBuiltinName) {
    auto pFunc = std::make_unique<CScriptVar>(VAR_FUNC);
    pFunc->SetFuncDesc(new CFuncDesc(0, nullptr, 1, nullptr));
    m_engine.SetIdent("Beep", std::move(pFunc));
    EXPECT_EQ(Scan({"Proc p", "EndProc", "Declare", "Number p"}),
              Failed(10, "p", "Redefinition", 4));
    m_engine.ClearRunData();
    EXPECT_EQ(Scan({"Declare", "String Beep"}), Failed(10, "Beep", "Redefinition", 2));
    EXPECT_EQ(Ident("Beep")->m_nType, VAR_FUNC);
}

TEST_F(DeclareTest, NumberFromProcedureOrBuiltinIsTypeMismatch) {
    auto pFunc = std::make_unique<CScriptVar>(VAR_FUNC);
    pFunc->SetFuncDesc(new CFuncDesc(1, nullptr, 1, nullptr));
    m_engine.SetIdent("Beep", std::move(pFunc));
    EXPECT_EQ(Scan({"Proc p", "EndProc", "Declare", "Number n = p"}),
              Failed(12, "p", "Type mismatch", 4));
    EXPECT_EQ(Ident("n"), nullptr);
    m_engine.ClearRunData();
    EXPECT_EQ(Declare({"Number n = Beep"}), Failed(12, "Beep", "Type mismatch", 2));
    EXPECT_EQ(Ident("n"), nullptr);
}

TEST_F(DeclareTest, ObjectThatCannotBeCreatedLeavesNoRecord) {
    Outcome outcome = Declare({"Object o(\"No.SuchClass\")"});
    EXPECT_TRUE(outcome.bRaised);
    EXPECT_EQ(outcome.nCode, 27);
    EXPECT_EQ(outcome.nLine, 2);
    EXPECT_NE(outcome.strMessage.find("No.SuchClass"), std::string::npos) << outcome.strMessage;
    EXPECT_EQ(Ident("o"), nullptr);
}

}  // namespace
