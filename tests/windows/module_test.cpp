// QJIntp32.dll as Windows clients meet it: its export table, its version resource, a script
// run through the class object that DllGetClassObject hands out, the object and lock counts
// behind DllCanUnloadNow, and the registration that DllRegisterServer writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/interpreter_class.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

fs::path ModulePath() {
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    return fs::path(szExe).parent_path() / "QJIntp32.dll";
}

// The default value of a key below HKEY_CLASSES_ROOT, or empty.
std::string ClassesValue(const std::string& strKey) {
    char szValue[MAX_PATH] = "";
    LONG cbValue = sizeof szValue;
    RegQueryValueA(HKEY_CLASSES_ROOT, strKey.c_str(), szValue, &cbValue);
    return szValue;
}

// An export as the function type it has; FARPROC goes through the untyped pointer.
template <typename Function>
Function* Export(HMODULE hModule, const char* pszName) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)));
}

std::string VersionText(const std::vector<char>& info, const char* pszName) {
    void* pValue = nullptr;
    UINT nLen = 0;
    const std::string strPath = std::string("\\StringFileInfo\\040904B0\\") + pszName;
    if (!VerQueryValueA(info.data(), strPath.c_str(), &pValue, &nLen)) return {};
    return static_cast<const char*>(pValue);
}

// The module stays loaded for the rest of the process, and its trace module keeps the file it
// opened first; so one test does all, with the trace and log sent to files of its own.
TEST(WindowsModuleTest, ExportsVersionClassAndRegistration) {
    const fs::path dir = MakeTempDir("qjmodule");
    CEnvGuard trace("QJ_TRACE", (dir / "trace").string());
    CEnvGuard log("QJ_LOG", (dir / "log").string());
    const fs::path modulePath = ModulePath();
    HMODULE hModule = LoadLibraryA(modulePath.string().c_str());
    ASSERT_NE(hModule, nullptr) << "build the QJIntp32 target";

    // Five exports at ordinals 1 to 5, and nothing at 6.
    constexpr const char* EXPORTS[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                       "QJIPBreak", "QJIPInterpret"};
    for (WORD nOrdinal = 1; nOrdinal <= 5; ++nOrdinal) {
        FARPROC pfn = GetProcAddress(hModule, MAKEINTRESOURCEA(nOrdinal));
        EXPECT_NE(pfn, nullptr) << nOrdinal;
        EXPECT_EQ(pfn, GetProcAddress(hModule, EXPORTS[nOrdinal - 1])) << EXPORTS[nOrdinal - 1];
    }
    EXPECT_EQ(GetProcAddress(hModule, MAKEINTRESOURCEA(6)), nullptr);

    DWORD dwHandle = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(modulePath.string().c_str(), &dwHandle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(modulePath.string().c_str(), 0, static_cast<DWORD>(info.size()),
                                    info.data()));
    EXPECT_EQ(VersionText(info, "FileDescription"), "QJIntp32 DLL");
    EXPECT_EQ(VersionText(info, "FileVersion"), "2.0.0.0");
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLen = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLen));
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0u);

    auto pfnGetClassObject =
        Export<HRESULT WINAPI(REFCLSID, REFIID, void**)>(hModule, "DllGetClassObject");
    auto pfnCanUnloadNow = Export<HRESULT WINAPI()>(hModule, "DllCanUnloadNow");
    auto pfnRegisterServer = Export<HRESULT WINAPI()>(hModule, "DllRegisterServer");
    IClassFactory* pFactory = nullptr;
    EXPECT_EQ(
        pfnGetClassObject(IID_IDispatch, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)),
        CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(pfnGetClassObject(CLSID_CInterpreter, IID_IClassFactory,
                                reinterpret_cast<void**>(&pFactory)),
              S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);
    ASSERT_EQ(pFactory->LockServer(TRUE), S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_FALSE);  // a lock holds the module
    ASSERT_EQ(pFactory->LockServer(FALSE), S_OK);
    IDispatch* pDispatch = nullptr;
    ASSERT_EQ(
        pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pDispatch)),
        S_OK);
    EXPECT_EQ(pfnCanUnloadNow(), S_FALSE);  // an object holds the module

    const fs::path script = dir / "m.scr";
    std::ofstream(script) << "Main\nDebugPrintStr(\"real\")\nEndMain\n";
    wchar_t szName[] = L"QJIPInterpret";
    LPOLESTR pszName = szName;
    DISPID dispId = 0;
    ASSERT_EQ(pDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_USER_DEFAULT, &dispId), S_OK);
    EXPECT_EQ(dispId, DISPID_QJIPINTERPRET);
    // Arguments last one first: parameters and options as null strings, the script.
    VARIANT aArgs[3];
    for (VARIANT& var : aArgs) VariantInit(&var);
    aArgs[2].vt = aArgs[1].vt = aArgs[0].vt = VT_BSTR;
    aArgs[2].bstrVal = SysAllocString(script.wstring().c_str());
    DISPPARAMS params = {aArgs, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(
        pDispatch->Invoke(dispId, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    VariantClear(&aArgs[2]);
    EXPECT_NE(ReadText(dir / "trace").find(script.string() + " (2): Literal = \"real\"\n"),
              std::string::npos);
    EXPECT_EQ(ReadText(dir / "log"), "");
    EXPECT_EQ(pDispatch->Release(), 0u);
    EXPECT_EQ(pfnCanUnloadNow(), S_OK);

    // The registration names the module's own file, and the system finds the class by it.
    EXPECT_EQ(pfnRegisterServer(), S_OK);
    const std::string strClsid = "{4E7A3C11-52D8-4B1F-8E63-0A9D71C42B5E}";
    EXPECT_EQ(ClassesValue("QJIntp32.CInterpreter\\CLSID"), strClsid);
    EXPECT_EQ(ClassesValue("CLSID\\" + strClsid + "\\ProgID"), "QJIntp32.CInterpreter");
    EXPECT_TRUE(
        fs::equivalent(ClassesValue("CLSID\\" + strClsid + "\\InprocServer32"), modulePath));
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"QJIntp32.CInterpreter", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_CInterpreter));
}

}  // namespace
