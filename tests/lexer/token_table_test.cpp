// Tests of the keyword table and of the classification of token texts.
#include <map>
#include <string>

#include "lexer/engine_fixture.h"
#include "lexer/tokens.h"

namespace {

using TokenTableTest = EngineTest;

TEST_F(TokenTableTest, HoldsExactlyTheFixedTextsWithTheirCodes) {
    const std::map<std::string, int32_t> kExpected = {
        {"Null", 5},      {"-=", 100},         {"+=", 101},      {"!=", 102},     {"==", 103},
        {"<=", 104},      {">=", 105},         {"=", 106},       {"(", 107},      {")", 108},
        {",", 109},       {".", 110},          {"Main", 500},    {"Proc", 501},   {"If", 502},
        {"While", 503},   {"EndMain", 504},    {"EndProc", 505}, {"EndIf", 506},  {"EndWhile", 507},
        {"Declare", 508}, {"EndDeclare", 509}, {"#", 510},       {"Return", 511}, {"Number", 800},
        {"String", 801},  {"Object", 802},
    };
    std::map<std::string, int32_t> actual(m_engine.m_mapToken.begin(), m_engine.m_mapToken.end());
    EXPECT_EQ(actual, kExpected);
    for (const auto& [strText, nCode] : kExpected)
        EXPECT_EQ(m_engine.ClassifyToken(strText), nCode);
}

struct ClassifyCase {
    std::string strText;
    int32_t nCode;
};

TEST_F(TokenTableTest, ClassifiesEveryKindOfText) {
    const ClassifyCase kCases[] = {
        // rule 1: nothing left
        {"", TK_END},
        // rule 2: keywords are exact and case-sensitive
        {"Main", TK_MAIN},
        {"main", TK_IDENT},
        {"MAIN", TK_IDENT},
        {"EndIf", TK_ENDIF},
        {"Endif", TK_IDENT},
        {"endif", TK_IDENT},
        {"NULL", TK_IDENT},
        {"TRUE", TK_IDENT},
        {"Mainx", TK_IDENT},
        // rule 3: a sign or digit, then digits only
        {"12", TK_NUMBER},
        {"0", TK_NUMBER},
        {"007", TK_NUMBER},
        {"+12", TK_NUMBER},
        {"-7", TK_NUMBER},
        {"+", TK_NUMBER},
        {"-", TK_NUMBER},
        {"99999999999999999999", TK_NUMBER},
        {"1a", TK_INVALID},
        {"+a", TK_INVALID},
        {"-_", TK_INVALID},
        {"+-1", TK_INVALID},
        {"1+", TK_INVALID},
        {"1.5", TK_INVALID},
        {"9\"", TK_INVALID},
        // rule 4: quotes at both ends, whatever is between
        {"\"abc\"", TK_STRING},
        {"\"\"", TK_STRING},
        {"\"a b // c\"", TK_STRING},
        {"\"\xC3\xA9\"", TK_STRING},
        {"\"a\"b\"", TK_STRING},
        {"\"abc", TK_INVALID},
        {"\"", TK_INVALID},
        {"\"a\"b", TK_INVALID},
        // rule 5: letters, digits and underscore
        {"abc_1", TK_IDENT},
        {"_x", TK_IDENT},
        {"_", TK_IDENT},
        {"Z9", TK_IDENT},
        // rule 6: everything else
        {"a.b", TK_INVALID},
        {"a b", TK_INVALID},
        {"a-b", TK_INVALID},
        {"abc\"", TK_INVALID},
        {"<", TK_INVALID},
        {">", TK_INVALID},
        {"!", TK_INVALID},
        {"/", TK_INVALID},
        {"$x", TK_INVALID},
        {"\xC3\xA9", TK_INVALID},
        {"ab\x80", TK_INVALID},
        {"a\tb", TK_INVALID},
        {"=", TK_ASSIGN},
        {"==", TK_EQ},
    };
    for (const ClassifyCase& c : kCases)
        EXPECT_EQ(m_engine.ClassifyToken(c.strText), c.nCode) << '[' << c.strText << ']';
}

TEST_F(TokenTableTest, FindIdentKnowsOnlyEnteredNames) {
    EXPECT_EQ(m_engine.FindIdent("Count"), nullptr);
    EXPECT_EQ(m_engine.FindIdent("Main"), nullptr);  // keywords are not identifiers
    CScriptVar* pTrue = m_engine.FindIdent("TRUE");
    ASSERT_NE(pTrue, nullptr);
    EXPECT_EQ(pTrue->m_nType, VAR_CONST);
    EXPECT_EQ(m_engine.FindIdent("true"), nullptr);
    CScriptVar* pVar = m_engine.SetIdent("Count", std::make_unique<CScriptVar>(VAR_NUMBER));
    EXPECT_EQ(m_engine.FindIdent("Count"), pVar);
    EXPECT_EQ(m_engine.FindIdent("count"), nullptr);
}

}  // namespace
