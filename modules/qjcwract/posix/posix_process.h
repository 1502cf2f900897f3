// The POSIX parts of starting a program, shared by the files of posix/.
#pragma once

#include <sys/types.h>

#include <string>

#include "../action_platform.h"
#include "posix/fd.h"

namespace qjact::posix {

using qjcommon::CFd;

// The path of the program to run: a name without "/" is searched in the absolute folders of
// PATH (a match only through an empty, "." or other relative element is refused), a relative
// path is taken from the caller's current directory. False with the reason when there is none.
bool FindProgram(const std::string& strProgram, std::string& strPath, std::string& strReason);

// A started program: the leader of its own process group; with its output pipe when waited for.
struct CChild {
    pid_t pid = -1;
    CFd fdOutput;
};

// Starts the program at strPath for the request. Answers only once the program runs (or
// could not be started: false with the reason). A program not waited for is detached: it is
// nobody's child here, so it can never be left as a zombie.
bool StartChild(const RunRequest& request, const std::string& strPath, CChild& child,
                std::string& strReason);

}  // namespace qjact::posix
