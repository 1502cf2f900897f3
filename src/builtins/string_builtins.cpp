// Built-ins that the interpreter carries out itself: texts, numbers, paths and Exit.
#include "builtins/string_builtins.h"

#include <cctype>
#include <cstring>

#include "builtins/builtins.h"
#include "platform/host_platform.h"

namespace text {

int32_t Compare(const char* pszA, const char* pszB) {
    // strcmp compares the bytes as unsigned char.
    int nDiff = std::strcmp(pszA, pszB);
    return (nDiff > 0) - (nDiff < 0);
}

namespace {
bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

template <int (*pfnConvert)(int)>
void ConvertCase(std::string& str) {
    for (char& c : str) c = static_cast<char>(pfnConvert(static_cast<unsigned char>(c)));
}
}  // namespace

void MakeUpper(std::string& str) {
    ConvertCase<std::toupper>(str);
}
void MakeLower(std::string& str) {
    ConvertCase<std::tolower>(str);
}

void TrimLeft(std::string& str) {
    size_t nStart = 0;
    while (nStart < str.size() && IsSpace(str[nStart])) ++nStart;
    str.erase(0, nStart);
}

void TrimRight(std::string& str) {
    size_t nEnd = str.size();
    while (nEnd > 0 && IsSpace(str[nEnd - 1])) --nEnd;
    str.erase(nEnd);
}

void TrimLeftSet(std::string& str, const char* pszSet) {
    if (pszSet == nullptr || *pszSet == '\0') return;
    size_t nStart = str.find_first_not_of(pszSet);
    str.erase(0, nStart);  // npos: every character is in the set
}

void TrimRightSet(std::string& str, const char* pszSet) {
    if (pszSet == nullptr || *pszSet == '\0') return;
    size_t nLast = str.find_last_not_of(pszSet);
    str.erase(nLast == std::string::npos ? 0 : nLast + 1);
}

std::string FileNameOf(const char* pszPath) {
    if (pszPath == nullptr) return {};
    const char* pszSep = std::strrchr(pszPath, '\\');
    return pszSep != nullptr ? pszSep + 1 : pszPath;
}

std::string DirectoryOf(const char* pszPath) {
    if (pszPath == nullptr) return {};
    const char* pszSep = std::strrchr(pszPath, '\\');
    return pszSep != nullptr ? std::string(pszPath, pszSep + 1) : std::string();
}

std::string StripCharLeft(const char* pszText, const char* pszSet, int32_t n) {
    if (pszText == nullptr) return {};
    if (pszSet == nullptr || n <= 0) return pszText;
    // The walk ends at the terminating zero, so an empty set matches nothing.
    size_t nCut = 0;
    for (size_t i = 0; pszText[i] != '\0' && n > 0; ++i) {
        if (pszText[i] == pszSet[0]) {
            --n;
            nCut = i + 1;
        }
    }
    return pszText + nCut;
}

std::string StripCharRight(const char* pszText, const char* pszSet, int32_t n) {
    if (pszText == nullptr) return {};
    if (pszSet == nullptr || n <= 0) return pszText;
    // The walk starts at the terminating zero, which an empty set matches once.
    size_t nCut = std::strlen(pszText);
    for (size_t i = nCut + 1; i-- > 0 && n > 0;) {
        if (pszText[i] == pszSet[0]) {
            --n;
            nCut = i;
        }
    }
    return std::string(pszText, nCut);
}

}  // namespace text

namespace {

enum StringFunc : int32_t {
    FUNC_GET_LENGHT = 300,
    FUNC_IS_EMPTY = 301,
    FUNC_EMPTY = 302,
    FUNC_CONCAT = 303,
    FUNC_COMPARE = 304,
    FUNC_COMPARE_NO_CASE = 305,
    FUNC_MAKE_UPPER = 306,
    FUNC_MAKE_LOWER = 307,
    FUNC_TRIM_LEFT = 308,
    FUNC_TRIM_RIGHT = 309,
    FUNC_TRIM_LEFT_STR = 310,
    FUNC_TRIM_RIGHT_STR = 311,
    FUNC_ITOA = 314,
    FUNC_ATOI = 315,
    FUNC_GET_FILE_NAME = 500,
    FUNC_GET_PATH = 501,
    FUNC_STRIP_CHAR_LEFT = 502,
    FUNC_STRIP_CHAR_RIGHT = 503,
    FUNC_EXIT = 504,
};

// The offending text of the error raised for a Null where a text is required.
constexpr char NULL_TEXT_DETAIL[] = "NULL-pointer";

// The text of an argument that must not be Null.
const char* RequiredText(CBuiltinCall& call, int nArg) {
    const char* pszText = call.Text(nArg);
    if (pszText == nullptr) call.engine.Raise(NULL_TEXT_DETAIL, ERR_INTERNAL);
    return pszText;
}

int32_t LengthOf(const char* pszText) {
    return static_cast<int32_t>(std::strlen(pszText));
}

// Output built-ins change the variable's stored text and leave its Null flag alone.
std::string& StoredText(CBuiltinCall& call) {
    return call.Variable(1).GetStringRef();
}

}  // namespace

std::optional<int32_t> ExecStringBuiltin(int32_t nFuncId, CBuiltinCall& call) {
    switch (nFuncId) {
        case FUNC_GET_LENGHT:
        case FUNC_IS_EMPTY:
            return LengthOf(RequiredText(call, 1));
        case FUNC_EMPTY:
            StoredText(call).clear();
            return 0;
        case FUNC_CONCAT: {
            const char* pszTail = RequiredText(call, 2);
            StoredText(call).append(pszTail);
            return 0;
        }
        case FUNC_COMPARE: {
            const char* pszA = RequiredText(call, 1);
            return text::Compare(pszA, RequiredText(call, 2));
        }
        case FUNC_COMPARE_NO_CASE: {
            const char* pszA = RequiredText(call, 1);
            return platform::CompareNoCase(pszA, RequiredText(call, 2));
        }
        case FUNC_MAKE_UPPER:
            text::MakeUpper(StoredText(call));
            return 0;
        case FUNC_MAKE_LOWER:
            text::MakeLower(StoredText(call));
            return 0;
        case FUNC_TRIM_LEFT:
            text::TrimLeft(StoredText(call));
            return 0;
        case FUNC_TRIM_RIGHT:
            text::TrimRight(StoredText(call));
            return 0;
        case FUNC_TRIM_LEFT_STR:
            text::TrimLeftSet(StoredText(call), call.Text(2));
            return 0;
        case FUNC_TRIM_RIGHT_STR:
            text::TrimRightSet(StoredText(call), call.Text(2));
            return 0;
        case FUNC_ITOA:
            call.strResult = std::to_string(call.Number(1));
            return 0;
        case FUNC_ATOI:
            return call.engine.ToNumber(RequiredText(call, 1));
        case FUNC_GET_FILE_NAME:
            call.strResult = text::FileNameOf(call.Text(1));
            return 0;
        case FUNC_GET_PATH:
            call.strResult = text::DirectoryOf(call.Text(1));
            return 0;
        case FUNC_STRIP_CHAR_LEFT:
            call.strResult = text::StripCharLeft(call.Text(1), call.Text(2), call.Number(3));
            return 0;
        case FUNC_STRIP_CHAR_RIGHT:
            call.strResult = text::StripCharRight(call.Text(1), call.Text(2), call.Number(3));
            return 0;
        case FUNC_EXIT:
            call.engine.Raise("", ERR_EXIT);
        default:
            return std::nullopt;
    }
}
