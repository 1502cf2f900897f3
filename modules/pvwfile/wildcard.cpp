// Wildcard matching of file names.
#include "wildcard.h"

#include "plain_text.h"

namespace pvw {

using qjcommon::SameCharNoCase;

bool MatchWildcard(const std::string& strPattern, const std::string& strName) {
    if (strPattern == "*.*") return true;
    // Greedy match with one backtrack point: the position after the last "*".
    size_t p = 0, n = 0, nStarP = std::string::npos, nStarN = 0;
    while (n < strName.size()) {
        if (p < strPattern.size() && strPattern[p] == '*') {
            nStarP = ++p;
            nStarN = n;
        } else if (p < strPattern.size() &&
                   (strPattern[p] == '?' || SameCharNoCase(strPattern[p], strName[n]))) {
            ++p;
            ++n;
        } else if (nStarP != std::string::npos) {
            p = nStarP;
            n = ++nStarN;
        } else {
            return false;
        }
    }
    while (p < strPattern.size() && strPattern[p] == '*') ++p;
    return p == strPattern.size();
}

void SplitPatterns(const char* pszList, std::vector<std::string>& arrPatterns) {
    if (pszList == nullptr) return;
    std::string strPart;
    for (const char* p = pszList;; ++p) {
        if (*p == ';' || *p == '\0') {
            if (!strPart.empty()) arrPatterns.push_back(strPart);
            strPart.clear();
            if (*p == '\0') break;
        } else {
            strPart.push_back(*p);
        }
    }
}

bool MatchAny(const std::vector<std::string>& arrPatterns, const std::string& strName) {
    for (const std::string& strPattern : arrPatterns) {
        if (MatchWildcard(strPattern, strName)) return true;
    }
    return false;
}

}  // namespace pvw
