// D-Bus objects: the members of an interface read from introspection documents, and documents
// that are no such thing, as a service may hand them out; and objects driven through scripts on
// a private bus, which each test starts and stops: the bus itself as an object, and the test
// service's types, properties and failures. The bus variables point at the private bus and the
// system bus at nothing, so no test reaches the machine's buses.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "platform/posix/dbus/interface_xml.h"
#include "support/env_guard.h"
#include "support/script_runner.h"

namespace {

std::string Members(const std::string& strXml) {
    std::string strReason;
    auto arrMembers = qjdbus::ReadInterfaceMembers(strXml, "a.B", strReason);
    if (!arrMembers) return "! " + strReason;
    std::string strOut;
    for (const qjdbus::CMember& member : *arrMembers) {
        strOut += (member.bProperty ? "P " : "M ") + member.strName + "(";
        for (const std::string& strType : member.arrTypes) strOut += strType + ",";
        strOut += ") ";
    }
    return strOut;
}

TEST(DBusIntrospectionTest, ReadsTheMembersOfTheInterfaceOrRefusesTheDocument) {
    std::string strMany = "<node><interface name=\"a.B\">";
    for (size_t i = 0; i <= qjdbus::MAX_MEMBERS; ++i) strMany += "<method name=\"M\"/>";
    strMany += "</interface></node>";
    const std::string strDeep = std::string(100000, '<') + "x";
    const struct {
        std::string strXml;
        const char* pszMembers;
    } kCases[] = {
        {R"(<!DOCTYPE node><node><interface name="x.Y"><method name="No"/></interface>
        <interface name="a.B"><property name="P" type="as" access="read"/>
          <method name="M"><arg type="s"/><arg type="i" direction="out"/><arg type="v"
          direction="in"/></method><signal name="S"><arg type="s"/></signal></interface>
        <node name="child"><interface name="a.B"><method name="Child"/></interface></node></node>)",
         "M M(s,v,) P P(as,) "},
        {"", "! the object's introspection data is not well-formed: no element found at line 1"},
        {"<node><interface name=\"a.B\"><method",
         "! the object's introspection data is not well-formed: unclosed token at line 1"},
        {strDeep,
         "! the object's introspection data is not well-formed: not well-formed "
         "(invalid token) at line 1"},
        {"<!DOCTYPE n [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><node name=\"&c;\"/>",
         "! the object has no interface 'a.B'"},
        {"<node><interface name=\"x.Y\"/></node>", "! the object has no interface 'a.B'"},
        {strMany, "! the object's interface has more than 4096 members"},
        {std::string(qjdbus::MAX_INTROSPECTION_BYTES + 1, ' '),
         "! the object's introspection data is larger than 4194304 bytes"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(Members(c.strXml), c.pszMembers) << c.strXml.substr(0, 60);
}

// The first line a program writes, without its line break; empty when it writes none.
std::string FirstLine(FILE* pOut) {
    char szLine[512] = "";
    if (pOut == nullptr || std::fgets(szLine, sizeof szLine, pOut) == nullptr) return "";
    return std::string(szLine, std::strcspn(szLine, "\n"));
}

constexpr char BUS_OBJECT[] =
    "dbus:session/org.freedesktop.DBus/org/freedesktop/DBus:org.freedesktop.DBus";
constexpr char TEST_OBJECT[] = "dbus:session/org.qjintp.Test/org/qjintp/Test:org.qjintp.Test";
constexpr int FIRST_LINE = 8;  // of Main's body
constexpr char BUS_COMMAND[] = "dbus-daemon '--config-file=" QJ_SOURCE_DIR
                               "/tests/dbus/bus.conf' --fork --print-address=1 --print-pid=1";

// Whether the log starts with the message, taken without its line break: the bus words the
// ends of some of its messages as it likes.
bool StartsWith(const std::string& strLog, const std::string& strMessage) {
    return strLog.starts_with(strMessage.substr(0, strMessage.size() - 1));
}

class DBusObjectTest : public ::testing::Test {
protected:
    // The bus forks and tells its address and process id; the service ends with the bus.
    void SetUp() override {
        FILE* pBus = popen(BUS_COMMAND, "r");
        const std::string strAddress = FirstLine(pBus);
        m_busPid = std::atoi(FirstLine(pBus).c_str());
        if (pBus != nullptr) pclose(pBus);
        if (m_busPid <= 0) GTEST_SKIP() << "dbus-daemon is not installed or did not start";
        m_session.Set(strAddress);
        m_pService = popen("'" QJ_DBUS_TEST_SERVICE "'", "r");
        ASSERT_EQ(FirstLine(m_pService), "ready");
    }
    void TearDown() override {
        if (m_busPid > 0) kill(m_busPid, SIGTERM);
        if (m_pService != nullptr) pclose(m_pService);
    }

    // Runs the body with b the bus and t the test object; s and n are there to assign to.
    ScriptRun Run(const std::string& strBody, const char* pszOptions = "NT") {
        return m_runner.Run(
            std::string("Declare\nObject b(\"") + BUS_OBJECT + "\")\nObject t(\"" + TEST_OBJECT +
                "\")\nString s = \"\"\nNumber n = 0\nEndDeclare\nMain\n" + strBody + "EndMain\n",
            pszOptions);
    }

    // What the body's last line left in s (the body assigns to s) or n (otherwise).
    std::string Result(const std::string& strBody) {
        const bool bText =
            strBody.rfind("s = ", 0) == 0 || strBody.find("\ns = ") != std::string::npos;
        ScriptRun run = Run(strBody + (bText ? "DebugPrintStr(s)\n" : "DebugPrintNum(n)\n"), "");
        EXPECT_EQ(run.nResult, 1) << strBody << run.strLog;
        return PrintedValues(run);
    }

    CEnvGuard m_session{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/qjintp-no-bus"};
    CEnvGuard m_system{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/qjintp-no-bus"};
    pid_t m_busPid = 0;
    FILE* m_pService = nullptr;
    ScriptRunner m_runner;
};

TEST_F(DBusObjectTest, TheBusItselfAnswersAsAnObject) {
    EXPECT_TRUE(std::regex_match(Result("s = b.GetId()\n"), std::regex("[0-9a-f]{32}")));
    EXPECT_TRUE(std::regex_search(Result("s = b.ListNames()\n"),
                                  std::regex("(^|;)org.freedesktop.DBus;.*org.qjintp.Test")));
    EXPECT_EQ(Result("n = b.NameHasOwner(\"org.qjintp.Test\")\n"), "1");
    EXPECT_NE(Result("s = b.Features\n"), "");
}

// A method of the test service tells what arrived as "TYPE:VALUE" of each argument.
TEST_F(DBusObjectTest, ArgumentsAndResultsTakeTheTypesTheMemberDeclares) {
    const struct {
        const char* pszLine;
        const char* pszResult;
    } kCases[] = {
        {R"(s = t.All(255, "-32768", "65535", "-1", "4294967295", " -9223372036854775808 ",)"
         R"( "18446744073709551615", 7, "2.5", 12, "/a/b", "a{sv}", 3))",
         "y:255 n:-32768 q:65535 i:-1 u:4294967295 x:-9223372036854775808 "
         "t:18446744073709551615 b:1 d:2.5 s:12 o:/a/b g:a{sv} v:i:3"},
        {"s = t.Variant(\"x\")", "v:s:x"},
        {"s = t.Bool(\"0\")", "b:0"},
        {"s = t.Double(3)", "d:3"},
        {"s = t.Values()",
         "255;-32768;65535;-7;4294967295;-9223372036854775808;"
         "18446744073709551615;1;2.5;text;/a/b;a{sv}"},
        {"s = t.Big()", "18446744073709551615"},
        {"n = t.Flag()", "1"},
        {"n = t.Wrapped()", "-5"},
        {"n = t.Ratio()", "2"},  // rounded half to even
        {"s = t.List()", "1;2;3"},
        {"s = t.Map()", "name=qj;size=7"},
        {"t.label = \"tag\"\ns = t.Label", "tag"},
        {"t.count = \"-12\"\nn = t.Count", "-12"},
        {"t.Level = 200\nn = t.level", "200"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(Result(std::string(c.pszLine) + "\n"), c.pszResult) << c.pszLine;
}

TEST_F(DBusObjectTest, FailuresEndTheRunWithTheReason) {
    const char* const INVOKE_FAILED = "'COleException' - Internal error";
    const struct {
        const char* pszLine;
        const char* pszMessage;
        int nCode = 0;
    } kCases[] = {
        {"s = b.GetNameOwner(\"org.qjintp.Nobody\")",
         "'COleDispatchException org.freedesktop.DBus.Error.NameHasNoOwner: Could not get owner of "
         "name 'org.qjintp.Nobody': no such name' - Internal error"},
        {"t.Fail()", "'COleDispatchException org.qjintp.Test.Error.Refused: refused as asked'"},
        {"t.Nested()",
         "'COleDispatchException a value of the D-Bus type '(ss)' has no script form'"},
        {"t.Fixed = 1", "'COleDispatchException org.freedesktop.DBus.Error.PropertyReadOnly: "},
        {"n = t.Big()", "'Big' - Type mismatch", 12},
        {"n = t.Nothing()", "'Nothing' - Assignment from void method", 20},
        {"t.Nope()", "'Nope' - Identifier unknown in IDispatch interface", 28},
        {"t.Byte(256)", INVOKE_FAILED},
        {"t.UInt32(\"-1\")", INVOKE_FAILED},
        {"t.Int64(\"9223372036854775808\")", INVOKE_FAILED},
        {"t.Path(\"no/path\")", INVOKE_FAILED},
        {"t.Double(\"x\")", INVOKE_FAILED},
        {"t.Strings(\"a\")", INVOKE_FAILED},
        {"t.Byte(1, 2)", INVOKE_FAILED},
        {"t.Level = 256", INVOKE_FAILED},
        // last: the service leaves the bus during the call
        {"t.Quit()", "'COleDispatchException org.freedesktop.DBus.Error.NoReply: "},
    };
    for (const auto& c : kCases) {
        ScriptRun run = Run(std::string(c.pszLine) + "\n");
        EXPECT_TRUE(StartsWith(run.strLog, ScriptError(FIRST_LINE, c.pszMessage)))
            << c.pszLine << ": " << run.strLog;
        EXPECT_EQ(run.nError, c.nCode) << c.pszLine;
        EXPECT_EQ(run.nResult, 0) << c.pszLine;
    }
}

TEST_F(DBusObjectTest, CreationFailuresSayWhy) {
    const struct {
        const char* pszProgId;
        const char* pszReason;
    } kCases[] = {
        {"dbus:session/org.qjintp.Nobody/org/x:a.B",
         "org.freedesktop.DBus.Error.ServiceUnknown: The name org.qjintp.Nobody was not provided"},
        {"dbus:session/org.qjintp.Test/org/qjintp/Test:org.qjintp.Other",
         "the object has no interface 'org.qjintp.Other'"},
        {"dbus:session/org.qjintp.Test/org/qjintp/Bad:a.B",
         "the object's introspection data is not well-formed: "},
        {"dbus:system/org.freedesktop.DBus/org/freedesktop/DBus:org.freedesktop.DBus",
         "cannot connect to the system bus: "},
        {"dbus:session/org.qjintp.Test/org//x:a.B", "'/org//x' is no valid object path"},
        {"dbus:bus/org.qjintp.Test/org/x:a.B", "unknown bus 'bus': the form is dbus:session/"},
        {"dbus:session/org.qjintp.Test:a.B", "the form is dbus:session/"},
    };
    for (const auto& c : kCases) {
        ScriptRun run = m_runner.Run(std::string("Declare\nObject o(\"") + c.pszProgId +
                                     "\")\nEndDeclare\nMain\nEndMain\n");
        EXPECT_TRUE(StartsWith(
            run.strLog, ScriptError(2, "''" + std::string(c.pszProgId) + "' - " + c.pszReason)))
            << run.strLog;
        EXPECT_EQ(run.nError, 27) << c.pszProgId;
    }
}

}  // namespace
