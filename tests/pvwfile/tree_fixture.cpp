// Temporary trees and the library's defaults.
#include "tree_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "family/pvwfile.h"
#include "fault_layer.h"

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
    fault::Disarm();
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

void CTreeTest::Remake(const Tree& source, const Tree& target) {
    fs::remove_all(Src());
    fs::remove_all(Dst());
    Make(Src(), source);
    if (!target.empty()) Make(Dst(), target);
    fs::resize_file(m_root / "notes", 0);
    Reset();
}

void CTreeTest::RunCases(std::span<const TreeCase> cases) {
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        Remake(c.source, c.target);
        EXPECT_EQ(c.fnRun(S(), D()), c.nResult);
        Reset();  // no fault may touch the reads below
        EXPECT_EQ(Read(Src()), c.sourceAfter);
        EXPECT_EQ(Read(Dst()), c.targetAfter);
        EXPECT_TRUE(Noted(c.strNote)) << Notes();
    }
}

int CTreeTest::DeleteConfirmed() {
    PVWSetAnswerYesForDelete(1);
    PVWSetProcessEmptyDirs(1);
    return 0;
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
            strEntry = it->is_directory() ? "<dir>" : ReadText(it->path());
    }
    return tree;
}

void CTreeTest::SetAge(const fs::path& path, int nSeconds) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(nSeconds));
}

int CTreeTest::ExitStatus(pid_t pid) {
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

int CTreeTest::InChild(const std::function<int()>& fn) {
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    return ExitStatus(pid);
}

std::string CTreeTest::Temporaries(const fs::path& dir) {
    std::string strFound;
    for (const auto& [strName, strContent] : Read(dir)) {
        if (strName.find(".pvw") != std::string::npos) strFound += strName + " ";
    }
    return strFound;
}

std::string CTreeTest::Chain(const fs::path& dir, const std::string& strName, int nDepth,
                             bool bMake) {
    if (bMake) fs::create_directories(dir);
    const fs::path cwd = fs::current_path();
    int nLevel = chdir(dir.c_str()) == 0 ? 0 : nDepth + 1;
    for (; nLevel < nDepth; ++nLevel) {
        if (bMake) mkdir(strName.c_str(), 0755);
        if (chdir(strName.c_str()) != 0) break;
    }
    if (bMake && nLevel == nDepth) std::ofstream("leaf") << "deep";
    std::string strLeaf = nLevel == nDepth ? ReadText("leaf") : "";
    fs::current_path(cwd);
    return strLeaf;
}
