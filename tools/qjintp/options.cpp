// Reading qjintp's command line. Options come before the script; everything after the script
// is a value for Param1, Param2, ..., whatever it begins with, so that negative numbers and
// texts that start with "-" can be passed.
#include "options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

enum : int { OPT_TRACE = 256, OPT_LOG, OPT_TIMEOUT, OPT_REGISTER, OPT_VERSION, OPT_LSP, OPT_DAP };

// "+": stop at the first argument that is not an option (the script); ":": report a missing
// value as ':' so that it gets its own message.
constexpr const char* SHORT_OPTIONS = "+:o:p:qh";

constexpr option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"quiet", no_argument, nullptr, 'q'},
    {"options", required_argument, nullptr, 'o'},
    {"params", required_argument, nullptr, 'p'},
    {"trace", required_argument, nullptr, OPT_TRACE},
    {"log", required_argument, nullptr, OPT_LOG},
    {"timeout", required_argument, nullptr, OPT_TIMEOUT},
    {"register", required_argument, nullptr, OPT_REGISTER},
    {"lsp", no_argument, nullptr, OPT_LSP},
    {"dap", no_argument, nullptr, OPT_DAP},
    {nullptr, 0, nullptr, 0},
};

constexpr unsigned MAX_TIMEOUT_SECONDS = 7 * 24 * 60 * 60;

bool ReadSeconds(const char* pszText, unsigned& nSeconds) {
    char* pszEnd = nullptr;
    errno = 0;
    long nValue = std::strtol(pszText, &pszEnd, 10);
    if (errno != 0 || pszEnd == pszText || *pszEnd != '\0' || nValue < 1 ||
        nValue > static_cast<long>(MAX_TIMEOUT_SECONDS))
        return false;
    nSeconds = static_cast<unsigned>(nValue);
    return true;
}

// The option as the user wrote it, for messages: "-o", "--trace".
std::string OptionName(char** argv, int nIndex) {
    std::string strArg = argv[nIndex];
    return strArg.substr(0, strArg.find('='));
}

// Applies one option; answers the problem, or the empty text.
std::string TakeOption(int nOption, const char* pszValue, CCommandLine& cmd) {
    switch (nOption) {
        case 'h':
            cmd.action = CCommandLine::Action::Help;
            break;
        case OPT_VERSION:
            cmd.action = CCommandLine::Action::Version;
            break;
        case 'q':
            cmd.bQuiet = true;
            break;
        case 'o':
            cmd.strOptions = pszValue;
            cmd.bHasOptions = true;
            break;
        case 'p':
            cmd.strParams = pszValue;
            cmd.bHasParams = true;
            break;
        case OPT_TRACE:
            cmd.strTrace = pszValue;
            break;
        case OPT_LOG:
            cmd.strLog = pszValue;
            break;
        case OPT_TIMEOUT:
            if (!ReadSeconds(pszValue, cmd.nTimeoutSeconds))
                return "--timeout needs a whole number of seconds from 1 to " +
                       std::to_string(MAX_TIMEOUT_SECONDS);
            break;
        case OPT_REGISTER:
            cmd.action = CCommandLine::Action::Register;
            cmd.strLibrary = pszValue;
            break;
        case OPT_LSP:
            cmd.action = CCommandLine::Action::LanguageServer;
            break;
        case OPT_DAP:
            cmd.action = CCommandLine::Action::DebugAdapter;
            break;
    }
    return {};
}

// The values after the script become one parameter string of quoted values.
std::string TakeValues(int argc, char** argv, int nFirst, CCommandLine& cmd) {
    if (nFirst >= argc) return {};
    if (cmd.bHasParams) return "give the parameters either with -p or after the script";
    for (int i = nFirst; i < argc; ++i) {
        if (std::strchr(argv[i], '"'))
            return std::string("a value cannot hold a double quote: ") + argv[i];
        if (i > nFirst) cmd.strParams += ' ';
        cmd.strParams += '"' + std::string(argv[i]) + '"';
    }
    cmd.bHasParams = true;
    return {};
}

}  // namespace

std::string ParseCommandLine(int argc, char** argv, CCommandLine& cmd) {
    opterr = 0;
    optind = 1;
    for (int nOption;
         (nOption = getopt_long(argc, argv, SHORT_OPTIONS, LONG_OPTIONS, nullptr)) != -1;) {
        if (nOption == ':') return OptionName(argv, optind - 1) + " needs a value";
        if (nOption == '?') return "unknown option " + OptionName(argv, optind - 1);
        std::string strProblem = TakeOption(nOption, optarg, cmd);
        if (!strProblem.empty()) return strProblem;
    }
    if (cmd.action != CCommandLine::Action::Run) {
        if (optind < argc)
            return "nothing can follow --help, --version, --register LIBRARY, --lsp or --dap";
        return {};
    }
    if (optind >= argc) return "no script given";
    cmd.strScript = argv[optind];
    return TakeValues(argc, argv, optind + 1, cmd);
}

const char* UsageLines() {
    return "usage: qjintp [OPTION]... SCRIPT [VALUE]...\n"
           "       qjintp --register LIBRARY\n"
           "       qjintp --lsp\n"
           "       qjintp --dap\n";
}

const char* HelpText() {
    return "Runs SCRIPT through the QJIntp32 interpreter; SCRIPT \"-\" reads it from standard "
           "input.\n"
           "Each VALUE becomes a String variable: Param1, Param2, ...\n"
           "\n"
           "  -o, --options OPTIONS  run options, separated by / or -: S simulate, C check,\n"
           "                         NT no trace, E errors as log errors (for example /S/NT)\n"
           "  -p, --params PARAMS    parameters as double-quoted values: '\"a\" \"b c\"'\n"
           "                         (instead of values after the script)\n"
           "  -q, --quiet            no trace at all, not even the start and end messages\n"
           "      --trace FILE       append the trace to FILE instead of writing it to stdout\n"
           "      --log FILE         append the log to FILE instead of writing it to stderr\n"
           "      --timeout SECONDS  cancel the run once SECONDS have passed, counted from the\n"
           "                         start (reading a script from standard input included)\n"
           "      --register LIBRARY call the DllRegisterServer entry of an automation\n"
           "                         server library, which records its classes\n"
           "      --lsp              serve an editor as a language server on stdin and stdout\n"
           "      --dap              serve an editor as a debugger on stdin and stdout\n"
           "  -h, --help             show this text and exit\n"
           "      --version          show the version and exit\n"
           "\n"
           "Exit status: 0 when the script ran to its end; 1 when it failed, was cancelled or\n"
           "ended through Exit; 2 for a usage error; 124 when --timeout ended the run, 130\n"
           "after SIGINT (Ctrl-C) and 143 after SIGTERM.\n"
           "The environment variables QJ_TRACE and QJ_LOG name the trace and log files when\n"
           "--trace and --log are not given (a file that cannot be opened is a usage error\n"
           "either way); QJ_CLASSES names the class registry file.\n"
           "A trace line longer than QJ_TRACE_LINE_MAX bytes (8192 when not set, 0: no limit)\n"
           "is cut and ends in \"[... N bytes left out]\".\n";
}
