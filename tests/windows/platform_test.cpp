// The Windows side of the platform layers against the real system. Objects that wine brings
// are driven by the scripts in windows/windows.cases.
#include "pvwfile/platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation.h"
#include "platform/com.h"  // WriteClassRegistration
#include "platform/host_platform.h"
#include "platform/string_resources.h"
#include "platform/sysmsg.h"
#include "res/string_ids.h"

namespace {

TEST(WindowsPlatformTest, StringTableResourceHoldsEveryTextOfItsSource) {
    struct Entry {
        int nId;
        const char* pszText;
    };
    constexpr Entry ENTRIES[] = {
#define QJ_STRING(id, text) {id, text},
#include "res/string_table.inc"
#undef QJ_STRING
    };
    for (const Entry& entry : ENTRIES) {
        const char* pszText = platform::FindStringResource(entry.nId);
        ASSERT_NE(pszText, nullptr) << entry.nId;
        EXPECT_STREQ(pszText, entry.pszText) << entry.nId;
    }
    EXPECT_EQ(platform::FindStringResource(105), nullptr);
}

TEST(WindowsPlatformTest, SystemMessageTextsComeWithoutTheirLineBreaks) {
    std::string strText = "unchanged";
    // "The system cannot find the file specified." in the user's language.
    ASSERT_TRUE(GetSystemMessageText(static_cast<int32_t>(0x80070002), strText));
    EXPECT_FALSE(strText.empty());
    EXPECT_NE(strText.back(), '\n');
    EXPECT_NE(strText.back(), '\r');
    strText = "unchanged";
    EXPECT_FALSE(GetSystemMessageText(static_cast<int32_t>(0x800A0001), strText));
    EXPECT_EQ(strText, "unchanged");
}

TEST(WindowsPlatformTest, PumpDispatchesAtMostItsCountAndLeavesQuitToTheHost) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(platform::PumpWindowMessages(3), 0);
    const DWORD dwThread = GetCurrentThreadId();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostThreadMessageA(dwThread, WM_USER, i, 0));
    EXPECT_EQ(platform::PumpWindowMessages(3), 3);
    EXPECT_EQ(platform::PumpWindowMessages(3), 2);
    PostQuitMessage(7);
    EXPECT_EQ(platform::PumpWindowMessages(3), 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

// A class registered with a module that is missing cannot be created: a failure status, never
// a crash (the status is the system's choice: wine answers "class not registered").
TEST(WindowsPlatformTest, ClassWithAMissingModuleFailsToBeCreated) {
    constexpr CLSID CLSID_MISSING = {
        0x0F1E2D3C, 0x4B5A, 0x6978, {0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0}};
    ASSERT_EQ(WriteClassRegistration("QJTest.Missing", CLSID_MISSING, "C:\\no such\\module.dll"),
              S_OK);
    EXPECT_EQ(WriteClassRegistration("QJTest.Missing", CLSID_MISSING, ""), E_INVALIDARG);
    CAutoObject object;
    EXPECT_LT(object.CreateDispatch("QJTest.Missing"), 0);
    EXPECT_FALSE(object.IsCreated());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "QJTest.Missing");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}");
}

// Names sorted by the file library's key are in the order of the system's own comparison
// (CompareStringOrdinal, case ignored), for every character, and two keys are equal exactly
// where the system finds the names equal.
TEST(WindowsFileNamesTest, KeysAgreeWithTheSystemsComparison) {
    std::vector<std::wstring> arrNames{L"\xD801\xDC28", L"\xD801\xDC00"};  // a pair it keeps apart
    for (unsigned c = 1; c < 0x10000; ++c) {
        if (c < 0xD800 || c >= 0xE000) arrNames.push_back(std::wstring(1, wchar_t(c)) + L".txt");
    }
    std::vector<std::pair<std::string, std::wstring>> arrKeyed;
    for (const std::wstring& strName : arrNames) {
        arrKeyed.emplace_back(pvw::NameKey(pvw::Path(strName).string()), strName);
    }
    std::sort(arrKeyed.begin(), arrKeyed.end());
    for (size_t i = 1; i < arrKeyed.size(); ++i) {
        const std::wstring &a = arrKeyed[i - 1].second, &b = arrKeyed[i].second;
        int nSystem = CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
        int nKeys = arrKeyed[i - 1].first == arrKeyed[i].first ? CSTR_EQUAL : CSTR_LESS_THAN;
        ASSERT_EQ(nSystem, nKeys) << std::hex << unsigned(a[0]) << " " << unsigned(b[0]);
    }
}

}  // namespace
