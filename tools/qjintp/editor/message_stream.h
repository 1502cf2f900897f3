// The frames of the editor protocols on a pair of streams: each message a JSON text after a
// header that gives its length in bytes.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

class CMessageStream {
public:
    CMessageStream(std::FILE* pIn, std::FILE* pOut) : m_pIn(pIn), m_pOut(pOut) {}

    // The next message. False at the end of the input, or with the problem when a frame or
    // its JSON is broken; after a broken frame the stream cannot be read on.
    bool Read(nlohmann::json& message, std::string& strProblem);
    // Writes the message as one frame and flushes it; false when the stream is gone.
    bool Write(const nlohmann::json& message);

private:
    bool ReadHeader(size_t& nLength, std::string& strProblem);

    std::FILE* m_pIn;
    std::FILE* m_pOut;
};
