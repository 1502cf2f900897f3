// Faults the system cannot be asked for on demand, put between the file library and the C
// library: this test program defines read, copy_file_range, write, openat, renameat and linkat
// itself, and every call from the library reaches these definitions first. Each passes the call on
// unless a fault is armed for the file it touches.
#pragma once

#include <string>

namespace fault {

// Reads of the file at path fail with EIO once nOffset bytes have been read.
void ArmReadError(const std::string& strPath, long nOffset);
// Writes to any file on the file system of dir fail with ENOSPC.
void ArmDiskFull(const std::string& strDir);
// The file at path is removed just before the library opens it.
void ArmVanish(const std::string& strPath);
// The library's opening of the file at path fails for want of a descriptor, the first nTimes.
void ArmNoDescriptor(const std::string& strPath, int nTimes);
// The file at path grows by a byte as the library reads it, the first nTimes it reads.
void ArmChange(const std::string& strPath, int nTimes);
// The file at path grows by a byte whenever the library has renamed or linked a copy into place.
void ArmChangeOnRename(const std::string& strPath);
void Disarm();
// How many files the library has created under a temporary name since the last Disarm.
int NamedTemporaries();

}  // namespace fault
