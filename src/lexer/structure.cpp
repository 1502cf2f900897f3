// PLACEHOLDER until the structure pass lands: nothing is registered.
#include "host/engine.h"

void CScriptEngine::ScanStructure() {}
void CScriptEngine::DefineMain(const std::string&) {}
void CScriptEngine::DefineProc(const std::string&) {}
void CScriptEngine::DeclareNumber() {}
void CScriptEngine::DeclareString() {}
void CScriptEngine::DeclareObject() {}
