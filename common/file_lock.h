// An advisory lock on a lock file, held for the life of the object: writers of a file that
// each take the lock beside it change it one after another, and none loses another's change.
// The lock goes with the process, so a writer that dies holding it holds it no more.
#pragma once

#include <cstdint>
#include <string>

namespace qjcommon {

class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Waits for the lock of the lock file strPath, made when missing (never through a link).
    // False with the reason.
    bool Lock(const std::string& strPath, std::string& strReason);

private:
    std::intptr_t m_nHandle = -1;  // the open lock file: a descriptor, or a Windows handle
};

}  // namespace qjcommon
