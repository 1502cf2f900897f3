// The line lexer: cuts the next token of m_szLine, resolves escape sequences in literals, and
// handles the "#" directives that switch escape sequences on and off.
#include "host/engine.h"
#include "lexer/chartab.h"
#include "lexer/tokens.h"

namespace {
// The byte an escape sequence stands for, or -1 when the character starts no sequence.
int EscapedByte(char ch) {
    switch (ch) {
        case '"': return '"';
        case '\\': return '\\';
        case 'a': return '\a';
        case 'b': return '\b';
        case 'f': return '\f';
        case 'n': return '\n';
        case 'r': return '\r';
        case 't': return '\t';
        case 'v': return '\v';
        default: return -1;
    }
}
}  // namespace

int32_t CScriptEngine::GetToken(char* pszStart, std::string& strText) {
    if (pszStart != nullptr) m_pszPos = pszStart;
    char* p = m_pszPos;
    while (chartab::Is(*p, chartab::SPACE)) ++p;

    strText.clear();
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
                    Raise(std::string(p, p[1] != '\0' ? 2 : 1), ERR_ESCAPE_SEQUENCE);
                }
                strText.push_back(static_cast<char>(nByte));
                p += 2;
                continue;
            }
            if (ch == '"') {
                bInQuote = false;
                bComplete = true;
            }
        } else if (chartab::Is(ch, chartab::BREAK)) {
            break;
        } else if (ch == '"') {
            bInQuote = true;
        } else if (chartab::Is(ch, chartab::PAIR)) {
            if (strText.empty()) {
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
            if (!strText.empty()) break;
            bComplete = true;
        } else if (ch == '/' && p[1] == '/') {
            break;  // a comment runs to the end of the line
        }
        strText.push_back(ch);
        ++p;
    }
    m_pszPos = p;

    int32_t nCode = ClassifyToken(strText);
    if (nCode == TK_STRING) {
        strText.pop_back();
        strText.erase(0, 1);
    }
    return nCode;
}

void CScriptEngine::ProcessDirective() {
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
