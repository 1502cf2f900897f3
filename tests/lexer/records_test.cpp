// Tests of the identifier records: decimal conversion, the typed setters and getters with
// the errors that name the record, built-in descriptors, and the upkeep of the table.
#include <algorithm>
#include <climits>
#include <set>
#include <string>

#include "lexer/engine_fixture.h"

namespace {

using RecordTest = EngineTest;

TEST_F(RecordTest, ToNumberReadsDecimalAsStrtolDoes) {
    const struct {
        const char* pszText;
        int32_t nValue;
    } kCases[] = {
        {"42", 42},
        {"+42", 42},
        {"-42", -42},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"", 0},
        {" 12", 12},
        {"\t\n-3", -3},
        {"007", 7},
        {"-0", 0},
    };
    for (const auto& c : kCases) {
        int32_t nValue = -1;
        EXPECT_EQ(Catch([&] { nValue = m_engine.ToNumber(c.pszText); }), Passed()) << c.pszText;
        EXPECT_EQ(nValue, c.nValue) << c.pszText;
    }
}

TEST_F(RecordTest, ToNumberRejectsRestAndRangeNamingTheWholeText) {
    for (const char* pszText :
         {"2147483648", "-2147483649", "4294967296", "99999999999999999999", "12a", "12 ", "+", "-",
          " ", "abc", "1.5", "0x10", "1e3", "+-1", "--1"}) {
        EXPECT_EQ(Catch([&] { m_engine.ToNumber(pszText); }),
                  Failed(19, pszText, "Error converting to numeric value", 1))
            << '[' << pszText << ']';
    }
}

// A record entered under a name, so that its errors name it.
class NamedRecordTest : public EngineTest {
protected:
    CScriptVar* Enter(const char* pszName, int32_t nType) {
        return m_engine.SetIdent(pszName, std::make_unique<CScriptVar>(nType));
    }
    Outcome Refusal(int nCode, const char* pszName) {
        const char* pszText = nCode == 12  ? "Type mismatch"
                              : nCode == 5 ? "Variable not initialized"
                                           : "Internal error";
        return Failed(nCode, pszName, pszText, 1);
    }
};

TEST_F(NamedRecordTest, SetRecordRefusesOtherTypeAndStaysUnchanged) {
    CScriptVar* pText = Enter("Text", VAR_STRING);
    pText->SetString("abc");
    EXPECT_EQ(Catch([&] { pText->SetNumber(5); }), Refusal(12, "Text"));
    EXPECT_EQ(Catch([&] { pText->SetNumberText("5"); }), Refusal(12, "Text"));
    EXPECT_EQ(pText->m_nType, VAR_STRING);
    EXPECT_STREQ(pText->GetString(), "abc");

    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    pCount->SetNumber(3);
    EXPECT_EQ(Catch([&] { pCount->SetString("x"); }), Refusal(12, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetString(nullptr); }), Refusal(12, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetObject(nullptr); }), Refusal(0, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetProcLine(1); }), Refusal(0, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetFuncDesc(nullptr); }), Refusal(0, "Count"));
    EXPECT_EQ(pCount->m_nType, VAR_NUMBER);
    EXPECT_EQ(pCount->GetNumber(), 3);
}

TEST_F(NamedRecordTest, GettersRefuseUnsetAndOtherTypes) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    EXPECT_EQ(Catch([&] { pCount->GetNumber(); }), Refusal(5, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetString(); }), Refusal(5, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetStringRef(); }), Refusal(5, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetProcLine(); }), Refusal(0, "Count"));
    pCount->SetNumber(1);
    EXPECT_EQ(Catch([&] { pCount->GetString(); }), Refusal(12, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetStringRef(); }), Refusal(12, "Count"));
    EXPECT_EQ(Catch([&] { pCount->GetFuncDesc(); }), Refusal(0, "Count"));

    CScriptVar* pText = Enter("Text", VAR_STRING);
    pText->SetString("1");
    EXPECT_EQ(Catch([&] { pText->GetNumber(); }), Refusal(12, "Text"));

    CScriptVar* pMain = Enter("Main", VAR_PROC);
    pMain->SetProcLine(4);
    EXPECT_EQ(Catch([&] { pMain->GetNumber(); }), Refusal(12, "Main"));
    EXPECT_EQ(Catch([&] { pMain->GetFuncDesc(); }), Refusal(0, "Main"));
    EXPECT_EQ(pMain->GetProcLine(), 4);

    CScriptVar* pFunc = Enter("Func", VAR_FUNC);
    pFunc->SetFuncDesc(nullptr);  // a built-in record without its descriptor
    EXPECT_EQ(Catch([&] { pFunc->GetFuncDesc(); }), Refusal(0, "Func"));
}

TEST_F(NamedRecordTest, ProcLineMustNotBeNegative) {
    CScriptVar* pProc = Enter("p", VAR_PROC);
    EXPECT_EQ(Catch([&] { pProc->SetProcLine(-1); }), Refusal(0, "p"));
    EXPECT_FALSE(pProc->IsSet());
    EXPECT_EQ(Catch([&] { pProc->SetProcLine(0); }), Passed());
    EXPECT_EQ(pProc->GetProcLine(), 0);
}

TEST_F(NamedRecordTest, NumberTextIsConvertedOrRefused) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    EXPECT_EQ(Catch([&] { pCount->SetNumberText(nullptr); }), Refusal(0, "Count"));
    EXPECT_EQ(Catch([&] { pCount->SetNumberText("7x"); }),
              Failed(19, "7x", "Error converting to numeric value", 1));
    EXPECT_FALSE(pCount->IsSet());
    pCount->SetNumberText("-17");
    EXPECT_EQ(pCount->GetNumber(), -17);
}

TEST_F(NamedRecordTest, ConstantKeepsItsTypeAndRefusesASecondValue) {
    CScriptVar* pTrue = m_engine.FindIdent("TRUE");
    ASSERT_NE(pTrue, nullptr);
    EXPECT_EQ(pTrue->m_nType, VAR_CONST);
    EXPECT_EQ(pTrue->GetNumber(), 1);
    EXPECT_EQ(m_engine.FindIdent("FALSE")->GetNumber(), 0);
    EXPECT_EQ(Catch([&] { pTrue->SetNumber(2); }), Refusal(12, "TRUE"));
    EXPECT_EQ(pTrue->GetNumber(), 1);
    // Assigning a constant replaces the record under its name.
    m_engine.AddConstant("TRUE", 7);
    EXPECT_EQ(m_engine.FindIdent("TRUE")->GetNumber(), 7);
    EXPECT_EQ(m_engine.FindIdent("TRUE")->m_nType, VAR_CONST);
}

TEST_F(NamedRecordTest, StringMovesBetweenTextAndNull) {
    CScriptVar* pText = Enter("Text", VAR_STRING);
    pText->SetString(nullptr);
    EXPECT_TRUE(pText->IsSet());
    EXPECT_EQ(pText->m_nType, VAR_STRING);
    EXPECT_EQ(pText->GetString(), nullptr);
    pText->SetString("abc");
    EXPECT_STREQ(pText->GetString(), "abc");
    pText->SetString(nullptr);
    EXPECT_EQ(pText->GetString(), nullptr);
    // The text stays behind Null for built-ins that work on it in place.
    EXPECT_EQ(pText->GetStringRef(), "abc");
    pText->SetString("");
    EXPECT_STREQ(pText->GetString(), "");
}

TEST_F(NamedRecordTest, FreshArgumentSlotTakesTypeOfFirstValueAndHasNoName) {
    CScriptArg number;
    EXPECT_EQ(number.m_nType, VAR_NONE);
    EXPECT_EQ(number.m_pSource, nullptr);
    EXPECT_FALSE(number.IsSet());
    number.SetNumber(-5);
    EXPECT_EQ(number.m_nType, VAR_NUMBER);
    EXPECT_EQ(number.GetNumber(), -5);
    EXPECT_EQ(Catch([&] { number.SetString("x"); }), Refusal(12, ""));

    CScriptArg text;
    text.SetString("x");
    EXPECT_EQ(text.m_nType, VAR_STRING);
    EXPECT_EQ(Catch([&] { text.GetNumber(); }), Refusal(12, ""));
    CScriptArg unset;
    EXPECT_EQ(Catch([&] { unset.GetString(); }), Refusal(5, ""));
}

TEST_F(NamedRecordTest, WithoutEngineRefusalsReturnFailureValues) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    CScriptVar* pText = Enter("Text", VAR_STRING);
    pText->SetString("abc");
    CScriptEngine* pSaved = g_pCurEngine;
    g_pCurEngine = nullptr;
    EXPECT_EQ(pCount->GetNumber(), -1);
    EXPECT_EQ(pCount->GetString(), nullptr);
    EXPECT_EQ(pCount->GetProcLine(), -1);
    EXPECT_EQ(pCount->GetFuncDesc(), nullptr);
    EXPECT_FALSE(pText->SetNumber(1));
    EXPECT_FALSE(pCount->SetNumberText(nullptr));
    g_pCurEngine = pSaved;
    EXPECT_STREQ(pText->GetString(), "abc");
}

TEST_F(NamedRecordTest, IdentNameIsTheKeyOrEmpty) {
    CScriptVar* pCount = Enter("Count", VAR_NUMBER);
    EXPECT_EQ(m_engine.GetIdentName(pCount), "Count");
    CScriptVar loose(VAR_NUMBER);
    EXPECT_EQ(m_engine.GetIdentName(&loose), "");
    EXPECT_EQ(m_engine.GetIdentName(nullptr), "");
}

// --- built-in descriptors

TEST(FuncDesc, CopiesTypesUpToZeroAndMarksOnlyOnesAsByReference) {
    const int32_t anTypes[] = {VAR_NUMBER, VAR_STRING, VAR_STRING, 0};
    const int32_t anMarks[] = {2, 1, 0};
    CFuncDesc desc(VAR_STRING, anTypes, 42, anMarks);
    EXPECT_EQ(desc.m_nRetType, VAR_STRING);
    EXPECT_EQ(desc.m_nFuncId, 42);
    EXPECT_EQ(desc.m_nParams, 3);
    const int32_t anExpectTypes[MAX_ARGS + 1] = {1, 2, 2};
    const int32_t anExpectByRef[MAX_ARGS + 1] = {0, 1, 0};
    EXPECT_TRUE(std::equal(std::begin(anExpectTypes), std::end(anExpectTypes), desc.m_anParamType));
    EXPECT_TRUE(std::equal(std::begin(anExpectByRef), std::end(anExpectByRef), desc.m_abByRef));
}

TEST(FuncDesc, NullOrEmptyArraysGiveNoParameters) {
    const int32_t anNone[] = {0};
    for (const int32_t* pTypes : {static_cast<const int32_t*>(nullptr), anNone}) {
        CFuncDesc desc(0, pTypes, 1, pTypes);
        EXPECT_EQ(desc.m_nParams, 0);
        EXPECT_TRUE(std::all_of(std::begin(desc.m_anParamType), std::end(desc.m_anParamType),
                                [](int32_t n) { return n == 0; }));
        EXPECT_TRUE(std::all_of(std::begin(desc.m_abByRef), std::end(desc.m_abByRef),
                                [](int32_t n) { return n == 0; }));
    }
}

TEST(FuncDesc, TakesAtMostFifteenParametersAndMarks) {
    int32_t anTypes[17];
    int32_t anMarks[17];
    std::fill(std::begin(anTypes), std::end(anTypes), VAR_NUMBER);
    std::fill(std::begin(anMarks), std::end(anMarks), 1);
    anTypes[16] = anMarks[16] = 0;
    CFuncDesc desc(VAR_NUMBER, anTypes, 7, anMarks);
    EXPECT_EQ(desc.m_nParams, 15);
    EXPECT_EQ(desc.m_anParamType[14], VAR_NUMBER);
    EXPECT_EQ(desc.m_anParamType[15], 0);
    EXPECT_EQ(desc.m_abByRef[14], 1);
    EXPECT_EQ(desc.m_abByRef[15], 0);
}

TEST(FuncDesc, MarkWalkStopsAtZeroAndMayBeShorterThanTheParameters) {
    const int32_t anTypes[] = {1, 1, 1, 1, 0};
    const int32_t anMarks[] = {2, 0, 1};
    CFuncDesc desc(0, anTypes, 3, anMarks);
    EXPECT_EQ(desc.m_nParams, 4);
    for (int i = 0; i <= MAX_ARGS; ++i) EXPECT_EQ(desc.m_abByRef[i], 0) << i;
}

// --- clean-up after a run

TEST_F(NamedRecordTest, ClearRunDataKeepsOnlyBuiltinsAndConstants) {
    std::set<std::string> kept;
    for (const auto& [strName, pVar] : m_engine.m_mapIdent) kept.insert(strName);
    EXPECT_TRUE(kept.count("TRUE") && kept.count("FALSE"));

    Enter("MyFunc", VAR_FUNC)->SetFuncDesc(new CFuncDesc(0, nullptr, 1, nullptr));
    kept.insert("MyFunc");
    Enter("Count", VAR_NUMBER)->SetNumber(1);
    Enter("Param1", VAR_STRING)->SetString("p");
    Enter("Unset", VAR_STRING);
    Enter("Main", VAR_PROC)->SetProcLine(0);
    Enter("Obj", VAR_OBJECT);
    m_engine.m_mapIdent["NoRecord"] = nullptr;

    m_engine.ClearRunData();
    std::set<std::string> left;
    for (const auto& [strName, pVar] : m_engine.m_mapIdent) {
        left.insert(strName);
        ASSERT_NE(pVar, nullptr);
        EXPECT_TRUE(pVar->m_nType == VAR_FUNC || pVar->m_nType == VAR_CONST) << strName;
    }
    EXPECT_EQ(left, kept);
    EXPECT_EQ(m_engine.FindIdent("TRUE")->GetNumber(), 1);

    // The names are free again for the next run.
    EXPECT_EQ(Scan({"Declare", "Number Count = 2", "EndDeclare", "Main", "EndMain"}), Passed());
    EXPECT_EQ(m_engine.FindIdent("Count")->GetNumber(), 2);
}

}  // namespace
