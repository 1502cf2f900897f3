// Tests of the line lexer, and of the identifier records that the lexer's names lead to.
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "lexer/engine_fixture.h"
#include "lexer/tokens.h"

namespace {

struct Token {
    int32_t nCode;
    std::string strText;
    bool operator==(const Token&) const = default;
};

void PrintTo(const Token& t, std::ostream* os) {
    *os << "{" << t.nCode << ", \"" << t.strText << "\"}";
}

struct LexCase {
    std::string strLine;
    std::vector<Token> tokens;  // before the first TK_END
    ptrdiff_t nEndPos;          // the read position at TK_END
};

class LexerTest : public EngineTest {
protected:
    // Lexes the line to its end, the way callers do: the line start first, then null.
    std::vector<Token> LexLine(const std::string& strLine) {
        SetLine(strLine);
        std::vector<Token> tokens;
        char* pszStart = m_engine.m_szLine;
        for (std::string strText; tokens.size() < 40; pszStart = nullptr) {
            int32_t nCode = m_engine.GetToken(pszStart, strText);
            if (nCode == TK_END) break;
            tokens.push_back({nCode, strText});
        }
        return tokens;
    }
    Outcome LexError(const std::string& strLine) {
        return Catch([&] { LexLine(strLine); });
    }
    // A shortcut of the lexer gives the token, text and read position GetToken gives for the
    // line, which follows one that leaves other bytes behind its end in the buffer.
    void ExpectAsGetToken(const std::string& strLine,
                          const std::function<int32_t(CTokenText&)>& shortcut) {
        SetLine(strLine);
        CTokenText expected(m_engine.m_aBuiltTexts[CScriptEngine::BUILT_FIRST]);
        const int32_t nExpected = m_engine.GetToken(m_engine.m_szLine, expected);
        const std::string strExpected = expected.Str();
        const ptrdiff_t nExpectedPos = ReadPos();
        SetLine("EndWhileEndWhileEndWhile");
        SetLine(strLine);
        CTokenText got(m_engine.m_aBuiltTexts[CScriptEngine::BUILT_OTHER]);
        EXPECT_EQ(shortcut(got), nExpected) << strLine;
        EXPECT_EQ(got.Str(), strExpected) << strLine;
        EXPECT_EQ(ReadPos(), nExpectedPos) << strLine;
    }
};

TEST_F(LexerTest, CutsTokensAndStopsAtTheLineEnd) {
    // clang-format off
    const LexCase kCases[] = {
        {"", {}, 0},
        {"  \t \r", {}, 5},
        {"   // x", {}, 3},
        {"a\tb\nc\rd", {{TK_IDENT, "a"}, {TK_IDENT, "b"}, {TK_IDENT, "c"}, {TK_IDENT, "d"}}, 7},
        // vertical tab and form feed are skipped before a token, but do not end it
        {"\v\fx\vy", {{TK_INVALID, "x\vy"}}, 5},
        {"a=b+=1", {{TK_IDENT, "a"}, {TK_ASSIGN, "="}, {TK_IDENT, "b"}, {TK_ADD_ASSIGN, "+="},
                    {TK_NUMBER, "1"}}, 6},
        {"!= <= >= -= == =", {{TK_NE, "!="}, {TK_LE, "<="}, {TK_GE, ">="}, {TK_SUB_ASSIGN, "-="},
                              {TK_EQ, "=="}, {TK_ASSIGN, "="}}, 16},
        {"a===b", {{TK_IDENT, "a"}, {TK_EQ, "=="}, {TK_ASSIGN, "="}, {TK_IDENT, "b"}}, 5},
        {"=>", {{TK_ASSIGN, "="}, {TK_INVALID, ">"}}, 2},
        // a sign stands alone; so do the comparison characters without "="
        {"x=-1", {{TK_IDENT, "x"}, {TK_ASSIGN, "="}, {TK_NUMBER, "-"}, {TK_NUMBER, "1"}}, 4},
        {"a<b!+", {{TK_IDENT, "a"}, {TK_INVALID, "<"}, {TK_IDENT, "b"}, {TK_INVALID, "!"},
                   {TK_NUMBER, "+"}}, 5},
        {"o.M(a,b)", {{TK_IDENT, "o"}, {TK_DOT, "."}, {TK_IDENT, "M"}, {TK_LPAREN, "("},
                      {TK_IDENT, "a"}, {TK_COMMA, ","}, {TK_IDENT, "b"}, {TK_RPAREN, ")"}}, 8},
        {"#NoEsc", {{TK_DIRECTIVE, "#"}, {TK_IDENT, "NoEsc"}}, 6},
        {"f(1) // g(2)", {{TK_IDENT, "f"}, {TK_LPAREN, "("}, {TK_NUMBER, "1"}, {TK_RPAREN, ")"}}, 5},
        {"a//b", {{TK_IDENT, "a"}}, 1},
        {"a/b /", {{TK_INVALID, "a/b"}, {TK_INVALID, "/"}}, 5},
        // literals: their text between the quotes, blanks and operators kept
        {"\"a // b\" c", {{TK_STRING, "a // b"}, {TK_IDENT, "c"}}, 10},
        {"\"x=(1,2).#\"", {{TK_STRING, "x=(1,2).#"}}, 11},
        {"ab\"cd\"", {{TK_INVALID, "ab\"cd\""}}, 6},
        {"\"ab\"cd", {{TK_STRING, "ab"}, {TK_IDENT, "cd"}}, 6},
        {"\"\"", {{TK_STRING, ""}}, 2},
        {"\"ab c", {{TK_INVALID, "\"ab c"}}, 5},
        {"x \"", {{TK_IDENT, "x"}, {TK_INVALID, "\""}}, 3},
        {"Main main Null null", {{TK_MAIN, "Main"}, {TK_IDENT, "main"}, {TK_NULL, "Null"},
                                 {TK_IDENT, "null"}}, 19},
        {"a\\x \xC3\xA9t", {{TK_INVALID, "a\\x"}, {TK_INVALID, "\xC3\xA9t"}}, 7},
        {std::string(MAX_LINE, 'x'), {{TK_IDENT, std::string(MAX_LINE, 'x')}}, MAX_LINE},
    };
    // clang-format on
    for (const LexCase& c : kCases) {
        EXPECT_EQ(LexLine(c.strLine), c.tokens) << '[' << c.strLine << ']';
        EXPECT_EQ(ReadPos(), c.nEndPos) << '[' << c.strLine << ']';
    }
}

TEST_F(LexerTest, ShortDigitRunsCarryTheirValueAndOtherNumbersNone) {
    // A lone sign and a number before a comment are numbers the general case cuts.
    SetLine("7 + 987654321 5//c");
    std::string strBuilt;
    CTokenText text(strBuilt);
    const int32_t kValues[] = {7, CTokenText::NO_VALUE, 987654321, CTokenText::NO_VALUE};
    char* pszStart = m_engine.m_szLine;
    for (int32_t nValue : kValues) {
        EXPECT_EQ(m_engine.GetToken(pszStart, text), TK_NUMBER) << text.View();
        EXPECT_EQ(text.Value(), nValue) << text.View();
        pszStart = nullptr;
    }
    // A run too long to carry a value is converted from its text, which overflows.
    SetLine("9999999999");
    m_engine.GetToken(m_engine.m_szLine, text);
    EXPECT_EQ(text.Value(), CTokenText::NO_VALUE);
    EXPECT_EQ(Catch([&] { m_engine.ToNumber(text); }),
              Failed(19, "9999999999", "Error converting to numeric value", 1));
}

TEST_F(LexerTest, ClassifiesTokenTexts) {
    // clang-format off
    const Token kCases[] = {
        {TK_END, ""}, {TK_MAIN, "Main"}, {TK_IDENT, "MAIN"}, {TK_ENDIF, "EndIf"},
        {TK_IDENT, "Endif"}, {TK_IDENT, "Mainx"}, {TK_RETURN, "Return"},
        {TK_TYPE_OBJECT, "Object"}, {TK_ENDDECLARE, "EndDeclare"}, {TK_NUMBER, "007"},
        {TK_NUMBER, "-7"}, {TK_NUMBER, "+"}, {TK_NUMBER, "99999999999999999999"},
        {TK_INVALID, "1a"}, {TK_INVALID, "+-1"}, {TK_INVALID, "1.5"}, {TK_STRING, "\"a\"b\""},
        {TK_STRING, "\"\""}, {TK_INVALID, "\""}, {TK_INVALID, "\"a\"b"}, {TK_IDENT, "_"},
        {TK_IDENT, "Z9_x"}, {TK_INVALID, "a-b"}, {TK_INVALID, "$x"}, {TK_INVALID, "ab\x80"},
        {TK_EQ, "=="},
    };
    // clang-format on
    for (const Token& c : kCases)
        EXPECT_EQ(m_engine.ClassifyToken(c.strText), c.nCode) << '[' << c.strText << ']';
}

TEST_F(LexerTest, FindIdentKnowsOnlyEnteredNamesExactly) {
    EXPECT_EQ(m_engine.FindIdent("Main"), nullptr);  // keywords are not identifiers
    EXPECT_EQ(m_engine.FindIdent("true"), nullptr);
    EXPECT_EQ(m_engine.FindIdent("getlenght"), nullptr);
    CScriptVar* pVar = m_engine.SetIdent("Count", std::make_unique<CScriptVar>(VAR_NUMBER));
    EXPECT_EQ(m_engine.FindIdent("Count"), pVar);
    EXPECT_EQ(m_engine.FindIdent("count"), nullptr);
}

TEST_F(LexerTest, EscapeSequencesGiveTheirBytesInsideLiterals) {
    EXPECT_EQ(LexLine(R"("\"\\\a\b\f\n\r\t\v" x)"),
              (std::vector<Token>{{TK_STRING, "\"\\\a\b\f\n\r\t\v"}, {TK_IDENT, "x"}}));
    EXPECT_EQ(LexLine(R"("a\\"b)"), (std::vector<Token>{{TK_STRING, "a\\"}, {TK_IDENT, "b"}}));
    EXPECT_EQ(LexError(R"("ab"\x \q)"), PASSED);  // outside a literal a backslash is plain
    // An unknown one is named by the backslash and its character.
    const char* ESC = "Unknown escape sequence";
    EXPECT_EQ(LexError(R"("a\xb")"), Failed(30, "\\x", ESC, 1));
    EXPECT_EQ(LexError(R"(f("ok", "a\0"))"), Failed(30, "\\0", ESC, 1));
    EXPECT_EQ(LexError(R"("ab\)"), Failed(30, "\\", ESC, 1));  // the line ends after the backslash
    m_engine.m_bEscapes = false;
    EXPECT_EQ(LexLine(R"("a\nb" "a\"b)"),
              (std::vector<Token>{{TK_STRING, "a\\nb"}, {TK_STRING, "a\\"}, {TK_IDENT, "b"}}));
}

TEST_F(LexerTest, DirectivesSwitchEscapesOrNameWhatIsWrong) {
    const struct {
        const char* pszLine;
        Outcome expected;
        bool bEscapesAfter;
    } kCases[] = {
        {"#NoEsc", PASSED, false},
        {"#\t\"NoEsc\" // off", PASSED, false},
        {"# Esc", PASSED, true},
        {"#  // Esc", Failed(32, "", "Directive expected", 1), true},
        {"#NoEsc(", Failed(2, "(", "Unexpected", 1), true},
        {"#NOESC", Failed(31, "NOESC", "Unknown directive", 1), true},
        // the surplus token is found before the name is compared
        {"#bogus x", Failed(2, "x", "Unexpected", 1), true},
    };
    for (const auto& c : kCases) {
        m_engine.m_bEscapes = !c.bEscapesAfter || c.expected.bRaised;
        SetLine(c.pszLine);
        std::string strText;
        EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_DIRECTIVE);
        EXPECT_EQ(Catch([this] { m_engine.ProcessDirective(); }), c.expected) << c.pszLine;
        EXPECT_EQ(m_engine.m_bEscapes, c.bEscapesAfter) << c.pszLine;
    }
}

TEST_F(LexerTest, ABlockEndAloneOnItsLineOrAnExpectedPunctuationIsTheTokenTheLexerCuts) {
    const std::string kLines[] = {"EndWhile",  "EndWhile ", "EndWhileX", "EndWhil", "Endwhile",
                                  "EndProc",   "EndProc_",  "EndIf",     "EndMain", "EndIf=1",
                                  "EndProc//", "EndWhile(", ""};
    for (const int32_t nEnd : {TK_ENDMAIN, TK_ENDPROC, TK_ENDIF, TK_ENDWHILE}) {
        for (const std::string& strLine : kLines) {
            ExpectAsGetToken(strLine, [&](CTokenText& got) {
                return m_engine.GetLineToken(BlockEndLine(nEnd), got);
            });
        }
    }
    for (const std::string strLine :
         {"(", " (", "  (", "\t(", " ((", "(=", " )", "x)", " \"(\"", ""}) {
        ExpectAsGetToken(strLine, [&](CTokenText& got) {
            return m_engine.GetPunctuation(m_engine.m_szLine, '(', TK_LPAREN, got);
        });
    }
}

class RecordTest : public EngineTest {
protected:
    CScriptVar* Enter(const char* pszName, int32_t nType) {
        return m_engine.SetIdent(pszName, std::make_unique<CScriptVar>(nType));
    }
    // The error a record raises about itself.
    static Outcome Refusal(int nCode, const char* pszName) {
        const char* pszText = nCode == 12  ? "Type mismatch"
                              : nCode == 5 ? "Variable not initialized"
                                           : "Internal error";
        return Failed(nCode, pszName, pszText, 1);
    }
};

TEST_F(RecordTest, ToNumberReadsDecimalAsStrtolDoes) {
    // clang-format off
    const std::pair<const char*, int32_t> kCases[] = {
        {"+42", 42}, {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX}, {"", 0}, {"\t\n-3", -3},
        {"007", 7}, {"1234", 1234}, {"90210", 90210}, {"00000042", 42}, {"12345678", 12345678},
        {"987654321", 987654321}};
    // clang-format on
    for (const auto& [pszText, nExpected] : kCases) {
        int32_t nValue = -1;
        EXPECT_EQ(Catch([&] { nValue = m_engine.ToNumber(pszText); }), PASSED) << pszText;
        EXPECT_EQ(nValue, nExpected) << pszText;
    }
    // Out of range or not wholly a number: the error names the whole text.
    for (const char* pszText :
         {"2147483648", "-2147483649", "99999999999999999999", "12 ", "-", " ", "1.5", "--1", "1a",
          "12a4", "a12", "9999:", "1/345678", "12345:78", "123\xB9"}) {
        EXPECT_EQ(Catch([&] { m_engine.ToNumber(pszText); }),
                  Failed(19, pszText, "Error converting to numeric value", 1))
            << '[' << pszText << ']';
    }
}

// A refusal names the record and leaves its value; the internal errors guard what only the
// interpreter itself could get wrong.
TEST_F(RecordTest, SettersAndGettersRefuseOtherTypesAndNameTheRecordOrFailWithoutEngine) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    EXPECT_EQ(Catch([&] { pCount->GetStringRef(); }), Refusal(5, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetNumberText(nullptr); }), Refusal(0, "Count"));
    pCount->SetNumberText("-17");
    EXPECT_EQ(Catch([&] { pCount->SetString(nullptr); }), Refusal(12, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetObject(nullptr); }), Refusal(0, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetProcLine(); }), Refusal(0, "Count"));
    EXPECT_EQ(pCount->GetNumber(), -17);
    EXPECT_EQ(Catch([&] { Enter("p", VAR_PROC)->SetProcLine(-1); }), Refusal(0, "p"));
    Enter("Func", VAR_FUNC)->SetFuncDesc(nullptr);  // a built-in record without its descriptor
    EXPECT_EQ(Catch([&] { Ident("Func")->GetFuncDesc(); }), Refusal(0, "Func"));
    // A constant keeps its value.
    EXPECT_EQ(Catch([&] { Ident("TRUE")->SetNumber(2); }), Refusal(12, "TRUE"));
    EXPECT_EQ(Ident("TRUE")->GetNumber(), 1);
    // Without an engine a refusal returns a failure value.
    CScriptVar* pOther = Enter("Other", VAR_NUMBER);
    CScriptEngine* pSaved = g_pCurEngine;
    g_pCurEngine = nullptr;
    EXPECT_EQ(pOther->GetNumber(), -1);
    EXPECT_EQ(pOther->GetProcLine(), -1);
    EXPECT_FALSE(pOther->SetNumberText("1"));
    EXPECT_TRUE(pOther->SetNumber(3));
    EXPECT_EQ(pOther->GetString(), nullptr);
    EXPECT_FALSE(pOther->SetString("x"));
    g_pCurEngine = pSaved;
    EXPECT_EQ(pOther->GetNumber(), 3);
}

TEST_F(RecordTest, ClearRunDataKeepsOnlyBuiltinsAndConstants) {
    const size_t nKept = m_engine.m_mapIdent.size();
    Enter("Count", VAR_NUMBER)->SetNumber(1);
    Enter("Unset", VAR_STRING);
    Enter("Main", VAR_PROC)->SetProcLine(0);
    Enter("Obj", VAR_OBJECT);
    m_engine.m_mapIdent["NoRecord"] = nullptr;
    m_engine.ClearRunData();
    EXPECT_EQ(m_engine.m_mapIdent.size(), nKept);
    for (const auto& [strName, pVar] : m_engine.m_mapIdent) {
        ASSERT_NE(pVar, nullptr);
        EXPECT_TRUE(pVar->m_nType == VAR_FUNC || pVar->m_nType == VAR_CONST) << strName;
    }
    EXPECT_EQ(Ident("TRUE")->GetNumber(), 1);
    EXPECT_NE(Ident("Itoa"), nullptr);
    // The names are free again for the next run.
    EXPECT_EQ(Scan({"Declare", "Number Count = 2", "EndDeclare", "Main", "EndMain"}), PASSED);
}

}  // namespace
