// Temporary trees and the library's defaults.
#include "tree_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

#include "family/pvwfile.h"

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
    PVWSetSimulation(0);
    PVWSetIgnoreErrors(0);
    PVWSetAnswerYesForDelete(0);
    PVWSetShowProgress(0);
    PVWSetProcessEmptyDirs(0);
    PVWSetReservedSpace(0);
    PVWSetFileTimeFilter(0);
    PVWAddFileIncludeFilter(nullptr);
    PVWAddFileExcludeFilter(nullptr);
    PVWAddDirExcludeFilter(nullptr);
    PVWSetIncludeAttributes("", 0);
    PVWSetExcludeAttributes("", 0);
    PVWCopyFiles(nullptr);  // empties a queue a failed test left behind
    PVWSetNotifyWindow(m_nNotifyFd);
}

void CTreeTest::TearDown() {
    close(m_nNotifyFd);
    m_nNotifyFd = 0;  // no notification target
    Reset();
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

std::string CTreeTest::Slurp(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void CTreeTest::Make(const fs::path& dir, const Tree& tree) {
    fs::create_directories(dir);
    for (const auto& [strName, strContent] : tree) {
        if (strContent == "<dir>") {
            fs::create_directories(dir / strName);
        } else if (strContent.starts_with('@')) {
            fs::create_directories((dir / strName).parent_path());
            fs::create_symlink(strContent.substr(1), dir / strName);
        } else {
            Write(dir / strName, strContent);
        }
    }
}

Tree CTreeTest::Read(const fs::path& dir) {
    Tree tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string& strEntry = tree[it->path().lexically_relative(dir).generic_string()];
        if (it->is_symlink())
            strEntry = "@" + fs::read_symlink(it->path()).string();
        else
            strEntry = it->is_directory() ? "<dir>" : Slurp(it->path());
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
        if (it->path().filename().string().find(".pvw") != std::string::npos)
            strFound += it->path().string() + " ";
    }
    return strFound;
}

namespace {

// The descriptors of dir and of each directory of the chain below it, top first.
std::vector<int> OpenChain(const fs::path& dir, const std::string& strName, int nDepth,
                           bool bMake) {
    std::vector<int> arrFds{open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    for (int i = 0; i < nDepth && arrFds.back() >= 0; ++i) {
        if (bMake) mkdirat(arrFds.back(), strName.c_str(), 0755);
        arrFds.push_back(
            openat(arrFds.back(), strName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return arrFds;
}

void CloseChain(const std::vector<int>& arrFds) {
    for (int nFd : arrFds) {
        if (nFd >= 0) close(nFd);
    }
}

}  // namespace

void CTreeTest::MakeChain(const fs::path& dir, const std::string& strName, int nDepth) {
    fs::create_directories(dir);
    std::vector<int> arrFds = OpenChain(dir, strName, nDepth, true);
    ASSERT_GE(arrFds.back(), 0);
    int nFd = openat(arrFds.back(), "leaf", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(write(nFd, "deep", 4), 4);
    close(nFd);
    CloseChain(arrFds);
}

void CTreeTest::RemoveChain(const fs::path& dir, const std::string& strName, int nDepth) {
    std::vector<int> arrFds = OpenChain(dir, strName, nDepth, false);
    if (arrFds.back() >= 0) unlinkat(arrFds.back(), "leaf", 0);
    for (size_t i = arrFds.size() - 1; i > 0; --i) {
        if (arrFds[i - 1] >= 0) unlinkat(arrFds[i - 1], strName.c_str(), AT_REMOVEDIR);
    }
    CloseChain(arrFds);
}

std::string CTreeTest::ChainLeaf(const fs::path& dir, const std::string& strName, int nDepth) {
    std::vector<int> arrFds = OpenChain(dir, strName, nDepth, false);
    std::string strContent = "<missing>";
    int nFd = arrFds.back() < 0 ? -1 : openat(arrFds.back(), "leaf", O_RDONLY | O_CLOEXEC);
    char szBuf[16];
    ssize_t n = nFd < 0 ? -1 : read(nFd, szBuf, sizeof szBuf);
    if (n >= 0) strContent.assign(szBuf, static_cast<size_t>(n));
    if (nFd >= 0) close(nFd);
    CloseChain(arrFds);
    return strContent;
}
