// POSIX streams never translate line ends.
#include "../stream_mode.h"

void SetBinaryStream(FILE*) {}
