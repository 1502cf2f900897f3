// What the language server answers about one script: diagnostics, hover, completion, the
// definition of a name and the document's symbols, as protocol values.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "editor/script_check.h"
#include "editor/script_outline.h"

// One open script: its text, split into lines, and its outline.
struct COpenScript {
    std::vector<std::string> arrLines;
    CScriptOutline outline;
};

// A position in a script: line and character, counted from 0.
struct CTextPosition {
    int nLine = 0;
    int nCharacter = 0;
};

// The diagnostics of the check's problem, if any: one error at its line.
nlohmann::json Diagnostics(const std::optional<CScriptProblem>& problem,
                           const std::vector<std::string>& arrLines);
// The hover on the name at the position, or null.
nlohmann::json Hover(const COpenScript& script, CTextPosition position);
// The completion items: the language's keywords, the built-ins, the script's own names.
nlohmann::json Completion(const COpenScript& script, const CScriptEngine& engine);
// Where the name at the position is declared in the script at that address, or null.
nlohmann::json Definition(const COpenScript& script, CTextPosition position,
                          const std::string& strUri);
nlohmann::json DocumentSymbols(const COpenScript& script);
