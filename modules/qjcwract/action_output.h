// What a waited-for program wrote: the part that the caller's buffer can take, and how much
// there was in all.
#pragma once

#include <cstddef>
#include <string>

namespace qjact {

// The caller's result buffer holds 32767 characters and the terminating zero.
constexpr std::size_t MAX_OUTPUT = 32767;

class COutputCapture {
public:
    // Keeps bytes up to MAX_OUTPUT and counts the rest, which is dropped.
    void Append(const char* pData, std::size_t nSize);
    // The kept text without its trailing line ends.
    std::string Text() const;
    std::size_t Total() const { return m_nTotal; }
    bool Cut() const { return m_nTotal > m_strKept.size(); }

private:
    std::string m_strKept;
    std::size_t m_nTotal = 0;
};

// Copies a text into the caller's result buffer, cut to MAX_OUTPUT characters.
void CopyToBuffer(const std::string& strText, char* pszOut);

}  // namespace qjact
