// The runtime library's streams open in text mode, which writes a line feed as CR LF; binary
// mode writes the texts exactly as formatted.
#include "../stream_mode.h"

#include <fcntl.h>
#include <io.h>

void SetBinaryStream(FILE* pStream) {
    _setmode(_fileno(pStream), _O_BINARY);
}
