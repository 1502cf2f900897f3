// Extended attributes and further names of a file on Windows. A copy keeps no extended
// attributes there, so there are none to compare. A listing there cannot tell how many names a
// file has, so each name is copied as a file of its own; a further name can still be made.
#include <windows.h>

#include "../platform.h"
#include "in_place.h"
#include "win_error.h"

namespace pvw {

void ReadMadeFileFacts(DirHandle, CMadeFileFacts&) {}  // a copy keeps no owner or ACL here

bool KeepDirExtras(DirHandle, DirHandle, std::error_code&) {
    return true;
}

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
