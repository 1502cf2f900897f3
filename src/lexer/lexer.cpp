// The line lexer: cuts the next token of m_szLine, resolves escape sequences in literals, and
// handles the "#" directives that switch escape sequences on and off.
#include <cassert>

#include "host/engine.h"
#include "lexer/chartab.h"
#include "lexer/tokens.h"

namespace {
// The byte an escape sequence stands for, or -1 when the character starts no sequence.
int EscapedByte(char ch) {
    switch (ch) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        default:
            return -1;
    }
}
// The end of the run of characters of the class that starts with the one at p.
char* RunEnd(char* p, uint8_t nRunClass) {
    while (chartab::Is(*++p, nRunClass)) {
    }
    return p;
}

// A run of digits this long or shorter cannot overflow, whatever its digits.
constexpr size_t MAX_EXACT_DIGITS = 9;

// The end of the run of digits that starts at p; nValue is set to their value, worked out on
// the way, which is exact for a run of up to MAX_EXACT_DIGITS.
char* DigitsEnd(char* p, uint32_t& nValue) {
    uint32_t nSum = 0;
    uint32_t nDigit = static_cast<unsigned char>(*p) - uint32_t{'0'};
    do {
        nSum = nSum * 10 + nDigit;
        nDigit = static_cast<unsigned char>(*++p) - uint32_t{'0'};
    } while (nDigit <= 9);
    nValue = nSum;
    return p;
}

// An unknown escape sequence: the backslash and the character after it, if the line goes on.
[[noreturn, gnu::noinline, gnu::cold]] void RaiseEscape(CScriptEngine& engine, const char* p) {
    engine.Raise(std::string(p, p[1] != '\0' ? 2 : 1), ERR_ESCAPE_SEQUENCE);
}
}  // namespace

int32_t CScriptEngine::GetToken(char* pszStart, std::string& strText) {
    CTokenText text(m_aBuiltTexts[BUILT_COPIED]);
    const int32_t nCode = GetToken(pszStart, text);
    strText.assign(text.View());
    return nCode;
}

int32_t CScriptEngine::GetToken(char* pszStart, CTokenText& text) {
    char* p = pszStart != nullptr ? pszStart : m_pszPos;
    // Tokens are mostly set apart by one blank, passed without a look at its class.
    if (*p == ' ') ++p;
    while (chartab::Is(*p, chartab::SPACE)) ++p;

    // The token is cut in place: its text is a view of the line.
    char* const pTokenStart = p;
    const uint8_t nClass = chartab::ClassOf(*p);
    // Most tokens are a run of digits, or of letters, digits and "_" that starts with a letter
    // or "_", ended by a separator, an operator, a punctuation character or the end of the
    // line: cut and classify them at once. Any other plain character makes the general case.
    int32_t nRunCode = 0;
    uint32_t nValue = 0;
    if ((nClass & chartab::DIGIT) != 0) {
        p = DigitsEnd(p, nValue);
        nRunCode = TK_NUMBER;
    } else if ((nClass & chartab::IDENT) != 0) {
        p = RunEnd(p, chartab::IDENT);
        nRunCode = TK_IDENT;
    } else if ((nClass & (chartab::SINGLE | chartab::PAIR)) != 0) {
        // An operator or punctuation character stands alone, or pairs with a following "=".
        p += (nClass & chartab::PAIR) != 0 && p[1] == '=' ? 2 : 1;
        m_pszPos = p;
        text.SetView(std::string_view(pTokenStart, static_cast<size_t>(p - pTokenStart)));
        return ClassifyOperator(text);
    } else if (*p == '\0') {
        m_pszPos = p;
        text.SetView(std::string_view());
        return TK_END;
    }
    if (nRunCode != 0 && !chartab::Is(*p, chartab::PLAIN | chartab::GLUE)) {
        m_pszPos = p;
        const std::string_view token(pTokenStart, static_cast<size_t>(p - pTokenStart));
        if (nRunCode == TK_IDENT) {
            text.SetName(token);
            return ClassifyName(text);
        }
        const int32_t nCarried =
            token.size() <= MAX_EXACT_DIGITS ? static_cast<int32_t>(nValue) : CTokenText::NO_VALUE;
        text.SetDigits(token, nCarried);
        return TK_NUMBER;
    }
    return CutToken(pTokenStart, text);
}

int32_t CScriptEngine::GetPunctuation(char* pszStart, char ch, int32_t nCode, CTokenText& text) {
    assert(chartab::Is(ch, chartab::SINGLE) && ClassifyToken(std::string_view(&ch, 1)) == nCode);
    char* p = pszStart != nullptr ? pszStart : m_pszPos;
    // Behind the one blank that mostly sets tokens apart; any other space goes to GetToken.
    if (*p == ' ') ++p;
    if (*p != ch) return GetToken(p, text);
    m_pszPos = p + 1;
    text.SetView(std::string_view(p, 1));
    return nCode;
}

int32_t CScriptEngine::GetLineToken(const CKeywordLine& expected, CTokenText& text) {
    if (!expected.Matches(m_szLine)) return GetToken(m_szLine, text);
    // The token and the position after it, as the lexer would leave them.
    m_pszPos = m_szLine + expected.Length();
    text.SetName(std::string_view(m_szLine, expected.Length()));
    return expected.Code();
}

int32_t CScriptEngine::CutToken(char* pTokenStart, CTokenText& text) {
    // Only an escape sequence makes the text differ from the line; from the first one on, the
    // text is built as it is cut. Outside a literal no escape has happened yet, so "first
    // character" means p is the start.
    char* p = pTokenStart;
    bool bBuilding = false;
    bool bInQuote = false;
    bool bPairPending = false;
    bool bComplete = false;
    while (*p != '\0' && !bComplete) {
        const char ch = *p;
        if (bInQuote) {
            if (ch == '\\' && m_bEscapes) {
                int nByte = EscapedByte(p[1]);
                if (nByte < 0) {
                    m_pszPos = p;
                    RaiseEscape(*this, p);
                }
                if (!bBuilding) text.Built().assign(pTokenStart, p);
                bBuilding = true;
                text.Built().push_back(static_cast<char>(nByte));
                p += 2;
                continue;
            }
            if (ch == '"') {
                bInQuote = false;
                bComplete = true;
            }
        } else if (chartab::Is(ch, chartab::PLAIN)) {
            // most of a token: taken with no change of state
        } else if (chartab::Is(ch, chartab::BREAK)) {
            break;
        } else if (ch == '"') {
            bInQuote = true;
        } else if (chartab::Is(ch, chartab::PAIR)) {
            if (p == pTokenStart) {
                if (p[1] == '=') {
                    bPairPending = true;
                } else {
                    bComplete = true;
                }
            } else if (bPairPending) {
                bComplete = true;
            } else {
                break;
            }
        } else if (chartab::Is(ch, chartab::SINGLE)) {
            if (p != pTokenStart) break;
            bComplete = true;
        } else if (ch == '/' && p[1] == '/') {
            break;  // a comment runs to the end of the line
        }
        if (bBuilding) text.Built().push_back(ch);
        ++p;
    }
    m_pszPos = p;
    if (bBuilding) {
        text.UseBuilt();
    } else {
        text.SetView(std::string_view(pTokenStart, static_cast<size_t>(p - pTokenStart)));
    }
    const int32_t nCode = ClassifyToken(text);
    // A string literal's text is what stands between its quotes.
    if (nCode == TK_STRING) text.SetView(text.View().substr(1, text.View().size() - 2));
    return nCode;
}

// Rare, and its texts would take room in the frame of every block it were inlined into.
[[gnu::noinline]] void CScriptEngine::ProcessDirective() {
    std::string strName;
    std::string strExtra;
    if (GetToken(nullptr, strName) == TK_END) Raise("", ERR_DIRECTIVE_EXPECTED);
    if (GetToken(nullptr, strExtra) != TK_END) Raise(strExtra, ERR_UNEXPECTED);
    if (strName == "Esc") {
        m_bEscapes = true;
    } else if (strName == "NoEsc") {
        m_bEscapes = false;
    } else {
        Raise(strName, ERR_UNKNOWN_DIRECTIVE);
    }
}
