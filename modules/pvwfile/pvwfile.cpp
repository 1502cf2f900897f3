// The file library. It performs no file work yet: operations report 0.
#include "family/pvwfile.h"

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
