// The family's action module: starts the family's actions and reports their output.
#pragma once

#include <atomic>

#include "family/export.h"

// Output buffers are the caller's 32768-byte result buffer, first byte 0 on entry.
class QJ_EXPORT CActionModule {
public:
    CActionModule();
    ~CActionModule();
    CActionModule(const CActionModule&) = delete;
    CActionModule& operator=(const CActionModule&) = delete;

    // A non-zero result means the buffer holds output.
    int ActRun(int nKind, const char* pszProgram, const char* pszArguments,
               const char* pszDirectory, int nWait, char* pszOut, int nTimeout);
    // The result 3, and only it, means the buffer holds output.
    int ActIDRun(const char* pszId, int nKind, const char* pszArguments, const char* pszDirectory,
                 int nWait, char* pszOut, int nTimeout, const char* pszExtra);
    int CloseMeldStart();
    int Dismount(const char* pszDrive);
    int GetMountedDrives(char* pszOut);
    int GetParam(char* pszOut);

    // The owner's cancel flag, which may be set from another thread or a signal handler: an
    // action that waits for its program watches it and ends the program once it is set.
    void SetCancelFlag(const std::atomic<bool>* pbCancel) { m_pbCancel = pbCancel; }

private:
    const std::atomic<bool>* m_pbCancel;  // one pointer wide; null: nothing cancels
};
