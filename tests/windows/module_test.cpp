// QJIntp32.dll and the German language module as Windows loads them. Registration and scripts
// run through the class are tested by the VBScript client, client.vbs.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "family/lang_module.h"  // LG_VERSION
#include "lang_module.h"         // g_aLangStrings, the German table

namespace {

namespace fs = std::filesystem;

// The folder of this program, bin/, beside which the build lays out the language home.
fs::path ProgramFolder() {
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    return fs::path(szExe).parent_path();
}

std::string VersionText(const std::vector<char>& info, const char* pszName) {
    void* pValue = nullptr;
    UINT nLen = 0;
    const std::string strPath = std::string("\\StringFileInfo\\040904B0\\") + pszName;
    if (!VerQueryValueA(info.data(), strPath.c_str(), &pValue, &nLen)) return {};
    return static_cast<const char*>(pValue);
}

// A text of the module's string table in UTF-8, the form of its source; empty when it has none.
std::string Utf8String(HMODULE hModule, int nId) {
    // With no buffer, LoadStringW hands out the text inside the module, and its length.
    const wchar_t* pszText = nullptr;
    const int nLen =
        LoadStringW(hModule, static_cast<UINT>(nId), reinterpret_cast<LPWSTR>(&pszText), 0);
    if (nLen <= 0) return {};
    const int nSize = WideCharToMultiByte(CP_UTF8, 0, pszText, nLen, nullptr, 0, nullptr, nullptr);
    std::string strText(static_cast<std::size_t>(nSize), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszText, nLen, strText.data(), nSize, nullptr, nullptr);
    return strText;
}

TEST(WindowsModuleTest, ExportsAndVersion) {
    const fs::path modulePath = ProgramFolder() / "QJIntp32.dll";
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

TEST(WindowsLanguageTest, GermanModuleHoldsEveryTextOfItsSourceAndItsVersion) {
    fs::path path = ProgramFolder().parent_path() / "qjhome/system/lg/de/res/QJIntp32.dll";
    HMODULE hModule = LoadLibraryA(path.make_preferred().string().c_str());
    ASSERT_NE(hModule, nullptr) << path << ": error " << GetLastError();
    auto pfnVersion = reinterpret_cast<int (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hModule, "GetLGVersion")));
    ASSERT_NE(pfnVersion, nullptr);
    EXPECT_EQ(pfnVersion(), LG_VERSION);
    for (std::size_t i = 0; i < g_nLangStrings; ++i) {
        EXPECT_EQ(Utf8String(hModule, g_aLangStrings[i].nId), g_aLangStrings[i].pszText)
            << g_aLangStrings[i].nId;
    }
    // The interpreter's own table has no text 105, and neither has the translation.
    EXPECT_EQ(Utf8String(hModule, 105), "");
    FreeLibrary(hModule);
}

}  // namespace
