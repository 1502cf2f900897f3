// The automation object handle on the POSIX object model, driven against the sample server
// library through a registry file of the test's own.
#include "platform/automation.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation/sample_server/sample_server.h"
#include "platform/posix/automation_server.h"
#include "support/env_guard.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kOtherClsid = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

// One argument as a test writes it: a number, a text, or nullptr for a null text.
struct Arg {
    Arg(int32_t n) : bNumber(true), nValue(n) {}
    Arg(const char* psz) : pszText(psz) {}
    bool bNumber = false;
    int32_t nValue = 0;
    const char* pszText = nullptr;
};

CAutoArgs MakeArgs(const std::vector<Arg>& arrArgs) {
    CAutoArgs args;
    for (const Arg& arg : arrArgs) {
        if (arg.bNumber)
            args.AddNumber(arg.nValue);
        else
            args.AddText(arg.pszText);
    }
    return args;
}

void WriteFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream(strPath, std::ios::binary) << strContent;
}

std::vector<std::string> ReadLines(const std::string& strPath) {
    std::ifstream in(strPath);
    std::vector<std::string> arrLines;
    for (std::string strLine; std::getline(in, strLine);) arrLines.push_back(strLine);
    return arrLines;
}

GUID Guid(const char* psz) {
    GUID guid{};
    EXPECT_TRUE(GuidFromString(psz, guid)) << psz;
    return guid;
}

class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string strTemplate = (fs::temp_directory_path() / "qjauto-XXXXXX").string();
        ASSERT_NE(mkdtemp(strTemplate.data()), nullptr);
        m_strDir = strTemplate;
        m_strRegistry = m_strDir + "/classes";
        const std::string strLib = QJ_SAMPLE_SERVER_PATH;
        WriteFile(m_strRegistry,
                  "# classes of the automation tests\n"
                  "\n" +
                      std::string(SAMPLE_SERVER_PROGID) + " " + SAMPLE_SERVER_CLSID + " " + strLib +
                      "\n" + SAMPLE_NODISPATCH_PROGID + "\t" + SAMPLE_NODISPATCH_CLSID + "\t" +
                      strLib + " \r\n" + "QJSample.Unserved " + kOtherClsid + " " + strLib + "\n" +
                      "QJSample.Missing " + SAMPLE_SERVER_CLSID + " " + m_strDir +
                      "/libmissing.so\n" + "QJSample.NoEntry " + SAMPLE_SERVER_CLSID +
                      " libc.so.6\n" + "QJSample.BadGuid {5A3C1E20} " + strLib + "\n" +
                      "QJSample.NoPath " + SAMPLE_SERVER_CLSID + "\n");
        m_classes.Set(m_strRegistry);
        ASSERT_EQ(m_server.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_S_OK);
    }
    void TearDown() override {
        m_server.ReleaseDispatch();
        fs::remove_all(m_strDir);
    }

    int32_t DispId(const char* pszName) {
        int32_t nDispId = -999;
        EXPECT_EQ(m_server.GetDispId(pszName, nDispId), AUTO_S_OK) << pszName;
        return nDispId;
    }
    void Invoke(const char* pszName, uint16_t wFlags, CAutoResult& result,
                const std::vector<Arg>& arrArgs = {}) {
        m_server.Invoke(DispId(pszName), wFlags, AUTO_VT_VARIANT, result, MakeArgs(arrArgs));
    }
    void Put(const char* pszName, Arg value) {
        CAutoResult result;
        m_server.Invoke(DispId(pszName), AUTO_DISPATCH_PROPERTYPUT, AUTO_VT_EMPTY, result,
                        MakeArgs({value}));
    }
    std::string GetText(const char* pszName) {
        CAutoResult result;
        Invoke(pszName, AUTO_DISPATCH_PROPERTYGET, result);
        EXPECT_EQ(result.GetType(), AUTO_VT_BSTR) << pszName;
        return result.GetText();
    }
    int32_t GetNumber(const char* pszName) {
        CAutoResult result;
        Invoke(pszName, AUTO_DISPATCH_PROPERTYGET, result);
        EXPECT_EQ(result.GetType(), AUTO_VT_I4) << pszName;
        return result.GetNumber();
    }

    CEnvGuard m_classes{"QJ_CLASSES"};
    CEnvGuard m_home{"HOME"};
    std::string m_strDir;
    std::string m_strRegistry;
    CAutoObject m_server;
};

// The status of a call that must fail with CAutoException; 0 when it did not throw it.
int32_t StatusOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CAutoException& e) {
        return e.m_sc;
    }
    return 0;
}

TEST_F(AutomationTest, CreationAnswersWithTheStatusOfEachKindOfFailure) {
    struct Row {
        const char* pszProgId;
        int32_t sc;
    } rows[] = {
        {"QJSample.Server", AUTO_S_OK},
        {"qjsample.SERVER", AUTO_S_OK},  // identifiers compare without regard to case
        {"No.Such", AUTO_CO_E_CLASSSTRING},
        {"", AUTO_CO_E_CLASSSTRING},
        {nullptr, AUTO_CO_E_CLASSSTRING},
        {"QJSample.BadGuid", AUTO_CO_E_CLASSSTRING},
        {"QJSample.NoPath", AUTO_CO_E_CLASSSTRING},
        {"QJSample.Unserved", AUTO_CLASS_E_CLASSNOTAVAILABLE},
        {"QJSample.NoDispatch", AUTO_E_NOINTERFACE},
        {"QJSample.Missing", AUTO_E_MOD_NOT_FOUND},
        {"QJSample.NoEntry", AUTO_CO_E_ERRORINDLL},
    };
    for (const Row& row : rows) {
        CAutoObject object;
        EXPECT_EQ(object.CreateDispatch(row.pszProgId), row.sc)
            << (row.pszProgId ? row.pszProgId : "(null)");
        EXPECT_EQ(object.IsCreated(), row.sc == AUTO_S_OK);
    }
}

TEST_F(AutomationTest, WithoutARegistryFileOnlyInProcessClassesExist) {
    m_classes.Set(m_strDir + "/no-such-file");
    CAutoObject object;
    EXPECT_EQ(object.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_CO_E_CLASSSTRING);
}

TEST_F(AutomationTest, ObjectsAreReleasedByTheHandle) {
    const int32_t nAlone = GetNumber("ObjectCount");
    {
        CAutoObject second;
        ASSERT_EQ(second.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_S_OK);
        EXPECT_EQ(GetNumber("ObjectCount"), nAlone + 1);
        // Creating again releases the object held before.
        ASSERT_EQ(second.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_S_OK);
        EXPECT_EQ(GetNumber("ObjectCount"), nAlone + 1);
        second.ReleaseDispatch();
        EXPECT_FALSE(second.IsCreated());
        EXPECT_EQ(GetNumber("ObjectCount"), nAlone);
        ASSERT_EQ(second.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_S_OK);
    }
    EXPECT_EQ(GetNumber("ObjectCount"), nAlone);
}

TEST_F(AutomationTest, AnEmptyHandleRefusesCalls) {
    CAutoObject empty;
    int32_t nDispId = 0;
    EXPECT_EQ(empty.GetDispId("Number", nDispId), AUTO_E_POINTER);
    CAutoResult result;
    EXPECT_EQ(
        StatusOf([&] { empty.Invoke(1, AUTO_DISPATCH_PROPERTYGET, AUTO_VT_VARIANT, result, {}); }),
        AUTO_E_POINTER);
}

TEST_F(AutomationTest, NamesResolveToDispIds) {
    EXPECT_EQ(DispId("number"), DispId("Number"));
    EXPECT_NE(DispId("Number"), DispId("String"));
    int32_t nDispId = 0;
    EXPECT_EQ(m_server.GetDispId("NoSuchMember", nDispId), AUTO_DISP_E_UNKNOWNNAME);
    EXPECT_EQ(m_server.GetDispId("", nDispId), AUTO_DISP_E_UNKNOWNNAME);
}

TEST_F(AutomationTest, TheObjectReceivesTheDispatchFlags) {
    struct Row {
        const char* pszMember;
        uint16_t wFlags;
        std::vector<Arg> arrArgs;
    } rows[] = {
        {"Number", AUTO_DISPATCH_PROPERTYGET, {}},
        {"Number", AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET, {}},
        {"Void0", AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET, {}},
        {"Void1", AUTO_DISPATCH_METHOD, {1}},
        {"Number", AUTO_DISPATCH_PROPERTYPUT, {7}},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        Invoke(row.pszMember, row.wFlags, result, row.arrArgs);
        EXPECT_EQ(GetText("LastMember"), row.pszMember);
        EXPECT_EQ(GetNumber("LastFlags"), row.wFlags) << row.pszMember;
    }
}

TEST_F(AutomationTest, ArgumentsArriveInScriptOrderWithTheirTypes) {
    struct Row {
        std::vector<Arg> arrArgs;
        const char* pszArrived;
    } rows[] = {
        {{5}, "I4:5"},
        {{"abc"}, "BSTR:\"abc\""},
        {{""}, "BSTR:\"\""},
        {{nullptr}, "BSTR:null"},
        {{INT32_MIN, "two words", nullptr, -1},
         "I4:-2147483648, BSTR:\"two words\", BSTR:null, I4:-1"},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        std::string strMethod = "Void" + std::to_string(row.arrArgs.size());
        Invoke(strMethod.c_str(), AUTO_DISPATCH_METHOD, result, row.arrArgs);
        EXPECT_EQ(GetText("LastArgs"), row.pszArrived);
    }
}

TEST_F(AutomationTest, EveryArgumentCountUpToFifteenArrives) {
    const int32_t nCallsBefore = GetNumber("CallCount");
    std::vector<Arg> arrArgs;
    std::string strArrived;
    for (int n = 0; n <= 15; ++n) {
        CAutoResult result;
        std::string strMethod = "Void" + std::to_string(n);
        Invoke(strMethod.c_str(), AUTO_DISPATCH_METHOD, result, arrArgs);
        EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY) << strMethod;
        EXPECT_EQ(GetText("LastArgs"), strArrived) << strMethod;
        strArrived += (n ? ", I4:" : "I4:") + std::to_string(100 + n);
        arrArgs.emplace_back(100 + n);
    }
    EXPECT_EQ(GetNumber("CallCount"), nCallsBefore + 16);
}

TEST_F(AutomationTest, FailedInvocationsCarryTheObjectsStatus) {
    struct Row {
        const char* pszMember;
        uint16_t wFlags;
        std::vector<Arg> arrArgs;
        int32_t sc;
    } rows[] = {
        {"Void2", AUTO_DISPATCH_METHOD, {1}, AUTO_DISP_E_BADPARAMCOUNT},
        {"Void2", AUTO_DISPATCH_METHOD, {1, 2, 3}, AUTO_DISP_E_BADPARAMCOUNT},
        {"Number", AUTO_DISPATCH_PROPERTYGET, {1}, AUTO_DISP_E_BADPARAMCOUNT},
        {"Sum", AUTO_DISPATCH_METHOD, {1, "x"}, AUTO_DISP_E_TYPEMISMATCH},
        {"Sum", AUTO_DISPATCH_METHOD, {INT32_MAX, 1}, AUTO_DISP_E_OVERFLOW},
        {"ToBool", AUTO_DISPATCH_METHOD, {nullptr}, AUTO_DISP_E_TYPEMISMATCH},
        {"Number", AUTO_DISPATCH_PROPERTYPUT, {"abc"}, AUTO_DISP_E_TYPEMISMATCH},
        {"Number", AUTO_DISPATCH_PROPERTYPUT, {"99999999999"}, AUTO_DISP_E_OVERFLOW},
        {"LastFlags", AUTO_DISPATCH_PROPERTYPUT, {1}, AUTO_DISP_E_MEMBERNOTFOUND},
        {"Void1", AUTO_DISPATCH_PROPERTYPUT, {1}, AUTO_DISP_E_MEMBERNOTFOUND},
        {"Number", AUTO_DISPATCH_METHOD, {}, AUTO_DISP_E_MEMBERNOTFOUND},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        EXPECT_EQ(StatusOf([&] { Invoke(row.pszMember, row.wFlags, result, row.arrArgs); }), row.sc)
            << row.pszMember;
        EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY) << row.pszMember;
    }
    CAutoResult result;
    EXPECT_EQ(StatusOf([&] {
                  m_server.Invoke(12345, AUTO_DISPATCH_METHOD, AUTO_VT_VARIANT, result, {});
              }),
              AUTO_DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf([&] {
                  m_server.Invoke(DispId("Sum"), AUTO_DISPATCH_METHOD, AUTO_VT_I4, result, {});
              }),
              AUTO_E_INVALIDARG);
}

TEST_F(AutomationTest, PropertiesKeepWhatIsPut) {
    Put("Number", 42);
    EXPECT_EQ(GetNumber("LastFlags"), AUTO_DISPATCH_PROPERTYPUT);
    EXPECT_EQ(GetText("LastArgs"), "I4:42");
    EXPECT_EQ(GetNumber("Number"), 42);
    Put("Number", " -17 ");
    EXPECT_EQ(GetNumber("Number"), -17);
    Put("String", "abc");
    EXPECT_EQ(GetText("String"), "abc");
    Put("String", 5);
    EXPECT_EQ(GetText("String"), "5");
    Put("String", nullptr);
    EXPECT_EQ(GetText("LastArgs"), "BSTR:null");
    EXPECT_EQ(GetText("String"), "");
}

TEST_F(AutomationTest, ResultsComeBackAsTheObjectGaveThem) {
    struct Row {
        const char* pszMember;
        std::vector<Arg> arrArgs;
        uint16_t vt;
        int32_t nNumber;
        const char* pszText;
    } rows[] = {
        {"Sum", {2, "3", -10}, AUTO_VT_I4, -5, ""},
        {"Concat", {"a", 1, "b"}, AUTO_VT_BSTR, 0, "a1b"},
        {"NumericString", {}, AUTO_VT_BSTR, 0, "1234"},
        {"ToBool", {7}, AUTO_VT_BOOL, 0, ""},
        {"Echo", {nullptr}, AUTO_VT_BSTR, 0, ""},
        {"Void0", {}, AUTO_VT_EMPTY, 0, ""},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        uint16_t wFlags = row.arrArgs.empty() ? AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET
                                              : AUTO_DISPATCH_METHOD;
        Invoke(row.pszMember, wFlags, result, row.arrArgs);
        EXPECT_EQ(result.GetType(), row.vt) << row.pszMember;
        EXPECT_EQ(result.GetNumber(), row.nNumber) << row.pszMember;
        EXPECT_EQ(result.GetText(), row.pszText) << row.pszMember;
    }
}

TEST_F(AutomationTest, NoResultIsAskedForWithEmpty) {
    CAutoResult result;
    Invoke("Sum", AUTO_DISPATCH_METHOD, result, {1, 2});
    ASSERT_EQ(result.GetType(), AUTO_VT_I4);
    // The earlier value is cleared, and the object is given no place for a result.
    m_server.Invoke(DispId("Sum"), AUTO_DISPATCH_METHOD, AUTO_VT_EMPTY, result, MakeArgs({3, 4}));
    EXPECT_EQ(result.GetType(), AUTO_VT_EMPTY);
    EXPECT_EQ(GetText("LastArgs"), "I4:3, I4:4");
}

TEST_F(AutomationTest, ResultsConvertToNumbersAndTexts) {
    struct Row {
        const char* pszMember;
        std::vector<Arg> arrArgs;
        uint16_t vt;
        int32_t sc;
        int32_t nNumber;
        const char* pszText;
    } rows[] = {
        {"NumericString", {}, AUTO_VT_I4, AUTO_S_OK, 1234, ""},
        {"Echo", {" 12 "}, AUTO_VT_I4, AUTO_S_OK, 12, ""},
        {"ToBool", {1}, AUTO_VT_I4, AUTO_S_OK, -1, ""},
        {"ToBool", {0}, AUTO_VT_I4, AUTO_S_OK, 0, ""},
        {"ToBool", {1}, AUTO_VT_BSTR, AUTO_S_OK, 0, "-1"},
        {"Void0", {}, AUTO_VT_I4, AUTO_S_OK, 0, ""},
        {"Void0", {}, AUTO_VT_BSTR, AUTO_S_OK, 0, ""},
        {"Sum", {-42}, AUTO_VT_BSTR, AUTO_S_OK, 0, "-42"},
        {"Echo", {nullptr}, AUTO_VT_BSTR, AUTO_S_OK, 0, ""},
        // A failed conversion leaves the result as it was.
        {"Echo", {"abc"}, AUTO_VT_I4, AUTO_DISP_E_TYPEMISMATCH, 0, "abc"},
        {"Echo", {nullptr}, AUTO_VT_I4, AUTO_DISP_E_TYPEMISMATCH, 0, ""},
        {"Echo", {"4294967296"}, AUTO_VT_I4, AUTO_DISP_E_OVERFLOW, 0, "4294967296"},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        Invoke(row.pszMember, AUTO_DISPATCH_METHOD | AUTO_DISPATCH_PROPERTYGET, result,
               row.arrArgs);
        uint16_t vtBefore = result.GetType();
        EXPECT_EQ(result.ChangeType(row.vt), row.sc) << row.pszMember;
        EXPECT_EQ(result.GetType(), row.sc == AUTO_S_OK ? row.vt : vtBefore) << row.pszMember;
        EXPECT_EQ(result.GetNumber(), row.nNumber) << row.pszMember;
        EXPECT_EQ(result.GetText(), row.pszText) << row.pszMember;
    }
}

TEST_F(AutomationTest, ObjectExceptionsCarryTheDescription) {
    struct Row {
        const char* pszMember;
        std::vector<Arg> arrArgs;
        const char* pszDescription;
    } rows[] = {
        {"Raise", {"Disk on fire"}, "Disk on fire"},
        {"Raise", {}, "Sample failure"},
        {"RaiseLater", {}, "Deferred sample failure"},
    };
    for (const Row& row : rows) {
        CAutoResult result;
        std::optional<std::string> strDescription;
        try {
            Invoke(row.pszMember, AUTO_DISPATCH_METHOD, result, row.arrArgs);
        } catch (const CAutoDispatchException& e) {
            strDescription = e.m_strDescription;
        }
        EXPECT_EQ(strDescription, row.pszDescription) << row.pszMember;
    }
}

TEST_F(AutomationTest, ClassesRegisteredInTheProcessComeFirst) {
    void* hLibrary = dlopen(QJ_SAMPLE_SERVER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(hLibrary, nullptr);
    auto pfnEntry = reinterpret_cast<PFNGETCLASSOBJECT>(dlsym(hLibrary, "DllGetClassObject"));
    ASSERT_NE(pfnEntry, nullptr);
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(
        pfnEntry(Guid(SAMPLE_SERVER_CLSID), IID_IClassFactory, reinterpret_cast<void**>(&pFactory)),
        S_OK);

    EXPECT_EQ(RegisterClassFactory("QJTest.InProcess", Guid(kOtherClsid), pFactory), S_OK);
    EXPECT_EQ(RegisterClassFactory("Has blank", Guid(kOtherClsid), pFactory), E_INVALIDARG);
    EXPECT_EQ(RegisterClassFactory("QJTest.Null", Guid(kOtherClsid), nullptr), E_INVALIDARG);
    pFactory->Release();
    // A file line whose class identifier is registered in the process needs no library.
    std::ofstream(m_strRegistry, std::ios::app)
        << "QJTest.ByClsid " << kOtherClsid << " " << m_strDir << "/libmissing.so\n";

    for (const char* pszProgId : {"QJTest.InProcess", "qjtest.inprocess", "QJTest.ByClsid"}) {
        CAutoObject object;
        EXPECT_EQ(object.CreateDispatch(pszProgId), AUTO_S_OK) << pszProgId;
    }
    dlclose(hLibrary);
}

TEST_F(AutomationTest, RegistrationWritesAndReplacesLines) {
    const std::string strRegistry = m_strDir + "/nested/dir/classes";
    m_classes.Set(strRegistry);
    const std::string strLib = QJ_SAMPLE_SERVER_PATH;
    const GUID clsid = Guid(SAMPLE_SERVER_CLSID);

    ASSERT_EQ(WriteClassRegistration("QJSample.Server", clsid, strLib.c_str()), S_OK);
    std::string strServerLine =
        std::string("QJSample.Server ") + SAMPLE_SERVER_CLSID + " " + strLib;
    EXPECT_EQ(ReadLines(strRegistry), std::vector<std::string>{strServerLine});
    CAutoObject object;
    EXPECT_EQ(object.CreateDispatch("QJSample.Server"), AUTO_S_OK);

    std::ofstream(strRegistry, std::ios::app) << "# kept\n\n";
    ASSERT_EQ(WriteClassRegistration("Other.Class", clsid, "/lib/other.so"), S_OK);
    std::string strMissing = m_strDir + "/libmissing.so";
    ASSERT_EQ(WriteClassRegistration("qjsample.server", clsid, strMissing.c_str()), S_OK);
    std::vector<std::string> arrExpected = {
        std::string("qjsample.server ") + SAMPLE_SERVER_CLSID + " " + strMissing,
        "# kept",
        "",
        std::string("Other.Class ") + SAMPLE_SERVER_CLSID + " /lib/other.so",
    };
    EXPECT_EQ(ReadLines(strRegistry), arrExpected);
    EXPECT_EQ(object.CreateDispatch("QJSample.Server"), AUTO_E_MOD_NOT_FOUND);

    EXPECT_EQ(WriteClassRegistration("Two words", clsid, "/lib/x.so"), E_INVALIDARG);
    EXPECT_EQ(WriteClassRegistration("Some.Class", clsid, ""), E_INVALIDARG);
}

TEST_F(AutomationTest, TheRegistryFileDefaultsToTheUsersConfiguration) {
    m_classes.Unset();
    m_home.Set(m_strDir);
    EXPECT_EQ(GetClassRegistryPath(), m_strDir + "/.config/qjintp/classes");
    ASSERT_EQ(WriteClassRegistration(SAMPLE_SERVER_PROGID, Guid(SAMPLE_SERVER_CLSID),
                                     QJ_SAMPLE_SERVER_PATH),
              S_OK);
    CAutoObject object;
    EXPECT_EQ(object.CreateDispatch(SAMPLE_SERVER_PROGID), AUTO_S_OK);

    m_home.Unset();
    EXPECT_EQ(GetClassRegistryPath(), "");
    EXPECT_EQ(WriteClassRegistration(SAMPLE_SERVER_PROGID, Guid(SAMPLE_SERVER_CLSID), "/x.so"),
              E_FAIL);
}

TEST(GuidText, ReadsAndWritesTheBracedForm) {
    GUID guid{};
    ASSERT_TRUE(GuidFromString("{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}", guid));
    EXPECT_EQ(guid.Data1, 0x0F1E2D3Cu);
    EXPECT_EQ(guid.Data2, 0x4B5A);
    EXPECT_EQ(guid.Data3, 0x6978);
    EXPECT_EQ(guid.Data4[0], 0x87);
    EXPECT_EQ(guid.Data4[7], 0xF0);
    EXPECT_EQ(GuidToString(guid), kOtherClsid);
    for (const char* pszBad :
         {"0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0", "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F}",
          "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1FG}", "{0F1E2D3C+4B5A-6978-8796-A5B4C3D2E1F0}", ""})
        EXPECT_FALSE(GuidFromString(pszBad, guid)) << pszBad;
}

// The conversion rules themselves, on variants the handle never produces from the sample.
VARIANT TextVariant(const char* psz) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_BSTR;
    var.bstrVal = SysAllocString(psz);
    return var;
}

TEST(VariantChangeType, TextsConvertToNumbersLikeAutomation) {
    struct Row {
        const char* pszText;
        HRESULT hr;
        int32_t nValue;
    } rows[] = {
        {"42", S_OK, 42},
        {" \t42 \r\n", S_OK, 42},
        {"+7", S_OK, 7},
        {"-0", S_OK, 0},
        {"007", S_OK, 7},
        {"2147483647", S_OK, INT32_MAX},
        {"-2147483648", S_OK, INT32_MIN},
        {"2.5", S_OK, 2},  // halves round to even
        {"3.5", S_OK, 4},
        {"-2.5", S_OK, -2},
        {"2.50001", S_OK, 3},
        {"0.4", S_OK, 0},
        {".6", S_OK, 1},
        {"5.", S_OK, 5},
        {"2147483648", DISP_E_OVERFLOW, 0},
        {"-2147483649", DISP_E_OVERFLOW, 0},
        {"2147483647.5", DISP_E_OVERFLOW, 0},
        {"99999999999999999999999", DISP_E_OVERFLOW, 0},
        {"abc", DISP_E_TYPEMISMATCH, 0},
        {"", DISP_E_TYPEMISMATCH, 0},
        {"   ", DISP_E_TYPEMISMATCH, 0},
        {"12abc", DISP_E_TYPEMISMATCH, 0},
        {"99999999999999999999x", DISP_E_TYPEMISMATCH, 0},
        {"1 2", DISP_E_TYPEMISMATCH, 0},
        {"--1", DISP_E_TYPEMISMATCH, 0},
        {"-", DISP_E_TYPEMISMATCH, 0},
        {".", DISP_E_TYPEMISMATCH, 0},
        {nullptr, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Row& row : rows) {
        VARIANT var = TextVariant(row.pszText);
        VARIANT number;
        VariantInit(&number);
        const char* pszLabel = row.pszText ? row.pszText : "(null)";
        EXPECT_EQ(VariantChangeType(&number, &var, 0, VT_I4), row.hr) << pszLabel;
        if (row.hr == S_OK) {
            EXPECT_EQ(number.vt, VT_I4) << pszLabel;
            EXPECT_EQ(number.lVal, row.nValue) << pszLabel;
        } else {
            EXPECT_EQ(number.vt, VT_EMPTY) << pszLabel;
        }
        VariantClear(&var);
    }
}

TEST(VariantChangeType, OtherTypesConvertOrRefuse) {
    struct Row {
        VARTYPE vtFrom;
        int32_t nValue;  // lVal or boolVal
        VARTYPE vtTo;
        HRESULT hr;
        int32_t nNumber;
        const char* pszText;
    } rows[] = {
        {VT_EMPTY, 0, VT_I4, S_OK, 0, nullptr},
        {VT_EMPTY, 0, VT_BSTR, S_OK, 0, ""},
        {VT_I4, INT32_MIN, VT_BSTR, S_OK, 0, "-2147483648"},
        {VT_I4, 9, VT_I4, S_OK, 9, nullptr},
        {VT_BOOL, VARIANT_TRUE, VT_I4, S_OK, -1, nullptr},
        {VT_BOOL, VARIANT_FALSE, VT_I4, S_OK, 0, nullptr},
        {VT_BOOL, VARIANT_TRUE, VT_BSTR, S_OK, 0, "-1"},
        {VT_BOOL, VARIANT_FALSE, VT_BSTR, S_OK, 0, "0"},
        {VT_NULL, 0, VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
        {VT_NULL, 0, VT_BSTR, DISP_E_TYPEMISMATCH, 0, nullptr},
        {VT_DISPATCH, 0, VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
        {VT_I4, 1, VT_BOOL, DISP_E_BADVARTYPE, 0, nullptr},
        {99, 0, VT_I4, DISP_E_BADVARTYPE, 0, nullptr},
    };
    for (const Row& row : rows) {
        VARIANT var;
        VariantInit(&var);
        var.vt = row.vtFrom;
        if (row.vtFrom == VT_BOOL)
            var.boolVal = static_cast<VARIANT_BOOL>(row.nValue);
        else if (row.vtFrom != VT_DISPATCH)
            var.lVal = row.nValue;
        std::string strLabel = std::to_string(row.vtFrom) + " to " + std::to_string(row.vtTo);
        // Converted in place, as the result of an invocation is.
        EXPECT_EQ(VariantChangeType(&var, &var, 0, row.vtTo), row.hr) << strLabel;
        if (row.hr != S_OK) {
            EXPECT_EQ(var.vt, row.vtFrom) << strLabel;
            continue;
        }
        EXPECT_EQ(var.vt, row.vtTo) << strLabel;
        if (row.vtTo == VT_I4) {
            EXPECT_EQ(var.lVal, row.nNumber) << strLabel;
        }
        if (row.vtTo == VT_BSTR) {
            ASSERT_NE(var.bstrVal, nullptr) << strLabel;
            EXPECT_EQ(std::string(var.bstrVal, SysStringLen(var.bstrVal)), row.pszText) << strLabel;
        }
        VariantClear(&var);
    }
}

}  // namespace
