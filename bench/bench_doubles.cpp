// Silent stand-ins for the family modules, so that the core's per-line path is measured
// without the cost of the real trace, log and file modules. Every entry does nothing and
// has no output.
#include "family/pvtrc32.h"
#include "family/pvwfile.h"
#include "family/qjclog.h"
#include "family/qjcwract.h"
#include "family/qjenv.h"

// --- log and trace
void LogError(const char*, const char*, const char*) {}
void LogMessage(int, const char*, const char*) {}
void PVTrace(int, const char*, const char*, ...) {}

// --- file library
int PVWScanDifference(const char*, const char*, int, const char*) {
    return 0;
}
int PVWCopy(const char*, const char*, int, const char*) {
    return 0;
}
int PVWMove(const char*, const char*, int, const char*) {
    return 0;
}
int PVWEqualize(const char*, const char*, int, const char*) {
    return 0;
}
int PVWDelete(const char*, int, const char*) {
    return 0;
}
int PVWCreateDirectory(const char*) {
    return 0;
}
int PVWChangeAttrib(const char*, const char*, int, const char*) {
    return 0;
}
void PVWSetSimulation(int) {}
void PVWSetIgnoreErrors(int) {}
void PVWSetAnswerYesForDelete(int) {}
void PVWSetShowProgress(int) {}
void PVWBreak(void) {}
void PVWAddFileIncludeFilter(const char*) {}
void PVWAddFileExcludeFilter(const char*) {}
void PVWAddDirExcludeFilter(const char*) {}
void PVWSetIncludeAttributes(const char*, int) {}
void PVWSetExcludeAttributes(const char*, int) {}
void PVWSetNotifyWindow(int) {}
void PVWSetReservedSpace(int) {}
void PVWSetProcessEmptyDirs(int) {}
void PVWSetFileTimeFilter(int) {}
void PVWAddCopyFile(const char*, const char*, int) {}
int PVWCopyFiles(const char*) {
    return 0;
}
int PVWUpdate(const char*, const char*, int, const char*) {
    return 0;
}
void PVWSetSuppressErrorBox(int) {}

// --- environment module
int PVEnvInit(const char*) {
    return 0;
}
int PVEnvSet(const char*, const char*) {
    return 0;
}
int PVEnvGet(const char*, char*, int) {
    return 0;
}
int PVEnvStrToRealStr(const char*, char*, int) {
    return 0;
}
int PVEnvPathStrToEnvStr(const char*, char*, int) {
    return 0;
}
void PVEnvFree(void) {}

// --- action module
CActionModule::CActionModule() : m_pState(nullptr) {}
CActionModule::~CActionModule() = default;
int CActionModule::ActRun(int, const char*, const char*, const char*, int, char*, int) {
    return 0;
}
int CActionModule::ActIDRun(const char*, int, const char*, const char*, int, char*, int,
                            const char*) {
    return 0;
}
int CActionModule::CloseMeldStart() {
    return 0;
}
int CActionModule::Dismount(const char*) {
    return 0;
}
int CActionModule::GetMountedDrives(char*) {
    return 0;
}
int CActionModule::GetParam(char*) {
    return 0;
}
