// The text of one token: a view of the line where the token stands as written, or of text the
// lexer built because an escape sequence changed it. Reading a token thus copies nothing in
// the common case. A view of the line lasts until the line buffer is filled again.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class CTokenText {
public:
    std::string_view View() const { return m_text; }
    operator std::string_view() const { return m_text; }
    std::string Str() const { return std::string(m_text); }
    bool operator==(std::string_view other) const { return m_text == other; }

    void SetView(std::string_view text) { m_text = text; }
    // The text is being built: the lexer appends to it and makes it the view when done.
    // Few tokens need it, so its storage is made on first use.
    std::string& Built() {
        if (m_pBuilt == nullptr) m_pBuilt = std::make_unique<std::string>();
        return *m_pBuilt;
    }
    void UseBuilt() { m_text = Built(); }

private:
    std::string_view m_text;
    std::unique_ptr<std::string> m_pBuilt;
};
