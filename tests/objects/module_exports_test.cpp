// The module's automation exports as a client meets them: libQJIntp32.so loaded into the
// process, a script run through the class object that DllGetClassObject hands out, and the
// module's registration of itself.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/interpreter_class.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace {

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

    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(pfnGetClassObject(CLSID_CInterpreter, IID_IClassFactory,
                                reinterpret_cast<void**>(&pFactory)),
              S_OK);
    IDispatch* pDispatch = nullptr;
    ASSERT_EQ(
        pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pDispatch)),
        S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_FALSE);  // an object holds the module

    const std::string strScript = dir / "m.scr";
    std::ofstream(strScript) << "Main\nDebugPrintStr(Param1)\nEndMain\n";
    // Arguments last one first: the parameters, the options as a null string, the script.
    VARIANT aArgs[3];
    for (VARIANT& var : aArgs) VariantInit(&var);
    aArgs[2].vt = aArgs[1].vt = aArgs[0].vt = VT_BSTR;
    aArgs[2].bstrVal = SysAllocString(strScript.c_str());
    aArgs[0].bstrVal = SysAllocString("\"real\"");
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(pDispatch->Invoke(DISPID_QJIPINTERPRET, IID_NULL, 0, DISPATCH_METHOD, &params,
                                &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    VariantClear(&aArgs[2]);
    VariantClear(&aArgs[0]);
    EXPECT_NE(ReadText(dir / "trace").find(strScript + " (2): Param1 = \"real\"\n"),
              std::string::npos);
    EXPECT_EQ(ReadText(dir / "log"), "");
    EXPECT_EQ(pDispatch->Release(), 0u);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);

    // The registration names the module's own file; a registry that cannot be written is
    // still success.
    CEnvGuard classes("QJ_CLASSES", dir / "registered");
    EXPECT_EQ(pfnRegisterServer(), S_OK);
    const std::string strLine = ReadText(dir / "registered");
    const std::string strStart = "QJIntp32.CInterpreter {4E7A3C11-52D8-4B1F-8E63-0A9D71C42B5E} ";
    ASSERT_TRUE(strLine.starts_with(strStart) && strLine.ends_with("\n")) << strLine;
    EXPECT_TRUE(fs::equivalent(
        strLine.substr(strStart.size(), strLine.size() - strStart.size() - 1), modulePath));
    classes.Set(dir / "registered/below-a-file");
    EXPECT_EQ(pfnRegisterServer(), S_OK);
}

}  // namespace
