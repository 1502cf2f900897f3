// What the editor tools tell about each built-in: its signature, its result and one line.
#pragma once

#include <span>
#include <string_view>

struct CBuiltinHelp {
    const char* pszSignature;  // "Concat(S out, S)": S a text, N a number
    const char* pszResult;     // "N", "S" or "none"
    const char* pszSummary;    // one line: what it does
};

std::span<const CBuiltinHelp> AllBuiltinHelp();
// The help on the built-in of that name (case matters, as in a script), or null.
const CBuiltinHelp* FindBuiltinHelp(std::string_view name);
