// What a copy keeps besides data, attributes and times on Windows, and further names of a file.
// A copy keeps no extended attributes there, so none are compared; a listing cannot tell how
// many names a file has, so the library never asks for another name, which still works.
#include <windows.h>

#include "../platform.h"
#include "in_place.h"
#include "win_error.h"

namespace pvw {

bool SameExtras(DirHandle, const std::string&, DirHandle, const std::string&, bool& bSame,
                std::error_code&) {
    bSame = true;
    return true;
}

bool LinkFileAt(DirHandle fromDir, const std::string& strFrom, DirHandle toDir,
                const std::string& strTo, std::error_code& ec) {
    if (CreateHardLinkW(ChildPath(toDir, strTo).c_str(), ChildPath(fromDir, strFrom).c_str(),
                        nullptr)) {
        return true;
    }
    ec = LastWinError();
    return false;
}

}  // namespace pvw
