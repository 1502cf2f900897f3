// Finding the program to run: a path as given, or a name searched on PATH.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "posix_process.h"

namespace qjact::posix {

namespace {

// The search path when PATH is not set.
constexpr const char* DEFAULT_PATH = "/usr/local/bin:/usr/bin:/bin";

bool IsRunnableFile(const std::string& strPath) {
    struct stat st;
    return ::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(strPath.c_str(), X_OK) == 0;
}

// Why a path given with "/" cannot be run, in the system's words where it has them.
bool CheckGivenPath(const std::string& strPath, std::string& strReason) {
    struct stat st;
    if (::stat(strPath.c_str(), &st) != 0) {
        strReason = "\"" + strPath + "\": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strReason = "\"" + strPath + "\" is not a file that can be run";
        return false;
    }
    if (::access(strPath.c_str(), X_OK) != 0) {
        strReason = "\"" + strPath + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string CurrentDirectory() {
    std::string strDir(256, '\0');
    while (::getcwd(strDir.data(), strDir.size()) == nullptr) {
        if (errno != ERANGE) return std::string();
        strDir.resize(strDir.size() * 2);
    }
    strDir.resize(std::strlen(strDir.c_str()));
    return strDir;
}

}  // namespace

bool FindProgram(const std::string& strProgram, std::string& strPath, std::string& strReason) {
    if (strProgram.empty()) {
        strReason = "no program given";
        return false;
    }
    if (strProgram.find('/') != std::string::npos) {
        strPath = strProgram[0] == '/' ? strProgram : CurrentDirectory() + "/" + strProgram;
        return CheckGivenPath(strPath, strReason);
    }
    const char* pszPath = std::getenv("PATH");
    std::string_view rest = pszPath != nullptr ? pszPath : DEFAULT_PATH;
    std::string strRelative;  // the first match through a relative element
    while (true) {
        std::size_t nColon = rest.find(':');
        std::string strDir(rest.substr(0, nColon));
        // An empty element of PATH stands for the current directory.
        strPath = (strDir.empty() ? std::string(".") : strDir) + "/" + strProgram;
        // A match relative to whatever folder the script runs in may be anybody's program.
        if (IsRunnableFile(strPath)) {
            if (strPath[0] == '/') return true;
            if (strRelative.empty()) strRelative = strPath;
        }
        if (nColon == std::string_view::npos) break;
        rest = rest.substr(nColon + 1);
    }
    if (!strRelative.empty()) {
        strReason = "program \"" + strProgram + "\" was found only relative to the current " +
                    "directory, as \"" + strRelative + "\", which is not searched; give that " +
                    "path to run it";
        return false;
    }
    strReason = "program \"" + strProgram + "\" not found on PATH";
    return false;
}

}  // namespace qjact::posix
