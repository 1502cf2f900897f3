// The Windows side of the platform layer against the real system: the string table resource
// against its source, the system's message texts, the message pump, and automation objects
// that wine brings, with each kind of failure the interpreter turns into a script error.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

class SystemObjectTest : public ::testing::Test {
protected:
    // Invokes a method of the object by name; the failure the object gives is thrown.
    void Call(CAutoObject& object, const char* pszName, const CAutoArgs& args,
              CAutoResult& result) {
        int32_t nDispId = 0;
        ASSERT_EQ(object.GetDispId(pszName, nDispId), AUTO_S_OK) << pszName;
        object.Invoke(nDispId, AUTO_DISPATCH_METHOD, AUTO_VT_VARIANT, result, args);
    }
};

TEST_F(SystemObjectTest, CreationFailsWithTheSystemsStatus) {
    CAutoObject object;
    EXPECT_EQ(object.CreateDispatch("No.Such.Class"), AUTO_CO_E_CLASSSTRING);
    EXPECT_FALSE(object.IsCreated());
    EXPECT_EQ(object.CreateDispatch(nullptr), AUTO_CO_E_CLASSSTRING);
}

// A class registered with a module that is missing cannot be created: a failure status, never
// a crash (the status is the system's choice: wine answers "class not registered").
TEST_F(SystemObjectTest, ClassWithAMissingModuleFailsToBeCreated) {
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

TEST_F(SystemObjectTest, DictionaryTakesTextsAndNumbersAndReportsFailures) {
    CAutoObject dict;
    ASSERT_EQ(dict.CreateDispatch("Scripting.Dictionary"), AUTO_S_OK);
    CAutoResult result;
    CAutoArgs add;
    add.AddText("key");
    add.AddNumber(42);
    Call(dict, "Add", add, result);
    CAutoArgs item;
    item.AddText("key");
    Call(dict, "Exists", item, result);
    ASSERT_EQ(result.ChangeType(AUTO_VT_I4), AUTO_S_OK);
    EXPECT_EQ(result.GetNumber(), -1);
    int32_t nDispId = 0;
    EXPECT_EQ(dict.GetDispId("NoSuchMember", nDispId), AUTO_DISP_E_UNKNOWNNAME);
    // A wrong argument count, and a key that is there already, each come back as a failure.
    CAutoArgs one;
    one.AddText("other");
    try {
        Call(dict, "Add", one, result);
        ADD_FAILURE() << "Add with one argument";
    } catch (const CAutoException& e) {
        EXPECT_EQ(e.m_sc, AUTO_DISP_E_BADPARAMCOUNT);
    }
    EXPECT_ANY_THROW(Call(dict, "Add", add, result));
}

TEST_F(SystemObjectTest, FileSystemObjectTextsAndItsExceptions) {
    CAutoObject fso;
    ASSERT_EQ(fso.CreateDispatch("Scripting.FileSystemObject"), AUTO_S_OK);
    CAutoResult result;
    CAutoArgs path;
    path.AddText("C:\\some\\dir\\file.txt");
    Call(fso, "GetFileName", path, result);
    EXPECT_EQ(result.GetType(), AUTO_VT_BSTR);
    EXPECT_EQ(result.GetText(), "file.txt");
    EXPECT_LT(result.ChangeType(AUTO_VT_I4), 0);  // no number
    EXPECT_EQ(result.GetText(), "file.txt");
    CAutoArgs missing;
    missing.AddText("C:\\no such folder\\no such file.txt");
    EXPECT_THROW(Call(fso, "DeleteFile", missing, result), CAutoDispatchException);
    EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY);
}

}  // namespace
