// A new folder of its own below the system's temporary folder, on every platform.
#pragma once

#include <filesystem>
#include <random>
#include <string>

// The folder's path, or the empty text when none could be made.
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
