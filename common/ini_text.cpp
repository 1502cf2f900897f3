// Reading INI text line by line, and writing lines back in the layout they were read in.
#include "ini_text.h"

#include "plain_text.h"

namespace qjcommon {

namespace {
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// Sorts one line and splits it; a section line also becomes the current section.
CIniLine ParseLine(std::string_view text, std::string_view& section) {
    CIniLine line{EIniLine::Other, text, section, {}, {}};
    std::string_view trimmed = Trim(text);
    std::size_t nEqual = trimmed.find('=');
    if (trimmed.empty()) {
        line.nKind = EIniLine::Blank;
    } else if (trimmed[0] == ';' || trimmed[0] == '#') {
        line.nKind = EIniLine::Comment;
    } else if (trimmed[0] == '[') {
        if (trimmed.back() != ']') return line;
        section = line.section = Trim(trimmed.substr(1, trimmed.size() - 2));
        line.nKind = EIniLine::Section;
    } else if (nEqual != std::string_view::npos && nEqual > 0) {
        line.nKind = EIniLine::Entry;
        line.name = Trim(trimmed.substr(0, nEqual));
        line.value = Trim(trimmed.substr(nEqual + 1));
    }
    return line;
}
}  // namespace

CIniLayout ReadIni(std::string_view text, const IniLineFn& onLine) {
    CIniLayout layout;
    layout.bByteOrderMark = text.starts_with(BYTE_ORDER_MARK);
    if (layout.bByteOrderMark) text.remove_prefix(BYTE_ORDER_MARK.size());
    if (text.find("\r\n") != std::string_view::npos) layout.pszBreak = "\r\n";
    layout.bFinalBreak = text.empty() || text.back() == '\n';
    std::string_view section;
    while (!text.empty()) {
        std::size_t nEnd = text.find('\n');
        std::string_view line = text.substr(0, nEnd);
        text.remove_prefix(nEnd == std::string_view::npos ? text.size() : nEnd + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!onLine(ParseLine(line, section))) break;
    }
    return layout;
}

std::string JoinIni(const CIniLayout& layout, const std::vector<std::string>& lines) {
    std::string strText(layout.bByteOrderMark ? BYTE_ORDER_MARK : std::string_view());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        strText += lines[i];
        if (i + 1 < lines.size() || layout.bFinalBreak) strText += layout.pszBreak;
    }
    return strText;
}

}  // namespace qjcommon
