// qjintp's calls into Windows.
#include "../host_os.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {
std::string SystemReason(DWORD nError) {
    char szText[512] = "";
    DWORD nLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, nError, 0, szText, sizeof szText, nullptr);
    while (nLength > 0 && (szText[nLength - 1] == '\n' || szText[nLength - 1] == '\r'))
        szText[--nLength] = '\0';
    return nLength > 0 ? szText : "error " + std::to_string(nError);
}

void (*g_pfnExpire)() = nullptr;
HANDLE g_hTimer = nullptr;
// The thread whose wait for input the timer ends; null while none waits.
std::atomic<HANDLE> g_hWaitingThread{nullptr};

VOID CALLBACK OnTimer(PVOID, BOOLEAN) {
    g_pfnExpire();
    if (HANDLE hThread = g_hWaitingThread) CancelSynchronousIo(hThread);
}
}  // namespace

std::FILE* CreateTempFile(std::string& strPath, std::string& strReason) {
    char szDir[MAX_PATH + 1], szPath[MAX_PATH + 1];
    DWORD nLength = GetTempPathA(sizeof szDir, szDir);
    if (nLength == 0 || nLength > MAX_PATH || GetTempFileNameA(szDir, "qji", 0, szPath) == 0) {
        strReason = SystemReason(GetLastError());
        return nullptr;
    }
    strPath = szPath;
    std::FILE* pFile = std::fopen(szPath, "wb");
    if (!pFile) {
        strReason = SystemReason(GetLastError());
        DeleteFileA(szPath);
    }
    return pFile;
}

const char* NullDevice() {
    return "NUL";
}

bool CallRegisterServer(const std::string& strLibrary, long& nStatus, std::string& strReason) {
    HMODULE hLibrary = LoadLibraryA(strLibrary.c_str());
    if (!hLibrary) {
        strReason = SystemReason(GetLastError());
        return false;
    }
    // Through void*: FARPROC and the entry's own type differ in their result.
    auto pfnRegister = reinterpret_cast<LONG(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(hLibrary, "DllRegisterServer")));
    if (!pfnRegister) {
        strReason = "the library has no DllRegisterServer entry";
        return false;
    }
    nStatus = pfnRegister();
    return true;
}

void StartTimer(unsigned nSeconds, void (*pfnExpire)()) {
    g_pfnExpire = pfnExpire;
    CreateTimerQueueTimer(&g_hTimer, nullptr, OnTimer, nullptr, nSeconds * 1000u, 0,
                          WT_EXECUTEONLYONCE);
}

void StopTimer() {
    if (g_hTimer) DeleteTimerQueueTimer(nullptr, g_hTimer, INVALID_HANDLE_VALUE);
    g_hTimer = nullptr;
}

// Ctrl-C ends a console read by itself; the timer, which runs on a thread of its own, cancels
// the waiting thread's read.
void EndWaitsOnSignals(bool bEnd) {
    HANDLE hThread = nullptr;
    if (bEnd)
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &hThread, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
    hThread = g_hWaitingThread.exchange(hThread);
    if (hThread) CloseHandle(hThread);
}

// The runtime gives a closed standard stream no descriptor that a later file could take.
void KeepClosedStreamsClosed() {}

// A process's handles are not limited by a setting it could raise.
void AllowManyOpenFiles() {}

// Windows sends no signal for a pipe whose reader went away; the write fails instead.
void IgnoreBrokenPipes() {}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}
