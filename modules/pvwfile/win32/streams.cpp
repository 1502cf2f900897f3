// The named data streams of a file on Windows (the zone a download came from, a program's own
// data beside a document): listed on the open source, each opened by its name after the
// file's and proven to belong to the open file, and written into the temporary before it is
// flushed and renamed.
#include <vector>

#include "file_data.h"
#include "in_place.h"
#include "win_error.h"

namespace pvw {

namespace {

// Bounds what a listing of streams may take; thousands of streams fit.
constexpr size_t kMaxListing = size_t{1} << 20;

bool HoldsStreams(HANDLE hFile, bool& bHolds, std::error_code& ec) {
    DWORD nFlags = 0;
    if (!GetVolumeInformationByHandleW(hFile, nullptr, 0, nullptr, nullptr, &nFlags, nullptr, 0)) {
        ec = LastWinError();
        return false;
    }
    bHolds = (nFlags & FILE_NAMED_STREAMS) != 0;
    return true;
}

// The names (":name:$DATA") of the open file's named streams; its unnamed data is left out.
bool StreamNames(HANDLE hFile, std::vector<std::wstring>& arrNames, std::error_code& ec) {
    std::vector<LONGLONG> buffer(512);  // the entries' alignment
    for (;;) {
        DWORD nBytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
        if (GetFileInformationByHandleEx(hFile, FileStreamInfo, buffer.data(), nBytes)) break;
        DWORD nError = GetLastError();
        if (nError == ERROR_HANDLE_EOF) return true;  // no data at all
        if ((nError != ERROR_MORE_DATA && nError != ERROR_INSUFFICIENT_BUFFER) ||
            nBytes >= kMaxListing) {
            ec = LastWinError();
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
    const char* pBase = reinterpret_cast<const char*>(buffer.data());
    for (size_t nOffset = 0;;) {
        const auto* pInfo = reinterpret_cast<const FILE_STREAM_INFO*>(pBase + nOffset);
        std::wstring strName(pInfo->StreamName, pInfo->StreamNameLength / sizeof(wchar_t));
        if (strName != L"::$DATA") arrNames.push_back(std::move(strName));
        if (pInfo->NextEntryOffset == 0) return true;
        nOffset += pInfo->NextEntryOffset;
    }
}

// Opens a stream by its full name, and proves that it belongs to the open file hFile: a name
// that leads to another file by now is not read or written.
HANDLE OpenStream(const std::wstring& strStream, bool bWrite, HANDLE hFile, std::error_code& ec) {
    HANDLE hStream = CreateFileW(
        strStream.c_str(), bWrite ? GENERIC_WRITE : GENERIC_READ, static_cast<DWORD>(EShare::Brief),
        nullptr, bWrite ? CREATE_NEW : OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    BY_HANDLE_FILE_INFORMATION file, stream;
    if (hStream == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(hFile, &file) ||
        !GetFileInformationByHandle(hStream, &stream)) {
        ec = LastWinError();
    } else if (IdentityOf(file) != IdentityOf(stream)) {
        ec = LeadsElsewhereError();
    } else {
        return hStream;
    }
    if (hStream != INVALID_HANDLE_VALUE) CloseHandle(hStream);
    return INVALID_HANDLE_VALUE;
}

bool CopyStream(HANDLE hIn, const std::wstring& strFrom, HANDLE hOut, const std::wstring& strTo,
                std::error_code& ec) {
    HANDLE hFrom = OpenStream(strFrom, false, hIn, ec);
    if (hFrom == INVALID_HANDLE_VALUE) return false;
    HANDLE hTo = OpenStream(strTo, true, hOut, ec);
    // The progress shown is the file's data alone.
    bool bOk = hTo != INVALID_HANDLE_VALUE && CopyData(
                                                  hFrom, hTo, [](std::uint64_t) {}, ec);
    if (bOk && !FlushFileBuffers(hTo)) {
        ec = LastWinError();
        bOk = false;
    }
    if (hTo != INVALID_HANDLE_VALUE) CloseHandle(hTo);
    CloseHandle(hFrom);
    return bOk;
}

}  // namespace

bool CopyStreams(HANDLE hIn, const std::wstring& strSource, HANDLE hOut,
                 const std::wstring& strTemp, std::error_code& ec) {
    bool bHolds = false;
    std::vector<std::wstring> arrNames;
    if (!HoldsStreams(hIn, bHolds, ec) || (bHolds && !StreamNames(hIn, arrNames, ec))) {
        return false;
    }
    if (arrNames.empty()) return true;
    if (!HoldsStreams(hOut, bHolds, ec)) return false;
    for (size_t i = 0; bHolds && i < arrNames.size(); ++i) {
        if (!CopyStream(hIn, strSource + arrNames[i], hOut, strTemp + arrNames[i], ec)) {
            return false;
        }
    }
    return true;
}

}  // namespace pvw
