// The module's own string table. A language module, when one is current, is asked first.
#include "res/strings.h"

#include <iterator>
#include <optional>
#include <string_view>

namespace {
struct StringEntry {
    int nId;
    const char* pszText;
};

// Error texts: the text of error code c has the id c + 2.
constexpr StringEntry s_aStrings[] = {
    {1, "Unknown error"},
    {2, "Internal error"},
    {3, "Invalid variable type"},
    {4, "Unexpected"},
    {5, "Invalid identifier"},
    {6, "Unknown identifier"},
    {7, "Variable not initialized"},
    {8, "Invalid parameter type"},
    {9, "Invalid assignment"},
    {10, "Invalid identifier"},
    {11, "Not implemented"},
    {12, "Redefinition"},
    {13, "Initializer expected"},
    {14, "Type mismatch"},
    {15, "Expression expected"},
    {16, "Block error"},
    {17, "missing"},
    {18, "Invalid expression"},
    {19, "Invalid operand"},
    {20, "Invalid operator"},
    {21, "Error converting to numeric value"},
    {22, "Assignment from void method"},
    {23, "Function is not implemented"},
    {24, "Error opening script file"},
    {25, "Error reading script file"},
    {26, "Invalid size specified"},
    {27, "Need a variable here"},
    {28, "Script processing cancelled by user"},
    {29, "Error creating IDispatch interface"},
    {30, "Identifier unknown in IDispatch interface"},
    {31, "Number of parameters is incorrect"},
    {32, "Unknown escape sequence"},
    {33, "Unknown directive"},
    {34, "Directive expected"},
    {35, "Method returns a string"},
    {36, "Method returns a numeric value"},
    {37, "Abort through exit call"},
    {38, "Line too long (max. 32767 chars)"},
    {IDS_START_MESSAGE, "'%s' start script processing - %s"},
    {IDS_END_MESSAGE, "'%s' end of script processing - %s"},
    {IDS_PARAMETER, "Parameter"},
    {IDS_SCRIPT_ERROR, "Script error: "},
    {IDS_RETURN_VALUE, "Return value"},
    {IDS_SOURCE_NAME, "Tarvik Script DLL"},
};
constexpr std::size_t STRING_COUNT = std::size(s_aStrings);

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
}  // namespace

platform::ModuleHandle SetResourceModule(platform::ModuleHandle hModule) {
    platform::ModuleHandle hOld = s_hResource;
    s_hResource = hModule;
    for (std::size_t i = 0; i < STRING_COUNT; ++i) {
        std::string strText;
        bool bUsable = hModule != nullptr &&
                       platform::LoadModuleString(hModule, s_aStrings[i].nId, strText) &&
                       ConversionsOf(strText.c_str()) == ConversionsOf(s_aStrings[i].pszText);
        s_aTranslated[i] = bUsable ? std::optional<std::string>(std::move(strText)) : std::nullopt;
    }
    return hOld;
}

const char* FindResString(int nId) {
    for (std::size_t i = 0; i < STRING_COUNT; ++i) {
        if (s_aStrings[i].nId != nId) continue;
        return s_aTranslated[i] ? s_aTranslated[i]->c_str() : s_aStrings[i].pszText;
    }
    return nullptr;
}

std::string LoadResString(int nId) {
    const char* pszText = FindResString(nId);
    return pszText != nullptr ? pszText : "";
}

const char g_szUnknownError[] = "Unknown Error";
