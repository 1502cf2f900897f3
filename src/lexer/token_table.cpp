// The keyword and operator table, and the classification of token texts.
#include "host/engine.h"
#include "lexer/chartab.h"
#include "lexer/tokens.h"

namespace {
struct TokenEntry {
    const char* pszText;
    int32_t nCode;
};

constexpr TokenEntry s_aTokens[] = {
    {"Null", TK_NULL},         {"-=", TK_SUB_ASSIGN},       {"+=", TK_ADD_ASSIGN},
    {"!=", TK_NE},             {"==", TK_EQ},               {"<=", TK_LE},
    {">=", TK_GE},             {"=", TK_ASSIGN},            {"(", TK_LPAREN},
    {")", TK_RPAREN},          {",", TK_COMMA},             {".", TK_DOT},
    {"Main", TK_MAIN},         {"Proc", TK_PROC},           {"If", TK_IF},
    {"While", TK_WHILE},       {"EndMain", TK_ENDMAIN},     {"EndProc", TK_ENDPROC},
    {"EndIf", TK_ENDIF},       {"EndWhile", TK_ENDWHILE},   {"Declare", TK_DECLARE},
    {"EndDeclare", TK_ENDDECLARE}, {"#", TK_DIRECTIVE},     {"Return", TK_RETURN},
    {"Number", TK_TYPE_NUMBER}, {"String", TK_TYPE_STRING}, {"Object", TK_TYPE_OBJECT},
};

bool AllOf(std::string_view text, uint8_t nClass) {
    for (char ch : text) {
        if (!chartab::Is(ch, nClass)) return false;
    }
    return true;
}
}  // namespace

void CScriptEngine::InitTokenTable() {
    for (const TokenEntry& entry : s_aTokens) m_mapToken[entry.pszText] = entry.nCode;
}

int32_t CScriptEngine::ClassifyToken(std::string_view text) const {
    if (text.empty()) return TK_END;
    auto it = m_mapToken.find(text);
    if (it != m_mapToken.end()) return it->second;
    char chFirst = text.front();
    if (chFirst == '+' || chFirst == '-' || chartab::Is(chFirst, chartab::DIGIT))
        return AllOf(text.substr(1), chartab::DIGIT) ? TK_NUMBER : TK_INVALID;
    // A lone double quote is an unterminated literal, not an empty one.
    if (chFirst == '"' && text.back() == '"') return text.size() > 1 ? TK_STRING : TK_INVALID;
    return AllOf(text, chartab::IDENT) ? TK_IDENT : TK_INVALID;
}
