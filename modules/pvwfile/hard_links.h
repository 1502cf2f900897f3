// Files with more than one name in the source tree keep them in the copy: the first name met is
// copied, and each further name is made a link to that copy once it is in place, so that the
// data is copied and counted once. Only sources with more than one name are remembered, each
// until all its names have been met.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "plan.h"

namespace pvw {

// A copy that further names are linked to: where it is, and the source as it was copied.
struct CFirstCopy {
    DirPtr targetDir;
    std::string strTargetName;
    CEntry copied;
};

// Safe to use from several threads.
class CHardLinks {
public:
    // The copy a further name of the step's source is to be linked to, when that source has been
    // copied already onto the file system of the step's target; held on its own, since few
    // copies have one.
    std::unique_ptr<CFirstCopy> FirstCopy(const CStep& step);
    // Remembers the step's target as the copy of its source, when the source has more names.
    void Copied(const CStep& step, const CEntry& copied);

private:
    struct CGroup {
        CFirstCopy first;
        std::uint32_t nLeft;  // names not met yet
    };
    std::mutex m_lock;
    std::map<std::pair<std::uint64_t, std::uint64_t>, CGroup> m_groups;  // by device and inode
};

}  // namespace pvw
