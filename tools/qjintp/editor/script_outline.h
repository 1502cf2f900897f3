// The outline of a script as the editor shows it: Main and the procedures, the Declare blocks
// and the variables declared in them, each with its lines. Read with the engine's lexer, line
// by line, so that a script with errors still has an outline up to and around them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/engine.h"

struct COutlineEntry {
    std::string strName;  // "Main", a procedure's or a variable's name; empty for a Declare block
    std::string strKind;  // "Main", "Proc", "Declare", "Number", "String" or "Object"
    int nLine = 0;        // counted from 0
    int nEndLine = 0;     // the line that ends the block; a variable's own line
    std::string strLine;  // the text of the line that declares it
};

struct CScriptOutline {
    std::vector<COutlineEntry> arrBlocks;     // Main, each Proc and each Declare block
    std::vector<COutlineEntry> arrVariables;  // in the order of their declarations

    // The block or variable of that name (case matters), or null.
    const COutlineEntry* Find(std::string_view name) const;
};

std::vector<std::string> SplitLines(const std::string& strText);
CScriptOutline ReadOutline(CScriptEngine& engine, const std::vector<std::string>& arrLines);
