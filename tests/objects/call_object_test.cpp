// CallObject and GetArgValue called directly, for what no script can reach: records that hold
// no object, a result kind no caller asks for, and the argument of each kind of slot.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "exec/dispatch.h"
#include "objects/object_fixture.h"
#include "support/script_runner.h"

namespace {

class CallObjectTest : public ::testing::Test {
protected:
    CScriptEngine& Engine() { return m_runner.Engine(); }

    CScriptVar* AddObject(const char* pszName) {
        auto pVar = std::make_unique<CScriptVar>(VAR_OBJECT);
        pVar->SetObject(new CScriptDispatch(&Engine(), SAMPLE_SERVER_PROGID));
        return Engine().SetIdent(pszName, std::move(pVar));
    }

    // Makes the text the rest of the current line, as if the object's name had just been read.
    void SetLine(const char* pszRest) {
        std::strcpy(Engine().m_szLine, pszRest);
        Engine().m_pszPos = Engine().m_szLine;
    }

    // The message of the script error that the call raises, or "no error".
    std::string ErrorOf(CScriptVar* pVar, int nKind) {
        std::string strResult;
        try {
            Engine().CallObject(pVar, strResult, nKind);
        } catch (const CScriptError& error) {
            return error.strMessage;
        }
        return "no error";
    }

    CSampleRegistry m_registry;
    ScriptRunner m_runner;
};

TEST_F(CallObjectTest, RecordWithoutObjectIsInternalError) {
    auto pNumber = std::make_unique<CScriptVar>(VAR_NUMBER);
    pNumber->SetNumber(1);
    CScriptVar* pSet = Engine().SetIdent("n", std::move(pNumber));
    CScriptVar* pEmpty = Engine().SetIdent("e", std::make_unique<CScriptVar>(VAR_OBJECT));
    auto pNull = std::make_unique<CScriptVar>(VAR_OBJECT);
    pNull->SetObject(nullptr);
    CScriptVar* pNoDriver = Engine().SetIdent("d", std::move(pNull));

    SetLine(".Void0()");
    EXPECT_EQ(ErrorOf(pSet, 0), "'n' - Internal error");
    EXPECT_EQ(ErrorOf(pEmpty, 0), "'e' - Internal error");
    EXPECT_EQ(ErrorOf(pNoDriver, 0), "'d' - Internal error");
    EXPECT_EQ(ErrorOf(nullptr, 0), "'' - Internal error");
    EXPECT_EQ(Engine().m_nError, ERR_INTERNAL);
}

TEST_F(CallObjectTest, UnknownResultKindFailsAfterTheInvocation) {
    CScriptVar* pObject = AddObject("o");
    SetLine(".Void1(5)");
    EXPECT_EQ(ErrorOf(pObject, 5), "'RetType' - Internal error");

    SetLine(".LastArgs");
    std::string strArgs;
    EXPECT_EQ(Engine().CallObject(pObject, strArgs, 8), 0);
    EXPECT_EQ(strArgs, "I4:5");
}

TEST_F(CallObjectTest, KindsGiveNumberOrText) {
    CScriptVar* pObject = AddObject("o");
    std::string strResult = "untouched";
    SetLine(".Sum(20, 22)");
    EXPECT_EQ(Engine().CallObject(pObject, strResult, 3), 42);
    EXPECT_EQ(strResult, "untouched");
    SetLine(".Sum(20, 22)");
    EXPECT_EQ(Engine().CallObject(pObject, strResult, 0), 0);
    EXPECT_EQ(strResult, "untouched");
    SetLine(".Sum(20, 22)");
    EXPECT_EQ(Engine().CallObject(pObject, strResult, 8), 0);
    EXPECT_EQ(strResult, "42");
}

TEST_F(CallObjectTest, ArgumentOfEachSlotKind) {
    CScriptArg number, text, nullText, constant, unfilled;
    number.SetNumber(-7);
    text.SetString("a\tb");
    nullText.SetString(nullptr);
    constant.m_nType = VAR_CONST;
    constant.m_bInit = true;
    constant.m_nValue = 1;

    CAutoArgs args;
    for (CScriptArg* pSlot : {&number, &text, &nullText, &constant, &unfilled})
        GetArgValue(*pSlot, args);
    ASSERT_EQ(args.GetCount(), 4u);
    EXPECT_EQ(args[0].m_vt, AUTO_VT_I4);
    EXPECT_EQ(args[0].m_nValue, -7);
    EXPECT_EQ(args[1].m_vt, AUTO_VT_BSTR);
    EXPECT_FALSE(args[1].m_bNullText);
    EXPECT_EQ(args[1].m_strText, "a\tb");
    EXPECT_EQ(args[2].m_vt, AUTO_VT_BSTR);
    EXPECT_TRUE(args[2].m_bNullText);
    EXPECT_EQ(args[3].m_vt, AUTO_VT_I4);
    EXPECT_EQ(args[3].m_nValue, 1);
}

TEST_F(CallObjectTest, SlotWithoutValueRaisesNotInitialized) {
    for (int32_t nType : {VAR_NUMBER, VAR_STRING}) {
        CScriptArg slot;
        slot.m_nType = nType;
        CAutoArgs args;
        EXPECT_THROW(GetArgValue(slot, args), CScriptError) << nType;
        EXPECT_EQ(Engine().m_nError, ERR_NOT_INITIALIZED);
        EXPECT_EQ(args.GetCount(), 0u);
    }
}

}  // namespace
