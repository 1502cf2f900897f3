// Token codes: every token the line lexer delivers carries one of these.
#pragma once

enum TokenCode {
    TK_INVALID = -2,
    TK_END = -1,
    TK_IDENT = 2,
    TK_NUMBER = 3,
    TK_STRING = 4,
    TK_NULL = 5,
    // operators and punctuation: 100 to 110
    TK_SUB_ASSIGN = 100,
    TK_ADD_ASSIGN = 101,
    TK_NE = 102,
    TK_EQ = 103,
    TK_LE = 104,
    TK_GE = 105,
    TK_ASSIGN = 106,
    TK_LPAREN = 107,
    TK_RPAREN = 108,
    TK_COMMA = 109,
    TK_DOT = 110,
    // block keywords: 500 to 511
    TK_MAIN = 500,
    TK_PROC = 501,
    TK_IF = 502,
    TK_WHILE = 503,
    TK_ENDMAIN = 504,
    TK_ENDPROC = 505,
    TK_ENDIF = 506,
    TK_ENDWHILE = 507,
    TK_DECLARE = 508,
    TK_ENDDECLARE = 509,
    TK_DIRECTIVE = 510,
    TK_RETURN = 511,
    // type names: 800 to 802
    TK_TYPE_NUMBER = 800,
    TK_TYPE_STRING = 801,
    TK_TYPE_OBJECT = 802,
};

inline bool IsOperatorToken(int nCode) {
    return nCode >= TK_SUB_ASSIGN && nCode <= TK_DOT;
}
inline bool IsTypeToken(int nCode) {
    return nCode >= TK_TYPE_NUMBER && nCode <= TK_TYPE_OBJECT;
}
