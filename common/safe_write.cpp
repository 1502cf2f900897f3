// The safe write's sequence: the link resolved, a temporary name that is free, the rename.
#include "safe_write.h"

#include <cstdio>
#include <filesystem>
#include <random>

#include "file_platform.h"

namespace fs = std::filesystem;

namespace qjcommon {

namespace {
// With 64 random bits a taken name is someone's doing: a few tries show that it is no accident.
constexpr int MAX_NAME_TRIES = 16;
}  // namespace

std::string RandomTempName(const std::string& strTarget) {
    std::random_device random;
    char szSuffix[24];
    std::snprintf(szSuffix, sizeof szSuffix, "%08x%08x", static_cast<unsigned>(random()),
                  static_cast<unsigned>(random()));
    fs::path target(strTarget);
    std::string strName = "." + target.filename().string() + "." + szSuffix + ".tmp";
    return (target.parent_path() / strName).string();
}

bool WriteFileSafely(const std::string& strPath, std::string_view text, std::string& strReason,
                     const TempNameFn& tempName) {
    std::string strTarget;
    if (!ResolveLinks(strPath, strTarget, strReason)) return false;
    for (int nTry = 0; nTry < MAX_NAME_TRIES; ++nTry) {
        std::string strTemp = tempName(strTarget);
        ENewFile nResult = WriteNewFile(strTemp, strTarget, text, strReason);
        if (nResult == ENewFile::Written) return MoveIntoPlace(strTemp, strTarget, strReason);
        if (nResult == ENewFile::Failed) return false;
    }
    strReason = "every temporary name tried beside it was taken";
    return false;
}

}  // namespace qjcommon
