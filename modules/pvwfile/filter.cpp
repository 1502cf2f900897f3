// The filters every operation applies.
#include "filter.h"

#include <chrono>
#include <cstdint>

#include "platform.h"
#include "wildcard.h"

namespace pvw {

namespace {
void SplitAll(const std::vector<std::string>& arrLists, std::vector<std::string>& arrPatterns) {
    for (const std::string& strList : arrLists) SplitPatterns(strList.c_str(), arrPatterns);
}
}  // namespace

CFilter::CFilter(const CSettings& settings, const char* pszPatterns)
    : m_nIncludeAttrib(settings.nIncludeAttrib), m_nExcludeAttrib(settings.nExcludeAttrib) {
    SplitPatterns(pszPatterns, m_arrPatterns);
    SplitAll(settings.arrInclude, m_arrInclude);
    SplitAll(settings.arrExclude, m_arrExclude);
    SplitAll(settings.arrDirExclude, m_arrDirExclude);
    if (settings.nTimeFilterDays != 0) {
        using namespace std::chrono;
        std::int64_t nNow =
            duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
        std::int64_t nSpan =
            std::int64_t{86400} * 1000000000 *
            (settings.nTimeFilterDays > 0 ? settings.nTimeFilterDays
                                          : -std::int64_t{settings.nTimeFilterDays});
        if (settings.nTimeFilterDays > 0) {
            m_nNewerThan = nNow - nSpan;
        } else {
            m_nOlderThan = nNow - nSpan;
        }
    }
}

bool CFilter::AcceptFile(CDir& dir, const CEntry& entry) const {
    const std::string& strName = entry.strName;
    if (!m_arrPatterns.empty() && !MatchAny(m_arrPatterns, strName)) return false;
    if (!m_arrInclude.empty() && !MatchAny(m_arrInclude, strName)) return false;
    if (MatchAny(m_arrExclude, strName)) return false;
    if (entry.nTime < m_nNewerThan || entry.nTime >= m_nOlderThan) return false;
    unsigned nAttrib = entry.nAttrib;
    if (((m_nIncludeAttrib | m_nExcludeAttrib) & (ATTR_S | ATTR_A)) != 0) {
        std::error_code ec;
        CDir::CHeld held = dir.Hold(ec);
        CEntry withExtras = entry;
        if (held) ReadExtraAttributes(held.Get(), entry.strName, withExtras);
        nAttrib = withExtras.nAttrib;
    }
    if (m_nIncludeAttrib != 0 && (nAttrib & m_nIncludeAttrib) == 0) return false;
    return (nAttrib & m_nExcludeAttrib) == 0;
}

bool CFilter::AcceptDir(const std::string& strName, const std::string& strRelPath) const {
    return !MatchAny(m_arrDirExclude, strName) && !MatchAny(m_arrDirExclude, strRelPath);
}

}  // namespace pvw
