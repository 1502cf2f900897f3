// The module's string table (res/string_table.inc is its source, kept as the platform keeps
// resources). A language module, when one is current, is asked first.
#include "res/strings.h"

#include <iterator>
#include <optional>
#include <string_view>

#include "platform/string_resources.h"

namespace {
constexpr int s_aIds[] = {
#define QJ_STRING(id, text) id,
#include "res/string_table.inc"
#undef QJ_STRING
};
constexpr std::size_t STRING_COUNT = std::size(s_aIds);

// The current language module, and its texts taken once when it was made current, so that a
// lookup neither calls into it nor depends on its staying loaded.
platform::ModuleHandle s_hResource = nullptr;
std::optional<std::string> s_aTranslated[STRING_COUNT];

// The printf conversions of a text in order ("ss" for "'%s' ... %s"): a translation must use
// the same, or formatting it would read arguments that are not there.
std::string ConversionsOf(const char* pszText) {
    std::string strConversions;
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        while (*p != '\0' &&
               std::string_view("-+ #0123456789.*hlLqjzt").find(*p) != std::string_view::npos)
            ++p;
        if (*p == '\0') break;
        strConversions.push_back(*p);
    }
    return strConversions;
}

std::optional<std::string> Translation(platform::ModuleHandle hModule, int nId) {
    const char* pszOwn = platform::FindStringResource(nId);
    std::string strText;
    if (hModule == nullptr || pszOwn == nullptr ||
        !platform::LoadModuleString(hModule, nId, strText) ||
        ConversionsOf(strText.c_str()) != ConversionsOf(pszOwn))
        return std::nullopt;
    return strText;
}
}  // namespace

platform::ModuleHandle SetResourceModule(platform::ModuleHandle hModule) {
    platform::ModuleHandle hOld = s_hResource;
    s_hResource = hModule;
    for (std::size_t i = 0; i < STRING_COUNT; ++i)
        s_aTranslated[i] = Translation(hModule, s_aIds[i]);
    return hOld;
}

const char* FindResString(int nId) {
    for (std::size_t i = 0; i < STRING_COUNT; ++i) {
        if (s_aIds[i] == nId && s_aTranslated[i]) return s_aTranslated[i]->c_str();
    }
    return platform::FindStringResource(nId);
}

std::string LoadResString(int nId) {
    const char* pszText = FindResString(nId);
    return pszText != nullptr ? pszText : "";
}

const char g_szUnknownError[] = "Unknown Error";
