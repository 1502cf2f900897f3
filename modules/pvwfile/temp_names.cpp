// Making and recognising the library's temporary names.
#include "temp_names.h"

#include <atomic>
#include <random>

namespace pvw {

namespace {

// Leaves room in a 255-byte name for the temporary name's prefix and suffix.
constexpr size_t kMaxTempStem = 200;
constexpr const char* kMark = ".pvw";

unsigned TempSalt() {
    static const unsigned s_nSalt = std::random_device{}();
    return s_nSalt;
}

// Whether str from nPos to its end is digits, "-", digits.
bool IsCounterPart(const std::string& str, size_t nPos) {
    size_t nDash = str.find('-', nPos);
    if (nDash == std::string::npos || nDash == nPos || nDash + 1 == str.size()) return false;
    for (size_t i = nPos; i < str.size(); ++i) {
        if (i != nDash && (str[i] < '0' || str[i] > '9')) return false;
    }
    return true;
}

}  // namespace

std::string TempNameFor(const std::string& strTarget) {
    std::string strStem = strTarget.substr(0, kMaxTempStem);
    // The counter is shared, so that operations on other threads never pick the same name.
    static std::atomic<unsigned> s_nCounter{0};
    return "." + strStem + kMark + std::to_string(TempSalt() % 100000) + "-" +
           std::to_string(++s_nCounter);
}

bool IsTempName(const std::string& strName) {
    size_t nMark = strName.rfind(kMark);
    return strName.size() > 1 && strName[0] == '.' && nMark != std::string::npos && nMark > 1 &&
           IsCounterPart(strName, nMark + 4);
}

}  // namespace pvw
