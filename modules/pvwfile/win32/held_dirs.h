// The directories this process holds open on Windows. The system refuses to remove a
// directory while a handle on it that does not share deleting is open, so removing a directory
// that the walk still holds (it has just been emptied) ends this process's holds on it first.
#pragma once

#include <mutex>

#include "in_place.h"

namespace pvw {

// Keeps the lock under which no hold ends: a directory's handle is used under it.
std::unique_lock<std::mutex> LockHeldDirs();

// Adds an open directory, and closes and forgets one.
void AddHeldDir(CWinDir* pDir);
void CloseHeldDir(CWinDir* pDir);

// Closes this process's handles on the directory of that identity; true when there were any.
bool ReleaseHolds(const CIdentity& id);

}  // namespace pvw
