// Token expectations shared by the structure pass and the declarations.
#pragma once

#include <string>

#include "host/engine.h"

// Reads the next token of the current line and returns its text; a token of any other code
// than the one expected is unexpected, and the error names it.
inline std::string ExpectToken(CScriptEngine& engine, int32_t nCode) {
    std::string strText;
    if (engine.GetToken(nullptr, strText) != nCode) engine.Raise(strText, ERR_UNEXPECTED);
    return strText;
}
