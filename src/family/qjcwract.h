// The family's action module: starts the family's actions and reports their output.
#pragma once

#include "platform/export.h"

// Output buffers are the caller's 32768-byte result buffer, first byte 0 on entry.
class QJ_EXPORT CActionModule {
public:
    CActionModule();
    ~CActionModule();
    CActionModule(const CActionModule&) = delete;
    CActionModule& operator=(const CActionModule&) = delete;

    // A non-zero result means the buffer holds output.
    int ActRun(int nAction, const char* psz1, const char* psz2, const char* psz3, int nFlags,
               char* pszOut, int nWait);
    // The result 3, and only it, means the buffer holds output.
    int ActIDRun(const char* pszId, int nAction, const char* psz1, const char* psz2, int nFlags,
                 char* pszOut, int nWait, const char* psz3);
    int CloseMeldStart();
    int Dismount(const char* pszDrive);
    int GetMountedDrives(char* pszOut);
    int GetParam(char* pszOut);

private:
    [[maybe_unused]] void* m_pState;  // the module's own state; one pointer wide
};
