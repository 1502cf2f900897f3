// The Windows parts of starting a program, shared by the files of win32/.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../action_platform.h"

namespace qjact::win32 {

// A kernel handle of ours, closed when it goes.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    ~CHandle() { Close(); }
    HANDLE Get() const { return m_h; }
    void Reset(HANDLE h) {
        Close();
        m_h = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    void Close() {
        if (m_h != nullptr) ::CloseHandle(m_h);
        m_h = nullptr;
    }

private:
    HANDLE m_h = nullptr;
};

// The system's text for an error code, without its line end.
std::string SystemMessage(DWORD nError);

// The full path of the program to run, ".exe" added where the name has no extension. A name
// with a folder in it is taken as given (from the current folder when relative); a bare name
// is looked for the way the system looks (the application's folder, the system folders, then
// PATH), but never in the current folder or a relative element of PATH: a match only there is
// refused. A batch file is refused too. False with the reason when there is none.
bool FindProgram(const std::string& strProgram, std::string& strPath, std::string& strReason);

// One command line from the program's name and its words, quoted so that the program's start-up
// code splits it back into exactly those words.
std::string BuildCommandLine(const std::string& strProgram,
                             const std::vector<std::string>& arrArgs);

// A started program: its process, the job that holds it and its descendants (null when the
// system refused one), and the read end of its output pipe (null when nothing is captured).
struct CWinChild {
    CHandle hProcess;
    CHandle hJob;
    CHandle hOutput;
};

// Puts the program in a job of its own, so that a time-out or cancel ends its descendants too.
void JoinOwnJob(CWinChild& child);

// Waits for the program as the request says: drains its output, ends its job on time-out or
// cancel, and fills the outcome with how it ended.
void WaitForChild(CWinChild& child, const RunRequest& request, RunOutcome& outcome);

}  // namespace qjact::win32
