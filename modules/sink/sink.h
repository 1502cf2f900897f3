// Output sink of the log and trace modules: the file named by an environment variable,
// else a standard stream. Opened once, on first use; every write is flushed.
#pragma once

#include <cstdio>

FILE* OpenSink(const char* pszEnvVar, FILE* pDefault);
void WriteSink(FILE* pSink, const char* pszText);
