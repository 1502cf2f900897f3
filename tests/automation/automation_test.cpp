// The POSIX object model below the scripts' reach (which tests/objects covers): the status of each
// failed creation, the registry file of server libraries, and the variant conversions.
#include "platform/automation.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/automation_server.h"
#include "sample_server/sample_server.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kOtherClsid = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

GUID Guid(const char* psz) {
    GUID guid{};
    EXPECT_TRUE(GuidFromString(psz, guid)) << psz;
    return guid;
}

int32_t Create(const char* pszProgId) {
    CAutoObject object;
    const int32_t sc = object.CreateDispatch(pszProgId);
    EXPECT_EQ(object.IsCreated(), sc == AUTO_S_OK) << (pszProgId ? pszProgId : "(null)");
    return sc;
}

class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string strLib = QJ_SAMPLE_SERVER_PATH;
        // Comments, blank lines, tabs and a carriage return are allowed; faulty lines are not
        // read as classes.
        std::ofstream(m_strRegistry)
            << "# classes of the automation tests\n\n"
            << SAMPLE_SERVER_PROGID << " " << SAMPLE_SERVER_CLSID << " " << strLib << "\n"
            << SAMPLE_NODISPATCH_PROGID << "\t" << SAMPLE_NODISPATCH_CLSID << "\t" << strLib
            << " \r\n"
            << "QJSample.Unserved " << kOtherClsid << " " << strLib << "\n"
            << "QJSample.Missing " << SAMPLE_SERVER_CLSID << " " << m_strDir << "/libmissing.so\n"
            << "QJSample.NoEntry " << SAMPLE_SERVER_CLSID << " libc.so.6\n"
            << "QJSample.BadGuid {5A3C1E20} " << strLib << "\n"
            << "QJSample.NoPath " << SAMPLE_SERVER_CLSID << "\n";
        m_classes.Set(m_strRegistry);
    }
    CTempDir m_temp{"qjauto"};
    const std::string m_strDir = m_temp.Path().string();
    const std::string m_strRegistry = m_temp / "classes";
    CEnvGuard m_classes{"QJ_CLASSES"};
    CEnvGuard m_home{"HOME"};
};

TEST_F(AutomationTest, CreationAnswersWithTheStatusOfEachKindOfFailure) {
    const struct {
        const char* pszProgId;
        int32_t sc;
    } kCases[] = {
        {"No.Such", AUTO_CO_E_CLASSSTRING},
        {nullptr, AUTO_CO_E_CLASSSTRING},
        {"QJSample.BadGuid", AUTO_CO_E_CLASSSTRING},
        {"QJSample.NoPath", AUTO_CO_E_CLASSSTRING},
        {"QJSample.Unserved", AUTO_CLASS_E_CLASSNOTAVAILABLE},
        {"QJSample.NoDispatch", AUTO_E_NOINTERFACE},
        {"QJSample.Missing", AUTO_E_MOD_NOT_FOUND},
        {"QJSample.NoEntry", AUTO_CO_E_ERRORINDLL},
    };
    for (const auto& c : kCases) EXPECT_EQ(Create(c.pszProgId), c.sc);
    m_classes.Set(m_strDir + "/no-such-file");
    EXPECT_EQ(Create(SAMPLE_SERVER_PROGID), AUTO_CO_E_CLASSSTRING);
}

TEST_F(AutomationTest, RegistrationWritesAndReplacesLines) {
    const std::string strRegistry = m_strDir + "/nested/dir/classes";
    m_classes.Set(strRegistry);
    const std::string strLib = QJ_SAMPLE_SERVER_PATH;
    const GUID clsid = Guid(SAMPLE_SERVER_CLSID);
    ASSERT_EQ(WriteClassRegistration("QJSample.Server", clsid, strLib.c_str()), S_OK);
    EXPECT_EQ(ReadText(strRegistry),
              std::string("QJSample.Server ") + SAMPLE_SERVER_CLSID + " " + strLib + "\n");
    EXPECT_EQ(Create("QJSample.Server"), AUTO_S_OK);
    // A later line of the same class is dropped when the class is written again.
    std::ofstream(strRegistry, std::ios::app)
        << "# kept\n\nQJSample.Server " << SAMPLE_SERVER_CLSID << " /lib/stale.so\n";
    ASSERT_EQ(WriteClassRegistration("Other.Class", clsid, "/lib/other.so"), S_OK);
    std::string strMissing = m_strDir + "/libmissing.so";
    ASSERT_EQ(WriteClassRegistration("qjsample.server", clsid, strMissing.c_str()), S_OK);
    EXPECT_EQ(ReadText(strRegistry), std::string("qjsample.server ") + SAMPLE_SERVER_CLSID + " " +
                                         strMissing + "\n# kept\n\nOther.Class " +
                                         SAMPLE_SERVER_CLSID + " /lib/other.so\n");
    EXPECT_EQ(WriteClassRegistration("Two words", clsid, "/lib/x.so"), E_INVALIDARG);
    EXPECT_EQ(WriteClassRegistration("Some.Class", clsid, ""), E_INVALIDARG);
}

// The registry is the file QJ_CLASSES names, else the user's configuration file; anything but a
// small regular file names no classes, and is not written over.
TEST_F(AutomationTest, TheRegistryIsTheNamedOrTheUsersFileAndOnlyASmallRegularOne) {
    m_classes.Unset();
    m_home.Set(m_strDir);
    EXPECT_EQ(GetClassRegistryPath(), m_strDir + "/.config/qjintp/classes");
    ASSERT_EQ(WriteClassRegistration(SAMPLE_SERVER_PROGID, Guid(SAMPLE_SERVER_CLSID),
                                     QJ_SAMPLE_SERVER_PATH),
              S_OK);
    EXPECT_EQ(Create(SAMPLE_SERVER_PROGID), AUTO_S_OK);
    m_home.Unset();
    EXPECT_EQ(GetClassRegistryPath(), "");
    EXPECT_EQ(WriteClassRegistration(SAMPLE_SERVER_PROGID, Guid(SAMPLE_SERVER_CLSID), "/x.so"),
              E_FAIL);
    const std::string strLine = std::string(SAMPLE_SERVER_PROGID) + " " + SAMPLE_SERVER_CLSID +
                                " " + QJ_SAMPLE_SERVER_PATH + "\n";
    const std::string strLarge = m_strDir + "/large";
    std::ofstream(strLarge) << std::string(1024 * 1024, '#') << "\n" << strLine;
    fs::create_directory(m_strDir + "/folder");
    for (const std::string& strPath : {strLarge, m_strDir + "/folder"}) {
        SCOPED_TRACE(strPath);
        m_classes.Set(strPath);
        EXPECT_EQ(Create(SAMPLE_SERVER_PROGID), AUTO_CO_E_CLASSSTRING);
        EXPECT_EQ(WriteClassRegistration("Other.Class", Guid(kOtherClsid), "/lib/other.so"),
                  E_FAIL);
    }
    EXPECT_EQ(fs::file_size(strLarge), 1024 * 1024 + 1 + strLine.size());
}

// Conversions in place, as the interpreter makes them: texts to numbers as automation reads
// them, halves rounded to even; a failed conversion leaves the variant as it was.
TEST(VariantChangeType, ConvertsLikeAutomationOrLeavesTheVariantUnchanged) {
    const struct {
        VARTYPE vtFrom;
        const char* pszText;  // a text's text; for other types the number (lVal or boolVal)
        VARTYPE vtTo;
        HRESULT hr;
        const char* pszResult;  // the converted value as text
    } kCases[] = {
        {VT_BSTR, " \t-2147483648 \r\n", VT_I4, S_OK, "-2147483648"},
        {VT_BSTR, "2.5", VT_I4, S_OK, "2"},
        {VT_BSTR, "3.5", VT_I4, S_OK, "4"},
        {VT_BSTR, "-2.5", VT_I4, S_OK, "-2"},
        {VT_BSTR, "2.50001", VT_I4, S_OK, "3"},
        {VT_BSTR, ".6", VT_I4, S_OK, "1"},
        {VT_BSTR, "5.", VT_I4, S_OK, "5"},
        {VT_BSTR, "2147483648", VT_I4, DISP_E_OVERFLOW, ""},
        {VT_BSTR, "99999999999999999999999", VT_I4, DISP_E_OVERFLOW, ""},
        {VT_BSTR, "   ", VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VT_BSTR, "99999999999999999999x", VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VT_BSTR, ".", VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VT_BSTR, nullptr, VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VT_EMPTY, "0", VT_I4, S_OK, "0"},
        {VT_I4, "-2147483648", VT_BSTR, S_OK, "-2147483648"},
        {VT_BOOL, "-1", VT_I4, S_OK, "-1"},
        {VT_BOOL, "-1", VT_BSTR, S_OK, "-1"},
        {VT_NULL, "0", VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VT_I4, "1", VT_BOOL, DISP_E_BADVARTYPE, ""},
        {99, "0", VT_I4, DISP_E_BADVARTYPE, ""},
    };
    for (const auto& c : kCases) {
        VARIANT var = {};
        var.vt = c.vtFrom;
        if (c.vtFrom == VT_BSTR)
            var.bstrVal = SysAllocString(c.pszText);
        else if (c.vtFrom == VT_BOOL)
            var.boolVal = static_cast<VARIANT_BOOL>(std::stoi(c.pszText));
        else
            var.lVal = std::stoi(c.pszText);
        SCOPED_TRACE(std::to_string(c.vtFrom) + " " + (c.pszText ? c.pszText : "(null)"));
        EXPECT_EQ(VariantChangeType(&var, &var, 0, c.vtTo), c.hr);
        EXPECT_EQ(var.vt, c.hr == S_OK ? c.vtTo : c.vtFrom);
        if (c.hr == S_OK) {
            EXPECT_EQ(var.vt == VT_I4 ? std::to_string(var.lVal)
                                      : std::string(var.bstrVal, SysStringLen(var.bstrVal)),
                      c.pszResult);
        }
        VariantClear(&var);
    }
}

}  // namespace
