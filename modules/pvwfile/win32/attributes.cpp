// Changing attributes on Windows: the file system's own R, H, S and A, set through a handle
// proven to be the entry itself.
#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

DWORD FlagsOf(unsigned nBits) {
    const struct {
        unsigned nBit;
        DWORD nFlag;
    } kMap[] = {{ATTR_R, FILE_ATTRIBUTE_READONLY},
                {ATTR_H, FILE_ATTRIBUTE_HIDDEN},
                {ATTR_S, FILE_ATTRIBUTE_SYSTEM},
                {ATTR_A, FILE_ATTRIBUTE_ARCHIVE}};
    DWORD nFlags = 0;
    for (const auto& m : kMap) {
        if (nBits & m.nBit) nFlags |= m.nFlag;
    }
    return nFlags;
}

}  // namespace

bool ChangeAttributesAt(DirHandle dir, const std::string& strName, DWORD nSet, DWORD nClear,
                        DWORD& nBefore, std::error_code& ec) {
    HANDLE hFile =
        OpenInPlace(dir, strName, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, EShare::Brief, ec);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    FILE_BASIC_INFO basic;
    bool bOk = GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic);
    if (bOk) {
        nBefore = basic.FileAttributes;
        DWORD nAfter = (nBefore | nSet) & ~nClear;
        bOk = nAfter == nBefore || SetAttributesByHandle(hFile, nAfter);
    }
    if (!bOk) ec = LastWinError();
    CloseHandle(hFile);
    return bOk;
}

bool ChangeAttributes(DirHandle dir, const std::string& strName, const CEntry&, unsigned nSet,
                      unsigned nClear, std::string& strNewName, std::error_code& ec) {
    strNewName = strName;
    DWORD nBefore = 0;
    return ChangeAttributesAt(dir, strName, FlagsOf(nSet), FlagsOf(nClear), nBefore, ec);
}

}  // namespace pvw
