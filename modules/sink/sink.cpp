// Output sink of the log and trace modules.
#include "sink.h"

#include <cstdlib>
#include <mutex>

#include "stream_mode.h"

FILE* OpenSink(const char* pszEnvVar, FILE* pDefault) {
    const char* pszPath = std::getenv(pszEnvVar);
    FILE* pFile = pszPath != nullptr && *pszPath != '\0' ? std::fopen(pszPath, "ab") : nullptr;
    if (pFile == nullptr) pFile = pDefault;
    SetBinaryStream(pFile);
    return pFile;
}

void WriteSink(FILE* pSink, const char* pszText) {
    static std::mutex s_lock;  // hosts may log from several threads
    std::lock_guard<std::mutex> guard(s_lock);
    std::fputs(pszText, pSink);
    std::fflush(pSink);
}
