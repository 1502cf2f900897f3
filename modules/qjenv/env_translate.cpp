// %Name% texts both ways: from a stored text to a real path, and from a path to a text that
// stays right when the named directories move.
#include "env_translate.h"

#include "env_platform.h"

namespace qjenv {

bool ExpandNames(const std::string& strText, const NameLookup& lookup, std::string& strOut) {
    strOut.clear();
    std::size_t nPos = 0;
    while (nPos < strText.size()) {
        std::size_t nOpen = strText.find('%', nPos);
        if (nOpen == std::string::npos) {
            strOut.append(strText, nPos, std::string::npos);
            break;
        }
        std::size_t nClose = strText.find('%', nOpen + 1);
        if (nClose == std::string::npos) return false;
        strOut.append(strText, nPos, nOpen - nPos);
        if (nClose == nOpen + 1) {
            strOut.push_back('%');
        } else {
            std::optional<std::string> value =
                lookup(strText.substr(nOpen + 1, nClose - nOpen - 1));
            if (!value) return false;
            strOut += *value;
        }
        nPos = nClose + 1;
    }
    return true;
}

bool CollapsePath(const std::string& strPath,
                  const std::vector<std::pair<std::string, std::string>>& known,
                  std::string& strOut) {
    const std::pair<std::string, std::string>* pBest = nullptr;
    for (const auto& entry : known) {
        if (!IsDirPrefix(strPath, entry.second)) continue;
        if (pBest == nullptr || entry.second.size() > pBest->second.size()) pBest = &entry;
    }
    if (pBest == nullptr) return false;
    strOut = "%" + pBest->first + "%";
    for (std::size_t i = pBest->second.size(); i < strPath.size(); ++i) {
        if (strPath[i] == '%') strOut.push_back('%');
        strOut.push_back(strPath[i]);
    }
    return true;
}

}  // namespace qjenv
