// Reporting, counting and stopping of one operation.
#include "job.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "family/pvtrc32.h"
#include "platform.h"

namespace pvw {

namespace {
const char* const kSource = "pvwfile";

// A name may hold any byte but the separator. Control characters are written as escapes, so
// that a name can never break its line or forge another; a backslash is doubled where it can
// be part of a name, so that an escape never reads like a name.
bool Escapes(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f || (c == '\\' && Path::preferred_separator != '\\');
}

// Whether the line holds a byte to escape, looked at eight bytes at a time, since every line
// is: a word may hold one when a byte of it is below 0x20, or is 0x7f or the backslash, and
// from the first such word on the bytes are looked at one by one.
bool NeedsEscape(std::string_view strLine) {
    constexpr std::uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
    auto below = [](std::uint64_t nWord, std::uint64_t nBound) {
        return ((nWord - nBound * kOnes) & ~nWord & kHighs) != 0;
    };
    size_t i = 0;
    for (; i + 8 <= strLine.size(); i += 8) {
        std::uint64_t nWord;
        std::memcpy(&nWord, strLine.data() + i, sizeof nWord);
        if (below(nWord, 0x20) || below(nWord ^ (0x7f * kOnes), 1) ||
            (Path::preferred_separator != '\\' && below(nWord ^ ('\\' * kOnes), 1))) {
            break;
        }
    }
    return std::any_of(strLine.begin() + static_cast<std::ptrdiff_t>(i), strLine.end(), Escapes);
}

std::string Escaped(std::string_view strLine) {
    std::string strOut;
    strOut.reserve(strLine.size());
    for (const char c : strLine) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' && Path::preferred_separator != '\\') {
            strOut += "\\\\";
        } else if (c == '\n') {
            strOut += "\\n";
        } else if (c == '\r') {
            strOut += "\\r";
        } else if (c == '\t') {
            strOut += "\\t";
        } else if (u < 0x20 || u == 0x7f) {
            char szHex[8];
            std::snprintf(szHex, sizeof szHex, "\\x%02x", u);
            strOut += szHex;
        } else {
            strOut += c;
        }
    }
    return strOut;
}

// Gathered lines go out once they fill this much, less than the trace's buffer of 4 KiB, so that
// each such text is one write, which a kill cannot cut inside a line.
constexpr size_t kGatheredBytes = 4000;
}  // namespace

CJob::CJob(const char* pszOperation, int nFlags)
    : m_strOperation(pszOperation),
      m_nFlags(nFlags),
      m_settings(SnapshotSettings()),
      m_progress(m_settings.bShowProgress) {}

void CJob::Line(const std::string& strLine) {
    size_t nStart = m_strGathered.size();
    m_strGathered.append(strLine);
    EndLine(nStart);
}

void CJob::EndLine(size_t nStart) {
    // Most lines hold nothing to escape, and stay as they are.
    const std::string_view line = std::string_view(m_strGathered).substr(nStart);
    if (NeedsEscape(line)) m_strGathered.replace(nStart, std::string::npos, Escaped(line));
    if (nStart > 0 && m_strGathered.size() >= kGatheredBytes) {
        // The lines before it go out first, without it.
        m_strLine.assign(m_strGathered, nStart);
        m_strGathered.resize(nStart);
        TraceGathered();
        m_strGathered.swap(m_strLine);
        nStart = 0;
    }
    if (m_settings.nNotifyTarget > 0) {
        NotifyHost(m_settings.nNotifyTarget, m_strGathered.substr(nStart));
    }
    m_strGathered.push_back('\n');
    if (!m_bGathering) TraceGathered();
}

void CJob::TraceGathered() {
    if (m_strGathered.empty()) return;
    PVTrace(4, kSource, "%s", m_strGathered.c_str());
    m_strGathered.clear();
}

CJob::CGathered::~CGathered() {
    m_job.m_bGathering = false;
    m_job.TraceGathered();
}

void CJob::Note(const char* pszWhat, const std::string& strSource, const std::string* pTarget) {
    // Made where it goes, after the lines gathered before it, in a buffer that takes no memory of
    // its own once it has room.
    size_t nStart = m_strGathered.size();
    m_strGathered.append(m_strOperation).append(": ").append(pszWhat).push_back(' ');
    m_strGathered.append(strSource);
    if (pTarget != nullptr) m_strGathered.append(" -> ").append(*pTarget);
    EndLine(nStart);
}

void CJob::Note(const char* pszWhat, const Path& source, const Path* pTarget) {
    std::string strTarget = pTarget != nullptr ? pTarget->string() : std::string();
    Note(pszWhat, source.string(), pTarget != nullptr ? &strTarget : nullptr);
}

void CJob::Acted(const char* pszWhat, const std::string& strSource, const std::string* pTarget) {
    ++m_nCount;
    Note(pszWhat, strSource, pTarget);
}

void CJob::Acted(const char* pszWhat, const Path& source, const Path* pTarget) {
    ++m_nCount;
    Note(pszWhat, source, pTarget);
}

bool CJob::Fail(const char* pszWhat, const Path& path, const std::string& strReason) {
    ++m_nFailures;
    Line(m_strOperation + ": cannot " + pszWhat + " " + path.string() + ": " + strReason);
    if (m_settings.bIgnoreErrors) return true;
    if (m_nStop == 0) m_nStop = RES_FAILED;
    return false;
}

int CJob::Stop(int nCode, const std::string& strWhy) {
    Line(m_strOperation + ": " + strWhy);
    if (m_nStop == 0) m_nStop = nCode;
    return nCode;
}

bool CJob::CheckCancel() {
    if (m_nStop == 0 && TakeCancel()) Stop(RES_CANCELLED, "cancelled");
    return m_nStop == RES_CANCELLED;
}

int CJob::Finish() {
    std::string strLine = m_strOperation + ": " + std::to_string(m_nCount) + " file(s)";
    if (m_settings.bSimulation) strLine += " would be";
    strLine += " acted on";
    if (m_nFailures > 0) strLine += ", " + std::to_string(m_nFailures) + " failure(s)";
    if (m_nStop != 0) strLine += ", result " + std::to_string(m_nStop);
    Line(strLine);
    return m_nStop != 0 ? m_nStop : m_nCount;
}

}  // namespace pvw
