// File-name patterns: "*" any run of characters, "?" one character, several patterns separated
// by ";". Letters match in either case, as users of these scripts expect; "*.*" matches every
// name, with or without a dot.
#pragma once

#include <string>
#include <vector>

namespace pvw {

bool MatchWildcard(const std::string& strPattern, const std::string& strName);

// Splits "a*;b?" into its patterns, dropping empty ones.
void SplitPatterns(const char* pszList, std::vector<std::string>& arrPatterns);

bool MatchAny(const std::vector<std::string>& arrPatterns, const std::string& strName);

}  // namespace pvw
