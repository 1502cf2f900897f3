// The help on the built-ins that the editor tools show: the one place their signatures and
// summaries are written in the code. The language reference's tables give the same signatures
// and results and begin each description with the summary, which the docs' tests check.
#include "editor/builtin_help.h"

namespace {
// In the order of the built-in table; the parameters as the reference names them, "out" for
// a parameter the built-in writes.
constexpr CBuiltinHelp s_aHelp[] = {
    {"PVWScanDifference(S source, S target, N flags, S patterns)", "N",
     "compares two trees and reports each file that is new, changed or missing in the source"},
    {"PVWMove(S source, S target, N flags, S patterns)", "N", "moves files or trees"},
    {"PVWCopy(S source, S target, N flags, S patterns)", "N", "copies files or trees"},
    {"PVWEqualize(S source, S target, N flags, S patterns)", "N",
     "makes the target equal to the source: copies what is new or differs, deletes what the source "
     "lacks"},
    {"PVWUpdate(S source, S target, N flags, S patterns)", "N",
     "copies what is missing in the target or newer in the source"},
    {"PVWDelete(S folder, N flags, S patterns)", "N", "deletes the matching files of a folder"},
    {"PVWChangeAttrib(S source, S change, N flags, S patterns)", "N",
     "sets (`+`) and clears (`-`) attributes, for example `+R-H`"},
    {"PVWCreateDirectory(S path)", "N", "creates a directory and the missing ones above it"},
    {"PVWSetSimulation(N on)", "none",
     "the operations only report what they would do, and count it"},
    {"PVWSetShowProgress(N on)", "none", "a progress line on a terminal's standard error"},
    {"PVWSetIgnoreErrors(N on)", "none", "go on after a failed file"},
    {"PVWSetAnswerYesForDelete(N on)", "none", "deletes without asking"},
    {"PVWBreak()", "none",
     "asks the library to stop its current operation, or else its next one (result -4)"},
    {"PVWSetReservedSpace(N space)", "none", "megabytes to keep free on the target"},
    {"PVWSetProcessEmptyDirs(N on)", "none",
     "folders count too: a copy creates every folder of the source, empty ones included"},
    {"PVWSetSuppressErrorBox(N on)", "none", "no error dialogs (there are none"},
    {"PVWSetFileTimeFilter(N days)", "none",
     "positive: only files changed in the last so many days"},
    {"PVWSetNotifyWindow(N target)", "none",
     "also sends every report line to the host: a window on Windows, an open file descriptor on "
     "Linux"},
    {"PVWAddFileIncludeFilter(S patterns)", "none", "only files that match"},
    {"PVWAddFileExcludeFilter(S patterns)", "none", "files that match are left out"},
    {"PVWAddDirExcludeFilter(S patterns)", "none",
     "directories that match, by name or by path below the root, are left out"},
    {"PVWSetIncludeAttributes(S letters, N add)", "none",
     "only files with one of these attributes"},
    {"PVWSetExcludeAttributes(S letters, N add)", "none",
     "files with one of these attributes are left out"},
    {"PVWAddCopyFile(S source, S target, N flags)", "none",
     "adds one file to the copy list: `target` is the new file's full name"},
    {"PVWCopyFiles(S name)", "N", "copies the files of the copy list and empties it"},
    {"PVEnvInit(S)", "N", "prepares the environment store (optional)"},
    {"PVEnvSet(S name, S value)", "N", "sets a value"},
    {"PVEnvGet(S name, S out, N size)", "N", "reads a value into the variable"},
    {"PVEnvStrToRealStr(S text, S out, N size)", "N",
     "the text with the values it refers to filled in"},
    {"PVEnvPathStrToEnvStr(S path, S out, N size)", "none",
     "a path written with references to values, the reverse of the above"},
    {"PVEnvFree()", "none", "releases the store"},
    {"ActRun(N, S, S, S, N, S out, N)", "N", "runs an action"},
    {"ActIDRun(S, N, S, S, N, S out, N, S)", "N", "runs an action by its id"},
    {"GetParam(S out)", "none", "the action's parameter text"},
    {"GetMountedDrives(S out)", "none", "the mounted drives, as one text"},
    {"Dismount(S drive)", "N", "dismounts a drive"},
    {"CloseMeldStart()", "none", "closes the start message"},
    {"GetLenght(S)", "N", "the length of the text in bytes (spelt so)"},
    {"IsEmpty(S)", "N", "the same as `GetLenght`: 0 for an empty text, else the length (not 1)"},
    {"Empty(S out)", "none", "makes the variable's text empty"},
    {"Concat(S out, S)", "none", "appends the second text to the variable"},
    {"Compare(S, S)", "N", "-1, 0 or 1: byte by byte, case matters"},
    {"CompareNoCase(S, S)", "N", "negative, 0 or positive (not only -1 and 1), case ignored"},
    {"MakeUpper(S out)", "none", "the variable's text in upper case"},
    {"MakeLower(S out)", "none", "the variable's text in lower case"},
    {"TrimLeft(S out)", "none", "removes white space at the start"},
    {"TrimRight(S out)", "none", "removes white space at the end"},
    {"TrimLeftStr(S out, S)", "none",
     "removes, from the start, every character that occurs in the second text"},
    {"TrimRightStr(S out, S)", "none", "the same at the end"},
    {"Itoa(N)", "S", "the number as decimal text"},
    {"Atoi(S)", "N", "the decimal text as a number"},
    {"GetFileName(S)", "S", "the text after the last backslash"},
    {"GetPath(S)", "S", "the text up to and including the last backslash"},
    {"StripCharLeft(S, S, N)", "S",
     "the rest after the n-th occurrence, from the start, of the first character of the second "
     "text"},
    {"StripCharRight(S, S, N)", "S",
     "the part before the n-th occurrence, from the end, of that character"},
    {"Exit(N)", "none", "ends the script at once"},
    {"DebugPrintNum(N)", "none", "writes `name = value` (or `Literal = value`) to the trace"},
    {"DebugPrintStr(S)", "none", "writes `name = \"text\"` to the trace"},
};
}  // namespace

std::span<const CBuiltinHelp> AllBuiltinHelp() {
    return s_aHelp;
}

const CBuiltinHelp* FindBuiltinHelp(std::string_view name) {
    for (const CBuiltinHelp& help : s_aHelp) {
        const std::string_view signature = help.pszSignature;
        if (signature.substr(0, signature.find('(')) == name) return &help;
    }
    return nullptr;
}
