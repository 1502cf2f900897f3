// The module's own string resources, built from res/string_table.inc: a table compiled into
// the code on POSIX, the module's STRINGTABLE resource on Windows.
#pragma once

namespace platform {

// The text of a string id, or null when the module has no such string. The text stays valid
// while the module is loaded.
const char* FindStringResource(int nId);

}  // namespace platform
