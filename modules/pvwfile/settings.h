// The library's settings and filters: they stay in force until changed, across operations and
// runs. An operation works on a snapshot taken when it starts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pvw {

struct CSettings {
    bool bSimulation = false;
    bool bShowProgress = false;
    bool bIgnoreErrors = false;
    bool bAnswerYesForDelete = false;
    bool bProcessEmptyDirs = false;
    int nNotifyTarget = 0;         // 0: none
    std::int64_t nReservedMB = 0;  // must stay free on the target's file system
    int nTimeFilterDays = 0;       // > 0 newer than, < 0 older than, 0 off
    std::vector<std::string> arrInclude, arrExclude, arrDirExclude;
    unsigned nIncludeAttrib = 0, nExcludeAttrib = 0;
};

// A copy of the settings in force now.
CSettings SnapshotSettings();

// Changes the settings under the library's lock.
void ChangeSettings(const std::function<void(CSettings&)>& fnChange);

// The cancel request of PVWBreak: taken by the running operation at its next file, else by the
// next operation.
void RequestCancel();
bool TakeCancel();

// Attribute letters (R H S A, either case) to bits; false when another letter is in the text.
bool ParseAttributeLetters(const char* pszText, unsigned& nBits);

}  // namespace pvw
