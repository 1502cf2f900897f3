// The module's plain exports. Nothing a script does may escape them.
#include "../../include/qjintp32.h"
#include "host/engine.h"
#include "platform/export.h"

extern "C" QJ_EXPORT int QJIPInterpret(const char* script, const char* options,
                                       const char* params) {
    if (g_pEngine == nullptr) return 0;
    try {
        return g_pEngine->Run(script, options, params);
    } catch (...) {
        return 0;
    }
}

extern "C" QJ_EXPORT void QJIPBreak(void) {
    if (g_pEngine != nullptr) g_pEngine->Break();
}
