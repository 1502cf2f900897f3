// The action module: runs programs and the actions of the actions file, never through a shell,
// and brings their output back; lists and unmounts file systems.
//
// A program is a path or a name searched on PATH, where a match only through the current
// directory is refused; its arguments are split into words as the system's programs expect
// (as a shell would on POSIX, with nothing expanded; by the command-line rules on Windows).
// Kind 0 runs the program, kind 1 opens it as a document with the desktop's opener (which
// takes the document alone, so the arguments are not passed). Waiting programs have their
// standard output and standard error captured, and are killed with their whole process group
// when the time-out passes or the owner's cancel flag is set. Every action leaves one line in
// the trace, with the system's reason when it fails.
#include "family/qjcwract.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "action_file.h"
#include "action_platform.h"
#include "action_report.h"
#include "action_trace.h"
#include "action_words.h"

namespace {

using namespace qjact;

enum Kind { KIND_PROGRAM = 0, KIND_DOCUMENT = 1 };

// Mount points are joined with this separator in GetMountedDrives.
constexpr char MOUNT_SEPARATOR = ';';

std::string Quoted(const char* psz) {
    return psz == nullptr ? std::string("NULL") : "\"" + std::string(psz) + "\"";
}

// Checks what the script passed and fills the parts of a request that do not name the program.
bool PrepareRequest(int nKind, const char* pszArguments, int nWait, int nTimeout,
                    RunRequest& request, std::string& strReason) {
    if (nKind != KIND_PROGRAM && nKind != KIND_DOCUMENT) {
        strReason =
            "unknown kind " + std::to_string(nKind) + " (0 runs a program, 1 opens a document)";
        return false;
    }
    if (nTimeout < 0) {
        strReason = "a negative time-out (" + std::to_string(nTimeout) + " ms)";
        return false;
    }
    std::string strWhy;
    if (!SplitWords(pszArguments, request.arrArgs, strWhy)) {
        strReason = "cannot split the arguments: " + strWhy;
        return false;
    }
    request.bWait = nWait != 0;
    request.nTimeoutMs = nTimeout;
    return true;
}

bool SplitFileArguments(const CActionEntry& entry, RunRequest& request, std::string& strReason) {
    std::string strWhy;
    if (SplitWords(entry.strArguments.c_str(), request.arrArgs, strWhy)) return true;
    strReason = "cannot split the action's Arguments: " + strWhy;
    return false;
}

int RunRequestOfKind(int nKind, const RunRequest& request, const std::string& strWhat,
                     ResultStyle eStyle, char* pszOut) {
    RunOutcome outcome = nKind == KIND_DOCUMENT ? OpenDocument(request) : RunProgram(request);
    return ReportOutcome(strWhat, outcome, request.nTimeoutMs, eStyle, pszOut);
}

}  // namespace

CActionModule::CActionModule() : m_pbCancel(nullptr) {}
CActionModule::~CActionModule() = default;

int CActionModule::ActRun(int nKind, const char* pszProgram, const char* pszArguments,
                          const char* pszDirectory, int nWait, char* pszOut, int nTimeout) {
    std::string strWhat = "ActRun " + Quoted(pszProgram);
    RunRequest request;
    std::string strReason;
    if (!PrepareRequest(nKind, pszArguments, nWait, nTimeout, request, strReason)) {
        TraceLine(strWhat, "not started: " + strReason);
        return 0;
    }
    request.strProgram = pszProgram != nullptr ? pszProgram : "";
    request.strDirectory = pszDirectory != nullptr ? pszDirectory : "";
    request.pbCancel = m_pbCancel;
    return RunRequestOfKind(nKind, request, strWhat, ResultStyle::RUN, pszOut);
}

// The file's arguments come first and the script's after them, each split on its own; the
// script's directory, when it names one, stands in for the file's.
int CActionModule::ActIDRun(const char* pszId, int nKind, const char* pszArguments,
                            const char* pszDirectory, int nWait, char* pszOut, int nTimeout,
                            const char* pszExtra) {
    std::string strWhat = "ActIDRun " + Quoted(pszId);
    CActionEntry entry;
    RunRequest request;
    std::string strReason;
    bool bReady = pszId != nullptr && LoadAction(pszId, entry, strReason) &&
                  SplitFileArguments(entry, request, strReason) &&
                  PrepareRequest(nKind, pszArguments, nWait, nTimeout, request, strReason);
    if (!bReady) {
        if (pszId == nullptr) strReason = "no action id given";
        TraceLine(strWhat, "not started: " + strReason);
        return 0;
    }
    strWhat += " (" + Quoted(entry.strProgram.c_str()) + ")";
    request.strProgram = entry.strProgram;
    bool bScriptDirectory = pszDirectory != nullptr && *pszDirectory != '\0';
    request.strDirectory = bScriptDirectory ? pszDirectory : entry.strDirectory;
    request.arrEnv.emplace_back("QJ_ACTION_EXTRA", pszExtra != nullptr ? pszExtra : "");
    request.pbCancel = m_pbCancel;
    return RunRequestOfKind(nKind, request, strWhat, ResultStyle::BY_ID, pszOut);
}

// Nothing to close where hosts show no start notification (POSIX).
int CActionModule::CloseMeldStart() {
    return CloseStartNotice() ? 1 : 0;
}

int CActionModule::Dismount(const char* pszDrive) {
    std::string strReason = "no path given";
    if (pszDrive != nullptr && *pszDrive != '\0' && Unmount(pszDrive, strReason)) {
        TraceLine("Dismount " + Quoted(pszDrive), "unmounted");
        return 1;
    }
    TraceLine("Dismount " + Quoted(pszDrive), "not unmounted: " + strReason);
    return 0;
}

// The mount points joined by ";"; a list longer than the buffer ends with its last whole point.
int CActionModule::GetMountedDrives(char* pszOut) {
    std::vector<std::string> arrPoints;
    std::string strReason;
    if (!ListMountPoints(arrPoints, strReason)) {
        TraceLine("GetMountedDrives", strReason);
        return 0;
    }
    std::string strList;
    for (const std::string& strPoint : arrPoints) {
        std::size_t nLen = strList.size() + (strList.empty() ? 0 : 1) + strPoint.size();
        if (nLen > MAX_OUTPUT) {
            TraceLine("GetMountedDrives", std::to_string(arrPoints.size()) +
                                              " mount points, the list was cut to fit " +
                                              std::to_string(MAX_OUTPUT) + " characters");
            break;
        }
        if (!strList.empty()) strList.push_back(MOUNT_SEPARATOR);
        strList += strPoint;
    }
    CopyToBuffer(strList, pszOut);
    return 1;
}

// The parameter text that the host gave the action, in QJ_ACTION_PARAM.
int CActionModule::GetParam(char* pszOut) {
    const char* pszParam = std::getenv("QJ_ACTION_PARAM");
    CopyToBuffer(pszParam != nullptr ? pszParam : "", pszOut);
    return pszParam != nullptr ? 1 : 0;
}
