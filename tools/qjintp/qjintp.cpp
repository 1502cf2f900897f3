// qjintp: runs one script through the interpreter module, the way a host of the family does.
//   qjintp [-o OPTIONS] [-p PARAMS] [--trace FILE] [--log FILE] SCRIPT
// Exit status: 0 when the run returned 1, 1 when it returned 0 or its trace or log output was
// lost, 2 for a usage error.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "family/pvtrc32.h"
#include "family/qjclog.h"
#include "qjintp32.h"

namespace {
constexpr int EXIT_USAGE = 2;

struct Arguments {
    const char* pszOptions = nullptr;
    const char* pszParams = nullptr;
    const char* pszTrace = nullptr;
    const char* pszLog = nullptr;
    const char* pszScript = nullptr;
};

int Usage(const char* pszProblem) {
    std::fprintf(stderr,
                 "qjintp: %s\n"
                 "usage: qjintp [-o OPTIONS] [-p PARAMS] [--trace FILE] [--log FILE] SCRIPT\n"
                 "  -o OPTIONS    run options: S simulate, C check, NT no trace, E errors as log\n"
                 "                errors, separated by / or - (for example /S/NT)\n"
                 "  -p PARAMS     parameters: double-quoted values, Param1, Param2, ...\n"
                 "  --trace FILE  write the trace to FILE instead of stdout\n"
                 "  --log FILE    write the log to FILE instead of stderr\n",
                 pszProblem);
    return EXIT_USAGE;
}

// Reads the command line; an option's value is the next argument whatever it begins with.
const char* ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const char* pszArg = argv[i];
        bool bHasValue = i + 1 < argc;
        if (std::strcmp(pszArg, "-o") == 0) {
            if (!bHasValue) return "-o needs a value";
            args.pszOptions = argv[++i];
        } else if (std::strcmp(pszArg, "-p") == 0) {
            if (!bHasValue) return "-p needs a value";
            args.pszParams = argv[++i];
        } else if (std::strcmp(pszArg, "--trace") == 0) {
            if (!bHasValue) return "--trace needs a file";
            args.pszTrace = argv[++i];
        } else if (std::strcmp(pszArg, "--log") == 0) {
            if (!bHasValue) return "--log needs a file";
            args.pszLog = argv[++i];
        } else if (pszArg[0] == '-' && pszArg[1] != '\0') {
            return "unknown option";
        } else if (args.pszScript != nullptr) {
            return "only one script can be run";
        } else {
            args.pszScript = pszArg;
        }
    }
    return args.pszScript == nullptr ? "no script given" : nullptr;
}

// Points the trace or log module at a file given on the command line. The module opens it
// itself, on first use; it is opened here first so that a file that cannot be written is a
// usage error, not output lost during the run. Empty, or the problem with its reason.
std::string UseOutputFile(const char* pszOption, const char* pszVariable, const char* pszPath) {
    if (pszPath == nullptr) return {};
    std::FILE* pFile = std::fopen(pszPath, "a");
    if (pFile == nullptr)
        return std::string("cannot open ") + pszOption + " file '" + pszPath +
               "': " + std::strerror(errno);
    std::fclose(pFile);
    setenv(pszVariable, pszPath, 1);
    return {};
}

// A closed standard output or error stays unusable: a file opened later must not take its
// number, and writes to it must still fail. /dev/null opened for reading does both.
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

extern "C" void OnSignal(int) {
    // The first SIGINT or SIGTERM cancels the run at its next line; a run that cannot get there
    // (it waits on a write, say) is ended by the second, which finds the default action.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    QJIPBreak();
}

void HandleSignals() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // A reader that goes away costs the trace, not the run: file operations are not cut short.
    std::signal(SIGPIPE, SIG_IGN);
}

// Tells on stderr of trace or log output that the modules could not deliver; true if any.
bool ReportLostOutput() {
    bool bLost = false;
    for (const auto& [pszWhat, nError] :
         {std::pair{"trace", PVTraceOutputError()}, std::pair{"log", LogOutputError()}}) {
        if (nError == 0) continue;
        std::fprintf(stderr, "qjintp: %s output lost: %s\n", pszWhat, std::strerror(nError));
        bLost = true;
    }
    return bLost;
}
}  // namespace

int main(int argc, char** argv) {
    KeepClosedStreamsClosed();
    Arguments args;
    if (const char* pszProblem = ParseArguments(argc, argv, args)) return Usage(pszProblem);
    std::string strProblem = UseOutputFile("--trace", "QJ_TRACE", args.pszTrace);
    if (strProblem.empty()) strProblem = UseOutputFile("--log", "QJ_LOG", args.pszLog);
    if (!strProblem.empty()) return Usage(strProblem.c_str());
    HandleSignals();
    const int nResult = QJIPInterpret(args.pszScript, args.pszOptions, args.pszParams);
    const bool bLost = ReportLostOutput();
    return nResult == 1 && !bLost ? 0 : 1;
}
