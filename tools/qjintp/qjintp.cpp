// qjintp: runs one script through the interpreter module, the way a host of the family does.
//   qjintp [-o OPTIONS] [-p PARAMS] [--trace FILE] [--log FILE] SCRIPT
// Exit status: 0 when the run returned 1, 1 when it returned 0, 2 for a usage error.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process_env.h"
#include "qjintp32.h"

namespace {
constexpr int EXIT_USAGE = 2;

struct Arguments {
    const char* pszOptions = nullptr;
    const char* pszParams = nullptr;
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
            platform::SetProcessEnv("QJ_TRACE", argv[++i]);
        } else if (std::strcmp(pszArg, "--log") == 0) {
            if (!bHasValue) return "--log needs a file";
            platform::SetProcessEnv("QJ_LOG", argv[++i]);
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

extern "C" void OnSignal(int) {
    QJIPBreak();
}
}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const char* pszProblem = ParseArguments(argc, argv, args)) return Usage(pszProblem);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    return QJIPInterpret(args.pszScript, args.pszOptions, args.pszParams) == 1 ? 0 : 1;
}
