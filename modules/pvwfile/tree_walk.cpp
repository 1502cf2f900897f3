// The walk of two trees in step.
#include "tree_walk.h"

#include <algorithm>

#include "platform.h"

namespace pvw {

namespace {

void SortByKey(std::vector<CEntry>& arrEntries, std::vector<std::string>& arrKeys) {
    std::sort(arrEntries.begin(), arrEntries.end(), [](const CEntry& a, const CEntry& b) {
        return NameKey(a.strName) < NameKey(b.strName);
    });
    arrKeys.clear();
    for (const CEntry& entry : arrEntries) arrKeys.push_back(NameKey(entry.strName));
}

// The place of root inner below root outer, when a recursive walk of outer would meet it.
std::string NestedRel(const Path& outer, const Path& inner) {
    std::error_code ec;
    Path canonicalOuter = std::filesystem::weakly_canonical(outer, ec);
    if (ec) return {};
    Path canonicalInner = std::filesystem::weakly_canonical(inner, ec);
    if (ec) return {};
    Path rel = canonicalInner.lexically_relative(canonicalOuter);
    if (rel.empty() || rel == "." || *rel.begin() == "..") return {};
    return rel.generic_string();
}

}  // namespace

bool CTreeWalk::ReadRoot(const Path& source, bool bFollow, CEntry& root) {
    std::error_code ec;
    if (ReadEntry(source, bFollow, root, ec)) return true;
    m_job.Stop(RES_SOURCE, "cannot read source " + source.string() + ": " + ec.message());
    return false;
}

bool CTreeWalk::Run(const Path& source, const Path& target) {
    // A root that is a link to a directory is walked; a link to anything else is copied as
    // the link it is.
    CEntry root;
    if (!ReadRoot(source, true, root) ||
        (root.eKind != EKind::Dir && !ReadRoot(source, false, root))) {
        return false;
    }
    m_bHaveTarget = !target.empty();
    if (root.eKind != EKind::Dir) {
        // One file: it meets the entry of its name in the target directory.
        CPair pair{&root, nullptr, source, m_bHaveTarget ? target / root.strName : Path(),
                   root.strName};
        CEntry existing;
        std::error_code ec;
        if (m_bHaveTarget && ReadEntry(pair.target, false, existing, ec)) {
            existing.strName = root.strName;
            pair.pTarget = &existing;
        }
        Visit(pair);
        return true;
    }
    std::vector<CEntry> arrSource;
    std::error_code ec;
    if (!ListDirectory(source, arrSource, ec)) {
        m_job.Stop(RES_SOURCE, "cannot read source " + source.string() + ": " + ec.message());
        return false;
    }
    if (m_bHaveTarget && m_bRecurse) {
        m_strSkipRel = NestedRel(source, target);
        m_strSkipTargetRel = NestedRel(target, source);
    }
    Level(source, target, std::string(), arrSource, false, m_bHaveTarget);
    return true;
}

bool CTreeWalk::Listed(const Path& dir, bool bOk, const std::error_code& ec, bool bMissingIsEmpty) {
    if (bOk) return true;
    if (bMissingIsEmpty &&
        (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)) {
        return true;  // a target still to be made; making it says why it cannot be
    }
    m_job.Fail("read directory", dir, ec);
    return false;
}

bool CTreeWalk::ListSides(const Path& source, bool bListSource, std::vector<CEntry>& arrSource,
                          const Path& target, bool bListTarget, std::vector<CEntry>& arrTarget) {
    bool bBeside = bListSource && bListTarget;
    if (bBeside) {
        if (!m_pLister) m_pLister = std::make_unique<CSideLister>();
        m_pLister->Start(target);
    }
    std::error_code ecSource, ecTarget;
    bool bSourceOk = !bListSource || ListDirectory(source, arrSource, ecSource);
    bool bTargetOk = true;
    if (bBeside) {
        bTargetOk = m_pLister->Wait(arrTarget, ecTarget);
    } else if (bListTarget) {
        bTargetOk = ListDirectory(target, arrTarget, ecTarget);
    }
    // Both are reported, and neither side is walked when one cannot be read.
    bSourceOk = Listed(source, bSourceOk, ecSource, false);
    bTargetOk = Listed(target, bTargetOk, ecTarget, true);
    return bSourceOk && bTargetOk;
}

void CTreeWalk::Level(const Path& source, const Path& target, const std::string& strRel,
                      std::vector<CEntry>& arrSource, bool bListSource, bool bListTarget) {
    if (m_job.CheckCancel()) return;
    std::vector<CEntry> arrTarget;
    if (!ListSides(source, bListSource, arrSource, target, bListTarget, arrTarget)) return;
    std::vector<std::string> arrSourceKeys, arrTargetKeys;
    SortByKey(arrSource, arrSourceKeys);
    SortByKey(arrTarget, arrTargetKeys);
    size_t i = 0, j = 0;
    while ((i < arrSource.size() || j < arrTarget.size()) && !m_job.Stopped()) {
        bool bTakeSource =
            i < arrSource.size() && (j >= arrTarget.size() || arrSourceKeys[i] <= arrTargetKeys[j]);
        bool bTakeTarget =
            j < arrTarget.size() && (i >= arrSource.size() || arrTargetKeys[j] <= arrSourceKeys[i]);
        const CEntry* pSource = bTakeSource ? &arrSource[i++] : nullptr;
        const CEntry* pTarget = bTakeTarget ? &arrTarget[j++] : nullptr;
        const std::string& strName = pSource != nullptr ? pSource->strName : pTarget->strName;
        CPair pair{
            pSource, pTarget, source / strName,
            m_bHaveTarget ? target / (pTarget != nullptr ? pTarget->strName : strName) : Path(),
            strRel.empty() ? strName : strRel + "/" + strName};
        Visit(pair);
    }
}

void CTreeWalk::Visit(CPair& pair) {
    for (const CEntry* pEntry : {pair.pSource, pair.pTarget}) {
        if (pEntry != nullptr && pEntry->eKind == EKind::Special) {
            m_job.Note("skipped special file", pEntry == pair.pSource ? pair.source : pair.target);
            return;
        }
    }
    bool bSourceDir = pair.pSource != nullptr && pair.pSource->eKind == EKind::Dir;
    bool bTargetDir = pair.pTarget != nullptr && pair.pTarget->eKind == EKind::Dir;
    if (pair.pSource != nullptr && pair.pTarget != nullptr && bSourceDir != bTargetDir) {
        m_job.Fail("match", bSourceDir ? pair.target : pair.source,
                   "a directory in one tree has the name of a file in the other");
        return;
    }
    if (!bSourceDir && !bTargetDir) {
        // Filtered by the source's entry when there is one: it decides what the pair becomes.
        CEntry entry = pair.pSource != nullptr ? *pair.pSource : *pair.pTarget;
        if (m_filter.AcceptFile(pair.pSource != nullptr ? pair.source : pair.target, entry)) {
            m_visitor.Entry(pair);
        }
        return;
    }
    const std::string& strName = (pair.pSource != nullptr ? pair.pSource : pair.pTarget)->strName;
    // Neither root is walked as part of the other's tree: a target inside the source is not
    // copied into itself, and a source inside the target is not the target's to delete.
    if (!m_bRecurse || pair.strRel == m_strSkipRel || pair.strRel == m_strSkipTargetRel ||
        !m_filter.AcceptDir(strName, pair.strRel)) {
        return;
    }
    if (!m_visitor.EnterDir(pair)) return;
    std::vector<CEntry> arrSource;
    Level(pair.source, pair.target, pair.strRel, arrSource, pair.pSource != nullptr,
          pair.pTarget != nullptr);
    m_visitor.LeaveDir(pair);
}

}  // namespace pvw
