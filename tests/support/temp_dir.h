// Temporary folders of a test's own, and the files tests write and read in them.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// A new folder below the system's temporary folder, on every platform: its path, or the empty
// text when none could be made.
inline std::string MakeTempDir(const char* pszPrefix) {
    namespace fs = std::filesystem;
    std::random_device random;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    for (int nTry = 0; nTry < 100; ++nTry) {
        const fs::path dir = base / (std::string(pszPrefix) + "-" + std::to_string(random()));
        if (fs::create_directory(dir, ec)) return dir.string();
    }
    return {};
}

// Such a folder, removed with all it holds when the object goes.
class CTempDir {
public:
    explicit CTempDir(const char* pszPrefix) : m_path(MakeTempDir(pszPrefix)) {}
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of a file in the folder.
    std::string operator/(const std::string& strName) const { return (m_path / strName).string(); }

private:
    std::filesystem::path m_path;
};

// A whole file's text; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
