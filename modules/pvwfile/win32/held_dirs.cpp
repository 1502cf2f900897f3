// The directories this process holds open on Windows, under one lock.
#include "held_dirs.h"

#include <algorithm>
#include <vector>

namespace pvw {

namespace {

std::mutex g_heldLock;
std::vector<CWinDir*> g_arrHeld;  // as many as the walks keep open, a few dozen

}  // namespace

std::unique_lock<std::mutex> LockHeldDirs() {
    return std::unique_lock<std::mutex>(g_heldLock);
}

void AddHeldDir(CWinDir* pDir) {
    std::lock_guard<std::mutex> guard(g_heldLock);
    g_arrHeld.push_back(pDir);
}

void CloseHeldDir(CWinDir* pDir) {
    {
        std::lock_guard<std::mutex> guard(g_heldLock);
        g_arrHeld.erase(std::find(g_arrHeld.begin(), g_arrHeld.end(), pDir));
        if (pDir->hDir != INVALID_HANDLE_VALUE) CloseHandle(pDir->hDir);
    }
    delete pDir;
}

bool ReleaseHolds(const CIdentity& id) {
    std::lock_guard<std::mutex> guard(g_heldLock);
    bool bAny = false;
    for (CWinDir* pDir : g_arrHeld) {
        if (pDir->id != id || pDir->hDir == INVALID_HANDLE_VALUE) continue;
        CloseHandle(pDir->hDir);
        pDir->hDir = INVALID_HANDLE_VALUE;
        bAny = true;
    }
    return bAny;
}

}  // namespace pvw
