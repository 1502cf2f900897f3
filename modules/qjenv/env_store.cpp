// The environment store's lines: parsing, lookup and changes that keep every other line.
#include "env_store.h"

#include <algorithm>

namespace qjenv {

namespace {
constexpr char BLANKS[] = " \t";

char LowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
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
    m_layout = qjcommon::ReadIni(strText, [this](const qjcommon::CIniLine& line) {
        std::string strName(line.name);
        if (line.nKind != qjcommon::EIniLine::Entry || !IsValidName(strName)) strName.clear();
        m_lines.push_back({std::string(line.text), std::move(strName), std::string(line.value)});
        return true;
    });
}

std::string CEnvStore::Text() const {
    std::vector<std::string> texts;
    for (const Line& line : m_lines) texts.push_back(line.strText);
    return qjcommon::JoinIni(m_layout, texts);
}

std::optional<std::string> CEnvStore::Find(const std::string& strName) const {
    for (const Line& line : m_lines) {
        if (!line.strName.empty() && SameName(line.strName, strName)) {
            return line.strValue;
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
            line.strValue = pszValue;
            lines.push_back(std::move(line));
            bSet = true;
        }
    }
    if (!bSet) {
        // A file whose last line had no break gets one before the added line.
        m_layout.bFinalBreak = true;
        lines.push_back({strName + "=" + pszValue, strName, pszValue});
    }
    m_lines = std::move(lines);
}

}  // namespace qjenv
