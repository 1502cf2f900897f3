// Splitting an action's argument text into words by the rules Windows programs split their
// command lines with: the system's CommandLineToArgvW does it.
#include "win32_action.h"
// after windows.h, which it needs
#include <shellapi.h>

#include "../action_words.h"

namespace qjact {

namespace {

// The system splits a whole command line, whose first word, the program's name, follows rules
// of its own: a stand-in name goes first, and its word is dropped.
constexpr wchar_t PROGRAM_STAND_IN[] = L"x ";

// The text in the ANSI code page as UTF-16, which CreateProcessA would make of it too.
bool WideText(const char* pszText, std::wstring& strWide) {
    int nWide = ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
    if (nWide <= 0) return false;
    strWide.resize(static_cast<std::size_t>(nWide));
    if (::MultiByteToWideChar(CP_ACP, 0, pszText, -1, strWide.data(), nWide) != nWide) return false;
    strWide.pop_back();  // the terminating zero
    return true;
}

bool NarrowText(const wchar_t* pszWide, std::string& strText) {
    int nBytes = ::WideCharToMultiByte(CP_ACP, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0) return false;
    strText.resize(static_cast<std::size_t>(nBytes));
    if (::WideCharToMultiByte(CP_ACP, 0, pszWide, -1, strText.data(), nBytes, nullptr, nullptr) !=
        nBytes)
        return false;
    strText.pop_back();
    return true;
}

// The words after the stand-in name, converted back; the system's reason when one fails.
bool TakeWords(LPWSTR* ppszArgs, int nArgs, std::vector<std::string>& arrWords,
               std::string& strReason) {
    for (int i = 1; i < nArgs; ++i) {
        std::string strWord;
        if (!NarrowText(ppszArgs[i], strWord)) {
            strReason = win32::SystemMessage(::GetLastError());
            return false;
        }
        arrWords.push_back(std::move(strWord));
    }
    return true;
}

}  // namespace

bool SplitWords(const char* pszText, std::vector<std::string>& arrWords, std::string& strReason) {
    if (pszText == nullptr || *pszText == '\0') return true;
    std::wstring strLine;
    if (!WideText(pszText, strLine)) {
        strReason = win32::SystemMessage(::GetLastError());
        return false;
    }
    strLine.insert(0, PROGRAM_STAND_IN);
    int nArgs = 0;
    LPWSTR* ppszArgs = ::CommandLineToArgvW(strLine.c_str(), &nArgs);
    if (ppszArgs == nullptr) {
        strReason = win32::SystemMessage(::GetLastError());
        return false;
    }
    bool bTaken = TakeWords(ppszArgs, nArgs, arrWords, strReason);
    ::LocalFree(ppszArgs);
    return bTaken;
}

}  // namespace qjact
