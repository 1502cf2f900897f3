// Comparing two files byte for byte.
#include "content_compare.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform.h"

namespace pvw {

namespace {

// Fills the buffer, short only at the end of the file; -1 on failure.
long ReadFull(std::intptr_t file, std::vector<char>& buffer, std::error_code& ec) {
    size_t nDone = 0;
    while (nDone < buffer.size()) {
        long n = ReadSome(file, buffer.data() + nDone, buffer.size() - nDone, ec);
        if (n < 0) return -1;
        if (n == 0) break;
        nDone += static_cast<size_t>(n);
    }
    return static_cast<long>(nDone);
}

bool SameFileData(DirHandle dirA, const std::string& strA, DirHandle dirB, const std::string& strB,
                  std::error_code& ec) {
    std::intptr_t fileA = OpenReadAt(dirA, strA, ec);
    std::intptr_t fileB = fileA < 0 ? -1 : OpenReadAt(dirB, strB, ec);
    bool bSame = fileB >= 0;
    std::vector<char> bufA(1 << 16), bufB(1 << 16);
    while (bSame) {
        long nA = ReadFull(fileA, bufA, ec);
        long nB = nA < 0 ? -1 : ReadFull(fileB, bufB, ec);
        bSame = nB >= 0 && nA == nB && std::equal(bufA.begin(), bufA.begin() + nA, bufB.begin());
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
