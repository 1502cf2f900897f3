// The module's one engine as the exports, the automation class and the module's start and end
// reach it. Callers see no engine type here, so the automation class, which sees the system's
// automation headers, never meets the engine's own names.
#pragma once

// Creates the engine; without memory the module runs without one and every run fails.
void CreateModuleEngine();
// Deletes the engine unless a run is in progress; false then. Taking the busy flag keeps a
// new run out.
bool DeleteModuleEngine();

// Runs a script on the engine: 1 when it ran to its end, 0 otherwise (also without an engine).
// Nothing a script does escapes.
int InterpretOnModuleEngine(const char* pszScript, const char* pszOptions, const char* pszParams);
// Asks the running script to stop before its next line.
void BreakModuleEngine();
