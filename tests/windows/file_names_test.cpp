// The key under which the file library matches names on Windows against the system's own
// comparison of names (CompareStringOrdinal, case ignored), for every character: names sorted by
// key must be in the system's order, and two keys equal exactly where the system finds the
// names equal.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "pvwfile/platform.h"

namespace {

TEST(WindowsFileNamesTest, KeysAgreeWithTheSystemsComparison) {
    std::vector<std::wstring> arrNames{L"\xD801\xDC28", L"\xD801\xDC00"};  // a pair it keeps apart
    for (unsigned c = 1; c < 0x10000; ++c) {
        if (c < 0xD800 || c >= 0xE000) arrNames.push_back(std::wstring(1, wchar_t(c)) + L".txt");
    }
    std::vector<std::pair<std::string, std::wstring>> arrKeyed;
    for (const std::wstring& strName : arrNames) {
        arrKeyed.emplace_back(pvw::NameKey(pvw::Path(strName).string()), strName);
    }
    std::sort(arrKeyed.begin(), arrKeyed.end());
    for (size_t i = 1; i < arrKeyed.size(); ++i) {
        const std::wstring &a = arrKeyed[i - 1].second, &b = arrKeyed[i].second;
        int nSystem = CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
        int nKeys = arrKeyed[i - 1].first == arrKeyed[i].first ? CSTR_EQUAL : CSTR_LESS_THAN;
        ASSERT_EQ(nSystem, nKeys) << std::hex << unsigned(a[0]) << " " << unsigned(b[0]);
    }
}

}  // namespace
