// The lines of a script that a debugger may stop at: the statements of Main and the
// procedures, as the engine's own lexer reads them.
#pragma once

#include <cstdint>
#include <set>
#include <string>

class CScriptEngine;

// The indexes of the script's executable lines, read with an engine that runs nothing. A
// script that cannot be loaded has none; strProblem then holds the engine's error text.
std::set<int32_t> ExecutableLines(CScriptEngine& engine, const std::string& strPath,
                                  std::string& strProblem);
