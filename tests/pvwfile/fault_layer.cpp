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

namespace {

std::atomic<dev_t> g_readDev{0}, g_fullDev{0}, g_writebackDev{0};
std::atomic<ino_t> g_readIno{0};
std::atomic<long> g_readOffset{0};
char g_szVanish[4096];
std::atomic<bool> g_bVanish{false};

template <typename Fn>
Fn Next(const char* pszName) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, pszName));
}

bool IsReadFault(int nFd) {
    struct stat st;
    return g_readIno.load() != 0 && fstat(nFd, &st) == 0 && st.st_ino == g_readIno.load() &&
           st.st_dev == g_readDev.load();
}

// True when nFd is a regular file on the file system dev names.
bool IsFileOn(int nFd, const std::atomic<dev_t>& dev) {
    struct stat st;
    return dev.load() != 0 && fstat(nFd, &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_dev == dev.load();
}

bool IsFull(int nFd) {
    return IsFileOn(nFd, g_fullDev);
}

dev_t DeviceOf(const std::string& strPath) {
    struct stat st;
    return stat(strPath.c_str(), &st) == 0 ? st.st_dev : 0;
}

// Cuts nLen to what may still be read of an armed file before its fault offset; false, with
// EIO, once the offset is reached.
bool ClampRead(int nFd, size_t& nLen) {
    if (!IsReadFault(nFd)) return true;
    off_t nPos = lseek(nFd, 0, SEEK_CUR);
    if (nPos >= g_readOffset.load()) {
        errno = EIO;
        return false;
    }
    nLen = std::min<size_t>(nLen, g_readOffset.load() - nPos);
    return true;
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
    g_fullDev = DeviceOf(strDir);
}

void ArmWritebackError(const std::string& strDir) {
    g_writebackDev = DeviceOf(strDir);
}

void ArmVanish(const std::string& strPath) {
    std::strncpy(g_szVanish, strPath.c_str(), sizeof g_szVanish - 1);
    g_bVanish = true;
}

void Disarm() {
    g_readIno = 0;
    g_fullDev = 0;
    g_writebackDev = 0;
    g_bVanish = false;
}

}  // namespace fault

extern "C" {

ssize_t read(int nFd, void* pBuf, size_t nLen) {
    static auto s_pfn = Next<ssize_t (*)(int, void*, size_t)>("read");
    return ClampRead(nFd, nLen) ? s_pfn(nFd, pBuf, nLen) : -1;
}

ssize_t write(int nFd, const void* pBuf, size_t nLen) {
    static auto s_pfn = Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (IsFull(nFd)) {
        errno = ENOSPC;
        return -1;
    }
    return s_pfn(nFd, pBuf, nLen);
}

ssize_t copy_file_range(int nIn, off64_t* pInOff, int nOut, off64_t* pOutOff, size_t nLen,
                        unsigned int nFlags) {
    static auto s_pfn =
        Next<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>("copy_file_range");
    if (IsFull(nOut)) {
        errno = ENOSPC;
        return -1;
    }
    return ClampRead(nIn, nLen) ? s_pfn(nIn, pInOff, nOut, pOutOff, nLen, nFlags) : -1;
}

int sync_file_range(int nFd, off64_t nOffset, off64_t nLen, unsigned int nFlags) {
    static auto s_pfn = Next<int (*)(int, off64_t, off64_t, unsigned)>("sync_file_range");
    if (IsFileOn(nFd, g_writebackDev)) {
        errno = EIO;
        return -1;
    }
    return s_pfn(nFd, nOffset, nLen, nFlags);
}

int fsync(int nFd) {
    static auto s_pfn = Next<int (*)(int)>("fsync");
    if (IsFileOn(nFd, g_writebackDev)) {
        errno = EIO;
        return -1;
    }
    return s_pfn(nFd);
}

int open(const char* pszPath, int nFlags, ...) {
    static auto s_pfn = Next<int (*)(const char*, int, ...)>("open");
    mode_t nMode = 0;
    if (nFlags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, nFlags);
        nMode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (g_bVanish.load() && std::strcmp(pszPath, g_szVanish) == 0) unlink(pszPath);
    return s_pfn(pszPath, nFlags, nMode);
}

}  // extern "C"
