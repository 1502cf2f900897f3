// Comparing two files byte for byte.
#include "content_compare.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform.h"

namespace pvw {

namespace {

// Blocks this large make the cost of a system call vanish against that of the bytes, and are
// small enough that both stay in the processor's cache while they are compared.
constexpr size_t kBlock = size_t{256} << 10;

// Fills nSize bytes at pBuffer, short only at the end of the file; -1 on failure.
long ReadFull(std::intptr_t file, char* pBuffer, size_t nSize, std::error_code& ec) {
    size_t nDone = 0;
    while (nDone < nSize) {
        long n = ReadSome(file, pBuffer + nDone, nSize - nDone, ec);
        if (n < 0) return -1;
        if (n == 0) break;
        nDone += static_cast<size_t>(n);
    }
    return static_cast<long>(nDone);
}

bool SameFileData(DirHandle dirA, const std::string& strA, DirHandle dirB, const std::string& strB,
                  std::error_code& ec) {
    // One pair of blocks for each thread, made once: a tree of small files costs no allocation.
    thread_local std::vector<char> s_blocks(2 * kBlock);
    char* pA = s_blocks.data();
    char* pB = pA + kBlock;
    std::intptr_t fileA = OpenReadAt(dirA, strA, ec);
    std::intptr_t fileB = fileA < 0 ? -1 : OpenReadAt(dirB, strB, ec);
    bool bSame = fileB >= 0;
    while (bSame) {
        long nA = ReadFull(fileA, pA, kBlock, ec);
        long nB = nA < 0 ? -1 : ReadFull(fileB, pB, kBlock, ec);
        bSame = nB >= 0 && nA == nB && std::memcmp(pA, pB, static_cast<size_t>(nA)) == 0;
        if (!bSame || nA == 0) break;
    }
    if (fileB >= 0) CloseFile(fileB);
    if (fileA >= 0) CloseFile(fileA);
    return bSame && !ec;
}

}  // namespace

bool SameContents(const CPair& pair, EKind eKind, std::error_code& ec) {
    CDir::CHeld dirA = pair.sourceDir->Hold(ec);
    CDir::CHeld dirB = dirA ? pair.targetDir->Hold(ec) : CDir::CHeld();
    if (!dirB) return false;
    if (eKind != EKind::Link) {
        return SameFileData(dirA.Get(), pair.strSourceName, dirB.Get(), pair.strTargetName, ec);
    }
    std::string strA, strB;
    return ReadLinkAt(dirA.Get(), pair.strSourceName, strA, ec) &&
           ReadLinkAt(dirB.Get(), pair.strTargetName, strB, ec) && strA == strB;
}

}  // namespace pvw
