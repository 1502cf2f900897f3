// Reading and writing the frames of the editor protocols.
#include "editor/message_stream.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// Far more than the text of any script an editor sends; a frame that claims more is refused
// before anything is allocated for it.
constexpr size_t MAX_MESSAGE_BYTES = 64u << 20;
// A header line is short; a longer one is not a header.
constexpr size_t MAX_HEADER_LINE = 1024;
constexpr char LENGTH_FIELD[] = "Content-Length:";

// One header line without its CR LF; false at the end of the input or on an overlong line.
bool ReadHeaderLine(std::FILE* pIn, std::string& strLine) {
    strLine.clear();
    for (int ch; (ch = std::fgetc(pIn)) != EOF;) {
        if (ch == '\n') {
            if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
            return true;
        }
        if (strLine.size() == MAX_HEADER_LINE) return false;
        strLine.push_back(static_cast<char>(ch));
    }
    return false;
}

// The length that a Content-Length field gives; false when the value is not a number.
bool ReadLength(const std::string& strLine, size_t& nLength) {
    const char* pszValue = strLine.c_str() + sizeof LENGTH_FIELD - 1;
    while (*pszValue == ' ') ++pszValue;
    char* pszEnd = nullptr;
    const unsigned long long nValue = std::strtoull(pszValue, &pszEnd, 10);
    if (pszEnd == pszValue || *pszEnd != '\0' || *pszValue == '-') return false;
    nLength = static_cast<size_t>(nValue);
    return nValue <= MAX_MESSAGE_BYTES;
}
}  // namespace

bool CMessageStream::ReadHeader(size_t& nLength, std::string& strProblem) {
    bool bHasLength = false;
    std::string strLine;
    for (;;) {
        if (!ReadHeaderLine(m_pIn, strLine)) {
            if (!strLine.empty() || bHasLength) strProblem = "the message header is broken";
            return false;
        }
        if (strLine.empty()) break;
        if (strLine.compare(0, sizeof LENGTH_FIELD - 1, LENGTH_FIELD) != 0) continue;
        if (!ReadLength(strLine, nLength)) {
            strProblem = "the message length is not valid: " + strLine;
            return false;
        }
        bHasLength = true;
    }
    if (!bHasLength) strProblem = "a message came without its length";
    return bHasLength;
}

bool CMessageStream::Read(nlohmann::json& message, std::string& strProblem) {
    strProblem.clear();
    size_t nLength = 0;
    if (!ReadHeader(nLength, strProblem)) return false;
    std::vector<char> body(nLength);
    if (std::fread(body.data(), 1, nLength, m_pIn) != nLength) {
        strProblem = "the input ended inside a message";
        return false;
    }
    message = nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
    if (message.is_discarded()) {
        strProblem = "a message is not valid JSON";
        return false;
    }
    return true;
}

bool CMessageStream::Write(const nlohmann::json& message) {
    // Texts that are not valid UTF-8 (a script may hold any bytes) are sent with the
    // replacement character rather than refused.
    const std::string strBody =
        message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const std::string strHeader =
        std::string(LENGTH_FIELD) + " " + std::to_string(strBody.size()) + "\r\n\r\n";
    return std::fputs(strHeader.c_str(), m_pOut) >= 0 &&
           std::fwrite(strBody.data(), 1, strBody.size(), m_pOut) == strBody.size() &&
           std::fflush(m_pOut) == 0;
}
