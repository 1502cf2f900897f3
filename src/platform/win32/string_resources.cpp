// The module's STRINGTABLE resource, read once into texts that live as long as the module.
#include "platform/string_resources.h"

#include <windows.h>

#include <string>
#include <unordered_map>

#include "res/string_ids.h"

namespace {

using StringMap = std::unordered_map<int, std::string>;

// The module whose image holds this code, and with it the string table: the interpreter's DLL,
// or a program that links the core directly.
HMODULE OwnModule() {
    HMODULE hModule = nullptr;
    const DWORD dwFlags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    GetModuleHandleExA(dwFlags, reinterpret_cast<LPCSTR>(&OwnModule), &hModule);
    return hModule;
}

StringMap LoadStrings() {
    constexpr int aIds[] = {
#define QJ_STRING(id, text) id,
#include "res/string_table.inc"
#undef QJ_STRING
    };
    const HMODULE hModule = OwnModule();
    StringMap mapStrings;
    char szText[1024];  // longer than any text of the table
    for (int nId : aIds) {
        const int nLen = LoadStringA(hModule, static_cast<UINT>(nId), szText, sizeof szText);
        if (nLen > 0) mapStrings.emplace(nId, std::string(szText, static_cast<size_t>(nLen)));
    }
    return mapStrings;
}

}  // namespace

namespace platform {

const char* FindStringResource(int nId) {
    static const StringMap s_mapStrings = LoadStrings();
    const auto it = s_mapStrings.find(nId);
    return it != s_mapStrings.end() ? it->second.c_str() : nullptr;
}

}  // namespace platform
