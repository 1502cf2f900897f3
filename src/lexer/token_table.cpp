// The keyword and operator table, and the classification of token texts.
#include <algorithm>
#include <array>
#include <cassert>

#include "host/engine.h"
#include "lexer/chartab.h"
#include "lexer/keyword_line.h"
#include "lexer/tokens.h"

namespace {
struct TokenEntry {
    std::string_view text;
    int32_t nCode;
};

constexpr TokenEntry s_aTokens[] = {
    {"Null", TK_NULL},
    {"-=", TK_SUB_ASSIGN},
    {"+=", TK_ADD_ASSIGN},
    {"!=", TK_NE},
    {"==", TK_EQ},
    {"<=", TK_LE},
    {">=", TK_GE},
    {"=", TK_ASSIGN},
    {"(", TK_LPAREN},
    {")", TK_RPAREN},
    {",", TK_COMMA},
    {".", TK_DOT},
    {"Main", TK_MAIN},
    {"Proc", TK_PROC},
    {"If", TK_IF},
    {"While", TK_WHILE},
    {"EndProc", TK_ENDPROC},  // before EndMain, of the same length: every call ends on it
    {"EndMain", TK_ENDMAIN},
    {"EndIf", TK_ENDIF},
    {"EndWhile", TK_ENDWHILE},
    {"Declare", TK_DECLARE},
    {"EndDeclare", TK_ENDDECLARE},
    {"#", TK_DIRECTIVE},
    {"Return", TK_RETURN},
    {"Number", TK_TYPE_NUMBER},
    {"String", TK_TYPE_STRING},
    {"Object", TK_TYPE_OBJECT},
};

// The fixed texts by their first byte and their length, so that classifying a token compares
// it with one or two fixed texts at most instead of hashing it.
constexpr size_t MAX_FIXED_LEN = 10;
constexpr int MAX_SAME_START = 2;
using Candidates = std::array<int8_t, MAX_SAME_START>;
using FixedIndex = std::array<std::array<Candidates, MAX_FIXED_LEN + 1>, 256>;

constexpr FixedIndex MakeFixedIndex() {
    FixedIndex index{};
    for (auto& byLength : index) {
        for (auto& candidates : byLength) candidates.fill(-1);
    }
    for (size_t i = 0; i < std::size(s_aTokens); ++i) {
        const std::string_view text = s_aTokens[i].text;
        auto& candidates = index[static_cast<unsigned char>(text[0])][text.size()];
        size_t n = 0;
        while (candidates[n] >= 0) ++n;
        candidates[n] = static_cast<int8_t>(i);
    }
    return index;
}

constexpr FixedIndex s_fixedIndex = MakeFixedIndex();

// The folds of the fixed texts, in the order of the table: a token is compared with a fixed text
// by its fold. Filled when the module loads, before anything is lexed.
const std::array<uint64_t, std::size(s_aTokens)> s_aTokenFolds = [] {
    std::array<uint64_t, std::size(s_aTokens)> folds{};
    for (size_t i = 0; i < folds.size(); ++i)
        folds[i] = short_text::Fold(s_aTokens[i].text.data(), s_aTokens[i].text.size());
    return folds;
}();

// The code of a fixed text, or 0 when the text is none of them.
int32_t FixedTokenCode(std::string_view text) {
    if (text.size() > MAX_FIXED_LEN) return 0;
    const Candidates& candidates = s_fixedIndex[static_cast<unsigned char>(text[0])][text.size()];
    if (candidates[0] < 0) return 0;
    const uint64_t nFold = short_text::Fold(text.data(), text.size());
    for (int8_t nEntry : candidates) {
        if (nEntry < 0) break;
        if (s_aTokenFolds[nEntry] == nFold && SameFoldedText(s_aTokens[nEntry].text, text))
            return s_aTokens[nEntry].nCode;
    }
    return 0;
}

// The codes of the one-character fixed texts, and of the two-character ones ending in "=",
// by their first byte: an operator token is classified by one lookup.
using ByteCodes = std::array<int32_t, 256>;

constexpr ByteCodes MakeByteCodes(size_t nLen) {
    ByteCodes codes{};
    for (const TokenEntry& entry : s_aTokens) {
        if (entry.text.size() == nLen && (nLen == 1 || entry.text[1] == '='))
            codes[static_cast<unsigned char>(entry.text[0])] = entry.nCode;
    }
    return codes;
}

constexpr ByteCodes s_singleCodes = MakeByteCodes(1);
constexpr ByteCodes s_pairCodes = MakeByteCodes(2);

// The lines of the block ends, made from the table's texts when the module loads; their codes
// follow each other from TK_ENDMAIN on.
CKeywordLine MakeKeywordLine(int32_t nCode) {
    return CKeywordLine(std::ranges::find(s_aTokens, nCode, &TokenEntry::nCode)->text, nCode);
}

static_assert(TK_ENDPROC == TK_ENDMAIN + 1 && TK_ENDIF == TK_ENDMAIN + 2 &&
              TK_ENDWHILE == TK_ENDMAIN + 3);
const std::array<CKeywordLine, 4> s_aBlockEndLines = {
    MakeKeywordLine(TK_ENDMAIN), MakeKeywordLine(TK_ENDPROC), MakeKeywordLine(TK_ENDIF),
    MakeKeywordLine(TK_ENDWHILE)};

bool AllOf(std::string_view text, uint8_t nClass) {
    for (char ch : text) {
        if (!chartab::Is(ch, nClass)) return false;
    }
    return true;
}
}  // namespace

const CKeywordLine& BlockEndLine(int32_t nEndToken) {
    assert(nEndToken >= TK_ENDMAIN && nEndToken <= TK_ENDWHILE);
    return s_aBlockEndLines[static_cast<size_t>(nEndToken - TK_ENDMAIN)];
}

void CScriptEngine::InitTokenTable() {
    for (const TokenEntry& entry : s_aTokens) m_mapToken.emplace(entry.text, entry.nCode);
}

int32_t CScriptEngine::ClassifyToken(std::string_view text) const {
    if (text.empty()) return TK_END;
    // The keys of m_mapToken, found through the index of the same table.
    if (int32_t nFixed = FixedTokenCode(text)) return nFixed;
    char chFirst = text.front();
    if (chFirst == '+' || chFirst == '-' || chartab::Is(chFirst, chartab::DIGIT))
        return AllOf(text.substr(1), chartab::DIGIT) ? TK_NUMBER : TK_INVALID;
    // A lone double quote is an unterminated literal, not an empty one.
    if (chFirst == '"' && text.back() == '"') return text.size() > 1 ? TK_STRING : TK_INVALID;
    return AllOf(text, chartab::IDENT) ? TK_IDENT : TK_INVALID;
}

int32_t CScriptEngine::ClassifyName(std::string_view text) const {
    // No fixed text is a single character of a name.
    if (text.size() > 1) {
        if (int32_t nFixed = FixedTokenCode(text)) return nFixed;
    }
    return TK_IDENT;
}

int32_t CScriptEngine::ClassifyOperator(std::string_view text) const {
    const auto chFirst = static_cast<unsigned char>(text.front());
    const int32_t nCode = text.size() == 2 ? s_pairCodes[chFirst] : s_singleCodes[chFirst];
    // A lone sign or comparison character has no code of its own.
    return nCode != 0 ? nCode : ClassifyToken(text);
}
