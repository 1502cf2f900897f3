// Reading the outline of a script with the engine's lexer.
#include "editor/script_outline.h"

#include "lexer/tokens.h"

namespace {
// The first two tokens of a line, as the lexer reads them; none where the line cannot be lexed.
struct CLineStart {
    int32_t nFirst = TK_END;
    std::string strFirst;
    int32_t nSecond = TK_END;
    std::string strSecond;
};

CLineStart ReadLineStart(CScriptEngine& engine, const std::string& strLine) {
    CLineStart start;
    std::string strBuffer = strLine;
    try {
        start.nFirst = engine.GetToken(strBuffer.data(), start.strFirst);
        if (start.nFirst != TK_END) start.nSecond = engine.GetToken(nullptr, start.strSecond);
    } catch (const CScriptError&) {
        // A line the lexer refuses is left out of the outline; the check names its error.
        return {};
    }
    return start;
}

// The kind an opening keyword starts, the keyword that ends it, or none.
struct CBlockKind {
    int32_t nOpen;
    int32_t nClose;
    const char* pszKind;
};
constexpr CBlockKind s_aBlockKinds[] = {
    {TK_MAIN, TK_ENDMAIN, "Main"},
    {TK_PROC, TK_ENDPROC, "Proc"},
    {TK_DECLARE, TK_ENDDECLARE, "Declare"},
};

const char* TypeName(int32_t nCode) {
    switch (nCode) {
        case TK_TYPE_NUMBER:
            return "Number";
        case TK_TYPE_STRING:
            return "String";
        case TK_TYPE_OBJECT:
            return "Object";
        default:
            return nullptr;
    }
}
}  // namespace

const COutlineEntry* CScriptOutline::Find(std::string_view name) const {
    for (const auto* pEntries : {&arrVariables, &arrBlocks}) {
        for (const COutlineEntry& entry : *pEntries)
            if (!entry.strName.empty() && entry.strName == name) return &entry;
    }
    return nullptr;
}

std::vector<std::string> SplitLines(const std::string& strText) {
    std::vector<std::string> arrLines;
    size_t nStart = 0;
    for (size_t nFeed; (nFeed = strText.find('\n', nStart)) != std::string::npos;
         nStart = nFeed + 1)
        arrLines.push_back(strText.substr(nStart, nFeed - nStart));
    arrLines.push_back(strText.substr(nStart));
    for (std::string& strLine : arrLines)
        if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
    return arrLines;
}

CScriptOutline ReadOutline(CScriptEngine& engine, const std::vector<std::string>& arrLines) {
    CScriptOutline outline;
    // The block open at this line; one at a time, as the structure pass has it.
    const CBlockKind* pOpen = nullptr;
    for (int nLine = 0; nLine < static_cast<int>(arrLines.size()); ++nLine) {
        const std::string& strLine = arrLines[static_cast<size_t>(nLine)];
        const CLineStart start = ReadLineStart(engine, strLine);
        if (pOpen != nullptr && start.nFirst == pOpen->nClose) {
            outline.arrBlocks.back().nEndLine = nLine;
            pOpen = nullptr;
            continue;
        }
        const char* pszType = TypeName(start.nFirst);
        if (pszType != nullptr && start.nSecond == TK_IDENT) {
            outline.arrVariables.push_back({start.strSecond, pszType, nLine, nLine, strLine});
            continue;
        }
        for (const CBlockKind& kind : s_aBlockKinds) {
            if (start.nFirst != kind.nOpen) continue;
            std::string strName = kind.nOpen == TK_PROC ? start.strSecond : std::string();
            if (kind.nOpen == TK_MAIN) strName = "Main";
            outline.arrBlocks.push_back({strName, kind.pszKind, nLine, nLine, strLine});
            pOpen = &kind;
        }
    }
    return outline;
}
