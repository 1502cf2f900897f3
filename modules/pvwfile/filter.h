// Which files and directories an operation sees: the operation's own patterns, the include and
// exclude filters, the attribute filters and the time filter. Exclusion always wins.
#pragma once

#include <string>
#include <vector>

#include "dir.h"
#include "settings.h"

namespace pvw {

class CFilter {
public:
    CFilter(const CSettings& settings, const char* pszPatterns);

    // A file or link named entry.strName in dir; reads S and A only when a filter needs them,
    // and keeps them nowhere.
    bool AcceptFile(CDir& dir, const CEntry& entry) const;
    // A directory at strRelPath (relative to the tree's root, "/" separated).
    bool AcceptDir(const std::string& strName, const std::string& strRelPath) const;

private:
    std::vector<std::string> m_arrPatterns, m_arrInclude, m_arrExclude, m_arrDirExclude;
    unsigned m_nIncludeAttrib, m_nExcludeAttrib;
    std::int64_t m_nNewerThan = INT64_MIN, m_nOlderThan = INT64_MAX;  // nanoseconds
};

}  // namespace pvw
