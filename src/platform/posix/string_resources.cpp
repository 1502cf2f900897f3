// The string table compiled into the module.
#include "platform/string_resources.h"

#include "res/string_ids.h"

namespace {
struct StringEntry {
    int nId;
    const char* pszText;
};

constexpr StringEntry s_aStrings[] = {
#define QJ_STRING(id, text) {id, text},
#include "res/string_table.inc"
#undef QJ_STRING
};
}  // namespace

namespace platform {

const char* FindStringResource(int nId) {
    for (const StringEntry& entry : s_aStrings) {
        if (entry.nId == nId) return entry.pszText;
    }
    return nullptr;
}

}  // namespace platform
