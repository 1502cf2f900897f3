// The action module. It starts no actions yet: every member answers "no output".
#include "family/qjcwract.h"

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
