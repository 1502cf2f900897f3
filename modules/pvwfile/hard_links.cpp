// The first copies of files with more than one name.
#include "hard_links.h"

namespace pvw {

namespace {

bool HasMoreNames(const CStep& step) {
    return step.entry.eKind == EKind::File && step.entry.nLinks > 1 && step.entry.id.nIno != 0;
}

}  // namespace

std::unique_ptr<CFirstCopy> CHardLinks::FirstCopy(const CStep& step) {
    if (!HasMoreNames(step)) return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_groups.find({step.entry.id.nDev, step.entry.id.nIno});
    // A link cannot reach another file system: a name copied to one is copied again.
    if (it == m_groups.end() ||
        it->second.first.targetDir->Identity().nDev != step.targetDir->Identity().nDev) {
        return nullptr;
    }
    auto first = std::make_unique<CFirstCopy>(it->second.first);
    if (--it->second.nLeft == 0) m_groups.erase(it);
    return first;
}

void CHardLinks::Copied(const CStep& step, const CEntry& copied) {
    if (!HasMoreNames(step)) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_groups.try_emplace(
        {step.entry.id.nDev, step.entry.id.nIno},
        CGroup{{step.targetDir, step.strTargetName, copied}, step.entry.nLinks - 1});
}

}  // namespace pvw
