// The path a link holds on Windows: the reparse data of a symbolic link or junction, read
// through a handle on the link itself.
#include <windows.h>
// After windows.h, whose types it uses.
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

// The start of the reparse data of links, as the system lays it out; a symbolic link has a
// ULONG of flags before its path buffer, a junction none.
struct CLinkReparse {
    ULONG nTag;
    USHORT nDataLength, nReserved;
    USHORT nSubstituteOffset, nSubstituteLength, nPrintOffset, nPrintLength;
};

bool LinkText(const std::vector<char>& data, DWORD nSize, std::wstring& strText) {
    CLinkReparse head;
    if (nSize < sizeof head) return false;
    std::memcpy(&head, data.data(), sizeof head);
    size_t nBuffer = sizeof head + (head.nTag == IO_REPARSE_TAG_SYMLINK ? sizeof(ULONG) : 0);
    bool bPrint = head.nPrintLength != 0;
    size_t nOffset = nBuffer + (bPrint ? head.nPrintOffset : head.nSubstituteOffset);
    size_t nLength = bPrint ? head.nPrintLength : head.nSubstituteLength;
    if (!IsLinkTag(FILE_ATTRIBUTE_REPARSE_POINT, head.nTag) || nOffset + nLength > nSize) {
        return false;
    }
    strText.resize(nLength / sizeof(wchar_t));
    std::memcpy(strText.data(), data.data() + nOffset, strText.size() * sizeof(wchar_t));
    return true;
}

}  // namespace

bool ReadLinkAt(DirHandle dir, const std::string& strName, std::string& strTarget,
                std::error_code& ec) {
    HANDLE hLink = OpenInPlace(dir, strName, FILE_READ_ATTRIBUTES, EShare::Brief, ec);
    if (hLink == INVALID_HANDLE_VALUE) return false;
    std::vector<char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD nSize = 0;
    bool bRead = DeviceIoControl(hLink, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                 static_cast<DWORD>(data.size()), &nSize, nullptr);
    if (!bRead) ec = LastWinError();
    CloseHandle(hLink);
    std::wstring strText;
    if (bRead && !LinkText(data, nSize, strText)) {
        ec = std::make_error_code(std::errc::invalid_argument);
        bRead = false;
    }
    if (bRead) strTarget = Path(strText).string();
    return bRead;
}

}  // namespace pvw
