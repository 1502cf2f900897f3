// The command line of qjintp: what the user asked for, read with getopt_long.
#pragma once

#include <string>

// What one command line asks for. A value is set only when its option was given.
struct CCommandLine {
    enum class Action { Run, Help, Version, Register, LanguageServer, DebugAdapter };
    Action action = Action::Run;
    std::string strScript;  // "-": read the script from standard input
    std::string strOptions;
    std::string strParams;
    bool bHasOptions = false;
    bool bHasParams = false;
    bool bQuiet = false;
    unsigned nTimeoutSeconds = 0;  // 0: no time limit
    std::string strTrace;          // --trace FILE
    std::string strLog;            // --log FILE
    std::string strLibrary;        // --register LIBRARY
};

// Reads argv into cmd. Answers the empty text, or the problem that makes it a usage error.
std::string ParseCommandLine(int argc, char** argv, CCommandLine& cmd);

// The usage lines, which a usage error and --help show.
const char* UsageLines();
// What --help shows after the usage lines: every option, the exit status, the environment.
const char* HelpText();
