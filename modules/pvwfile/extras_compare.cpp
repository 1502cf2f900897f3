// Comparing extended attributes and ACLs of a source file and its copy.
#include "extras_compare.h"

#include "platform.h"

namespace pvw {

bool OnlyExtrasDiffer(CJob& job, const CPair& pair) {
    const CEntry& source = *pair.pSource;
    const CEntry& target = *pair.pTarget;
    if (source.eKind != EKind::File || target.eKind != EKind::File ||
        source.nSize != target.nSize || source.nTime != target.nTime || source.nChange == 0 ||
        source.nChange < target.nChange) {
        return false;
    }
    std::error_code ec;
    CDir::CHeld sourceDir = pair.sourceDir->Hold(ec);
    CDir::CHeld targetDir = sourceDir ? pair.targetDir->Hold(ec) : CDir::CHeld();
    bool bSame = true;
    if (targetDir && SameExtras(sourceDir.Get(), pair.strSourceName, targetDir.Get(),
                                pair.strTargetName, bSame, ec)) {
        return !bSame;
    }
    job.Fail(("compare the extended attributes of " + pair.Source().string() + " with").c_str(),
             pair.Target(), ec);
    return false;
}

}  // namespace pvw
