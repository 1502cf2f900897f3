// QJIntp32.dll as Windows clients meet it: its export table and its version resource. Its
// registration (regsvr32) and scripts run through its class are tested by the VBScript client,
// client.vbs; the class object and the counts behind DllCanUnloadNow are the same code on every
// platform and tested there.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path ModulePath() {
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    return fs::path(szExe).parent_path() / "QJIntp32.dll";
}

std::string VersionText(const std::vector<char>& info, const char* pszName) {
    void* pValue = nullptr;
    UINT nLen = 0;
    const std::string strPath = std::string("\\StringFileInfo\\040904B0\\") + pszName;
    if (!VerQueryValueA(info.data(), strPath.c_str(), &pValue, &nLen)) return {};
    return static_cast<const char*>(pValue);
}

TEST(WindowsModuleTest, ExportsAndVersion) {
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
}

}  // namespace
