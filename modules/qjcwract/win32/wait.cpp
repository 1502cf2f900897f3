// Waiting for a program on Windows: its pipe peeked and read without blocking, its job ended
// on time-out or cancel, and its exit code collected.
#include <algorithm>

#include "../action_wait.h"
#include "win32_action.h"

namespace qjact::win32 {

namespace {

// A pipe cannot be waited on together with the process without overlapped reads, so a wait
// looks at the pipe at least this often.
constexpr int PIPE_TICK_MS = 10;
constexpr DWORD READ_CHUNK = 65536;
// Exit codes from here up are exceptions that ended the program (access violation, ...).
constexpr DWORD FIRST_EXCEPTION_CODE = 0xC0000000;

class CWin32Wait : public CProgramWait {
public:
    CWin32Wait(CWinChild& child, const RunRequest& request, RunOutcome& outcome)
        : CProgramWait(request, outcome), m_child(child) {}

private:
    void WaitForEvents(int nMs) override {
        DWORD nAvailable = 0;
        bool bOpen = m_child.hOutput.Get() != nullptr;
        if (bOpen &&
            (!::PeekNamedPipe(m_child.hOutput.Get(), nullptr, 0, nullptr, &nAvailable, nullptr) ||
             nAvailable > 0))
            return;  // output to read, or the pipe closed
        DWORD nWait = static_cast<DWORD>(bOpen ? std::min(nMs, PIPE_TICK_MS) : nMs);
        ::WaitForSingleObject(m_child.hProcess.Get(), nWait);
    }

    bool DrainOutput() override {
        char buffer[READ_CHUNK];
        DWORD nAvailable = 0;
        while (::PeekNamedPipe(m_child.hOutput.Get(), nullptr, 0, nullptr, &nAvailable, nullptr)) {
            DWORD nRead = 0;
            if (nAvailable == 0) return true;
            if (!::ReadFile(m_child.hOutput.Get(), buffer, std::min(nAvailable, READ_CHUNK), &nRead,
                            nullptr))
                break;
            m_outcome.output.Append(buffer, nRead);
        }
        m_child.hOutput.Close();  // ERROR_BROKEN_PIPE: every writer has closed it
        return false;
    }

    bool HasEnded() override {
        return ::WaitForSingleObject(m_child.hProcess.Get(), 0) == WAIT_OBJECT_0;
    }

    void KillGroup() override {
        if (m_child.hJob.Get() != nullptr)
            ::TerminateJobObject(m_child.hJob.Get(), 1);
        else
            ::TerminateProcess(m_child.hProcess.Get(), 1);
        ::WaitForSingleObject(m_child.hProcess.Get(), INFINITE);
    }

    void Collect() override {
        m_child.hOutput.Close();
        DWORD nCode = 0;
        ::GetExitCodeProcess(m_child.hProcess.Get(), &nCode);
        m_outcome.nStatus = nCode;
        if (nCode < FIRST_EXCEPTION_CODE) {
            m_outcome.eEnd = RunEnd::EXITED;
            return;
        }
        char szCode[16];
        ::wsprintfA(szCode, "0x%08lX", nCode);
        m_outcome.eEnd = RunEnd::SIGNALLED;
        m_outcome.strReason =
            std::string("exception ") + szCode + " (" + SystemMessage(nCode) + ")";
    }

    CWinChild& m_child;
};

}  // namespace

void JoinOwnJob(CWinChild& child) {
    child.hJob.Reset(::CreateJobObjectA(nullptr, nullptr));
    // A host that runs in a job of its own may forbid another: then only the program is ended.
    if (child.hJob.Get() != nullptr &&
        !::AssignProcessToJobObject(child.hJob.Get(), child.hProcess.Get()))
        child.hJob.Close();
}

void WaitForChild(CWinChild& child, const RunRequest& request, RunOutcome& outcome) {
    CWin32Wait(child, request, outcome).Run();
}

}  // namespace qjact::win32
