// Temporary trees and the library's defaults.
#include "tree_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "family/pvwfile.h"

void ResetLibrary() {
    PVWSetSimulation(0);
    PVWSetIgnoreErrors(0);
    PVWSetAnswerYesForDelete(0);
    PVWSetShowProgress(0);
    PVWSetProcessEmptyDirs(0);
    PVWSetNotifyWindow(0);
    PVWSetReservedSpace(0);
    PVWSetFileTimeFilter(0);
    PVWAddFileIncludeFilter(nullptr);
    PVWAddFileExcludeFilter(nullptr);
    PVWAddDirExcludeFilter(nullptr);
    PVWSetIncludeAttributes("", 0);
    PVWSetExcludeAttributes("", 0);
    PVWCopyFiles(nullptr);  // empties a queue a failed test left behind
}

void CTreeTest::SetUp() {
    std::string strTemplate = (fs::temp_directory_path() / "pvwtest-XXXXXX").string();
    ASSERT_NE(mkdtemp(strTemplate.data()), nullptr);
    m_root = strTemplate;
    // Open to every user: some tests run the library as an unprivileged user.
    fs::permissions(m_root, fs::perms::all);
    m_nNotifyFd = open((m_root / "notes").c_str(), O_RDWR | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(m_nNotifyFd, 0);
    Reset();
}

void CTreeTest::Reset() {
    ResetLibrary();
    PVWSetNotifyWindow(m_nNotifyFd);
}

void CTreeTest::TearDown() {
    ResetLibrary();
    close(m_nNotifyFd);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_root, ec);
}

void CTreeTest::Write(const fs::path& path, const std::string& strContent) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << strContent;
}

void CTreeTest::Make(const fs::path& dir, const Tree& tree) {
    fs::create_directories(dir);
    for (const auto& [strName, strContent] : tree) {
        fs::path path = dir / strName;
        if (strContent == "<dir>") {
            fs::create_directories(path);
        } else if (!strContent.empty() && strContent[0] == '@') {
            fs::create_directories(path.parent_path());
            fs::create_symlink(strContent.substr(1), path);
        } else {
            Write(path, strContent);
        }
    }
}

Tree CTreeTest::Read(const fs::path& dir) {
    Tree tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string strRel = it->path().lexically_relative(dir).generic_string();
        if (it->is_symlink()) {
            tree[strRel] = "@" + fs::read_symlink(it->path()).string();
        } else if (it->is_directory()) {
            tree[strRel] = "<dir>";
        } else {
            std::ifstream file(it->path(), std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            tree[strRel] = text.str();
        }
    }
    return tree;
}

void CTreeTest::SetAge(const fs::path& path, int nSeconds) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(nSeconds));
}

std::string CTreeTest::Temporaries(const fs::path& dir) {
    std::string strFound;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->path().filename().string().find(".pvw") != std::string::npos) {
            strFound += it->path().string() + " ";
        }
    }
    return strFound;
}

std::string CTreeTest::Notes() {
    std::ifstream file(m_root / "notes");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
