// What the action module needs from the system, one implementation per platform (posix/ and
// win32/): starting a program and waiting for it, opening a document, the mounted file
// systems, and the host's start notification.
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "action_output.h"

namespace qjact {

struct RunRequest {
    std::string strProgram;            // a path, or a name searched on PATH
    std::vector<std::string> arrArgs;  // the words after the program's name
    std::string strDirectory;          // working directory; empty: the caller's
    std::vector<std::pair<std::string, std::string>> arrEnv;  // variables set for the child
    bool bWait = true;                            // wait for the end and capture the output
    int nTimeoutMs = 0;                           // 0: no limit
    const std::atomic<bool>* pbCancel = nullptr;  // set: kill the program and stop waiting
};

enum class RunEnd { NOT_STARTED, STARTED, EXITED, SIGNALLED, TIMED_OUT, CANCELLED };

struct RunOutcome {
    RunEnd eEnd = RunEnd::NOT_STARTED;
    unsigned long nStatus = 0;  // EXITED: the exit status; SIGNALLED: what ended it
    std::string strReason;      // NOT_STARTED: why; SIGNALLED: the system's name for the end
    std::string strNote;        // anything else worth a word in the trace
    COutputCapture output;      // standard output and standard error, as they came
};

// Starts the program, never through a shell. When bWait, standard output and standard error
// go to the capture and the call returns once the program has ended (the whole program group
// is killed on time-out or cancel); otherwise the program runs on alone, detached, with its
// standard handles on the null device, and leaves nothing behind to be waited for.
RunOutcome RunProgram(const RunRequest& request);

// Opens request.strProgram as a document with the desktop's opener, with the same waiting.
RunOutcome OpenDocument(const RunRequest& request);

// The mount points (drive roots on Windows) of the mounted file systems, in the system's order.
bool ListMountPoints(std::vector<std::string>& arrPoints, std::string& strReason);

// Unmounts a file system (dismounts a volume on Windows).
bool Unmount(const std::string& strPath, std::string& strReason);

// Closes the start notification that a host of the family shows; answers whether it did.
bool CloseStartNotice();

}  // namespace qjact
