// qjintp: runs one script through the interpreter module, the way a host of the family does.
//   qjintp [OPTION]... SCRIPT [VALUE]...      (qjintp --help lists the options)
// Exit status: 0 when the run returned 1, 1 when it returned 0 or its trace or log output was
// lost, 2 for a usage error; a run cancelled by the time limit 124, by SIGINT 130 and by
// SIGTERM 143, as shells and timeout(1) have it.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "editor/debug_adapter.h"
#include "editor/language_server.h"
#include "family/pvtrc32.h"
#include "family/pvwfile.h"
#include "family/qjclog.h"
#include "host_os.h"
#include "options.h"
#include "process_env.h"
#include "qjintp32.h"
#include "stdin_script.h"

namespace {
constexpr int EXIT_RUN_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_TIME_LIMIT = 124;
constexpr int EXIT_INTERRUPTED = 130;  // 128 + SIGINT
constexpr int EXIT_TERMINATED = 143;   // 128 + SIGTERM

// The exit status of what cancelled the run first; 0 while nothing has.
std::atomic<int> g_nCancelStatus{0};

// Notes what cancelled the run, unless something did before; safe in a signal handler.
void NoteCancel(int nStatus) {
    int nNone = 0;
    g_nCancelStatus.compare_exchange_strong(nNone, nStatus);
}

int Usage(const std::string& strProblem) {
    std::fprintf(stderr, "qjintp: %s\n%sTry 'qjintp --help' for the options.\n", strProblem.c_str(),
                 UsageLines());
    return EXIT_USAGE;
}

int Fail(const std::string& strProblem) {
    std::fprintf(stderr, "qjintp: %s\n", strProblem.c_str());
    return EXIT_RUN_FAILED;
}

// Cancels the run at its next line, and a running file operation at its next file: the
// interpreter never stops the file library itself, so the host asks both. Each only sets a
// flag, which is safe in a signal handler. A break that no file operation takes stays with the
// library for its next operation; qjintp makes one run per process, so it reaches no later run.
void CancelRun() {
    QJIPBreak();
    PVWBreak();
}

extern "C" void OnSignal(int nSignal) {
    NoteCancel(nSignal == SIGINT ? EXIT_INTERRUPTED : EXIT_TERMINATED);
    // The first SIGINT or SIGTERM cancels the run; a run that cannot get to its next line (it
    // waits on a write, say) is ended by the second, which finds the default action.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    CancelRun();
}

void InstallSignalHandlers() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // A reader that goes away costs the trace, not the run: file operations are not cut short.
    IgnoreBrokenPipes();
}

void OnTimeUp() {
    NoteCancel(EXIT_TIME_LIMIT);
    CancelRun();
}

// Points the trace or log module at a file given on the command line. The module opens it
// itself, on first use; it is opened here first so that a file that cannot be written is a
// usage error, not output lost during the run. Empty, or the problem with its reason.
std::string UseOutputFile(const char* pszOption, const char* pszVariable,
                          const std::string& strPath) {
    if (strPath.empty()) return {};
    std::FILE* pFile = std::fopen(strPath.c_str(), "a");
    if (pFile == nullptr)
        return std::string("cannot open ") + pszOption + " file '" + strPath +
               "': " + std::strerror(errno);
    std::fclose(pFile);
    qjcommon::SetProcessEnv(pszVariable, strPath.c_str());
    return {};
}

// The file an option names, else the one its environment variable names, checked alike.
std::string CheckOutputFile(const char* pszOption, const char* pszVariable,
                            const std::string& strGiven) {
    if (!strGiven.empty()) return UseOutputFile(pszOption, pszVariable, strGiven);
    const char* pszInherited = std::getenv(pszVariable);
    return UseOutputFile(pszVariable, pszVariable, pszInherited ? pszInherited : "");
}

// --trace and --log (or QJ_TRACE and QJ_LOG) name the files of the trace and log modules;
// --quiet sends the trace nowhere.
std::string DirectOutput(const CCommandLine& cmd) {
    std::string strProblem;
    if (cmd.bQuiet)
        qjcommon::SetProcessEnv("QJ_TRACE", NullDevice());
    else
        strProblem = CheckOutputFile("--trace", "QJ_TRACE", cmd.strTrace);
    if (strProblem.empty()) strProblem = CheckOutputFile("--log", "QJ_LOG", cmd.strLog);
    return strProblem;
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

// Options as the run gets them; --quiet adds NT so that nothing is formatted for the trace.
std::string RunOptions(const CCommandLine& cmd) {
    if (!cmd.bQuiet) return cmd.strOptions;
    return cmd.strOptions.empty() ? "NT" : cmd.strOptions + "/NT";
}

int Register(const std::string& strLibrary) {
    // A library in the current folder is loaded from there, and registered by its full path.
    std::error_code ec;
    std::string strPath = strLibrary;
    if (std::filesystem::exists(strLibrary, ec))
        strPath = std::filesystem::absolute(strLibrary, ec).string();
    long nStatus = 0;
    std::string strReason;
    if (!CallRegisterServer(strPath, nStatus, strReason))
        return Fail("cannot register " + strLibrary + ": " + strReason);
    if (nStatus < 0) {
        char szStatus[16];
        std::snprintf(szStatus, sizeof szStatus, "0x%08lX", nStatus & 0xFFFFFFFFL);
        return Fail("DllRegisterServer of " + strLibrary + " failed with status " + szStatus);
    }
    std::printf("qjintp: registered %s\n", strPath.c_str());
    return 0;
}

// The status of a run that did not end well: what cancelled it, else a plain failure.
int FailedRunStatus(const CCommandLine& cmd) {
    const int nCancelStatus = g_nCancelStatus;
    if (nCancelStatus == EXIT_TIME_LIMIT)
        std::fprintf(stderr, "qjintp: run cancelled: the time limit (%u s) was reached\n",
                     cmd.nTimeoutSeconds);
    return nCancelStatus != 0 ? nCancelStatus : EXIT_RUN_FAILED;
}

// Copies a script from standard input. The time limit and the signals count from the start:
// they end the wait for input too, and the temporary file goes with stdinScript.
bool ReadStdinScript(CStdinScript& stdinScript) {
    std::string strReason;
    EndWaitsOnSignals(true);
    bool bCopied = stdinScript.Copy(g_nCancelStatus, strReason);
    EndWaitsOnSignals(false);
    if (g_nCancelStatus != 0) {
        if (g_nCancelStatus != EXIT_TIME_LIMIT)
            std::fprintf(stderr, "qjintp: cancelled while reading the script\n");
        return false;
    }
    if (!bCopied) Fail(strReason);
    return bCopied;
}

int Run(const CCommandLine& cmd) {
    std::string strProblem = DirectOutput(cmd);
    if (!strProblem.empty()) return Usage(strProblem);
    InstallSignalHandlers();
    if (cmd.nTimeoutSeconds > 0) StartTimer(cmd.nTimeoutSeconds, OnTimeUp);
    CStdinScript stdinScript;
    std::string strScript = cmd.strScript;
    if (strScript == "-") {
        if (!ReadStdinScript(stdinScript)) return FailedRunStatus(cmd);
        strScript = stdinScript.Path();
    }
    std::string strOptions = RunOptions(cmd);
    int nResult =
        QJIPInterpret(strScript.c_str(), strOptions.empty() ? nullptr : strOptions.c_str(),
                      cmd.bHasParams ? cmd.strParams.c_str() : nullptr);
    if (cmd.nTimeoutSeconds > 0) StopTimer();
    const bool bLost = ReportLostOutput();
    if (nResult == 1 && !bLost) return 0;
    return FailedRunStatus(cmd);
}
}  // namespace

int main(int argc, char** argv) {
    KeepClosedStreamsClosed();
    AllowManyOpenFiles();
    CCommandLine cmd;
    std::string strProblem = ParseCommandLine(argc, argv, cmd);
    if (!strProblem.empty()) return Usage(strProblem);
    switch (cmd.action) {
        case CCommandLine::Action::Help:
            std::printf("%s%s", UsageLines(), HelpText());
            return 0;
        case CCommandLine::Action::Version:
            std::printf("qjintp %s\n", QJINTP32_VERSION);
            return 0;
        case CCommandLine::Action::Register:
            return Register(cmd.strLibrary);
        case CCommandLine::Action::LanguageServer:
            UseBinaryStandardStreams();
            return RunLanguageServer();
        case CCommandLine::Action::DebugAdapter:
            UseBinaryStandardStreams();
            return RunDebugAdapter();
        case CCommandLine::Action::Run:
            break;
    }
    return Run(cmd);
}
