// A script read from standard input: the loader reads regular files only, so the text is
// copied into a temporary file that lives as long as this object.
#pragma once

#include <atomic>
#include <string>

class CStdinScript {
public:
    CStdinScript() = default;
    CStdinScript(const CStdinScript&) = delete;
    CStdinScript& operator=(const CStdinScript&) = delete;
    ~CStdinScript();

    // Copies standard input; false with the reason when it cannot be done, and false as soon
    // as nStop is no longer 0.
    bool Copy(const std::atomic<int>& nStop, std::string& strReason);
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};
