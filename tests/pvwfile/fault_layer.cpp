// The fault layer: interposed C library calls that fail on request.
#include "fault_layer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

namespace {

std::atomic<dev_t> g_readDev{0}, g_fullDev{0};
std::atomic<ino_t> g_readIno{0};
std::atomic<long> g_readOffset{0};
char g_szVanish[4096];  // empty when no file is armed to vanish
char g_szChange[4096];
std::atomic<dev_t> g_changeDev{0};
std::atomic<ino_t> g_changeIno{0};
std::atomic<int> g_nChanges{0};
std::atomic<bool> g_bChangeOnRename{false};
char g_szNoDescriptor[4096];
std::atomic<int> g_nNoDescriptor{0};
std::atomic<int> g_nNamedTemps{0};

template <typename Fn>
Fn Next(const char* pszName) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, pszName));
}

// Whether nFd is open on the file (dev, ino); no file has the inode number 0.
bool IsFile(int nFd, dev_t dev, ino_t ino) {
    struct stat st;
    return ino != 0 && fstat(nFd, &st) == 0 && st.st_ino == ino && st.st_dev == dev;
}

// Whether a write to nFd is to fail for want of space; errno then says so.
bool Full(int nFd) {
    struct stat st;
    const bool bFull = g_fullDev.load() != 0 && fstat(nFd, &st) == 0 && S_ISREG(st.st_mode) &&
                       st.st_dev == g_fullDev.load();
    if (bFull) errno = ENOSPC;
    return bFull;
}

void AppendToArmed() {
    int nOut = open(g_szChange, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (nOut >= 0 && pwrite(nOut, "+", 1, 0) == 1) close(nOut);
}

// A rename or link that put a copy in place, with the armed file changed after it.
int Placed(int nResult) {
    if (nResult == 0 && g_bChangeOnRename.load()) AppendToArmed();
    return nResult;
}

// Appends a byte to the armed file through a descriptor of its own.
void MaybeChange(int nFd) {
    if (g_nChanges.load() <= 0 || !IsFile(nFd, g_changeDev, g_changeIno)) return;
    --g_nChanges;
    AppendToArmed();
}

// Cuts nLen to what may still be read of an armed file before its fault offset; false, with
// EIO, once the offset is reached.
bool ClampRead(int nFd, size_t& nLen) {
    if (!IsFile(nFd, g_readDev, g_readIno)) return true;
    off_t nPos = lseek(nFd, 0, SEEK_CUR);
    if (nPos >= g_readOffset.load()) {
        errno = EIO;
        return false;
    }
    nLen = std::min<size_t>(nLen, g_readOffset.load() - nPos);
    return true;
}

// Whether pszName inside the directory nDirFd is the file at szArmed.
bool IsArmed(int nDirFd, const char* pszName, const char* pszArmed) {
    char szDir[4096];
    std::string strLink = "/proc/self/fd/" + std::to_string(nDirFd);
    ssize_t nLen = readlink(strLink.c_str(), szDir, sizeof szDir - 1);
    return nLen > 0 && std::string(szDir, static_cast<size_t>(nLen)) + "/" + pszName == pszArmed;
}

}  // namespace

namespace fault {

void ArmReadError(const std::string& strPath, long nOffset) {
    struct stat st;
    if (stat(strPath.c_str(), &st) != 0) return;
    g_readOffset = nOffset;
    g_readDev = st.st_dev;
    g_readIno = st.st_ino;
}

void ArmDiskFull(const std::string& strDir) {
    struct stat st;
    if (stat(strDir.c_str(), &st) == 0) g_fullDev = st.st_dev;
}

void ArmVanish(const std::string& strPath) {
    std::strncpy(g_szVanish, strPath.c_str(), sizeof g_szVanish - 1);
}

void ArmNoDescriptor(const std::string& strPath, int nTimes) {
    std::strncpy(g_szNoDescriptor, strPath.c_str(), sizeof g_szNoDescriptor - 1);
    g_nNoDescriptor = nTimes;
}

void ArmChange(const std::string& strPath, int nTimes) {
    struct stat st;
    if (stat(strPath.c_str(), &st) != 0) return;
    std::strncpy(g_szChange, strPath.c_str(), sizeof g_szChange - 1);
    g_changeDev = st.st_dev;
    g_changeIno = st.st_ino;
    g_nChanges = nTimes;
}

void ArmChangeOnRename(const std::string& strPath) {
    std::strncpy(g_szChange, strPath.c_str(), sizeof g_szChange - 1);
    g_bChangeOnRename = true;
}

void Disarm() {
    g_nChanges = 0;
    g_bChangeOnRename = false;
    g_readIno = 0;
    g_fullDev = 0;
    g_szVanish[0] = '\0';
    g_nNoDescriptor = 0;
    g_nNamedTemps = 0;
}

int NamedTemporaries() {
    return g_nNamedTemps.load();
}

}  // namespace fault

extern "C" {

ssize_t read(int nFd, void* pBuf, size_t nLen) {
    static auto s_pfn = Next<ssize_t (*)(int, void*, size_t)>("read");
    MaybeChange(nFd);
    return ClampRead(nFd, nLen) ? s_pfn(nFd, pBuf, nLen) : -1;
}

ssize_t write(int nFd, const void* pBuf, size_t nLen) {
    static auto s_pfn = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return Full(nFd) ? -1 : s_pfn(nFd, pBuf, nLen);
}

ssize_t copy_file_range(int nIn, off64_t* pInOff, int nOut, off64_t* pOutOff, size_t nLen,
                        unsigned int nFlags) {
    static auto s_pfn =
        Next<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>("copy_file_range");
    if (Full(nOut)) return -1;
    MaybeChange(nIn);
    return ClampRead(nIn, nLen) ? s_pfn(nIn, pInOff, nOut, pOutOff, nLen, nFlags) : -1;
}

// The library opens the files it copies by name inside a directory it holds open.
int openat(int nDirFd, const char* pszName, int nFlags, ...) {
    static auto s_pfn = Next<int (*)(int, const char*, int, ...)>("openat");
    mode_t nMode = 0;
    if (nFlags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, nFlags);
        nMode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (g_szVanish[0] != '\0' && IsArmed(nDirFd, pszName, g_szVanish)) unlinkat(nDirFd, pszName, 0);
    if (g_nNoDescriptor.load() > 0 && IsArmed(nDirFd, pszName, g_szNoDescriptor) &&
        --g_nNoDescriptor >= 0) {
        errno = EMFILE;
        return -1;
    }
    if ((nFlags & O_CREAT) && std::strstr(pszName, ".pvw") != nullptr) ++g_nNamedTemps;
    return s_pfn(nDirFd, pszName, nFlags, nMode);
}

int renameat(int nFromDir, const char* pszFrom, int nToDir, const char* pszTo) {
    static auto s_pfn = Next<int (*)(int, const char*, int, const char*)>("renameat");
    return Placed(s_pfn(nFromDir, pszFrom, nToDir, pszTo));
}

int linkat(int nFromDir, const char* pszFrom, int nToDir, const char* pszTo, int nFlags) {
    static auto s_pfn = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return Placed(s_pfn(nFromDir, pszFrom, nToDir, pszTo, nFlags));
}

}  // extern "C"
