// The automation class CCInterpreter through the object handle, its raw interfaces, and the
// exports of libQJIntp32.so loaded into the process; scripts that create it are worked examples
// in tests/scripts/host.cases (objects-interpreter-*).
#include "host/interpreter_class.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <utility>

#include "support/env_guard.h"
#include "support/script_runner.h"

namespace {

class InterpreterClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pOldEngine = std::exchange(g_pEngine, &m_runner.Engine());  // the runner's, for now
        ASSERT_EQ(RegisterInterpreterFactory(), S_OK);
        ASSERT_EQ(m_object.CreateDispatch(INTERPRETER_PROGID), AUTO_S_OK);
    }
    void TearDown() override { g_pEngine = m_pOldEngine; }

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
    CScriptEngine* m_pOldEngine = nullptr;
    CAutoObject m_object;
};

TEST_F(InterpreterClassTest, BreakTakesNoArgumentsAndCallsThatDoNotFitAreRefused) {
    CAutoArgs one, two;
    one.AddNumber(1);
    two.AddText("a");
    two.AddText("b");
    EXPECT_EQ(StatusOf(DISPID_QJIPBREAK, AUTO_DISPATCH_METHOD, one), AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPINTERPRET, AUTO_DISPATCH_METHOD, two), AUTO_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf(DISPID_QJIPBREAK, AUTO_DISPATCH_PROPERTYPUT, one),
              AUTO_DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf(3, AUTO_DISPATCH_METHOD, CAutoArgs()), AUTO_DISP_E_MEMBERNOTFOUND);
    EXPECT_FALSE(m_runner.Engine().m_bCancel);  // none of them ran anything
    CAutoResult result;
    m_object.Invoke(DISPID_QJIPBREAK, AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET,
                    AUTO_VT_VARIANT, result, CAutoArgs());
    EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY);
    EXPECT_TRUE(m_runner.Engine().m_bCancel);
}

// The class object and the counts behind the module's exports, and what only a raw caller of
// the interfaces can provoke.
TEST(InterpreterModuleTest, ClassObjectOnlyForItsClassAndUnloadableOnlyWhenUnused) {
    void* pv = &pv;
    EXPECT_EQ(GetInterpreterClassObject(IID_ICInterpreter, IID_IClassFactory, &pv),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(GetInterpreterClassObject(CLSID_CInterpreter, IID_IDispatch, &pv), E_NOINTERFACE);
    ASSERT_EQ(GetInterpreterClassObject(CLSID_CInterpreter, IID_IClassFactory, &pv), S_OK);
    auto* pFactory = static_cast<IClassFactory*>(pv);
    EXPECT_EQ(pFactory->CreateInstance(pFactory, IID_IUnknown, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);  // a failed creation leaves no object behind
    void* pvFirst = nullptr;
    void* pvSecond = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDispatch, &pvFirst), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_ICInterpreter, &pvSecond), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(pvFirst)->Release(), 0u);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_FALSE);
    EXPECT_EQ(static_cast<IDispatch*>(pvSecond)->Release(), 0u);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);
    EXPECT_EQ(pFactory->LockServer(1), S_OK);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(0), S_OK);
    EXPECT_EQ(CanUnloadInterpreterModule(), S_OK);
}

TEST(InterpreterModuleTest, RawInvocationChecksInterfaceNamesAndArgumentTypes) {
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
    // The first argument (index 2, counted from the last) cannot become a text.
    VARIANT aArgs[3] = {};  // VT_EMPTY
    aArgs[2].vt = VT_NULL;
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result = {};
    UINT nArgErr = 99;
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPINTERPRET, IID_NULL, 0, DISPATCH_METHOD, &params,
                                &result, nullptr, &nArgErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nArgErr, 2u);
    EXPECT_EQ(result.vt, VT_EMPTY);
    DISPID dispIdPut = DISPID_PROPERTYPUT;
    DISPPARAMS named = {aArgs, &dispIdPut, 1, 1};
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPBREAK, IID_NULL, 0, DISPATCH_METHOD, &named, &result,
                                nullptr, &nArgErr),
              DISP_E_NONAMEDARGS);
    pDispatch->Release();
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
    void* pv = nullptr;
    ASSERT_EQ(pfnGetClassObject(CLSID_CInterpreter, IID_IClassFactory, &pv), S_OK);
    auto* pFactory = static_cast<IClassFactory*>(pv);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDispatch, &pv), S_OK);
    auto* pDispatch = static_cast<IDispatch*>(pv);
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
