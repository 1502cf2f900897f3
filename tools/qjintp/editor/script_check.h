// The check of a script's text in the editor: the loader, the structure pass and a check run
// (option C) of an engine of its own, which acts on nothing. Objects are checked for their
// form alone and no built-in is called, so no family module is asked to do anything.
#pragma once

#include <optional>
#include <string>

#include "host/engine.h"

// The one problem a check finds: the engine stops at the first.
struct CScriptProblem {
    int nLine = 0;  // counted from 0
    std::string strText;
};

class CScriptCheck {
public:
    CScriptCheck() { m_engine.m_bFormOnly = true; }

    // Checks the text, which errors name as strName; the problem, or none.
    std::optional<CScriptProblem> Check(const std::string& strText, const std::string& strName);
    // The engine, for its lexer and token table between checks.
    CScriptEngine& Engine() { return m_engine; }

private:
    CScriptEngine m_engine;
};
