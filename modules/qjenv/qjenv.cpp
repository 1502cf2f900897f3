// The environment module. It keeps no values yet: every entry answers "no output".
#include "family/qjenv.h"

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
