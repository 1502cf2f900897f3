// Reading the members of one interface from an object's introspection document with expat,
// which refuses what is not well-formed XML; the document comes from another program.
#include "platform/posix/dbus/interface_xml.h"

#include <expat.h>

#include <cstring>

namespace qjdbus {

namespace {

// The root node is depth 1, its interfaces depth 2, their methods and properties depth 3 and
// the arguments of a method depth 4. Interfaces of child nodes are not the object's own.
constexpr int INTERFACE_DEPTH = 2;
constexpr int MEMBER_DEPTH = 3;
constexpr int ARGUMENT_DEPTH = 4;

struct CReader {
    CReader(XML_Parser parser_, const std::string& strInterface_)
        : parser(parser_), strInterface(strInterface_) {}

    XML_Parser parser;
    const std::string& strInterface;
    int nDepth = 0;
    bool bInInterface = false;
    bool bFound = false;
    bool bTooMany = false;
    std::vector<CMember> arrMethods;
    std::vector<CMember> arrProperties;
    CMember* pMethod = nullptr;  // the method whose arguments are being read
};

const char* Attribute(const XML_Char** ppAttributes, const char* pszName) {
    for (; ppAttributes[0]; ppAttributes += 2)
        if (std::strcmp(ppAttributes[0], pszName) == 0) return ppAttributes[1];
    return nullptr;
}

void AddMember(CReader& reader, std::vector<CMember>& arrMembers, CMember member) {
    if (reader.arrMethods.size() + reader.arrProperties.size() >= MAX_MEMBERS) {
        reader.bTooMany = true;
        XML_StopParser(reader.parser, XML_FALSE);
        return;
    }
    arrMembers.push_back(std::move(member));
}

// A method's argument without a direction is one it takes.
void ReadArgument(CReader& reader, const XML_Char** ppAttributes) {
    const char* pszType = Attribute(ppAttributes, "type");
    const char* pszDirection = Attribute(ppAttributes, "direction");
    if (pszType && (!pszDirection || std::strcmp(pszDirection, "in") == 0))
        reader.pMethod->arrTypes.push_back(pszType);
}

void ReadMember(CReader& reader, const XML_Char* pszElement, const XML_Char** ppAttributes) {
    const char* pszName = Attribute(ppAttributes, "name");
    if (!pszName) return;
    if (std::strcmp(pszElement, "method") == 0) {
        AddMember(reader, reader.arrMethods, {pszName, false, {}});
        if (!reader.bTooMany) reader.pMethod = &reader.arrMethods.back();
    } else if (std::strcmp(pszElement, "property") == 0) {
        const char* pszType = Attribute(ppAttributes, "type");
        if (pszType) AddMember(reader, reader.arrProperties, {pszName, true, {pszType}});
    }
}

void XMLCALL OnStart(void* pData, const XML_Char* pszElement, const XML_Char** ppAttributes) {
    CReader& reader = *static_cast<CReader*>(pData);
    ++reader.nDepth;
    if (reader.nDepth == INTERFACE_DEPTH && std::strcmp(pszElement, "interface") == 0) {
        const char* pszName = Attribute(ppAttributes, "name");
        reader.bInInterface = pszName && reader.strInterface == pszName && !reader.bFound;
        reader.bFound = reader.bFound || reader.bInInterface;
    } else if (reader.bInInterface && reader.nDepth == MEMBER_DEPTH) {
        ReadMember(reader, pszElement, ppAttributes);
    } else if (reader.pMethod && reader.nDepth == ARGUMENT_DEPTH &&
               std::strcmp(pszElement, "arg") == 0) {
        ReadArgument(reader, ppAttributes);
    }
}

void XMLCALL OnEnd(void* pData, const XML_Char* /*pszElement*/) {
    CReader& reader = *static_cast<CReader*>(pData);
    if (reader.nDepth == MEMBER_DEPTH) reader.pMethod = nullptr;
    if (reader.nDepth == INTERFACE_DEPTH) reader.bInInterface = false;
    --reader.nDepth;
}

// Frees the parser however the reading ends.
struct CParserHolder {
    XML_Parser parser = XML_ParserCreate("UTF-8");
    ~CParserHolder() {
        if (parser) XML_ParserFree(parser);
    }
};

}  // namespace

std::optional<std::vector<CMember>> ReadInterfaceMembers(const std::string& strXml,
                                                         const std::string& strInterface,
                                                         std::string& strReason) {
    if (strXml.size() > MAX_INTROSPECTION_BYTES) {
        strReason = "the object's introspection data is larger than " +
                    std::to_string(MAX_INTROSPECTION_BYTES) + " bytes";
        return std::nullopt;
    }
    CParserHolder holder;
    if (!holder.parser) {
        strReason = "out of memory";
        return std::nullopt;
    }
    CReader reader(holder.parser, strInterface);
    XML_SetUserData(holder.parser, &reader);
    XML_SetElementHandler(holder.parser, OnStart, OnEnd);
    const XML_Status status =
        XML_Parse(holder.parser, strXml.data(), static_cast<int>(strXml.size()), XML_TRUE);
    if (reader.bTooMany) {
        strReason =
            "the object's interface has more than " + std::to_string(MAX_MEMBERS) + " members";
        return std::nullopt;
    }
    if (status != XML_STATUS_OK) {
        strReason = std::string("the object's introspection data is not well-formed: ") +
                    XML_ErrorString(XML_GetErrorCode(holder.parser)) + " at line " +
                    std::to_string(XML_GetCurrentLineNumber(holder.parser));
        return std::nullopt;
    }
    if (!reader.bFound) {
        strReason = "the object has no interface '" + strInterface + "'";
        return std::nullopt;
    }
    reader.arrMethods.insert(reader.arrMethods.end(), reader.arrProperties.begin(),
                             reader.arrProperties.end());
    return std::move(reader.arrMethods);
}

}  // namespace qjdbus
