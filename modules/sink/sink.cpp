// Output sink of the log and trace modules.
#include "sink.h"

#include <cstdlib>
#include <mutex>

FILE* OpenSink(const char* pszEnvVar, FILE* pDefault) {
    const char* pszPath = std::getenv(pszEnvVar);
    if (pszPath == nullptr || *pszPath == '\0') return pDefault;
    FILE* pFile = std::fopen(pszPath, "a");
    return pFile != nullptr ? pFile : pDefault;
}

void WriteSink(FILE* pSink, const char* pszText) {
    static std::mutex s_lock;  // hosts may log from several threads
    std::lock_guard<std::mutex> guard(s_lock);
    std::fputs(pszText, pSink);
    std::fflush(pSink);
}
