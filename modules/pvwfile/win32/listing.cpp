// Reading directories and entries on Windows: FindFirstFileEx gives size, time and attributes
// with each name, so a listing costs no call per file. Symbolic links and junctions are
// links; other reparse points (cloud placeholders, deduplicated files) are what they hold.
// An entry that resolves to another place without being such a link (wine shows a Unix link
// so) is special: it is reported and never entered, copied or removed.
#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

void FillEntry(DWORD nAttr, DWORD nReparseTag, const FILETIME& ftWrite, DWORD nSizeHigh,
               DWORD nSizeLow, CEntry& entry) {
    if (IsLinkTag(nAttr, nReparseTag)) {
        entry.eKind = EKind::Link;
    } else if (nAttr & FILE_ATTRIBUTE_DIRECTORY) {
        entry.eKind = EKind::Dir;
    } else if (nAttr & FILE_ATTRIBUTE_DEVICE) {
        entry.eKind = EKind::Special;
    } else {
        entry.eKind = EKind::File;
    }
    entry.nSize = (static_cast<std::uint64_t>(nSizeHigh) << 32) | nSizeLow;
    entry.nTime = FileTimeToNs(ftWrite);
    entry.nMode = 0;
    entry.nAttrib = 0;
    if (nAttr & FILE_ATTRIBUTE_READONLY) entry.nAttrib |= ATTR_R;
    if (nAttr & FILE_ATTRIBUTE_HIDDEN) entry.nAttrib |= ATTR_H;
    if (nAttr & FILE_ATTRIBUTE_SYSTEM) entry.nAttrib |= ATTR_S;
    if (nAttr & FILE_ATTRIBUTE_ARCHIVE) entry.nAttrib |= ATTR_A;
}

bool ResolvesElsewhere(const std::error_code& ec) {
    return ec == std::errc::too_many_symbolic_link_levels;
}

// wine marks its Unix links as reparse points of no link tag; whether such an entry is the
// place its name says takes opening it.
bool LeadsElsewhere(DirHandle dir, const CEntry& entry, DWORD nAttr) {
    if (!(nAttr & FILE_ATTRIBUTE_REPARSE_POINT) || entry.eKind == EKind::Link) return false;
    std::error_code ec;
    HANDLE hFile = OpenInPlace(dir, entry.strName, FILE_READ_ATTRIBUTES, EShare::Brief, ec);
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    return ResolvesElsewhere(ec);
}

}  // namespace

bool ListDirectory(DirHandle dir, std::vector<CEntry>& arrEntries, std::error_code& ec) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileExW(ChildPath(dir, "*").c_str(), FindExInfoBasic, &data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (hFind == INVALID_HANDLE_VALUE) {
        ec = LastWinError();
        return false;
    }
    bool bOk = true;
    do {
        std::wstring strWide = data.cFileName;
        if (strWide == L"." || strWide == L"..") continue;
        CEntry entry;
        try {
            entry.strName = Path(strWide).string();
        } catch (const std::system_error&) {
            // A name the program's code page cannot spell cannot be named to a script.
            ec = std::make_error_code(std::errc::illegal_byte_sequence);
            bOk = false;
            break;
        }
        FillEntry(data.dwFileAttributes, data.dwReserved0, data.ftLastWriteTime, data.nFileSizeHigh,
                  data.nFileSizeLow, entry);
        if (LeadsElsewhere(dir, entry, data.dwFileAttributes)) entry.eKind = EKind::Special;
        arrEntries.push_back(std::move(entry));
    } while (FindNextFileW(hFind, &data));
    if (bOk && GetLastError() != ERROR_NO_MORE_FILES) {
        ec = LastWinError();
        bOk = false;
    }
    FindClose(hFind);
    return bOk;
}

bool ReadEntryAt(DirHandle dir, const std::string& strName, CEntry& entry, std::error_code& ec) {
    entry.strName = strName;
    HANDLE hFile = OpenInPlace(dir, strName, FILE_READ_ATTRIBUTES, EShare::Brief, ec);
    if (hFile == INVALID_HANDLE_VALUE) {
        if (!ResolvesElsewhere(ec)) return false;
        ec.clear();
        entry.eKind = EKind::Special;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    FILE_ATTRIBUTE_TAG_INFO tag;
    bool bOk = GetFileInformationByHandle(hFile, &info) &&
               GetFileInformationByHandleEx(hFile, FileAttributeTagInfo, &tag, sizeof tag);
    if (bOk) {
        FillEntry(info.dwFileAttributes, tag.ReparseTag, info.ftLastWriteTime, info.nFileSizeHigh,
                  info.nFileSizeLow, entry);
        entry.id = IdentityOf(info);
    } else {
        ec = LastWinError();
    }
    CloseHandle(hFile);
    return bOk;
}

bool ReadEntry(const Path& path, bool bFollow, CEntry& entry, std::error_code& ec) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        ec = LastWinError();
        return false;
    }
    // Only a listing tells what kind of reparse point an entry is.
    DWORD nTag = 0;
    WIN32_FIND_DATAW find;
    HANDLE hFind = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                       ? FindFirstFileExW(path.c_str(), FindExInfoBasic, &find,
                                          FindExSearchNameMatch, nullptr, 0)
                       : INVALID_HANDLE_VALUE;
    if (hFind != INVALID_HANDLE_VALUE) {
        nTag = find.dwReserved0;
        FindClose(hFind);
    }
    entry.strName = path.filename().string();
    FillEntry(data.dwFileAttributes, nTag, data.ftLastWriteTime, data.nFileSizeHigh,
              data.nFileSizeLow, entry);
    if (!bFollow || entry.eKind != EKind::Link) return true;
    // A root named through a link: what the link leads to.
    HANDLE hFile = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    bool bOk = hFile != INVALID_HANDLE_VALUE && GetFileInformationByHandle(hFile, &info);
    if (!bOk) ec = LastWinError();
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    if (bOk) {
        FillEntry(info.dwFileAttributes, 0, info.ftLastWriteTime, info.nFileSizeHigh,
                  info.nFileSizeLow, entry);
    }
    return bOk;
}

// Windows gives every attribute with the listing.
void ReadExtraAttributes(DirHandle, const std::string&, CEntry&) {}

}  // namespace pvw
