// Streams that pass texts through byte for byte: no line-end translation on any platform.
#pragma once

#include <cstdio>

// Makes an open stream write its bytes unchanged.
void SetBinaryStream(FILE* pStream);
