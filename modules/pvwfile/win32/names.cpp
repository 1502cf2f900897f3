// Names on Windows. The library holds them in UTF-8, as listings give them, and the system
// takes them in UTF-16. The key under which names are matched is the name in UTF-16 with each
// unit upper-cased by the system's table, which is how the file system and CompareStringOrdinal
// with ignore-case compare names ("Ä.txt" and "ä.txt" are one file). Each unit is written
// high byte first, so that keys compared as bytes are ordered as that comparison orders names:
// a sorted merge then pairs exactly the names the system takes for one.
#include <vector>

#include "in_place.h"

namespace pvw {

namespace {

constexpr size_t kUnits = 0x10000;
constexpr wchar_t kFirstSurrogate = 0xD800, kAfterSurrogates = 0xE000;

// Upper-cases the units [nFirst, nEnd) of the table, one after the other.
void MapUpper(std::vector<wchar_t>& table, size_t nFirst, size_t nEnd) {
    std::vector<wchar_t> source(table.begin() + nFirst, table.begin() + nEnd);
    int nCount = static_cast<int>(source.size());
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, source.data(), nCount,
                  table.data() + nFirst, nCount, nullptr, nullptr, 0);
}

// Each unit's upper case. Surrogates have none, and mapped side by side two of them would be
// taken for one character, which the system's comparison never does; they stay as they are,
// and so does the zero that no name holds.
std::vector<wchar_t> MakeUpperTable() {
    std::vector<wchar_t> table(kUnits);
    for (size_t i = 0; i < kUnits; ++i) table[i] = static_cast<wchar_t>(i);
    MapUpper(table, 1, kFirstSurrogate);
    MapUpper(table, kAfterSurrogates, kUnits);
    return table;
}

}  // namespace

std::wstring WideName(const std::string& strName) {
    int nBytes = static_cast<int>(strName.size());
    int nWide = MultiByteToWideChar(CP_UTF8, 0, strName.data(), nBytes, nullptr, 0);
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, strName.data(), nBytes, strWide.data(), nWide);
    return strWide;
}

Path NamePath(const std::string& strName) {
    return Path(WideName(strName));
}

void AppendNameText(std::string& strText, const std::string& strName) {
    strText.append(NamePath(strName).string());
}

const bool kNameIsKey = false;

std::string NameKey(const std::string& strName) {
    static const std::vector<wchar_t> s_upper = MakeUpperTable();
    std::wstring strWide = WideName(strName);
    std::string strKey;
    strKey.reserve(strWide.size() * 2);
    for (wchar_t c : strWide) {
        wchar_t u = s_upper[c];
        strKey += static_cast<char>(u >> 8);
        strKey += static_cast<char>(u & 0xff);
    }
    return strKey;
}

}  // namespace pvw
