// Walks a source tree and a target tree in step, one directory level at a time, and shows a
// visitor each name with what each side holds under it. Links are never followed; special
// files are reported and skipped; a directory that cannot be read is reported and left out
// whole, so that no operation mistakes it for an empty one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filter.h"
#include "job.h"
#include "side_lister.h"

namespace pvw {

struct CPair {
    const CEntry* pSource;  // null when only the target has the name
    const CEntry* pTarget;  // null when only the source has it
    Path source, target;
    std::string strRel;  // "/"-separated path below the roots
};

class CTreeVisitor {
public:
    virtual ~CTreeVisitor() = default;
    // A file or link, on one side or both.
    virtual void Entry(const CPair& pair) = 0;
    // A directory, on one side or both; true to walk into it.
    virtual bool EnterDir(const CPair& pair) = 0;
    virtual void LeaveDir(const CPair& pair) { (void)pair; }
};

class CTreeWalk {
public:
    CTreeWalk(CJob& job, const CFilter& filter, bool bRecurse, CTreeVisitor& visitor)
        : m_job(job), m_filter(filter), m_bRecurse(bRecurse), m_visitor(visitor) {}

    // Walks source (a directory or one file) against the target directory (an empty path
    // when there is no target side). False, with nothing visited, when the source is missing
    // or unreadable.
    bool Run(const Path& source, const Path& target);

private:
    bool ReadRoot(const Path& source, bool bFollow, CEntry& root);
    bool Listed(const Path& dir, bool bOk, const std::error_code& ec, bool bMissingIsEmpty);
    bool ListSides(const Path& source, bool bListSource, std::vector<CEntry>& arrSource,
                   const Path& target, bool bListTarget, std::vector<CEntry>& arrTarget);
    void Level(const Path& source, const Path& target, const std::string& strRel,
               std::vector<CEntry>& arrSource, bool bListSource, bool bListTarget);
    void Visit(CPair& pair);

    CJob& m_job;
    const CFilter& m_filter;
    bool m_bRecurse;
    CTreeVisitor& m_visitor;
    bool m_bHaveTarget = false;
    std::string m_strSkipRel;                // the target root, when it lies inside the source tree
    std::string m_strSkipTargetRel;          // the source root, when it lies inside the target tree
    std::unique_ptr<CSideLister> m_pLister;  // made at the first directory both trees have
};

}  // namespace pvw
