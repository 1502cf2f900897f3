// The text of one token: a view of the line where the token stands as written, or of text the
// lexer built because an escape sequence changed it. Reading a token thus copies nothing in
// the common case. A view of the line lasts until the line buffer is filled again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CTokenText {
public:
    // Few tokens are built: their storage is a text the holder of the token keeps, one for
    // each token it holds at a time, so that a token costs nothing to make or to drop.
    explicit CTokenText(std::string& strBuilt) : m_pBuilt(&strBuilt) {}

    std::string_view View() const { return m_text; }
    operator std::string_view() const { return m_text; }
    std::string Str() const { return std::string(m_text); }
    bool operator==(std::string_view other) const { return m_text == other; }

    void SetView(std::string_view text) {
        m_text = text;
        m_nValue = NO_VALUE;
    }
    // A name, which the lexer never answers as a number: its value is left as it is.
    void SetName(std::string_view text) { m_text = text; }
    // A run of up to nine digits, which cannot overflow, carries the value the lexer worked out
    // as it passed the digits, so that the text is not read a second time to convert it; any
    // other token carries NO_VALUE.
    static constexpr int32_t NO_VALUE = -1;
    int32_t Value() const { return m_nValue; }
    void SetDigits(std::string_view text, int32_t nValue) {
        m_text = text;
        m_nValue = nValue;
    }
    // The text is being built: the lexer appends to it and makes it the view when done.
    std::string& Built() { return *m_pBuilt; }
    void UseBuilt() { SetView(*m_pBuilt); }

private:
    std::string_view m_text;
    int32_t m_nValue = NO_VALUE;
    std::string* m_pBuilt;
};
