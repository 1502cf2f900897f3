// Tests of the identifier records: decimal conversion, the typed setters and getters with
// the errors that name the record, and the upkeep of the table between runs.
#include <climits>

#include "lexer/engine_fixture.h"

namespace {

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
        EXPECT_EQ(Catch([&] { nValue = m_engine.ToNumber(pszText); }), Passed()) << pszText;
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
TEST_F(RecordTest, SettersAndGettersRefuseOtherTypesAndNameTheRecord) {
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
}

TEST_F(RecordTest, WithoutEngineRefusalsReturnFailureValues) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    CScriptEngine* pSaved = g_pCurEngine;
    g_pCurEngine = nullptr;
    EXPECT_EQ(pCount->GetNumber(), -1);
    EXPECT_EQ(pCount->GetProcLine(), -1);
    EXPECT_FALSE(pCount->SetNumberText("1"));
    EXPECT_TRUE(pCount->SetNumber(3));
    EXPECT_EQ(pCount->GetString(), nullptr);
    EXPECT_FALSE(pCount->SetString("x"));
    g_pCurEngine = pSaved;
    EXPECT_EQ(pCount->GetNumber(), 3);
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
    EXPECT_EQ(Scan({"Declare", "Number Count = 2", "EndDeclare", "Main", "EndMain"}), Passed());
}

}  // namespace
