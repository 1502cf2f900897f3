// The module's plain exports. Nothing a script does may escape them.
#include "family/export.h"
#include "host/module_engine.h"
#include "qjintp32.h"

extern "C" QJ_EXPORT int QJIPInterpret(const char* script, const char* options,
                                       const char* params) {
    return InterpretOnModuleEngine(script, options, params);
}

extern "C" QJ_EXPORT void QJIPBreak(void) {
    BreakModuleEngine();
}
