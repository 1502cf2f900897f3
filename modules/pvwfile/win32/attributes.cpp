// Changing attributes on Windows: the file system's own R, H, S and A.
#include <windows.h>

#include "../platform.h"
#include "win_error.h"

namespace pvw {

bool ChangeAttributes(const Path& path, const CEntry&, unsigned nSet, unsigned nClear,
                      Path& newPath, std::error_code& ec) {
    newPath = path;
    DWORD nAttr = GetFileAttributesW(path.c_str());
    if (nAttr == INVALID_FILE_ATTRIBUTES) {
        ec = LastWinError();
        return false;
    }
    const struct {
        unsigned nBit;
        DWORD nFlag;
    } kMap[] = {{ATTR_R, FILE_ATTRIBUTE_READONLY},
                {ATTR_H, FILE_ATTRIBUTE_HIDDEN},
                {ATTR_S, FILE_ATTRIBUTE_SYSTEM},
                {ATTR_A, FILE_ATTRIBUTE_ARCHIVE}};
    for (const auto& m : kMap) {
        if (nSet & m.nBit) nAttr |= m.nFlag;
        if (nClear & m.nBit) nAttr &= ~m.nFlag;
    }
    if (SetFileAttributesW(path.c_str(), nAttr)) return true;
    ec = LastWinError();
    return false;
}

}  // namespace pvw
