// An automation object held by an Object variable; released when the variable is deleted.
#pragma once

#include "platform/automation.h"

class CScriptEngine;
class CScriptArg;

class CScriptDispatch : public CAutoObject {
public:
    // Creates the object of a programmatic identifier. On failure raises error 27 with the
    // identifier and the description of the failing status.
    CScriptDispatch(CScriptEngine* pEngine, const char* pszProgId);
};

// Adds the value of one filled argument slot to an invocation's arguments: a Number or
// constant as a 32-bit integer, a String as its text, a Null String as a null text.
void GetArgValue(const CScriptArg& slot, CAutoArgs& args);
