// Trimming and case-blind comparison of plain texts.
#include "plain_text.h"

namespace qjcommon {

std::string_view Trim(std::string_view text, std::string_view strip) {
    std::size_t nBegin = text.find_first_not_of(strip);
    if (nBegin == std::string_view::npos) return {};
    return text.substr(nBegin, text.find_last_not_of(strip) - nBegin + 1);
}

bool SameCharNoCase(char a, char b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return fold(a) == fold(b);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameCharNoCase(a[i], b[i])) return false;
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

}  // namespace qjcommon
