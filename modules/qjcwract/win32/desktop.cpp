// The desktop on Windows: documents open with the shell's associated program, and the start
// notification that a host of the family shows is a window of class "QJMeldStart" in this
// process.
#include "win32_action.h"
// after windows.h, which it needs
#include <shellapi.h>

namespace qjact {

namespace {

constexpr const char* START_NOTICE_CLASS = "QJMeldStart";

BOOL CALLBACK CloseIfStartNotice(HWND hWnd, LPARAM lParam) {
    DWORD nProcess = 0;
    ::GetWindowThreadProcessId(hWnd, &nProcess);
    char szClass[64] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    if (nProcess == ::GetCurrentProcessId() && lstrcmpA(szClass, START_NOTICE_CLASS) == 0) {
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
        *reinterpret_cast<bool*>(lParam) = true;
    }
    return TRUE;
}

}  // namespace

RunOutcome OpenDocument(const RunRequest& request) {
    RunOutcome outcome;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = request.strProgram.c_str();
    info.lpDirectory = request.strDirectory.empty() ? nullptr : request.strDirectory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info)) {
        outcome.strReason =
            "cannot open \"" + request.strProgram + "\": " + win32::SystemMessage(::GetLastError());
        return outcome;
    }
    win32::CWinChild child;
    child.hProcess.Reset(info.hProcess);
    // A document handed to a program that was already running starts no process to wait for.
    if (!request.bWait || child.hProcess.Get() == nullptr) {
        outcome.eEnd = RunEnd::STARTED;
        return outcome;
    }
    win32::JoinOwnJob(child);
    win32::WaitForChild(child, request, outcome);
    return outcome;
}

bool CloseStartNotice() {
    bool bClosed = false;
    ::EnumWindows(CloseIfStartNotice, reinterpret_cast<LPARAM>(&bClosed));
    return bClosed;
}

}  // namespace qjact
