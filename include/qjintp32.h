/* QJIntp32: the script interpreter module's interface for hosts. */
#ifndef QJINTP32_H
#define QJINTP32_H

/* The version of the module this header belongs to. */
#define QJINTP32_VERSION_MAJOR 2
#define QJINTP32_VERSION_MINOR 0
#define QJINTP32_VERSION_PATCH 0
#define QJINTP32_VERSION "2.0.0"

#ifdef __cplusplus
extern "C" {
#endif

/* Runs a script. options may hold S (simulate), C (check), NT (no trace) and E (errors as log
   errors), separated by "/" or "-"; params holds double-quoted values that become the String
   variables Param1, Param2, ... Either may be null. Returns 1 when the script ran to its end,
   0 when it failed, was cancelled, ended through Exit, or a run was already in progress. */
int QJIPInterpret(const char* script, const char* options, const char* params);

/* Asks the running script to stop before its next line. Safe from any thread. */
void QJIPBreak(void);

#ifdef __cplusplus
}
#endif

#endif
