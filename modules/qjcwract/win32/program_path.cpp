// Finding the program to run on Windows: a path as given, or a bare name searched like the
// system searches, without the current folder.
#include <algorithm>
#include <cctype>

#include "plain_text.h"
#include "win32_action.h"

namespace qjact::win32 {

namespace {

// Room for a path that SearchPath finds.
constexpr DWORD MAX_PROGRAM_PATH = 32768;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "C:\dir" or "\\server\share": a folder that does not depend on the current one.
bool IsAbsoluteFolder(const std::string& strDir) {
    if (strDir.size() >= 2 && IsSeparator(strDir[0]) && IsSeparator(strDir[1])) return true;
    return strDir.size() >= 3 && std::isalpha(static_cast<unsigned char>(strDir[0])) &&
           strDir[1] == ':' && IsSeparator(strDir[2]);
}

// The folder of a system path, as GetSystemDirectoryA and the like give it.
template <typename GetFolder>
std::string SystemFolder(GetFolder getFolder) {
    char szDir[MAX_PATH];
    UINT nLen = getFolder(szDir, MAX_PATH);
    return nLen > 0 && nLen < MAX_PATH ? std::string(szDir, nLen) : std::string();
}

std::string ApplicationFolder() {
    char szPath[MAX_PATH];
    DWORD nLen = ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strPath = nLen > 0 && nLen < MAX_PATH ? std::string(szPath, nLen) : std::string();
    std::size_t nSep = strPath.find_last_of("\\/");
    return nSep == std::string::npos ? std::string() : strPath.substr(0, nSep);
}

// The system's search order for a program, less the current folder and PATH's relative
// elements, as one list for SearchPath.
std::string SearchFolders() {
    std::string strFolders;
    auto add = [&strFolders](const std::string& strDir) {
        if (IsAbsoluteFolder(strDir)) strFolders += strDir + ";";
    };
    add(ApplicationFolder());
    add(SystemFolder(::GetSystemDirectoryA));
    std::string strWindows = SystemFolder(::GetWindowsDirectoryA);
    add(strWindows + "\\System");  // the 16-bit system folder comes before the Windows folder
    add(strWindows);
    DWORD nLen = ::GetEnvironmentVariableA("PATH", nullptr, 0);
    std::string strPath(nLen, '\0');
    if (nLen > 0 && ::GetEnvironmentVariableA("PATH", strPath.data(), nLen) == nLen - 1) {
        strPath.resize(nLen - 1);
        for (std::size_t nPos = 0; nPos <= strPath.size();) {
            std::size_t nEnd = std::min(strPath.find(';', nPos), strPath.size());
            add(strPath.substr(nPos, nEnd - nPos));
            nPos = nEnd + 1;
        }
    }
    return strFolders;
}

// The first match of the name in the folders (null: the system's own order), or the empty text.
std::string Search(const char* pszFolders, const std::string& strProgram) {
    std::string strFound(MAX_PROGRAM_PATH, '\0');
    DWORD nLen = ::SearchPathA(pszFolders, strProgram.c_str(), ".exe", MAX_PROGRAM_PATH,
                               strFound.data(), nullptr);
    if (nLen == 0 || nLen >= MAX_PROGRAM_PATH) return std::string();
    strFound.resize(nLen);
    return strFound;
}

// Why the name was not found; strHere is where the system's own order, current folder included,
// would have found it.
std::string NotFoundReason(const std::string& strProgram, const std::string& strHere) {
    if (strHere.empty()) return "program \"" + strProgram + "\" not found on PATH";
    return "program \"" + strProgram + "\" was found only relative to the current folder, as \"" +
           strHere + "\", which is not searched; give its path to run it";
}

}  // namespace

bool FindProgram(const std::string& strProgram, std::string& strPath, std::string& strReason) {
    if (strProgram.empty()) {
        strReason = "no program given";
        return false;
    }
    bool bBare = strProgram.find_first_of("\\/:") == std::string::npos;
    std::string strFound = Search(bBare ? SearchFolders().c_str() : nullptr, strProgram);
    if (strFound.empty()) {
        std::string strHere = bBare ? Search(nullptr, strProgram) : std::string();
        strReason = NotFoundReason(strProgram, strHere);
        return false;
    }
    // A batch file would run through the command interpreter, which re-reads its arguments.
    if (qjcommon::EndsWithNoCase(strFound, ".bat") || qjcommon::EndsWithNoCase(strFound, ".cmd")) {
        strReason = "\"" + strFound + "\" is a batch file, which only the command interpreter runs";
        return false;
    }
    strPath = strFound;
    return true;
}

}  // namespace qjact::win32
