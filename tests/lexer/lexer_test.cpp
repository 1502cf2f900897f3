// Tests of the line lexer: token codes, texts and read positions, escape sequences and the
// directives that switch them.
#include <string>
#include <vector>

#include "lexer/engine_fixture.h"
#include "lexer/tokens.h"

namespace {

struct Token {
    int32_t nCode;
    std::string strText;
    ptrdiff_t nPos;  // the read position after the token

    bool operator==(const Token&) const = default;
};

void PrintTo(const Token& t, std::ostream* os) {
    *os << "{" << t.nCode << ", \"" << t.strText << "\", " << t.nPos << "}";
}

struct LexCase {
    const char* pszName;
    std::string strLine;
    std::vector<Token> tokens;  // up to and including the first TK_END
};

void PrintTo(const LexCase& c, std::ostream* os) {
    *os << c.pszName;
}

class LexerTest : public EngineTest, public ::testing::WithParamInterface<LexCase> {
protected:
    // Lexes the line to its end, the way callers do: the line start first, then null.
    std::vector<Token> LexLine(const std::string& strLine) {
        SetLine(strLine);
        std::vector<Token> tokens;
        char* pszStart = m_engine.m_szLine;
        for (;;) {
            std::string strText = "stale";
            int32_t nCode = m_engine.GetToken(pszStart, strText);
            pszStart = nullptr;
            tokens.push_back({nCode, strText, ReadPos()});
            if (nCode == TK_END || tokens.size() > 40) return tokens;
        }
    }

    Outcome LexError(const std::string& strLine) {
        return Catch([&] { LexLine(strLine); });
    }
};

const LexCase kLexCases[] = {
    {"EmptyLine", "", {{TK_END, "", 0}}},
    {"BlanksOnly", "  \t \r", {{TK_END, "", 5}}},
    {"CommentOnly", "// x y", {{TK_END, "", 0}}},
    {"CommentAfterBlanks", "   // x", {{TK_END, "", 3}}},
    {"BlankEndsToken", "ab cd", {{TK_IDENT, "ab", 2}, {TK_IDENT, "cd", 5}, {TK_END, "", 5}}},
    {"TabLineFeedAndReturnEndTokens",
     "a\tb\nc\rd",
     {{TK_IDENT, "a", 1},
      {TK_IDENT, "b", 3},
      {TK_IDENT, "c", 5},
      {TK_IDENT, "d", 7},
      {TK_END, "", 7}}},
    {"VerticalTabAndFormFeedSkippedBeforeButKeptInside",
     "\v\fx\vy",
     {{TK_INVALID, "x\vy", 5}, {TK_END, "", 5}}},
    {"OperatorsNeedNoBlanks",
     "a=b+=1",
     {{TK_IDENT, "a", 1},
      {TK_ASSIGN, "=", 2},
      {TK_IDENT, "b", 3},
      {TK_ADD_ASSIGN, "+=", 5},
      {TK_NUMBER, "1", 6},
      {TK_END, "", 6}}},
    {"EqualsPair",
     "x==1",
     {{TK_IDENT, "x", 1}, {TK_EQ, "==", 3}, {TK_NUMBER, "1", 4}, {TK_END, "", 4}}},
    {"SignStandsAlone",
     "x=-1",
     {{TK_IDENT, "x", 1},
      {TK_ASSIGN, "=", 2},
      {TK_NUMBER, "-", 3},
      {TK_NUMBER, "1", 4},
      {TK_END, "", 4}}},
    {"ThreeEqualsArePairThenSingle",
     "a===b",
     {{TK_IDENT, "a", 1},
      {TK_EQ, "==", 3},
      {TK_ASSIGN, "=", 4},
      {TK_IDENT, "b", 5},
      {TK_END, "", 5}}},
    {"EveryPair",
     "!= <= >= -= +=",
     {{TK_NE, "!=", 2},
      {TK_LE, "<=", 5},
      {TK_GE, ">=", 8},
      {TK_SUB_ASSIGN, "-=", 11},
      {TK_ADD_ASSIGN, "+=", 14},
      {TK_END, "", 14}}},
    {"PairCharactersAloneAreInvalidOrSigns",
     "a<b>c!d+e",
     {{TK_IDENT, "a", 1},
      {TK_INVALID, "<", 2},
      {TK_IDENT, "b", 3},
      {TK_INVALID, ">", 4},
      {TK_IDENT, "c", 5},
      {TK_INVALID, "!", 6},
      {TK_IDENT, "d", 7},
      {TK_NUMBER, "+", 8},
      {TK_IDENT, "e", 9},
      {TK_END, "", 9}}},
    {"PairCharacterBeforeOtherPairCharacterStandsAlone",
     "=>",
     {{TK_ASSIGN, "=", 1}, {TK_INVALID, ">", 2}, {TK_END, "", 2}}},
    {"LessEqualThenEqual", "<==", {{TK_LE, "<=", 2}, {TK_ASSIGN, "=", 3}, {TK_END, "", 3}}},
    {"MemberCall",
     "obj.Method(a,b)",
     {{TK_IDENT, "obj", 3},
      {TK_DOT, ".", 4},
      {TK_IDENT, "Method", 10},
      {TK_LPAREN, "(", 11},
      {TK_IDENT, "a", 12},
      {TK_COMMA, ",", 13},
      {TK_IDENT, "b", 14},
      {TK_RPAREN, ")", 15},
      {TK_END, "", 15}}},
    {"DecimalPointSplitsNumber",
     "1.5",
     {{TK_NUMBER, "1", 1}, {TK_DOT, ".", 2}, {TK_NUMBER, "5", 3}, {TK_END, "", 3}}},
    {"DirectiveMarkStandsAlone",
     "#NoEsc",
     {{TK_DIRECTIVE, "#", 1}, {TK_IDENT, "NoEsc", 6}, {TK_END, "", 6}}},
    {"ParenthesisIsCompleteAtOnce",
     "((",
     {{TK_LPAREN, "(", 1}, {TK_LPAREN, "(", 2}, {TK_END, "", 2}}},
    {"CommentEndsTokenAndLine",
     "f(1) // g(2)",
     {{TK_IDENT, "f", 1},
      {TK_LPAREN, "(", 2},
      {TK_NUMBER, "1", 3},
      {TK_RPAREN, ")", 4},
      {TK_END, "", 5}}},
    {"CommentGluedToToken", "a//b", {{TK_IDENT, "a", 1}, {TK_END, "", 1}}},
    {"SingleSlashIsOrdinary",
     "a/b /",
     {{TK_INVALID, "a/b", 3}, {TK_INVALID, "/", 5}, {TK_END, "", 5}}},
    {"LiteralKeepsBlanksAndComment",
     "\"a // b\" c",
     {{TK_STRING, "a // b", 8}, {TK_IDENT, "c", 10}, {TK_END, "", 10}}},
    {"LiteralKeepsOperatorsAndPunctuation",
     "\"x=(1,2).#\"",
     {{TK_STRING, "x=(1,2).#", 11}, {TK_END, "", 11}}},
    {"TextGluedBeforeLiteralIsOneToken",
     "ab\"cd\"",
     {{TK_INVALID, "ab\"cd\"", 6}, {TK_END, "", 6}}},
    {"ClosingQuoteEndsToken",
     "\"ab\"cd",
     {{TK_STRING, "ab", 4}, {TK_IDENT, "cd", 6}, {TK_END, "", 6}}},
    {"LiteralsBackToBack",
     "\"a\"\"b\"",
     {{TK_STRING, "a", 3}, {TK_STRING, "b", 6}, {TK_END, "", 6}}},
    {"EmptyLiteral", "\"\"", {{TK_STRING, "", 2}, {TK_END, "", 2}}},
    {"UnterminatedLiteralRunsToLineEnd", "\"ab c", {{TK_INVALID, "\"ab c", 5}, {TK_END, "", 5}}},
    {"LoneQuoteIsInvalid", "x \"", {{TK_IDENT, "x", 1}, {TK_INVALID, "\"", 3}, {TK_END, "", 3}}},
    {"KeywordsAreCaseSensitive",
     "Main main Null null",
     {{TK_MAIN, "Main", 4},
      {TK_IDENT, "main", 9},
      {TK_NULL, "Null", 14},
      {TK_IDENT, "null", 19},
      {TK_END, "", 19}}},
    {"BackslashOutsideLiteralIsOrdinary", "a\\x", {{TK_INVALID, "a\\x", 3}, {TK_END, "", 3}}},
    {"HighBytesAreTakenIntoToken",
     "\xC3\xA9t\xC3\xA9",
     {{TK_INVALID, "\xC3\xA9t\xC3\xA9", 5}, {TK_END, "", 5}}},
    {"ControlCharacterIsPartOfToken",
     "a\x01"
     "b",
     {{TK_INVALID,
       "a\x01"
       "b",
       3},
      {TK_END, "", 3}}},
};

TEST_P(LexerTest, CutsTokensAndLeavesReadPosition) {
    const LexCase& c = GetParam();
    EXPECT_EQ(LexLine(c.strLine), c.tokens);
}

INSTANTIATE_TEST_SUITE_P(Lines, LexerTest, ::testing::ValuesIn(kLexCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

using LexerEdgeTest = LexerTest;

TEST_F(LexerEdgeTest, EndOfLineRepeatsAndCommentIsNeverPassed) {
    SetLine("a // b");
    std::string strText;
    EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_IDENT);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_engine.GetToken(nullptr, strText), TK_END);
        EXPECT_EQ(strText, "");
        EXPECT_EQ(ReadPos(), 2);
    }
}

TEST_F(LexerEdgeTest, StartPointerRestartsAndNullContinues) {
    SetLine("a b c");
    std::string strText;
    m_engine.GetToken(m_engine.m_szLine, strText);
    char* pszSaved = m_engine.m_pszPos;
    EXPECT_EQ(m_engine.GetToken(nullptr, strText), TK_IDENT);
    EXPECT_EQ(strText, "b");
    // A caller that looked ahead restores the position and reads the same token again.
    m_engine.m_pszPos = pszSaved;
    EXPECT_EQ(m_engine.GetToken(nullptr, strText), TK_IDENT);
    EXPECT_EQ(strText, "b");
    EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine + 4, strText), TK_IDENT);
    EXPECT_EQ(strText, "c");
    EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_IDENT);
    EXPECT_EQ(strText, "a");
}

TEST_F(LexerEdgeTest, LongestLineIsOneToken) {
    std::string strLine(MAX_LINE, 'x');
    SetLine(strLine);
    std::string strText;
    EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_IDENT);
    EXPECT_EQ(strText, strLine);
    EXPECT_EQ(ReadPos(), MAX_LINE);
}

// --- escape sequences

struct EscapeCase {
    const char* pszSequence;  // what stands after the backslash
    char chByte;
};

TEST_F(LexerEdgeTest, EveryEscapeSequenceGivesItsByteInsideLiteral) {
    const EscapeCase kEscapes[] = {{"\"", '"'}, {"\\", '\\'}, {"a", 7}, {"b", 8}, {"f", 12},
                                   {"n", 10},   {"r", 13},    {"t", 9}, {"v", 11}};
    for (const EscapeCase& e : kEscapes) {
        std::string strLine = std::string("\"<\\") + e.pszSequence + ">\" x";
        SetLine(strLine);
        std::string strText;
        EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_STRING) << strLine;
        EXPECT_EQ(strText, std::string("<") + e.chByte + ">") << strLine;
        EXPECT_EQ(ReadPos(), 6) << strLine;
    }
}

TEST_F(LexerEdgeTest, EscapedQuoteDoesNotEndLiteral) {
    EXPECT_EQ(LexLine("\"say \\\"hi\\\" now\" x"),
              (std::vector<Token>{
                  {TK_STRING, "say \"hi\" now", 16}, {TK_IDENT, "x", 18}, {TK_END, "", 18}}));
}

TEST_F(LexerEdgeTest, EscapedBackslashBeforeQuoteLeavesQuoteClosing) {
    EXPECT_EQ(LexLine("\"a\\\\\"b"),
              (std::vector<Token>{{TK_STRING, "a\\", 5}, {TK_IDENT, "b", 6}, {TK_END, "", 6}}));
}

TEST_F(LexerEdgeTest, WithoutEscapesBackslashIsOrdinaryInLiteral) {
    m_engine.m_bEscapes = false;
    EXPECT_EQ(LexLine("\"a\\nb\""), (std::vector<Token>{{TK_STRING, "a\\nb", 6}, {TK_END, "", 6}}));
    // The quote after a backslash closes the literal.
    EXPECT_EQ(LexLine("\"a\\\"b"),
              (std::vector<Token>{{TK_STRING, "a\\", 4}, {TK_IDENT, "b", 5}, {TK_END, "", 5}}));
    EXPECT_EQ(LexLine("\"\\x\""), (std::vector<Token>{{TK_STRING, "\\x", 4}, {TK_END, "", 4}}));
}

TEST_F(LexerEdgeTest, UnknownEscapeNamesBackslashAndItsCharacter) {
    const struct {
        std::string strLine;
        std::string strDetail;
    } kCases[] = {
        {"\"a\\xb\"", "\\x"},           {"\"\\ \"", "\\ "}, {"\"\\N\"", "\\N"}, {"\"\\0\"", "\\0"},
        {"f(\"ok\", \"a\\q\")", "\\q"}, {"\"ab\\", "\\"},  // the line ends after the backslash
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(LexError(c.strLine), Failed(30, c.strDetail, "Unknown escape sequence", 1))
            << c.strLine;
    }
}

TEST_F(LexerEdgeTest, EscapeOutsideLiteralRaisesNothing) {
    EXPECT_EQ(LexError("\"ab\"\\x \\q"), Passed());
}

// --- directives

class DirectiveTest : public EngineTest {
protected:
    // Reads the "#" of a directive line and processes the rest.
    Outcome Directive(const std::string& strLine) {
        SetLine(strLine);
        std::string strText;
        EXPECT_EQ(m_engine.GetToken(m_engine.m_szLine, strText), TK_DIRECTIVE);
        return Catch([this] { m_engine.ProcessDirective(); });
    }
};

TEST_F(DirectiveTest, NoEscAndEscSwitchWithOrWithoutBlank) {
    for (const char* pszOff : {"#NoEsc", "# NoEsc", "#\tNoEsc // off", "#\"NoEsc\""}) {
        m_engine.m_bEscapes = true;
        EXPECT_EQ(Directive(pszOff), Passed()) << pszOff;
        EXPECT_FALSE(m_engine.m_bEscapes) << pszOff;
    }
    for (const char* pszOn : {"#Esc", "# Esc"}) {
        m_engine.m_bEscapes = false;
        EXPECT_EQ(Directive(pszOn), Passed()) << pszOn;
        EXPECT_TRUE(m_engine.m_bEscapes) << pszOn;
    }
}

TEST_F(DirectiveTest, FaultyDirectivesNameWhatIsWrong) {
    const struct {
        const char* pszLine;
        Outcome expected;
    } kCases[] = {
        {"#", Failed(32, "", "Directive expected", 1)},
        {"#  // Esc", Failed(32, "", "Directive expected", 1)},
        {"#NoEsc 1", Failed(2, "1", "Unexpected", 1)},
        {"#Esc(", Failed(2, "(", "Unexpected", 1)},
        {"#esc", Failed(31, "esc", "Unknown directive", 1)},
        {"#NOESC", Failed(31, "NOESC", "Unknown directive", 1)},
        {"##", Failed(31, "#", "Unknown directive", 1)},
        // The surplus token is found before the name is compared.
        {"#bogus x", Failed(2, "x", "Unexpected", 1)},
    };
    for (const auto& c : kCases) {
        m_engine.m_bEscapes = true;
        EXPECT_EQ(Directive(c.pszLine), c.expected) << c.pszLine;
        EXPECT_TRUE(m_engine.m_bEscapes) << c.pszLine;
    }
}

}  // namespace
