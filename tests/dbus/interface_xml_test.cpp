// The members of an interface read from introspection documents, and documents that are no
// such thing, as a service may hand them out.
#include "platform/posix/dbus/interface_xml.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(DBusIntrospectionTest, ReadsTheMethodsThenThePropertiesOfTheInterface) {
    EXPECT_EQ(Members(R"(<!DOCTYPE node><node><interface name="x.Y"><method name="No"/></interface>
        <interface name="a.B"><property name="P" type="as" access="read"/>
          <method name="M"><arg type="s"/><arg type="i" direction="out"/><arg type="v"
          direction="in"/></method><signal name="S"><arg type="s"/></signal></interface>
        <node name="child"><interface name="a.B"><method name="Child"/></interface></node></node>)"),
              "M M(s,v,) P P(as,) ");
}

TEST(DBusIntrospectionTest, RefusesWhatIsNoDocumentOfTheInterface) {
    std::string strMany = "<node><interface name=\"a.B\">";
    for (size_t i = 0; i <= qjdbus::MAX_MEMBERS; ++i) strMany += "<method name=\"M\"/>";
    strMany += "</interface></node>";
    const std::string strDeep = std::string(100000, '<') + "x";
    const struct {
        std::string strXml;
        const char* pszReason;
    } kCases[] = {
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
        EXPECT_EQ(Members(c.strXml), c.pszReason) << c.strXml.substr(0, 60);
}

}  // namespace
