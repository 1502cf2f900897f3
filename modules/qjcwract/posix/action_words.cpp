// Splitting an action's argument text into words the way a shell would, without expansion.
#include "../action_words.h"

#include <cstring>

namespace qjact {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The characters that a backslash escapes inside double quotes.
bool EscapesInDoubleQuotes(char c) {
    return c == '"' || c == '\\' || c == '$' || c == '`' || c == '\n';
}

class CWordSplitter {
public:
    explicit CWordSplitter(const char* pszText) : m_psz(pszText) {}

    bool Split(std::vector<std::string>& arrWords, std::string& strReason) {
        while (*m_psz != '\0') {
            if (m_psz[0] == '\\' && m_psz[1] == '\n') {  // an escaped line end joins the lines
                m_psz += 2;
                continue;
            }
            if (IsBlank(*m_psz)) {
                EndWord(arrWords);
                ++m_psz;
                continue;
            }
            m_bInWord = true;
            bool bOk = *m_psz == '\''  ? SingleQuoted(strReason)
                       : *m_psz == '"' ? DoubleQuoted(strReason)
                                       : Unquoted(strReason);
            if (!bOk) return false;
        }
        EndWord(arrWords);
        return true;
    }

private:
    void EndWord(std::vector<std::string>& arrWords) {
        if (m_bInWord) arrWords.push_back(std::move(m_strWord));
        m_strWord.clear();
        m_bInWord = false;
    }

    bool SingleQuoted(std::string& strReason) {
        const char* pszClose = std::strchr(m_psz + 1, '\'');
        if (pszClose == nullptr) {
            strReason = "unclosed single quote";
            return false;
        }
        m_strWord.append(m_psz + 1, pszClose);
        m_psz = pszClose + 1;
        return true;
    }

    bool DoubleQuoted(std::string& strReason) {
        for (++m_psz; *m_psz != '"'; ++m_psz) {
            if (*m_psz == '\0') {
                strReason = "unclosed double quote";
                return false;
            }
            if (*m_psz == '\\' && EscapesInDoubleQuotes(m_psz[1])) {
                ++m_psz;
                if (*m_psz == '\n') continue;  // an escaped line end joins the lines
            }
            m_strWord.push_back(*m_psz);
        }
        ++m_psz;
        return true;
    }

    bool Unquoted(std::string& strReason) {
        if (*m_psz == '\\') {
            if (m_psz[1] == '\0') {
                strReason = "backslash at the end of the arguments";
                return false;
            }
            ++m_psz;
        }
        m_strWord.push_back(*m_psz);
        ++m_psz;
        return true;
    }

    const char* m_psz;
    std::string m_strWord;
    bool m_bInWord = false;  // a word has begun, even one that is empty so far ('')
};

}  // namespace

bool SplitWords(const char* pszText, std::vector<std::string>& arrWords, std::string& strReason) {
    if (pszText == nullptr) return true;
    return CWordSplitter(pszText).Split(arrWords, strReason);
}

}  // namespace qjact
