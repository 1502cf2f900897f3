// qjintp's calls into a POSIX system.
#include "../host_os.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

std::FILE* CreateTempFile(std::string& strPath, std::string& strReason) {
    const char* pszDir = std::getenv("TMPDIR");
    strPath = std::string(pszDir && *pszDir ? pszDir : "/tmp") + "/qjintp-XXXXXX";
    int nFile = mkstemp(strPath.data());
    if (nFile < 0) {
        strReason = std::strerror(errno);
        return nullptr;
    }
    std::FILE* pFile = fdopen(nFile, "wb");
    if (!pFile) {
        strReason = std::strerror(errno);
        close(nFile);
        unlink(strPath.c_str());
    }
    return pFile;
}

const char* NullDevice() {
    return "/dev/null";
}

bool CallRegisterServer(const std::string& strLibrary, long& nStatus, std::string& strReason) {
    // Kept loaded: the entry may have left handlers behind for the rest of the process.
    void* hLibrary = dlopen(strLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hLibrary) {
        strReason = dlerror();
        return false;
    }
    auto pfnRegister = reinterpret_cast<int32_t (*)()>(dlsym(hLibrary, "DllRegisterServer"));
    if (!pfnRegister) {
        strReason = "the library has no DllRegisterServer entry";
        return false;
    }
    nStatus = pfnRegister();
    return true;
}

namespace {
void (*g_pfnExpire)() = nullptr;

extern "C" void OnAlarm(int) {
    g_pfnExpire();
}
}  // namespace

void StartTimer(unsigned nSeconds, void (*pfnExpire)()) {
    g_pfnExpire = pfnExpire;
    struct sigaction action = {};
    action.sa_handler = OnAlarm;
    action.sa_flags = SA_RESTART;  // built-ins waiting for the system go on
    sigaction(SIGALRM, &action, nullptr);
    alarm(nSeconds);
}

void StopTimer() {
    alarm(0);
}

void EndWaitsOnSignals(bool bEnd) {
    for (int nSignal : {SIGINT, SIGTERM, SIGALRM}) {
        struct sigaction action = {};
        if (sigaction(nSignal, nullptr, &action) != 0) continue;
        if (bEnd)
            action.sa_flags &= ~SA_RESTART;
        else
            action.sa_flags |= SA_RESTART;
        sigaction(nSignal, &action, nullptr);
    }
}

// /dev/null opened for reading takes a closed stream's number: writes to it fail.
void KeepClosedStreamsClosed() {
    for (int nStream : {STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(nStream, F_GETFD) != -1 || errno != EBADF) continue;
        const int nFile = open("/dev/null", O_RDONLY);
        if (nFile >= 0 && nFile != nStream) {
            dup2(nFile, nStream);
            close(nFile);
        }
    }
}

namespace {

rlim_t g_nOpenFilesAtStart;

// Runs in a child between fork and execve: only calls that are safe there.
void RestoreOpenFilesLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    limit.rlim_cur = g_nOpenFilesAtStart;
    setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

void AllowManyOpenFiles() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    g_nOpenFilesAtStart = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    // Refused: the default stays, which only costs speed. Programs a script starts get the
    // limit qjintp was started with: some close every descriptor up to it, or use select().
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0)
        pthread_atfork(nullptr, nullptr, RestoreOpenFilesLimit);
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

// POSIX streams have no text mode.
void UseBinaryStandardStreams() {}
