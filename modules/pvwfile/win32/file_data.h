// Copying what an open file holds on Windows: its data, and its named data streams.
#pragma once

#include <windows.h>

#include <string>
#include <system_error>

#include "../platform.h"

namespace pvw {

// Copies hIn's data from where it stands to its end into hOut; pfnProgress receives the bytes
// copied so far.
bool CopyData(HANDLE hIn, HANDLE hOut, const ProgressFn& pfnProgress, std::error_code& ec);

// Copies the named data streams of the open file hIn, found at strSource, into the open file
// hOut at strTemp, each flushed to the disk. A target whose file system holds no streams gets
// the data alone, as it gets no attributes that it cannot hold.
bool CopyStreams(HANDLE hIn, const std::wstring& strSource, HANDLE hOut,
                 const std::wstring& strTemp, std::error_code& ec);

}  // namespace pvw
