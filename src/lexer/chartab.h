// Character classes of the lexer, one table lookup per character. Only ASCII letters and
// digits count as such; bytes from 0x80 up are neither.
#pragma once

#include <array>
#include <cstdint>

namespace chartab {

enum : uint8_t {
    SPACE = 1 << 0,   // skipped before a token: blank, tab, LF, VT, FF, CR
    BREAK = 1 << 1,   // ends a token outside a literal: blank, tab, LF, CR
    DIGIT = 1 << 2,   // 0-9
    IDENT = 1 << 3,   // letters, digits and "_"
    PAIR = 1 << 4,    // may pair with a following "=": ! + - < = >
    SINGLE = 1 << 5,  // always a token of its own: # ( ) , .
    PLAIN = 1 << 6,   // taken outside a literal without further thought: none of the above
                      // separators, quote, pair or single characters, "/" or the end
    GLUE = 1 << 7,    // does not end a run of plain characters cleanly: quote and "/"
    ALL = 0xFF,
};

constexpr std::array<uint8_t, 256> MakeTable() {
    std::array<uint8_t, 256> table{};
    for (int c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] |= SPACE;
    for (int c : {' ', '\t', '\n', '\r'}) table[c] |= BREAK;
    for (int c = '0'; c <= '9'; ++c) table[c] |= DIGIT | IDENT;
    for (int c = 'A'; c <= 'Z'; ++c) table[c] |= IDENT;
    for (int c = 'a'; c <= 'z'; ++c) table[c] |= IDENT;
    table['_'] |= IDENT;
    for (int c : {'!', '+', '-', '<', '=', '>'}) table[c] |= PAIR;
    for (int c : {'#', '(', ')', ',', '.'}) table[c] |= SINGLE;
    table['"'] |= GLUE;
    table['/'] |= GLUE;
    for (int c = 1; c < 256; ++c) {
        if ((table[c] & (BREAK | PAIR | SINGLE | GLUE)) == 0) table[c] |= PLAIN;
    }
    return table;
}

inline constexpr std::array<uint8_t, 256> kTable = MakeTable();

inline uint8_t ClassOf(char ch) {
    return kTable[static_cast<unsigned char>(ch)];
}

inline bool Is(char ch, uint8_t nClass) {
    return (ClassOf(ch) & nClass) != 0;
}

}  // namespace chartab
