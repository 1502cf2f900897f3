// Starting a program with fork and execve: no shell, its own process group, no descriptor of
// ours left open in it, and the reason reported when it cannot become the program.
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "posix_process.h"

extern char** environ;

namespace qjact::posix {

namespace {

// Where the child failed, sent to the parent through a pipe that closes when execve succeeds.
enum Stage : int { STAGE_FORK = 1, STAGE_DIRECTORY, STAGE_HANDLES, STAGE_EXEC };

struct ChildFailure {
    int nStage;
    int nErrno;
};

// The argument and environment arrays, built before fork: the child may only call functions
// that are safe after fork in a threaded process, and allocating is not one of them.
struct CExecImage {
    std::string strPath;
    std::vector<std::string> arrArgs;
    std::vector<std::string> arrEnv;
    std::vector<char*> arrArgv;
    std::vector<char*> arrEnvp;

    CExecImage(const RunRequest& request, const std::string& strProgramPath)
        : strPath(strProgramPath) {
        arrArgs.push_back(request.strProgram);
        arrArgs.insert(arrArgs.end(), request.arrArgs.begin(), request.arrArgs.end());
        for (char** ppsz = environ; *ppsz != nullptr; ++ppsz) {
            if (!IsReplaced(*ppsz, request)) arrEnv.emplace_back(*ppsz);
        }
        for (const auto& [strName, strValue] : request.arrEnv)
            arrEnv.push_back(strName + "=" + strValue);
        for (std::string& str : arrArgs) arrArgv.push_back(str.data());
        arrArgv.push_back(nullptr);
        for (std::string& str : arrEnv) arrEnvp.push_back(str.data());
        arrEnvp.push_back(nullptr);
    }

    static bool IsReplaced(const char* pszEntry, const RunRequest& request) {
        for (const auto& var : request.arrEnv) {
            const std::string& strName = var.first;
            if (std::strncmp(pszEntry, strName.c_str(), strName.size()) == 0 &&
                pszEntry[strName.size()] == '=')
                return true;
        }
        return false;
    }
};

[[noreturn]] void ReportAndExit(int fdReport, int nStage) {
    ChildFailure failure{nStage, errno};
    ssize_t nIgnored = ::write(fdReport, &failure, sizeof failure);
    (void)nIgnored;  // nothing more can be done from here
    ::_exit(127);
}

// Marks every descriptor above the standard three to close on execve. Descriptors opened by
// other threads or by the host without O_CLOEXEC never reach the program.
void CloseOthersOnExec() {
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    struct rlimit limit;
    rlim_t nMax = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    for (rlim_t fd = 3; fd < nMax; ++fd) ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
}

// Runs in the child: from here on only async-signal-safe calls.
[[noreturn]] void BecomeProgram(const CExecImage& image, const char* pszDir, int fdIn, int fdOut,
                                int fdReport) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Signals the host ignores (SIGPIPE, say) would stay ignored in the program.
    for (int nSignal = 1; nSignal < NSIG; ++nSignal) ::signal(nSignal, SIG_DFL);
    ::setpgid(0, 0);
    if (pszDir != nullptr && ::chdir(pszDir) != 0) ReportAndExit(fdReport, STAGE_DIRECTORY);
    if (::dup2(fdIn, 0) < 0 || ::dup2(fdOut, 1) < 0 || ::dup2(fdOut, 2) < 0)
        ReportAndExit(fdReport, STAGE_HANDLES);
    CloseOthersOnExec();
    ::execve(image.strPath.c_str(), image.arrArgv.data(), image.arrEnvp.data());
    ReportAndExit(fdReport, STAGE_EXEC);
}

// pipe2 with O_CLOEXEC, both ends above the standard three: a host that closed its standard
// output must not see our pipe land on descriptor 1, where dup2 would leave it as it is.
bool OpenPipe(CFd& fdRead, CFd& fdWrite) {
    int afd[2];
    if (::pipe2(afd, O_CLOEXEC) != 0) return false;
    fdRead.Reset(afd[0]);
    fdWrite.Reset(afd[1]);
    for (CFd* pFd : {&fdRead, &fdWrite}) {
        if (pFd->Get() < 3) pFd->Reset(::fcntl(pFd->Get(), F_DUPFD_CLOEXEC, 3));
        if (pFd->Get() < 0) return false;
    }
    return true;
}

std::string FailureReason(const ChildFailure& failure, const RunRequest& request,
                          const std::string& strPath) {
    std::string strError = std::strerror(failure.nErrno);
    switch (failure.nStage) {
        case STAGE_DIRECTORY:
            return "cannot enter the directory \"" + request.strDirectory + "\": " + strError;
        case STAGE_HANDLES:
            return "cannot set up the standard handles: " + strError;
        case STAGE_EXEC:
            return "cannot run \"" + strPath + "\": " + strError;
        default:
            return "cannot start a process: " + strError;
    }
}

// Waits for the child to run the program: the pipe closes on execve, or brings the failure.
bool ReadFailure(int fdReport, ChildFailure& failure) {
    char* p = reinterpret_cast<char*>(&failure);
    std::size_t nGot = 0;
    while (nGot < sizeof failure) {
        ssize_t n = ::read(fdReport, p + nGot, sizeof failure - nGot);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        nGot += static_cast<std::size_t>(n);
    }
    return nGot == sizeof failure;
}

void Reap(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool StartChild(const RunRequest& request, const std::string& strPath, CChild& child,
                std::string& strReason) {
    CExecImage image(request, strPath);
    CFd fdNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    CFd fdReportRead, fdReportWrite, fdOutWrite;
    if (fdNull.Get() < 0 || !OpenPipe(fdReportRead, fdReportWrite) ||
        (request.bWait && !OpenPipe(child.fdOutput, fdOutWrite))) {
        strReason = std::string("cannot make the pipes for the program: ") + std::strerror(errno);
        return false;
    }
    const char* pszDir = request.strDirectory.empty() ? nullptr : request.strDirectory.c_str();
    int fdOut = request.bWait ? fdOutWrite.Get() : fdNull.Get();
    pid_t pid = ::fork();
    if (pid < 0) {
        strReason = std::string("cannot start a process: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // Not waited for: a second fork leaves the program to init, so no zombie is left here.
        if (!request.bWait) {
            pid_t pidProgram = ::fork();
            if (pidProgram < 0) ReportAndExit(fdReportWrite.Get(), STAGE_FORK);
            if (pidProgram > 0) ::_exit(0);
        }
        BecomeProgram(image, pszDir, fdNull.Get(), fdOut, fdReportWrite.Get());
    }
    fdReportWrite.Close();
    fdOutWrite.Close();
    if (!request.bWait) Reap(pid);
    ChildFailure failure{};
    if (ReadFailure(fdReportRead.Get(), failure)) {
        if (request.bWait) Reap(pid);
        child.fdOutput.Close();
        strReason = FailureReason(failure, request, strPath);
        return false;
    }
    child.pid = pid;
    return true;
}

}  // namespace qjact::posix
