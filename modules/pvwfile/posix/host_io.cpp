// The host's side on POSIX: notification lines on a descriptor, and whether stderr is a
// terminal.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "../platform.h"

namespace pvw {

void NotifyHost(int nTarget, const std::string& strLine) {
    // A reader that went away must not end the host with SIGPIPE: block it for this thread
    // and take a signal the write raised before unblocking.
    sigset_t pipeSet, oldSet;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
    std::string strText = strLine + "\n";
    bool bPipeBroken = false;
    for (size_t nOff = 0; nOff < strText.size();) {
        ssize_t n = ::write(nTarget, strText.data() + nOff, strText.size() - nOff);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            bPipeBroken = errno == EPIPE;
            break;
        }
        nOff += static_cast<size_t>(n);
    }
    if (bPipeBroken && !sigismember(&oldSet, SIGPIPE)) {
        struct timespec zero = {0, 0};
        sigtimedwait(&pipeSet, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace pvw
