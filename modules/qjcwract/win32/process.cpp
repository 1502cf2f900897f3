// Starting a program with CreateProcess: no command interpreter, only the handles meant for it
// inherited, its standard output and standard error on a pipe of ours when waited for.
#include <cstring>
#include <string_view>

#include "plain_text.h"
#include "win32_action.h"

namespace qjact {

namespace {

using win32::CHandle;

// Whether an entry "NAME=value" of an environment block is the variable strName.
bool SameNameNoCase(std::string_view entry, const std::string& strName) {
    return entry.size() > strName.size() && entry[strName.size()] == '=' &&
           qjcommon::EqualsNoCase(entry.substr(0, strName.size()), strName);
}

// The caller's environment block with the request's variables set (names ignore case here).
std::string BuildEnvironment(const RunRequest& request) {
    std::string strBlock;
    char* pszStrings = ::GetEnvironmentStringsA();
    for (const char* psz = pszStrings; psz != nullptr && *psz != '\0';
         psz += std::strlen(psz) + 1) {
        bool bReplaced = false;
        for (const auto& var : request.arrEnv)
            bReplaced = bReplaced || SameNameNoCase(psz, var.first);
        if (!bReplaced) strBlock.append(psz).push_back('\0');
    }
    if (pszStrings != nullptr) ::FreeEnvironmentStringsA(pszStrings);
    for (const auto& [strName, strValue] : request.arrEnv)
        strBlock.append(strName + "=" + strValue).push_back('\0');
    strBlock.push_back('\0');
    return strBlock;
}

// Only the handles in the list reach the program, whatever else the host left inheritable.
class CHandleList {
public:
    explicit CHandleList(std::vector<HANDLE> arrHandles) : m_arrHandles(std::move(arrHandles)) {
        SIZE_T nSize = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &nSize);
        m_buffer.resize(nSize);
        m_pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        m_bReady = ::InitializeProcThreadAttributeList(m_pList, 1, 0, &nSize) &&
                   ::UpdateProcThreadAttribute(
                       m_pList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_arrHandles.data(),
                       m_arrHandles.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~CHandleList() {
        if (m_bReady) ::DeleteProcThreadAttributeList(m_pList);
    }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return m_bReady ? m_pList : nullptr; }

private:
    std::vector<HANDLE> m_arrHandles;
    std::vector<char> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_pList = nullptr;
    bool m_bReady = false;
};

std::string StartFailure(DWORD nError, const RunRequest& request, const std::string& strPath) {
    if (nError == ERROR_DIRECTORY ||
        (nError == ERROR_PATH_NOT_FOUND && !request.strDirectory.empty()))
        return "cannot enter the directory \"" + request.strDirectory +
               "\": " + win32::SystemMessage(nError);
    return "cannot run \"" + strPath + "\": " + win32::SystemMessage(nError);
}

bool StartChild(const RunRequest& request, const std::string& strPath, win32::CWinChild& child,
                std::string& strReason) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    CHandle hNull(::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                nullptr));
    CHandle hWrite;
    if (request.bWait) {
        HANDLE hRead = nullptr, hPipeWrite = nullptr;
        if (::CreatePipe(&hRead, &hPipeWrite, &inherit, 0)) {
            child.hOutput.Reset(hRead);
            hWrite.Reset(hPipeWrite);
            ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
        }
    }
    HANDLE hOut = request.bWait ? hWrite.Get() : hNull.Get();
    if (hNull.Get() == nullptr || hOut == nullptr) {
        strReason =
            "cannot make the pipes for the program: " + win32::SystemMessage(::GetLastError());
        return false;
    }
    std::vector<HANDLE> arrInherited{hNull.Get()};
    if (hOut != hNull.Get()) arrInherited.push_back(hOut);
    CHandleList handles(arrInherited);
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = hNull.Get();
    startup.StartupInfo.hStdOutput = hOut;
    startup.StartupInfo.hStdError = hOut;
    startup.lpAttributeList = handles.Get();
    std::string strCommandLine = win32::BuildCommandLine(request.strProgram, request.arrArgs);
    std::string strEnvironment = BuildEnvironment(request);
    // Suspended until it is in its job, so that nothing it starts escapes the job.
    DWORD nFlags = EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP |
                   (request.bWait ? CREATE_SUSPENDED : 0);
    PROCESS_INFORMATION info{};
    if (handles.Get() == nullptr ||
        !::CreateProcessA(strPath.c_str(), strCommandLine.data(), nullptr, nullptr, TRUE, nFlags,
                          strEnvironment.data(),
                          request.strDirectory.empty() ? nullptr : request.strDirectory.c_str(),
                          &startup.StartupInfo, &info)) {
        strReason = StartFailure(::GetLastError(), request, strPath);
        return false;
    }
    child.hProcess.Reset(info.hProcess);
    CHandle hThread(info.hThread);
    if (request.bWait) {
        win32::JoinOwnJob(child);
        ::ResumeThread(hThread.Get());
    }
    return true;
}

}  // namespace

RunOutcome RunProgram(const RunRequest& request) {
    RunOutcome outcome;
    std::string strPath;
    win32::CWinChild child;
    if (!win32::FindProgram(request.strProgram, strPath, outcome.strReason) ||
        !StartChild(request, strPath, child, outcome.strReason))
        return outcome;
    if (!request.bWait) {
        outcome.eEnd = RunEnd::STARTED;  // its handles close here: nothing is left to reap
        return outcome;
    }
    win32::WaitForChild(child, request, outcome);
    return outcome;
}

}  // namespace qjact
