// The module's automation exports as a client meets them: libQJIntp32.so loaded into the
// process, its class object found with DllGetClassObject, a script run through the class, and
// the module's own registration. The module writes its trace and log into files of the test.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "host/interpreter_class.h"
#include "objects/object_fixture.h"

namespace {

namespace fs = std::filesystem;

using PFNCANUNLOADNOW = HRESULT (*)();
using PFNREGISTERSERVER = HRESULT (*)();

// The module is built beside the test program.
std::string ModulePath() {
    return (fs::read_symlink("/proc/self/exe").parent_path() / "libQJIntp32.so").string();
}

std::string ReadText(const std::string& strPath) {
    std::ifstream in(strPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ModuleExportsTest : public ::testing::Test {
protected:
    // The module stays loaded for the rest of the process, and its trace module keeps the file
    // it opened first; so it is loaded once, with the trace and log sent to files of the suite.
    static void SetUpTestSuite() {
        s_pRegistry = new CSampleRegistry;
        s_pTrace = new CEnvGuard("QJ_TRACE", s_pRegistry->Dir() + "/trace");
        s_pLog = new CEnvGuard("QJ_LOG", s_pRegistry->Dir() + "/log");
        // The module sets the process's locale when it starts; the other tests keep theirs.
        const std::string strLocale = std::setlocale(LC_ALL, nullptr);
        s_hModule = dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        std::setlocale(LC_ALL, strLocale.c_str());
    }
    static void TearDownTestSuite() {
        delete s_pLog;
        delete s_pTrace;
        delete s_pRegistry;
    }

    void SetUp() override {
        ASSERT_NE(s_hModule, nullptr) << "build the QJIntp32 target: " << dlerror();
        m_pfnGetClassObject =
            reinterpret_cast<PFNGETCLASSOBJECT>(dlsym(s_hModule, "DllGetClassObject"));
        m_pfnCanUnloadNow = reinterpret_cast<PFNCANUNLOADNOW>(dlsym(s_hModule, "DllCanUnloadNow"));
        m_pfnRegisterServer =
            reinterpret_cast<PFNREGISTERSERVER>(dlsym(s_hModule, "DllRegisterServer"));
        ASSERT_NE(m_pfnGetClassObject, nullptr);
        ASSERT_NE(m_pfnCanUnloadNow, nullptr);
        ASSERT_NE(m_pfnRegisterServer, nullptr);
    }

    std::string Dir() const { return s_pRegistry->Dir(); }

    IDispatch* CreateObject() {
        IClassFactory* pFactory = nullptr;
        EXPECT_EQ(m_pfnGetClassObject(CLSID_CInterpreter, IID_IClassFactory,
                                      reinterpret_cast<void**>(&pFactory)),
                  S_OK);
        if (pFactory == nullptr) return nullptr;
        IDispatch* pDispatch = nullptr;
        EXPECT_EQ(
            pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pDispatch)),
            S_OK);
        pFactory->Release();
        return pDispatch;
    }

    static inline CSampleRegistry* s_pRegistry = nullptr;
    static inline CEnvGuard* s_pTrace = nullptr;
    static inline CEnvGuard* s_pLog = nullptr;
    static inline void* s_hModule = nullptr;

    PFNGETCLASSOBJECT m_pfnGetClassObject = nullptr;
    PFNCANUNLOADNOW m_pfnCanUnloadNow = nullptr;
    PFNREGISTERSERVER m_pfnRegisterServer = nullptr;
};

TEST_F(ModuleExportsTest, ClassObjectOnlyForTheInterpreterClass) {
    void* pv = &pv;
    EXPECT_EQ(m_pfnGetClassObject(IID_ICInterpreter, IID_IClassFactory, &pv),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
}

TEST_F(ModuleExportsTest, ScriptRunsThroughTheClassAndObjectKeepsModuleLoaded) {
    const std::string strScript = Dir() + "/m.scr";
    std::ofstream(strScript) << "Main\nDebugPrintStr(\"real\")\nEndMain\n";

    EXPECT_EQ(m_pfnCanUnloadNow(), S_OK);
    IDispatch* pDispatch = CreateObject();
    ASSERT_NE(pDispatch, nullptr);
    EXPECT_EQ(m_pfnCanUnloadNow(), S_FALSE);

    char szName[] = "qjipinterpret";
    LPOLESTR pszName = szName;
    DISPID dispId = 0;
    ASSERT_EQ(pDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_USER_DEFAULT, &dispId), S_OK);
    EXPECT_EQ(dispId, DISPID_QJIPINTERPRET);

    // Arguments last one first: parameters, options, script.
    VARIANT aArgs[3];
    for (VARIANT& var : aArgs) VariantInit(&var);
    aArgs[2].vt = VT_BSTR;
    aArgs[2].bstrVal = SysAllocString(strScript.c_str());
    aArgs[1].vt = VT_BSTR;  // a null string: no options
    aArgs[0].vt = VT_BSTR;
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(
        pDispatch->Invoke(dispId, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    for (VARIANT& var : aArgs) VariantClear(&var);

    const std::string strTrace = ReadText(Dir() + "/trace");
    EXPECT_NE(strTrace.find("'" + strScript + "' start script processing"), std::string::npos)
        << strTrace;
    EXPECT_NE(strTrace.find(strScript + " (2): Literal = \"real\"\n"), std::string::npos)
        << strTrace;
    EXPECT_EQ(ReadText(Dir() + "/log"), "");

    EXPECT_EQ(pDispatch->Release(), 0u);
    EXPECT_EQ(m_pfnCanUnloadNow(), S_OK);
}

TEST_F(ModuleExportsTest, RegistrationNamesTheModuleItself) {
    const std::string strFile = Dir() + "/registered";
    CEnvGuard classes("QJ_CLASSES", strFile);
    EXPECT_EQ(m_pfnRegisterServer(), S_OK);

    const std::string strLine = ReadText(strFile);
    const std::string strStart = "QJIntp32.CInterpreter {4E7A3C11-52D8-4B1F-8E63-0A9D71C42B5E} ";
    ASSERT_EQ(strLine.substr(0, strStart.size()), strStart) << strLine;
    ASSERT_TRUE(strLine.ends_with("\n"));
    const std::string strServer =
        strLine.substr(strStart.size(), strLine.size() - strStart.size() - 1);
    EXPECT_TRUE(fs::equivalent(strServer, ModulePath())) << strServer;

    // Registering again replaces the line; a registry that cannot be written is still success.
    EXPECT_EQ(m_pfnRegisterServer(), S_OK);
    EXPECT_EQ(ReadText(strFile), strLine);
    CEnvGuard unwritable("QJ_CLASSES", strFile + "/below-a-file");
    EXPECT_EQ(m_pfnRegisterServer(), S_OK);
}

}  // namespace
