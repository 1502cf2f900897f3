// The walk of two trees in step.
#include "tree_walk.h"

#include <algorithm>
#include <cstdint>

#include "platform.h"
#include "temp_names.h"

namespace pvw {

namespace {

// The first eight bytes of a key as a number that orders as the key's bytes do (as unsigned
// characters, the order of std::string), a shorter key padded with zeros: two keys whose numbers
// differ are in the order of their numbers, and those whose numbers are equal are compared whole.
std::uint64_t KeyPrefix(const std::string& strKey) {
    std::uint64_t nPrefix = 0;
    for (size_t i = 0; i < 8; ++i) {
        auto nByte = i < strKey.size() ? static_cast<unsigned char>(strKey[i]) : 0U;
        nPrefix = (nPrefix << 8) | nByte;
    }
    return nPrefix;
}

// The key of the i-th entry of a listing sorted by SortByKey.
const std::string& KeyOf(const std::vector<CEntry>& arrEntries,
                         const std::vector<std::string>& arrKeys, size_t i) {
    return kNameIsKey ? arrEntries[i].strName : arrKeys[i];
}

// Each name's key is made once, where a name is not its own key: on Windows making it costs a
// conversion of the name.
void SortByKey(std::vector<CEntry>& arrEntries, std::vector<std::string>& arrKeys,
               std::vector<CEntry>& arrSorted) {
    std::vector<std::string> arrUnsorted;
    if (!kNameIsKey) {
        arrUnsorted.reserve(arrEntries.size());
        for (const CEntry& entry : arrEntries) arrUnsorted.push_back(NameKey(entry.strName));
    }
    // The order is found on indices, so that each entry is moved once, not at every swap, and
    // most pairs are told apart by their keys' first bytes, as one number.
    struct COrder {
        std::uint64_t nPrefix;
        size_t nIndex;
    };
    std::vector<COrder> arrOrder;
    arrOrder.reserve(arrEntries.size());
    for (size_t i = 0; i < arrEntries.size(); ++i) {
        arrOrder.push_back({KeyPrefix(KeyOf(arrEntries, arrUnsorted, i)), i});
    }
    std::sort(arrOrder.begin(), arrOrder.end(), [&](const COrder& a, const COrder& b) {
        return a.nPrefix != b.nPrefix ? a.nPrefix < b.nPrefix
                                      : KeyOf(arrEntries, arrUnsorted, a.nIndex) <
                                            KeyOf(arrEntries, arrUnsorted, b.nIndex);
    });
    arrSorted.clear();
    arrSorted.reserve(arrEntries.size());
    arrKeys.clear();
    for (const COrder& order : arrOrder) {
        arrSorted.push_back(std::move(arrEntries[order.nIndex]));
        if (!kNameIsKey) arrKeys.push_back(std::move(arrUnsorted[order.nIndex]));
    }
    arrEntries.swap(arrSorted);
    arrSorted.clear();
}

// Listings of folders left kept for those after them: enough for a walk that goes down and up
// again, each holding no more than the widest folder.
constexpr size_t kSpareListings = 8;

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

bool IsDir(const CEntry* pEntry) {
    return pEntry != nullptr && pEntry->eKind == EKind::Dir;
}

// A folder held whole until it is renamed into place is kept to this many files, so that an
// operation's memory stays bounded by the widest folder.
constexpr size_t kMaxWholeFiles = 4096;

// Files only, each of one name (a further name is linked to its first copy after the copy is
// in place).
bool WholeLeaf(const std::vector<CEntry>& arrEntries) {
    return !arrEntries.empty() && arrEntries.size() <= kMaxWholeFiles &&
           std::all_of(arrEntries.begin(), arrEntries.end(), [](const CEntry& entry) {
               return entry.eKind == EKind::File && entry.nLinks <= 1;
           });
}

}  // namespace

std::string CPair::Rel() const {
    bool bSource = pSource != nullptr;
    std::string strRel = (bSource ? sourceDir : targetDir)->RelPath();
    return (strRel.empty() ? "" : strRel + "/") + (bSource ? strSourceName : strTargetName);
}

bool CTreeWalk::ReadRoot(const Path& source, bool bFollow, CEntry& root) {
    std::error_code ec;
    if (ReadEntry(source, bFollow, root, ec)) return true;
    m_job.Stop(RES_SOURCE, "cannot read source " + source.string() + ": " + ec.message());
    return false;
}

bool CTreeWalk::Run(const Path& source, const DirPtr& targetRoot) {
    // A root that is a link to a directory is walked; a link to anything else is copied as
    // the link it is.
    CEntry root;
    if (!ReadRoot(source, true, root) ||
        (root.eKind != EKind::Dir && !ReadRoot(source, false, root))) {
        return false;
    }
    m_bHaveTarget = targetRoot != nullptr;
    m_pTargetRoot = targetRoot;
    if (root.eKind != EKind::Dir) {
        // One file: it meets the entry of its name in the target directory.
        CPair pair{&root,         nullptr,      CDir::Root(source.parent_path()),
                   m_pTargetRoot, root.strName, root.strName};
        CEntry existing;
        std::error_code ec;
        if (m_bHaveTarget && ReadEntry(pair.Target(), false, existing, ec)) {
            existing.strName = root.strName;
            pair.pTarget = &existing;
        }
        Visit(pair);
        Walk();
        return true;
    }
    CFrame frame;
    frame.dir.pSource = &root;
    frame.dir.sourceSub = CDir::Root(source);
    frame.dir.targetSub = m_pTargetRoot;
    std::error_code ec;
    if (!frame.dir.sourceSub->List(frame.arrSource, ec)) {
        m_job.Stop(RES_SOURCE, "cannot read source " + source.string() + ": " + ec.message());
        return false;
    }
    if (m_bHaveTarget) m_pTargetRoot->SetModel(root, frame.dir.sourceSub);
    if (m_bHaveTarget && m_options.bRecurse) {
        m_strSkipRel = NestedRel(source, targetRoot->GetPath());
        m_strSkipTargetRel = NestedRel(targetRoot->GetPath(), source);
    }
    frame.dir.pSource = nullptr;  // the source's listing is in; only the target's is to come
    if (ListSides(frame)) m_arrFrames.push_back(std::move(frame));
    Walk();
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

// Lists the sides of frame.dir that are there, and sorts both by key.
bool CTreeWalk::ListSides(CFrame& frame) {
    const CPair& dir = frame.dir;
    bool bListSource = dir.pSource != nullptr;
    bool bListTarget = dir.targetSub && (dir.pTarget != nullptr || m_arrFrames.empty());
    bool bBeside = bListSource && bListTarget;
    if (bBeside) {
        if (!m_pLister) m_pLister = std::make_unique<CSideLister>();
        m_pLister->Start(dir.targetSub);
    }
    std::error_code ecSource, ecTarget;
    bool bSourceOk = !bListSource || dir.sourceSub->List(frame.arrSource, ecSource);
    bool bTargetOk = true;
    if (bBeside) {
        bTargetOk = m_pLister->Wait(frame.arrTarget, ecTarget);
    } else if (bListTarget) {
        bTargetOk = dir.targetSub->List(frame.arrTarget, ecTarget);
    }
    // Both are reported, and neither side is walked when one cannot be read.
    bSourceOk = bSourceOk || Listed(dir.sourceSub->GetPath(), false, ecSource, false);
    bTargetOk = bTargetOk || Listed(dir.targetSub->GetPath(), false, ecTarget, true);
    if (!bSourceOk || !bTargetOk) {
        frame.arrSource.clear();
        frame.arrTarget.clear();
    }
    bool bSweep = m_options.bSweepTemps && !m_job.Simulating();
    LeaveOutTemps(frame.arrSource, dir.sourceSub, bSweep && !m_bHaveTarget);
    LeaveOutTemps(frame.arrTarget, dir.targetSub, bSweep);
    SortByKey(frame.arrSource, frame.arrSourceKeys, m_arrSorted);
    SortByKey(frame.arrTarget, frame.arrTargetKeys, m_arrSorted);
    return bSourceOk && bTargetOk;
}

// The library's own temporaries are never the user's files; those whose writer is gone are
// removed when bSweep.
void CTreeWalk::LeaveOutTemps(std::vector<CEntry>& arrEntries, const DirPtr& pDir, bool bSweep) {
    auto itTemps = std::partition(arrEntries.begin(), arrEntries.end(),
                                  [](const CEntry& entry) { return !IsTempName(entry.strName); });
    for (auto it = itTemps; bSweep && it != arrEntries.end(); ++it) {
        std::error_code ec;
        CDir::CHeld held = pDir->Hold(ec);
        if (held && RemoveStaleTemp(held.Get(), it->strName, ec)) {
            m_job.Note("removed a temporary left by an interrupted run",
                       pDir->GetPath() / NamePath(it->strName));
        } else if (ec) {
            m_job.Fail("remove the temporary", pDir->GetPath() / NamePath(it->strName), ec);
        }
    }
    arrEntries.erase(itTemps, arrEntries.end());
}

bool CTreeWalk::NextPair(CFrame& frame, CPair& pair) {
    size_t& i = frame.i;
    size_t& j = frame.j;
    const auto& arrSource = frame.arrSource;
    const auto& arrTarget = frame.arrTarget;
    if (i >= arrSource.size() && j >= arrTarget.size()) return false;
    auto sourceKey = [&]() -> const std::string& {
        return KeyOf(arrSource, frame.arrSourceKeys, i);
    };
    auto targetKey = [&]() -> const std::string& {
        return KeyOf(arrTarget, frame.arrTargetKeys, j);
    };
    bool bTakeSource =
        i < arrSource.size() && (j >= arrTarget.size() || sourceKey() <= targetKey());
    bool bTakeTarget =
        j < arrTarget.size() && (i >= arrSource.size() || targetKey() <= sourceKey());
    pair.pSource = bTakeSource ? &arrSource[i++] : nullptr;
    pair.pTarget = bTakeTarget ? &arrTarget[j++] : nullptr;
    const std::string& strName =
        pair.pSource != nullptr ? pair.pSource->strName : pair.pTarget->strName;
    pair.strSourceName = strName;
    pair.strTargetName = pair.pTarget != nullptr ? pair.pTarget->strName : strName;
    pair.sourceDir = frame.dir.sourceSub;
    pair.targetDir = frame.dir.targetSub;
    return true;
}

void CTreeWalk::Walk() {
    while (!m_arrFrames.empty() && !m_job.Stopped()) {
        CPair pair;
        if (NextPair(m_arrFrames.back(), pair)) {
            Visit(pair);
        } else {
            Leave();
        }
    }
    m_arrFrames.clear();
}

void CTreeWalk::Leave() {
    CFrame frame = std::move(m_arrFrames.back());
    m_arrFrames.pop_back();
    if (m_arrFrames.empty()) return;  // the roots
    m_visitor.LeaveDir(frame.dir);
    if (frame.pThen) VisitOne(*frame.pThen);
    KeepListing(frame.arrSource);
    KeepListing(frame.arrTarget);
}

std::vector<CEntry> CTreeWalk::TakeListing() {
    if (m_arrSpareListings.empty()) return {};
    std::vector<CEntry> arrEntries = std::move(m_arrSpareListings.back());
    m_arrSpareListings.pop_back();
    return arrEntries;
}

void CTreeWalk::KeepListing(std::vector<CEntry>& arrEntries) {
    if (arrEntries.capacity() == 0 || m_arrSpareListings.size() >= kSpareListings) return;
    arrEntries.clear();
    m_arrSpareListings.push_back(std::move(arrEntries));
}

void CTreeWalk::Visit(CPair& pair) {
    for (const CEntry* pEntry : {pair.pSource, pair.pTarget}) {
        if (pEntry != nullptr && pEntry->eKind == EKind::Special) {
            m_job.Note("skipped special file",
                       pEntry == pair.pSource ? pair.Source() : pair.Target());
            return;
        }
    }
    if (pair.pSource == nullptr || pair.pTarget == nullptr ||
        IsDir(pair.pSource) == IsDir(pair.pTarget)) {
        VisitOne(pair);
        return;
    }
    // A directory on one side only: each side is filtered on its own first, so that an
    // excluded name never matters.
    CPair sourceHalf = pair, targetHalf = pair;
    sourceHalf.pTarget = nullptr;
    targetHalf.pSource = nullptr;
    bool bSourceWanted = Wanted(sourceHalf), bTargetWanted = Wanted(targetHalf);
    if (!bSourceWanted || !bTargetWanted) {
        if (bSourceWanted || bTargetWanted) VisitOne(bSourceWanted ? sourceHalf : targetHalf);
        return;
    }
    EConflict eConflict = m_visitor.Conflict(pair);
    if (eConflict == EConflict::Fail) {
        m_job.Fail("match", IsDir(pair.pSource) ? pair.Target() : pair.Source(),
                   "a directory in one tree has the name of a file in the other");
        return;
    }
    targetHalf.bInTheWay = true;
    std::unique_ptr<CPair> pThen;
    if (eConflict == EConflict::Replace) pThen = std::make_unique<CPair>(sourceHalf);
    if (IsDir(targetHalf.pTarget)) {
        VisitOne(targetHalf, std::move(pThen));  // the source's half follows the directory
        return;
    }
    VisitOne(targetHalf);
    if (pThen) VisitOne(*pThen);
}

// Whether the one side of half would be visited at all.
bool CTreeWalk::Wanted(CPair& half) {
    bool bSource = half.pSource != nullptr;
    const CEntry& entry = bSource ? *half.pSource : *half.pTarget;
    if (entry.eKind == EKind::Dir) {
        return m_options.bRecurse && m_filter.AcceptDir(entry.strName, half.Rel());
    }
    return m_filter.AcceptFile(bSource ? *half.sourceDir : *half.targetDir, entry);
}

void CTreeWalk::VisitOne(CPair& pair, std::unique_ptr<CPair> pThen) {
    if (!IsDir(pair.pSource) && !IsDir(pair.pTarget)) {
        // Filtered by the source's entry when there is one: it decides what the pair becomes.
        bool bSource = pair.pSource != nullptr;
        const CEntry& entry = bSource ? *pair.pSource : *pair.pTarget;
        if (m_filter.AcceptFile(bSource ? *pair.sourceDir : *pair.targetDir, entry)) {
            m_visitor.Entry(pair);
        }
        return;
    }
    const std::string& strName = (pair.pSource != nullptr ? pair.pSource : pair.pTarget)->strName;
    // Neither root is walked as part of the other's tree: a target inside the source is not
    // copied into itself, and a source inside the target is not the target's to delete.
    std::string strRel = m_options.bRecurse ? pair.Rel() : std::string();
    if (!m_options.bRecurse || strRel == m_strSkipRel || strRel == m_strSkipTargetRel ||
        !m_filter.AcceptDir(strName, strRel) || OnOtherFileSystem(pair)) {
        if (pThen) VisitOne(*pThen);
        return;
    }
    // A source directory that is not there still names where reports say it would be.
    if (pair.sourceDir) {
        const CEntry* pListed = IsDir(pair.pSource) ? pair.pSource : nullptr;
        pair.sourceSub = CDir::Child(pair.sourceDir, pair.strSourceName, pListed);
    }
    if (m_bHaveTarget) {
        // A target directory still to be made is bound to whatever is made under its name.
        const CEntry* pListed = IsDir(pair.pTarget) ? pair.pTarget : nullptr;
        pair.targetSub = CDir::Child(pair.targetDir, pair.strTargetName, pListed);
        if (pair.pSource != nullptr) pair.targetSub->SetModel(*pair.pSource, pair.sourceSub);
    }
    if (!m_visitor.EnterDir(pair)) {
        if (pThen) VisitOne(*pThen);
        return;
    }
    Descend(pair, std::move(pThen));
}

// A directory that lies on another file system than its parent, on the side the operation
// changes, is a mount point: what is mounted there is not the tree's to change.
bool CTreeWalk::OnOtherFileSystem(const CPair& pair) {
    const CEntry* pEntry = m_bHaveTarget ? pair.pTarget : pair.pSource;
    if (!m_options.bOneFileSystem || !IsDir(pEntry) || pEntry->id.nDev == 0) return false;
    const DirPtr& parent = m_bHaveTarget ? pair.targetDir : pair.sourceDir;
    std::uint64_t nParentDev = parent->Identity().nDev;
    if (nParentDev == 0 || nParentDev == pEntry->id.nDev) return false;
    m_job.Note("left alone (another file system is mounted there)",
               m_bHaveTarget ? pair.Target() : pair.Source());
    return true;
}

void CTreeWalk::Descend(CPair& pair, std::unique_ptr<CPair> pThen) {
    if (m_job.CheckCancel()) return;
    CFrame frame;
    frame.dir = pair;
    frame.pThen = std::move(pThen);
    frame.arrSource = TakeListing();
    frame.arrTarget = TakeListing();
    // A side that cannot be read is reported and walked as empty; a new folder of files only
    // is written whole.
    if (ListSides(frame) && m_options.bWholeNewLeaves && frame.dir.pTarget == nullptr &&
        frame.dir.targetSub && WholeLeaf(frame.arrSource)) {
        frame.dir.targetSub->WriteWhole();
    }
    m_arrFrames.push_back(std::move(frame));
}

}  // namespace pvw
