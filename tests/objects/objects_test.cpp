// Automation objects. Object variables driven through scripts against the sample server: how
// each access kind arrives at the object, results and their conversions, failures, run modes
// and traces. The module's own class CCInterpreter through its raw interfaces and the exports of
// libQJIntp32.so loaded into the process; scripts that create it are worked examples in
// tests/scripts/host.cases (objects-interpreter-*).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "host/interpreter_class.h"
#include "sample_server/sample_server.h"
#include "support/env_guard.h"
#include "support/script_runner.h"
#include "support/temp_dir.h"

namespace {

// The declarations every script starts with; the first line of Main's body is line 10.
constexpr char DECLARATIONS[] =
    "Declare\nObject o(\"QJSample.Server\")\nNumber n = 0\nString s = \"text\"\nString a = \"\"\n"
    "String z = Null\nNumber u\nEndDeclare\nMain\n";
constexpr int FIRST_LINE = 10;
constexpr char kUnknownMember[] = "'Nope' - Identifier unknown in IDispatch interface";

// The process's registry, for one test, names the sample server's classes.
class ObjectScriptTest : public ::testing::Test {
protected:
    ObjectScriptTest() {
        std::ofstream(m_dir / "classes") << SAMPLE_SERVER_PROGID << ' ' << SAMPLE_SERVER_CLSID
                                         << ' ' << QJ_SAMPLE_SERVER_PATH << '\n';
    }
    std::string Printed(const std::string& strBody) {
        ScriptRun run = Run(strBody, "");
        EXPECT_EQ(run.nResult, 1) << strBody << run.strLog;
        return PrintedValues(run);
    }
    ScriptRun Run(const std::string& strBody, const char* pszOptions = "NT") {
        return m_runner.Run(DECLARATIONS + strBody + "EndMain\n", pszOptions);
    }

    CTempDir m_dir{"qjobjects"};
    CEnvGuard m_classes{"QJ_CLASSES", m_dir / "classes"};
    ScriptRunner m_runner;
};

// LastCall is no invocation of its own, so it tells about the access on the line before it:
// its dispatch flags, member and arguments as the object received them. An assignment receives
// the result converted to the variable's type.
TEST_F(ObjectScriptTest, ObjectSeesEachAccessAndAssignmentsTheConvertedResult) {
    const auto Arrived = [](const char* pszLine) {
        return std::string(pszLine) + "\na = o.LastCall\nDebugPrintStr(a)\n";
    };
    const struct {
        std::string strBody;  // ends by printing what is under test
        const char* pszPrinted;
    } kCases[] = {
        {Arrived("o.number"), "2 Number()"},
        {Arrived("o.Void0()"), "3 Void0()"},  // also offered as a property read
        {Arrived("o.vOID1(7,)"), "1 Void1(I4:7)"},
        {Arrived("o.Void4(n, s, z, TRUE)"), R"(1 Void4(I4:0, BSTR:"text", BSTR:null, I4:1))"},
        {Arrived("o.Void2(Null, \"\")"), R"(1 Void2(BSTR:null, BSTR:""))"},
        {Arrived("o.Void15(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)"),
         "1 Void15(I4:1, I4:2, I4:3, I4:4, I4:5, I4:6, I4:7, I4:8, I4:9, I4:10, I4:11, I4:12, "
         "I4:13, I4:14, I4:15)"},
        {Arrived("o.number = 2147483647 // max"), "4 Number(I4:2147483647)"},
        {Arrived("o.string = z"), "4 String(BSTR:null)"},
        {"n = o.Concat(\" 12 \")\nDebugPrintNum(n)\n", "12"},
        {"n = 5\nn += o.Sum(1, 2)\nDebugPrintNum(n)\n", "8"},
        {"s = o.Sum(2, 3)\nDebugPrintStr(s)\n", "5"},
        {"s = o.Concat(\"a\", Null, 7)\nDebugPrintStr(s)\n", "a7"},
        {"s = o.string\nDebugPrintStr(s)\n", ""},  // a null string reads as empty
        {"o.number = \"12\"\nn = o.number\nDebugPrintNum(n)\n", "12"},
        {"o.string = s\ns = \"\"\ns = o.string\nDebugPrintStr(s)\n", "text"},
    };
    for (const auto& c : kCases) EXPECT_EQ(Printed(c.strBody), c.pszPrinted) << c.strBody;
}

TEST_F(ObjectScriptTest, FailuresEndTheRunWithAnErrorOnTheAccessLine) {
    const char* const INVOKE_FAILED = "'COleException' - Internal error";
    const struct {
        const char* pszBody;
        const char* pszMessage;
        int nCode = 0;
        const char* pszOptions = "NT";
    } kCases[] = {
        // the access itself
        {"o\n", "'' - Unexpected", 2},
        {"o.5\n", "'5' - Unexpected", 2},
        {"o.Number\n", "'Number' - Unexpected", 2},  // a type name is no member name
        {"o.Void0 5\n", "'5' - Unexpected", 2},
        {"o.number += 1\n", "'+=' - Unexpected", 2},
        {"o.number = 5 6\n", "'6' - Unexpected", 2},
        {"o.number = q\n", "'q' - Unknown identifier", 4},
        {"o.number = -\n", "'-' - Error converting to numeric value", 19},
        {"o.number = u\n", "'u' - Variable not initialized", 5},
        // the member is resolved before its arguments are read, in every run mode
        {"o.Nope(q, \n", kUnknownMember, 28},
        {"o.Nope = q\n", kUnknownMember, 28},
        {"o.Nope\n", kUnknownMember, 28, "C"},
        {"o.Nope(1)\n", kUnknownMember, 28, "S"},
        {"o.Void1(q)\n", "'q' - Unknown identifier", 4, "C"},
        // results the assignment cannot take
        {"n = o.Void0()\n", "'Void0' - Assignment from void method", 20},
        {"n = o.Concat(\"x\")\n", "'Concat' - Type mismatch", 12},
        // failures of the invocation
        {"o.Raise(\"boom\")\n", "'COleDispatchException boom' - Internal error"},
        {"n = o.RaiseLater()\n",
         "'COleDispatchException Deferred sample failure' - Internal error"},
        {"o.Void2(1)\n", INVOKE_FAILED},
        {"o.LastCall = \"x\"\n", INVOKE_FAILED},
        {"o.Void0\n", INVOKE_FAILED},
    };
    for (const auto& c : kCases) {
        ScriptRun run = Run(c.pszBody, c.pszOptions);
        EXPECT_EQ(run.strLog, ScriptError(FIRST_LINE, c.pszMessage)) << c.pszBody;
        EXPECT_EQ(run.nError, c.nCode) << c.pszBody;
        EXPECT_EQ(run.nResult, 0) << c.pszBody;
    }
}

// Each of these fails when it is invoked; the object calls give the caller 0 without a trace
// of their own. That a check run still resolves every member: objects-unknown-member-check.
TEST_F(ObjectScriptTest, CheckAndSimulationRunsInvokeNothing) {
    const std::string strBody =
        "n = o.Sum(1, 2)\nDebugPrintNum(n)\no.Raise(\"boom\")\nn = o.Void0()\no.LastCall = 1\n";
    EXPECT_EQ(Run(strBody, "C").strLog, "");
    ScriptRun run = Run(strBody, "S");
    EXPECT_EQ(run.nResult, 1) << run.strLog;
    EXPECT_EQ(BodyTrace(run), "t.scr (11): n = 0\n");
}

// The call line before the invocation and the result line after it; none for a put. A text
// ends at its first NUL: the variable holds what comes before it, and so does the trace.
TEST_F(ObjectScriptTest, TraceShowsCallsAndResults) {
    ScriptRun run =
        Run("n = o.Sum(1, \"2\")\ns = o.Concat(\"a\", Null, n)\no.number = 5\no.number\n"
            "s = o.ConcatNul(\"abc\", \"def\")\nDebugPrintStr(s)\nn = o.Raise(\"no\")\n",
            "");
    EXPECT_EQ(BodyTrace(run), R"(t.scr (10): o.Sum( 1, "2" )
t.scr (10): o.Sum - Return value: 3
t.scr (11): o.Concat( "a", NULL, 3 )
t.scr (11): o.Concat - Return value: "a3"
t.scr (13): o.number(  )
t.scr (14): o.ConcatNul( "abc", "def" )
t.scr (14): o.ConcatNul - Return value: "abc"
t.scr (15): s = "abc"
t.scr (16): o.Raise( "no" )
)");
    EXPECT_EQ(run.strLog,
              ScriptError(FIRST_LINE + 6, "'COleDispatchException no' - Internal error"));
}

TEST_F(ObjectScriptTest, EachVariableHasItsOwnObjectReleasedAfterEveryRun) {
    const std::string strTwo =
        "Declare\nObject o(\"QJSample.Server\")\nObject p(\"qjsample.server\")\nNumber n = 0\n";
    EXPECT_EQ(PrintedValues(m_runner.Run(
                  strTwo + "EndDeclare\nMain\no.number = 1\np.number = 2\nn = o.number\n"
                           "DebugPrintNum(n)\nn = p.ObjectCount\nDebugPrintNum(n)\nEndMain\n",
                  "")),
              "1 2");
    // Runs that fail after creating objects release them too: in Main, and in the structure
    // pass when a later object cannot be created.
    ASSERT_EQ(m_runner.Run(strTwo + "EndDeclare\nMain\no.Raise()\nEndMain\n").nError, 0);
    ASSERT_EQ(m_runner.Run(strTwo + "Object q(\"No.Such\")\nEndDeclare\nMain\nEndMain\n").nError,
              ERR_CREATE_DISPATCH);
    EXPECT_EQ(Printed("n = o.ObjectCount\nDebugPrintNum(n)\n"), "1");
}

// The module's class as a raw caller of its interfaces sees it, on the runner's engine for now:
// names asked for another interface, arguments that do not fit, and a break that takes none.
TEST(InterpreterClassTest, RawCallsThatDoNotFitAreRefusedAndABreakTakesNoArguments) {
    ScriptRunner runner;
    CScriptEngine* pOldEngine = std::exchange(g_pEngine, &runner.Engine());
    IDispatch* pDispatch = nullptr;
    ASSERT_EQ(CCInterpreter::CreateInstance(IID_IDispatch, reinterpret_cast<void**>(&pDispatch)),
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
    VARIANT aArgs[3] = {};  // VT_EMPTY
    aArgs[2].vt = VT_NULL;  // the first argument (counted from the last) cannot become a text
    DISPID dispIdPut = DISPID_PROPERTYPUT;
    VARIANT result = {};
    UINT nArgErr = 99;
    auto invoke = [&](DISPID dispId, WORD wFlags, DISPPARAMS params) {
        return pDispatch->Invoke(dispId, IID_NULL, 0, wFlags, &params, &result, nullptr, &nArgErr);
    };
    EXPECT_EQ(invoke(DISPID_QJIPINTERPRET, DISPATCH_METHOD, {aArgs, nullptr, 3, 0}),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nArgErr, 2u);
    EXPECT_EQ(result.vt, VT_EMPTY);
    EXPECT_EQ(invoke(DISPID_QJIPBREAK, DISPATCH_METHOD, {aArgs, &dispIdPut, 1, 1}),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(invoke(DISPID_QJIPBREAK, DISPATCH_METHOD, {aArgs, nullptr, 1, 0}),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(DISPID_QJIPINTERPRET, DISPATCH_METHOD, {aArgs, nullptr, 2, 0}),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(DISPID_QJIPBREAK, DISPATCH_PROPERTYPUT, {aArgs, nullptr, 1, 0}),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(3, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_FALSE(runner.Engine().m_bCancel);  // none of them ran anything
    EXPECT_EQ(invoke(DISPID_QJIPBREAK, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(result.vt, VT_EMPTY);
    EXPECT_TRUE(runner.Engine().m_bCancel);
    pDispatch->Release();
    g_pEngine = pOldEngine;
}

namespace fs = std::filesystem;

// The module stays loaded for the rest of the process, and its trace module keeps the file it
// opened first; so one test does all, with the trace and log sent to files of its own.
TEST(ModuleExportsTest, ScriptRunsThroughTheClassAndTheModuleRegistersItself) {
    const CTempDir dir("qjexports");
    CEnvGuard trace("QJ_TRACE", dir / "trace");
    CEnvGuard log("QJ_LOG", dir / "log");
    // The module sets the process's locale when it starts; the other tests keep theirs.
    const std::string strLocale = std::setlocale(LC_ALL, nullptr);
    const fs::path modulePath = fs::read_symlink("/proc/self/exe").parent_path() / "libQJIntp32.so";
    void* hModule = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::setlocale(LC_ALL, strLocale.c_str());
    ASSERT_NE(hModule, nullptr) << "build the QJIntp32 target: " << dlerror();
    auto pfnGetClassObject =
        reinterpret_cast<PFNGETCLASSOBJECT>(dlsym(hModule, "DllGetClassObject"));
    auto pfnCanUnloadNow = reinterpret_cast<HRESULT (*)()>(dlsym(hModule, "DllCanUnloadNow"));
    auto pfnRegisterServer = reinterpret_cast<HRESULT (*)()>(dlsym(hModule, "DllRegisterServer"));
    ASSERT_TRUE(pfnGetClassObject && pfnCanUnloadNow && pfnRegisterServer);
    // The class object is there for its class only, and makes no object for another interface
    // or an outer object; a failed creation leaves no object behind.
    void* pv = &pv;
    EXPECT_EQ(pfnGetClassObject(IID_ICInterpreter, IID_IClassFactory, &pv),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(pfnGetClassObject(CLSID_CInterpreter, IID_IDispatch, &pv), E_NOINTERFACE);
    ASSERT_EQ(pfnGetClassObject(CLSID_CInterpreter, IID_IClassFactory, &pv), S_OK);
    auto* pFactory = static_cast<IClassFactory*>(pv);
    EXPECT_EQ(pFactory->CreateInstance(pFactory, IID_IUnknown, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_ICInterpreter, &pv), S_OK);
    auto* pSecond = static_cast<IDispatch*>(pv);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDispatch, &pv), S_OK);
    auto* pDispatch = static_cast<IDispatch*>(pv);
    EXPECT_EQ(pSecond->Release(), 0u);
    EXPECT_EQ(pfnCanUnloadNow(), S_FALSE);  // an object holds the module
    const std::string strScript = dir / "m.scr";
    std::ofstream(strScript) << "Main\nDebugPrintStr(Param1)\nEndMain\n";
    // Arguments last one first: the parameters, the options as a null string, the script.
    VARIANT aArgs[3] = {};  // VT_EMPTY
    aArgs[2].vt = aArgs[1].vt = aArgs[0].vt = VT_BSTR;
    aArgs[2].bstrVal = SysAllocString(strScript.c_str());
    aArgs[0].bstrVal = SysAllocString("\"real\"");
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result = {};
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPINTERPRET, IID_NULL, 0, DISPATCH_METHOD, &params,
                                &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    for (VARIANT& var : aArgs) VariantClear(&var);
    EXPECT_NE(ReadText(dir / "trace").find(strScript + " (2): Param1 = \"real\"\n"),
              std::string::npos);
    EXPECT_EQ(ReadText(dir / "log"), "");
    EXPECT_EQ(pDispatch->Release(), 0u);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);
    EXPECT_EQ(pFactory->LockServer(1), S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(0), S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);

    // The registration names the module's own file; a registry that cannot be written is
    // still success.
    CEnvGuard classes("QJ_CLASSES", dir / "registered");
    EXPECT_EQ(pfnRegisterServer(), S_OK);
    EXPECT_EQ(ReadText(dir / "registered"),
              "QJIntp32.CInterpreter {4E7A3C11-52D8-4B1F-8E63-0A9D71C42B5E} " +
                  modulePath.string() + "\n");
    classes.Set(dir / "registered/below-a-file");
    EXPECT_EQ(pfnRegisterServer(), S_OK);
}

}  // namespace
