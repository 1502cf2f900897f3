// An automation object held by an Object variable; released when the variable is deleted.
#pragma once

class CScriptEngine;

class CScriptDispatch {
public:
    // Creates the object from its programmatic identifier; raises a script error on failure.
    CScriptDispatch(CScriptEngine* pEngine, const char* pszProgId);
    ~CScriptDispatch();
};
