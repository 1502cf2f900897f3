// The automation class CCInterpreter: through the object handle by its programmatic
// identifier, through its raw interfaces, and from scripts that create it.
#include "host/interpreter_class.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "objects/object_fixture.h"
#include "support/script_runner.h"

namespace {

// The module's engine is the runner's for one test.
class CModuleEngine {
public:
    explicit CModuleEngine(CScriptEngine* pEngine) : m_pOld(g_pEngine) { g_pEngine = pEngine; }
    ~CModuleEngine() { g_pEngine = m_pOld; }
    CModuleEngine(const CModuleEngine&) = delete;
    CModuleEngine& operator=(const CModuleEngine&) = delete;

private:
    CScriptEngine* m_pOld;
};

CAutoArgs Texts(const std::vector<std::string>& arrTexts) {
    CAutoArgs args;
    for (const std::string& strText : arrTexts) args.AddText(strText.c_str());
    return args;
}

class InterpreterClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterInterpreterFactory(), S_OK);
        ASSERT_EQ(m_object.CreateDispatch(INTERPRETER_PROGID), AUTO_S_OK);
    }

    // Calls QJIPInterpret; the boolean result as a number, -1 for true.
    int32_t Interpret(CAutoObject& object, const std::string& strScript,
                      const std::string& strOptions, const std::string& strParams) {
        CAutoResult result;
        object.Invoke(DISPID_QJIPINTERPRET, AUTO_DISPATCH_METHOD, AUTO_VT_VARIANT, result,
                      Texts({strScript, strOptions, strParams}));
        EXPECT_EQ(result.GetType(), AUTO_VT_BOOL);
        EXPECT_EQ(result.ChangeType(AUTO_VT_I4), AUTO_S_OK);
        return result.GetNumber();
    }

    // The status an invocation fails with, or S_OK.
    int32_t StatusOf(int32_t nDispId, uint16_t wFlags, const CAutoArgs& args) {
        CAutoResult result;
        try {
            m_object.Invoke(nDispId, wFlags, AUTO_VT_VARIANT, result, args);
        } catch (const CAutoException& e) {
            return e.m_sc;
        }
        return S_OK;
    }

    ScriptRunner m_runner;
    CModuleEngine m_engine{&m_runner.Engine()};
    CAutoObject m_object;
};

TEST_F(InterpreterClassTest, MethodNamesResolveInAnyCase) {
    struct {
        const char* pszName;
        int32_t nStatus;
        int32_t nDispId;
    } const aCases[] = {
        {"QJIPBreak", AUTO_S_OK, DISPID_QJIPBREAK},
        {"qjipbreak", AUTO_S_OK, DISPID_QJIPBREAK},
        {"QJIPInterpret", AUTO_S_OK, DISPID_QJIPINTERPRET},
        {"QJIPINTERPRET", AUTO_S_OK, DISPID_QJIPINTERPRET},
        {"QJIPInterpre", AUTO_DISP_E_UNKNOWNNAME, -99},
        {"Interpret", AUTO_DISP_E_UNKNOWNNAME, -99},
        {"", AUTO_DISP_E_UNKNOWNNAME, -99},
    };
    for (const auto& c : aCases) {
        int32_t nDispId = -99;
        EXPECT_EQ(m_object.GetDispId(c.pszName, nDispId), c.nStatus) << c.pszName;
        EXPECT_EQ(nDispId, c.nDispId) << c.pszName;
    }
}

TEST_F(InterpreterClassTest, InterpretRunsScriptWithPathOptionsAndParameters) {
    m_runner.WriteFile("p.scr", "Main\nDebugPrintStr(Param1)\nEndMain\n");
    const std::string strPath = m_runner.PathOf("p.scr");

    family_double::g_trace.clear();
    EXPECT_EQ(Interpret(m_object, strPath, "", "\"v 1\""), -1);
    const std::string strTrace = family_double::TraceText();
    EXPECT_NE(strTrace.find("'" + strPath + "' start script processing"), std::string::npos)
        << strTrace;
    EXPECT_NE(strTrace.find("Param1 = v 1\n"), std::string::npos) << strTrace;
    EXPECT_NE(strTrace.find(strPath + " (2): Param1 = \"v 1\"\n"), std::string::npos) << strTrace;

    // The options reach the run: without a trace only the start message remains.
    family_double::g_trace.clear();
    EXPECT_EQ(Interpret(m_object, strPath, "NT", "\"v 1\""), -1);
    EXPECT_EQ(family_double::g_trace.size(), 1u) << family_double::TraceText();

    // A run that fails answers false.
    EXPECT_EQ(Interpret(m_object, strPath, "", ""), 0);
    EXPECT_EQ(Interpret(m_object, m_runner.PathOf("missing.scr"), "", ""), 0);
}

TEST_F(InterpreterClassTest, TwoObjectsShareTheEngineAndRunInTurn) {
    CAutoObject second;
    ASSERT_EQ(second.CreateDispatch(INTERPRETER_PROGID), AUTO_S_OK);
    m_runner.WriteFile("two.scr", "Main\nDebugPrintStr(Param2)\nEndMain\n");
    const std::string strPath = m_runner.PathOf("two.scr");

    EXPECT_EQ(Interpret(m_object, strPath, "NT", "\"a\" \"b\""), -1);
    // The first run's parameters are gone when the second starts.
    EXPECT_EQ(Interpret(second, strPath, "NT", "\"a\""), 0);
    EXPECT_EQ(m_runner.Engine().m_nError, ERR_UNKNOWN_IDENT);
    EXPECT_EQ(Interpret(second, strPath, "NT", "\"a\" \"b\""), -1);
}

TEST_F(InterpreterClassTest, BreakTakesNoArgumentsAndGivesNoResult) {
    for (uint16_t wFlags :
         {AUTO_DISPATCH_METHOD, uint16_t(AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET)}) {
        m_runner.Engine().m_bCancel = false;
        CAutoResult result;
        m_object.Invoke(DISPID_QJIPBREAK, wFlags, AUTO_VT_VARIANT, result, CAutoArgs());
        EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY);
        EXPECT_TRUE(m_runner.Engine().m_bCancel);
    }
}

TEST_F(InterpreterClassTest, CallsThatDoNotFitAreRefused) {
    CAutoArgs one;
    one.AddNumber(1);
    const CAutoArgs two = Texts({"a", "b"});
    const CAutoArgs four = Texts({"a", "b", "c", "d"});
    EXPECT_EQ(StatusOf(DISPID_QJIPBREAK, AUTO_DISPATCH_METHOD, one), AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPINTERPRET, AUTO_DISPATCH_METHOD, two), AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPINTERPRET, AUTO_DISPATCH_METHOD, four),
              AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPINTERPRET, AUTO_DISPATCH_METHOD, CAutoArgs()),
              AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPBREAK, AUTO_DISPATCH_PROPERTYPUT, one),
              AUTO_DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf(3, AUTO_DISPATCH_METHOD, CAutoArgs()), AUTO_DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf(0, AUTO_DISPATCH_METHOD, CAutoArgs()), AUTO_DISP_E_MEMBERNOTFOUND);
    // None of them ran anything.
    EXPECT_FALSE(m_runner.Engine().m_bCancel);
}

TEST_F(InterpreterClassTest, NestedInterpretFromScriptAnswersFalse) {
    ScriptRun run = m_runner.Run(
        "Declare\nObject q(\"QJIntp32.CInterpreter\")\nNumber n = 5\nEndDeclare\nMain\n"
        "n = q.QJIPInterpret(\"t.scr\", \"\", \"\")\nDebugPrintNum(n)\nEndMain\n",
        "");
    EXPECT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_NE(run.strTrace.find("t.scr (6): q.QJIPInterpret - Return value: 0\nt.scr (7): n = 0\n"),
              std::string::npos)
        << run.strTrace;
    // The refused run reported nothing of its own: one start message only.
    EXPECT_EQ(run.strTrace.find("start script processing", run.strTrace.find("start") + 1),
              std::string::npos);
}

TEST_F(InterpreterClassTest, BreakFromScriptEndsRunAtNextLine) {
    ScriptRun run = m_runner.Run(
        "Declare\nObject q(\"QJIntp32.CInterpreter\")\nEndDeclare\nMain\nq.QJIPBreak()\n"
        "DebugPrintNum(1)\nEndMain\n");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, ERR_CANCELLED);
    EXPECT_EQ(run.strLog, ScriptError(6, "'' - Script processing cancelled by user"));
}

// ---------------------------------------------------------------------------------------------
// The class object, counting and registration behind the module's exports.

IClassFactory* ClassObject() {
    void* pv = nullptr;
    EXPECT_EQ(GetInterpreterClassObject(CLSID_CInterpreter, IID_IClassFactory, &pv), S_OK);
    return static_cast<IClassFactory*>(pv);
}

TEST(InterpreterModuleTest, UnloadableOnlyWithoutObjectsAndLocks) {
    ASSERT_EQ(CanUnloadInterpreterModule(), S_OK);
    IClassFactory* pFactory = ClassObject();
    ASSERT_NE(pFactory, nullptr);

    IDispatch* pFirst = nullptr;
    IDispatch* pSecond = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pFirst)),
              S_OK);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_FALSE);
    ASSERT_EQ(
        pFactory->CreateInstance(nullptr, IID_ICInterpreter, reinterpret_cast<void**>(&pSecond)),
        S_OK);
    pFirst->AddRef();
    pFirst->Release();
    EXPECT_EQ(pFirst->Release(), 0u);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_FALSE);
    EXPECT_EQ(pSecond->Release(), 0u);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);

    EXPECT_EQ(pFactory->LockServer(1), S_OK);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(0), S_OK);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);
    pFactory->Release();
}

TEST(InterpreterModuleTest, ClassObjectOnlyForItsClass) {
    void* pv = &pv;
    CLSID other = CLSID_CInterpreter;
    other.Data4[7] ^= 1;
    EXPECT_EQ(GetInterpreterClassObject(other, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(GetInterpreterClassObject(IID_ICInterpreter, IID_IClassFactory, &pv),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(GetInterpreterClassObject(CLSID_CInterpreter, IID_IDispatch, &pv), E_NOINTERFACE);

    IClassFactory* pFactory = ClassObject();
    ASSERT_NE(pFactory, nullptr);
    IUnknown* pOuter = pFactory;
    EXPECT_EQ(pFactory->CreateInstance(pOuter, IID_IUnknown, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    // A failed creation leaves no object behind.
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);
    pFactory->Release();
}

TEST(InterpreterModuleTest, ClassIdIsInterfaceIdWithFirstByteOneHigher) {
    unsigned char aIid[sizeof(IID)];
    unsigned char aClsid[sizeof(CLSID)];
    std::memcpy(aIid, &IID_ICInterpreter, sizeof aIid);
    std::memcpy(aClsid, &CLSID_CInterpreter, sizeof aClsid);
    EXPECT_EQ(aClsid[0], aIid[0] + 1);
    EXPECT_EQ(std::memcmp(aIid + 1, aClsid + 1, sizeof aIid - 1), 0);
}

// Argument checks that only a raw caller can provoke.
TEST(InterpreterModuleTest, RawInvocationChecksInterfaceNamesAndArgumentTypes) {
    IClassFactory* pFactory = ClassObject();
    ASSERT_NE(pFactory, nullptr);
    IDispatch* pDispatch = nullptr;
    ASSERT_EQ(
        pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pDispatch)),
        S_OK);

    char szName[] = "QJIPInterpret";
    char szParam[] = "script";
    LPOLESTR aNames[] = {szName, szParam};
    DISPID aIds[2] = {0, 0};
    EXPECT_EQ(pDispatch->GetIDsOfNames(IID_NULL, aNames, 2, LOCALE_USER_DEFAULT, aIds),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(aIds[0], DISPID_QJIPINTERPRET);
    EXPECT_EQ(aIds[1], DISPID_UNKNOWN);
    EXPECT_EQ(pDispatch->GetIDsOfNames(IID_IDispatch, aNames, 1, LOCALE_USER_DEFAULT, aIds),
              DISP_E_UNKNOWNINTERFACE);

    UINT nInfo = 9;
    EXPECT_EQ(pDispatch->GetTypeInfoCount(&nInfo), S_OK);
    EXPECT_EQ(nInfo, 0u);

    // The second argument (index 1 counted from the last) cannot become a text.
    VARIANT aArgs[3];
    for (VARIANT& var : aArgs) VariantInit(&var);
    aArgs[2].vt = VT_BSTR;
    aArgs[2].bstrVal = SysAllocString("x.scr");
    aArgs[1].vt = VT_NULL;
    aArgs[0].vt = VT_I4;
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    UINT nArgErr = 99;
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPINTERPRET, IID_NULL, 0, DISPATCH_METHOD, &params,
                                &result, nullptr, &nArgErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nArgErr, 1u);
    EXPECT_EQ(result.vt, VT_EMPTY);

    DISPID dispIdPut = DISPID_PROPERTYPUT;
    DISPPARAMS named = {aArgs, &dispIdPut, 1, 1};
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPBREAK, IID_NULL, 0, DISPATCH_METHOD, &named, &result,
                                nullptr, &nArgErr),
              DISP_E_NONAMEDARGS);
    for (VARIANT& var : aArgs) VariantClear(&var);
    pDispatch->Release();
    pFactory->Release();
}

TEST(InterpreterModuleTest, RegistrationNamesClassAndServer) {
    CSampleRegistry registry;
    const std::string strFile = registry.Dir() + "/written";
    CEnvGuard classes("QJ_CLASSES", strFile);
    ASSERT_EQ(RegisterInterpreterServer("/opt/qj/libQJIntp32.so"), S_OK);
    std::ifstream in(strFile);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "QJIntp32.CInterpreter {4E7A3C11-52D8-4B1F-8E63-0A9D71C42B5E} "
              "/opt/qj/libQJIntp32.so\n");
}

}  // namespace
