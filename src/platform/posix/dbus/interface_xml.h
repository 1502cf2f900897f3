// The members of one interface as an object's introspection data describes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qjdbus {

// A method or a property of the interface. A method has the types of its arguments in order;
// a property its one type.
struct CMember {
    std::string strName;
    bool bProperty = false;
    std::vector<std::string> arrTypes;
};

// The introspection data of an object is larger than this only when something is wrong with it.
constexpr size_t MAX_INTROSPECTION_BYTES = 4 * 1024 * 1024;
constexpr size_t MAX_MEMBERS = 4096;

// The methods and properties of the interface strInterface in an introspection document, the
// methods first. Nothing when the document is not well-formed, holds more than MAX_MEMBERS
// members or lacks the interface; strReason then says which.
std::optional<std::vector<CMember>> ReadInterfaceMembers(const std::string& strXml,
                                                         const std::string& strInterface,
                                                         std::string& strReason);

}  // namespace qjdbus
