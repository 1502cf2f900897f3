// The language server's answers about one script, made from its lines, its outline, the
// check's problem and the built-ins' help.
#include "editor/lsp_features.h"

#include <cctype>

#include "editor/builtin_help.h"
#include "lexer/tokens.h"

using nlohmann::json;

namespace {
// Protocol constants: severities, completion item kinds, symbol kinds, markup.
constexpr int SEVERITY_ERROR = 1;
constexpr int ITEM_FUNCTION = 3;
constexpr int ITEM_VARIABLE = 6;
constexpr int ITEM_KEYWORD = 14;
constexpr int ITEM_CONSTANT = 21;
constexpr int SYMBOL_NAMESPACE = 3;
constexpr int SYMBOL_FUNCTION = 12;
constexpr int SYMBOL_VARIABLE = 13;
constexpr char DIAGNOSTIC_SOURCE[] = "qjintp";

bool IsNameChar(char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '_';
}

// The name under the position, or the empty text.
std::string NameAt(const COpenScript& script, CTextPosition position) {
    if (position.nLine < 0 || position.nLine >= static_cast<int>(script.arrLines.size())) return {};
    const std::string& strLine = script.arrLines[static_cast<size_t>(position.nLine)];
    size_t nStart = std::min(static_cast<size_t>(std::max(position.nCharacter, 0)), strLine.size());
    size_t nEnd = nStart;
    while (nStart > 0 && IsNameChar(strLine[nStart - 1])) --nStart;
    while (nEnd < strLine.size() && IsNameChar(strLine[nEnd])) ++nEnd;
    return strLine.substr(nStart, nEnd - nStart);
}

json Position(int nLine, size_t nCharacter) {
    return {{"line", nLine}, {"character", nCharacter}};
}

// The whole of a line, or of the lines from one to another.
json LineRange(const COpenScript& script, int nFirst, int nLast) {
    const size_t nEnd = nLast < static_cast<int>(script.arrLines.size())
                            ? script.arrLines[static_cast<size_t>(nLast)].size()
                            : 0;
    return {{"start", Position(nFirst, 0)}, {"end", Position(nLast, nEnd)}};
}

json Markdown(const std::string& strText) {
    return {{"contents", {{"kind", "markdown"}, {"value", strText}}}};
}

std::string BuiltinHover(const CBuiltinHelp& help) {
    return "```\n" + std::string(help.pszSignature) + " -> " + help.pszResult + "\n```\n" +
           help.pszSummary;
}

std::string EntryHover(const COutlineEntry& entry) {
    if (entry.strKind == "Main" || entry.strKind == "Proc")
        return "```\n" + entry.strLine + "\n```\nblock at line " + std::to_string(entry.nLine + 1);
    return entry.strKind + " variable\n```\n" + entry.strLine + "\n```\ndeclared at line " +
           std::to_string(entry.nLine + 1);
}

bool IsKeywordCode(int32_t nCode) {
    return (nCode >= TK_MAIN && nCode <= TK_RETURN && nCode != TK_DIRECTIVE) ||
           IsTypeToken(nCode) || nCode == TK_NULL;
}
}  // namespace

json Diagnostics(const std::optional<CScriptProblem>& problem,
                 const std::vector<std::string>& arrLines) {
    json diagnostics = json::array();
    if (!problem) return diagnostics;
    const size_t nLength = problem->nLine < static_cast<int>(arrLines.size())
                               ? arrLines[static_cast<size_t>(problem->nLine)].size()
                               : 0;
    diagnostics.push_back(
        {{"range",
          {{"start", Position(problem->nLine, 0)}, {"end", Position(problem->nLine, nLength)}}},
         {"severity", SEVERITY_ERROR},
         {"source", DIAGNOSTIC_SOURCE},
         {"message", problem->strText}});
    return diagnostics;
}

json Hover(const COpenScript& script, CTextPosition position) {
    const std::string strName = NameAt(script, position);
    if (strName.empty()) return nullptr;
    if (const COutlineEntry* pEntry = script.outline.Find(strName))
        return Markdown(EntryHover(*pEntry));
    if (const CBuiltinHelp* pHelp = FindBuiltinHelp(strName)) return Markdown(BuiltinHover(*pHelp));
    return nullptr;
}

json Completion(const COpenScript& script, const CScriptEngine& engine) {
    json items = json::array();
    for (const auto& [strText, nCode] : engine.m_mapToken) {
        if (IsKeywordCode(nCode)) items.push_back({{"label", strText}, {"kind", ITEM_KEYWORD}});
    }
    for (const auto& [strName, pVar] : engine.m_mapIdent) {
        if (pVar != nullptr && pVar->m_nType == VAR_CONST)
            items.push_back({{"label", strName}, {"kind", ITEM_CONSTANT}});
    }
    for (const CBuiltinHelp& help : AllBuiltinHelp()) {
        const std::string_view signature = help.pszSignature;
        items.push_back({{"label", signature.substr(0, signature.find('('))},
                         {"kind", ITEM_FUNCTION},
                         {"detail", std::string(signature) + " -> " + help.pszResult},
                         {"documentation", help.pszSummary}});
    }
    for (const COutlineEntry& entry : script.outline.arrBlocks) {
        if (entry.strKind == "Proc" && !entry.strName.empty())
            items.push_back(
                {{"label", entry.strName}, {"kind", ITEM_FUNCTION}, {"detail", "Proc"}});
    }
    for (const COutlineEntry& entry : script.outline.arrVariables)
        items.push_back(
            {{"label", entry.strName}, {"kind", ITEM_VARIABLE}, {"detail", entry.strKind}});
    return items;
}

json Definition(const COpenScript& script, CTextPosition position, const std::string& strUri) {
    const COutlineEntry* pEntry = script.outline.Find(NameAt(script, position));
    if (pEntry == nullptr) return nullptr;
    return {{"uri", strUri}, {"range", LineRange(script, pEntry->nLine, pEntry->nLine)}};
}

json DocumentSymbols(const COpenScript& script) {
    json symbols = json::array();
    for (const COutlineEntry& block : script.outline.arrBlocks) {
        const bool bDeclare = block.strKind == "Declare";
        json children = json::array();
        for (const COutlineEntry& var : script.outline.arrVariables) {
            if (!bDeclare || var.nLine <= block.nLine || var.nLine >= block.nEndLine) continue;
            const json range = LineRange(script, var.nLine, var.nLine);
            children.push_back({{"name", var.strName},
                                {"detail", var.strKind},
                                {"kind", SYMBOL_VARIABLE},
                                {"range", range},
                                {"selectionRange", range}});
        }
        symbols.push_back({{"name", block.strName.empty() ? block.strKind : block.strName},
                           {"detail", block.strKind},
                           {"kind", bDeclare ? SYMBOL_NAMESPACE : SYMBOL_FUNCTION},
                           {"range", LineRange(script, block.nLine, block.nEndLine)},
                           {"selectionRange", LineRange(script, block.nLine, block.nLine)},
                           {"children", children}});
    }
    return symbols;
}
