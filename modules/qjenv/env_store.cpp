// The environment store's lines: parsing, lookup and changes that keep every other line.
#include "env_store.h"

#include <algorithm>

namespace qjenv {

namespace {
constexpr char BLANKS[] = " \t";

std::string Trim(const std::string& strText) {
    std::size_t nBegin = strText.find_first_not_of(BLANKS);
    if (nBegin == std::string::npos) return std::string();
    std::size_t nEnd = strText.find_last_not_of(BLANKS);
    return strText.substr(nBegin, nEnd - nBegin + 1);
}

char LowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// The name a line gives a value to, or the empty text for comments, sections and lines
// that name nothing.
std::string NameOfLine(const std::string& strLine) {
    std::string strTrimmed = Trim(strLine);
    if (strTrimmed.empty() || strTrimmed[0] == ';' || strTrimmed[0] == '#' ||
        strTrimmed[0] == '[') {
        return std::string();
    }
    std::size_t nEqual = strTrimmed.find('=');
    if (nEqual == std::string::npos) return std::string();
    std::string strName = Trim(strTrimmed.substr(0, nEqual));
    return CEnvStore::IsValidName(strName) ? strName : std::string();
}

std::string ValueOfLine(const std::string& strLine) {
    return Trim(strLine.substr(strLine.find('=') + 1));
}

bool HasBreakOrEdgeBlank(const std::string& strText) {
    if (strText.find_first_of("\r\n") != std::string::npos) return true;
    return !strText.empty() && (std::string(BLANKS).find(strText.front()) != std::string::npos ||
                                std::string(BLANKS).find(strText.back()) != std::string::npos);
}
}  // namespace

bool SameName(const std::string& strA, const std::string& strB) {
    return std::equal(strA.begin(), strA.end(), strB.begin(), strB.end(),
                      [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool CEnvStore::IsValidName(const std::string& strName) {
    if (strName.empty() || strName.size() > MAX_NAME_LEN || HasBreakOrEdgeBlank(strName)) {
        return false;
    }
    return strName.find('=') == std::string::npos &&
           std::string(";#[").find(strName[0]) == std::string::npos;
}

bool CEnvStore::IsValidValue(const std::string& strValue) {
    return strValue.size() <= MAX_VALUE_LEN && !HasBreakOrEdgeBlank(strValue);
}

void CEnvStore::Parse(const std::string& strText) {
    m_lines.clear();
    m_pszBreak = strText.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    m_bFinalBreak = strText.empty() || strText.back() == '\n';
    std::size_t nPos = 0;
    while (nPos < strText.size()) {
        std::size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos) nEnd = strText.size();
        std::string strLine = strText.substr(nPos, nEnd - nPos);
        if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
        std::string strName = NameOfLine(strLine);
        m_lines.push_back({std::move(strLine), std::move(strName)});
        nPos = nEnd + 1;
    }
}

std::string CEnvStore::Text() const {
    std::string strText;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        strText += m_lines[i].strText;
        if (i + 1 < m_lines.size() || m_bFinalBreak) strText += m_pszBreak;
    }
    return strText;
}

std::optional<std::string> CEnvStore::Find(const std::string& strName) const {
    for (const Line& line : m_lines) {
        if (!line.strName.empty() && SameName(line.strName, strName)) {
            return ValueOfLine(line.strText);
        }
    }
    return std::nullopt;
}

std::vector<std::string> CEnvStore::Names() const {
    std::vector<std::string> names;
    for (const Line& line : m_lines) {
        if (line.strName.empty()) continue;
        auto same = [&](const std::string& strKnown) { return SameName(strKnown, line.strName); };
        if (std::none_of(names.begin(), names.end(), same)) names.push_back(line.strName);
    }
    return names;
}

void CEnvStore::Set(const std::string& strName, const char* pszValue) {
    bool bSet = pszValue == nullptr;  // a removal sets nothing
    std::vector<Line> lines;
    for (Line& line : m_lines) {
        if (line.strName.empty() || !SameName(line.strName, strName)) {
            lines.push_back(std::move(line));
        } else if (!bSet) {
            line.strText = line.strName + "=" + pszValue;
            lines.push_back(std::move(line));
            bSet = true;
        }
    }
    if (!bSet) {
        // A file whose last line had no break gets one before the added line.
        m_bFinalBreak = true;
        lines.push_back({strName + "=" + pszValue, strName});
    }
    m_lines = std::move(lines);
}

}  // namespace qjenv
