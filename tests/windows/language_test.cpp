// The German language module as Windows meets it: a resource module whose string table holds
// every text of its source (the same table the Linux module is built from), and which answers
// the version the interpreter asks for.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "family/lang_module.h"  // LG_VERSION
#include "lang_module.h"         // g_aLangStrings, the German table

namespace {

// The build lays out the language home beside bin/, where this program is.
std::filesystem::path GermanModulePath() {
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    std::filesystem::path home = std::filesystem::path(szExe).parent_path().parent_path();
    return (home / "qjhome/system/lg/de/res/QJIntp32.dll").make_preferred();
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

TEST(WindowsLanguageTest, GermanModuleHoldsEveryTextOfItsSourceAndItsVersion) {
    HMODULE hModule = LoadLibraryA(GermanModulePath().string().c_str());
    ASSERT_NE(hModule, nullptr) << GermanModulePath() << ": error " << GetLastError();
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
