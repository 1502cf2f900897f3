// Script error codes. The text of code c is string c + 2 of the string table.
#pragma once

#include <string>

enum ScriptErrorCode {
    ERR_NONE_YET = -11,  // no error raised yet in this run
    ERR_UNKNOWN = -1,
    ERR_INTERNAL = 0,
    ERR_INVALID_VAR_TYPE = 1,
    ERR_UNEXPECTED = 2,
    ERR_INVALID_IDENT = 3,
    ERR_UNKNOWN_IDENT = 4,
    ERR_NOT_INITIALIZED = 5,
    ERR_INVALID_PARAM_TYPE = 6,
    ERR_INVALID_ASSIGNMENT = 7,
    ERR_INVALID_IDENT_EXEC = 8,
    ERR_NOT_IMPLEMENTED = 9,
    ERR_REDEFINITION = 10,
    ERR_INITIALIZER_EXPECTED = 11,
    ERR_TYPE_MISMATCH = 12,
    ERR_EXPRESSION_EXPECTED = 13,
    ERR_BLOCK = 14,
    ERR_MISSING = 15,
    ERR_INVALID_EXPRESSION = 16,
    ERR_INVALID_OPERAND = 17,
    ERR_INVALID_OPERATOR = 18,
    ERR_CONVERT_NUMBER = 19,
    ERR_VOID_ASSIGNMENT = 20,
    ERR_FUNC_NOT_IMPLEMENTED = 21,
    ERR_OPEN_SCRIPT = 22,
    ERR_READ_SCRIPT = 23,
    ERR_INVALID_SIZE = 24,
    ERR_NEED_VARIABLE = 25,
    ERR_CANCELLED = 26,
    ERR_CREATE_DISPATCH = 27,
    ERR_UNKNOWN_MEMBER = 28,
    ERR_PARAM_COUNT = 29,
    ERR_ESCAPE_SEQUENCE = 30,
    ERR_UNKNOWN_DIRECTIVE = 31,
    ERR_DIRECTIVE_EXPECTED = 32,
    ERR_RETURNS_STRING = 33,
    ERR_RETURNS_NUMBER = 34,
    ERR_EXIT = 35,
    ERR_LINE_TOO_LONG = 36,
};

// The one exception of a script error: the finished message text.
struct CScriptError {
    std::string strMessage;
};
