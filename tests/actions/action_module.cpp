// The action module on real processes and the mount table, below what actions.cases (ordinary
// runs and runs by id) and run_command_line.sh (an interrupt) pin through qjintp; its trace goes
// to a file of the tests' own, which the trace module opens on its first line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "family/qjcwract.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace {

// A module object, the trace it wrote during the test, a scratch folder, and no child left.
class ActionTest : public ::testing::Test {
protected:
    std::string NewTrace() const { return ReadText(std::getenv("QJ_TRACE")).substr(m_nTraceStart); }

    // True when this process has no child at all, ended or not.
    static bool NoChildLeft() {
        int nStatus;
        return ::waitpid(-1, &nStatus, WNOHANG) == -1 && errno == ECHILD;
    }

    char m_szOut[32768] = {};
    CActionModule m_action;
    const CTempDir m_temp{"qjact"};
    const std::filesystem::path& m_dir = m_temp.Path();

private:
    std::size_t m_nTraceStart = ReadText(std::getenv("QJ_TRACE")).size();
};

TEST_F(ActionTest, RunsGiveTheirResultOutputAndTrace) {
    const struct {
        const char* pszName;
        int nKind;
        const char* pszProgram;
        const char* pszArgs;
        const char* pszDir;
        int nWait, nTimeout, nResult;
        const char* pszOutput;
        const char* pszTrace;  // a part of the trace line
    } kCases[] = {
        {"status", 0, "sh", "-c 'printf \"x\\n\\r\\n\\n\"; exit 3'", nullptr, 1, 0, -3, "x",
         "exited with status 3"},
        {"signal", 0, "sh", "-c 'echo before; kill -TERM $$'", nullptr, 1, 5000, -1001, "before",
         "ended by signal 15"},
        {"no_such_path", 0, "/qj-no-such-dir/prog", "", nullptr, 1, 5000, 0, "",
         "\"/qj-no-such-dir/prog\": No such file or directory"},
        {"not_a_program", 0, "/etc", "", nullptr, 1, 5000, 0, "",
         "\"/etc\" is not a file that can be run"},
        {"no_program", 0, nullptr, "", nullptr, 1, 5000, 0, "",
         "ActRun NULL: not started: no program given"},
        {"unknown_kind", 2, "true", "", nullptr, 1, 5000, 0, "", "unknown kind 2"},
        {"negative_timeout", 0, "true", "", nullptr, 1, -1, 0, "", "a negative time-out"},
        {"unclosed_quote", 0, "echo", "'abc", nullptr, 1, 5000, 0, "",
         "cannot split the arguments: unclosed single quote"},
        {"not_on_path", 0, "qj-no-such-program", "", nullptr, 1, 5000, 0, "",
         "not started: program \"qj-no-such-program\" not found on PATH"},
        {"no_wait_not_found", 0, "sh", "", "/qj-no-such-dir", 0, 0, 0, "",
         "cannot enter the directory \"/qj-no-such-dir\": No such file or directory"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        m_szOut[0] = '\0';
        const std::size_t nTraceBefore = NewTrace().size();
        EXPECT_EQ(m_action.ActRun(c.nKind, c.pszProgram, c.pszArgs, c.pszDir, c.nWait, m_szOut,
                                  c.nTimeout),
                  c.nResult);
        EXPECT_STREQ(m_szOut, c.pszOutput);
        EXPECT_NE(NewTrace().find(c.pszTrace, nTraceBefore), std::string::npos) << NewTrace();
        EXPECT_TRUE(NoChildLeft());
    }
}

// The words that printf receives show how the text was split: each one is put between <>.
TEST_F(ActionTest, WordsAreSplitAsAShellSplitsThemWithNothingExpanded) {
    const struct {
        const char* pszArgs;
        const char* pszWords;
    } kCases[] = {
        {"a  b\tc", "<a><b><c>"},
        {"'b c' \"d e\"", "<b c><d e>"},
        {"\"d\\\"e\" f\\ g 'it''s'", "<d\"e><f g><its>"},
        {"'' x \"\"", "<><x><>"},
        {"\"a 'b' c\" 'a \"b\" c'", "<a 'b' c><a \"b\" c>"},
        {"'a\\b' \"a\\b\" a\\\\b", "<a\\b><a\\b><a\\b>"},
        {"\"$HOME\" '*' ~ \\$x", "<$HOME><*><~><$x>"},
        {"x;y|z&&w $(id) `id` >f", "<x;y|z&&w><$(id)><`id`><>f>"},
        {"a\\\nb \"c\\\nd\"", "<ab><cd>"},
    };
    for (const auto& c : kCases) {
        const std::string strArgs = std::string("'<%s>' ") + c.pszArgs;
        EXPECT_EQ(m_action.ActRun(0, "printf", strArgs.c_str(), nullptr, 1, m_szOut, 5000), 1);
        EXPECT_STREQ(m_szOut, c.pszWords) << c.pszArgs;
    }
    EXPECT_FALSE(std::filesystem::exists("f"));  // ">f" was a word, not a redirection
}

TEST_F(ActionTest, LargeOutputIsDrainedAndCut) {
    EXPECT_EQ(m_action.ActRun(0, "sh", "-c 'head -c 100000 /dev/zero | tr \"\\0\" x; exit 4'",
                              nullptr, 1, m_szOut, 10000),
              -4);
    EXPECT_EQ(std::string(m_szOut), std::string(32767, 'x'));
    EXPECT_NE(NewTrace().find("100000 bytes of output (the first 32767 kept)"), std::string::npos);
}

// Gone or a zombie within two seconds: a killed process of the group may take a moment to die
// after its leader was reaped.
bool DiesSoon(const std::string& strPid) {
    for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::string strLine;
        if (!std::getline(std::ifstream("/proc/" + strPid + "/stat"), strLine)) return true;
        const char cState = strLine[strLine.rfind(')') + 2];
        if (cState == 'Z' || cState == 'X') return true;
    }
    return false;
}

TEST_F(ActionTest, TimeOutKillsTheWholeGroupAndKeepsTheOutput) {
    EXPECT_EQ(m_action.ActRun(0, "sh", "-c 'sleep 30 & echo $!; wait'", nullptr, 1, m_szOut, 300),
              -1000);
    std::string strBackground = m_szOut;
    ASSERT_FALSE(strBackground.empty());
    EXPECT_TRUE(DiesSoon(strBackground)) << strBackground;
    EXPECT_NE(NewTrace().find("killed with its process group after the time-out of 300 ms"),
              std::string::npos);
    EXPECT_TRUE(NoChildLeft());
}

// Kind 1 hands the document alone to the desktop's opener, here one of ours found first on PATH.
TEST_F(ActionTest, DocumentsOpenWithTheDesktopsOpener) {
    std::filesystem::path opener = m_dir / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\necho \"$# $1 in $(pwd)\"\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    CEnvGuard path("PATH", m_dir.string() + ":" + std::getenv("PATH"));
    EXPECT_EQ(m_action.ActRun(1, "notes.txt", "not passed", "/", 1, m_szOut, 5000), 1);
    EXPECT_STREQ(m_szOut, "1 notes.txt in /");
}

TEST_F(ActionTest, ActionsFileThatCannotBeReadIsNamedWithTheSystemsReason) {
    CEnvGuard envFile("QJ_ENV_FILE", (m_dir / "env.ini").string());
    EXPECT_EQ(m_action.ActIDRun("Greet", 0, "", nullptr, 1, m_szOut, 0, nullptr), 0);
    EXPECT_NE(NewTrace().find("cannot read the actions file \"" + (m_dir / "actions.ini").string() +
                              "\": No such file or directory"),
              std::string::npos);
}

// A bare name runs only from an absolute folder of PATH: a match through an empty, "." or other
// relative element is whatever lies in the folder the script runs in. "@" stands for the
// scratch folder, which is the current directory here and holds qj-here and abs/qj-here.
TEST_F(ActionTest, BareNameFoundOnlyThroughTheCurrentDirectoryIsRefused) {
    struct {
        const char* pszPath;
        const char* pszProgram;
        int nResult;
        const char* pszOutput;
        const char* pszTrace;
    } cases[] = {
        {":/usr/bin:/bin", "qj-here", 0, "",
         "found only relative to the current directory, as \"./qj-here\", which is not searched"},
        {"/usr/bin:.", "qj-here", 0, "", "as \"./qj-here\""},
        {"abs", "qj-here", 0, "", "as \"abs/qj-here\""},
        {".:@/abs", "qj-here", 1, "abs", "exited with status 0"},
        {"/usr/bin", "./qj-here", 1, "here", "exited with status 0"},
    };
    std::filesystem::create_directory(m_dir / "abs");
    std::ofstream(m_dir / "qj-here") << "#!/bin/sh\necho here\n";
    std::ofstream(m_dir / "abs" / "qj-here") << "#!/bin/sh\necho abs\n";
    for (const char* pszName : {"qj-here", "abs/qj-here"})
        std::filesystem::permissions(m_dir / pszName, std::filesystem::perms::owner_all);
    const std::filesystem::path oldDir = std::filesystem::current_path();
    CEnvGuard path("PATH");
    std::filesystem::current_path(m_dir);
    for (const auto& c : cases) {
        std::string strPath = c.pszPath;
        if (std::size_t nAt = strPath.find('@'); nAt != std::string::npos)
            strPath.replace(nAt, 1, m_dir.string());
        path.Set(strPath);
        std::size_t nTraceBefore = NewTrace().size();
        EXPECT_EQ(m_action.ActRun(0, c.pszProgram, "", nullptr, 1, m_szOut, 5000), c.nResult)
            << c.pszPath;
        EXPECT_STREQ(m_szOut, c.pszOutput) << c.pszPath;
        EXPECT_NE(NewTrace().find(c.pszTrace, nTraceBefore), std::string::npos) << NewTrace();
    }
    std::filesystem::current_path(oldDir);
}

size_t OpenDescriptors() {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST_F(ActionTest, NoDescriptorReachesTheProgramOrStaysOpenHere) {
    int fdInheritable = ::open("/dev/null", O_RDONLY);  // without O_CLOEXEC on purpose
    ASSERT_GE(fdInheritable, 3);
    m_action.ActRun(0, "true", nullptr, nullptr, 1, m_szOut, 0);  // the trace file opens once
    size_t nBefore = OpenDescriptors();
    // The shell lists its own descriptors while ls runs.
    EXPECT_EQ(m_action.ActRun(0, "sh", "-c 'ls /proc/$$/fd; true'", nullptr, 1, m_szOut, 5000), 1);
    EXPECT_STREQ(m_szOut, "0\n1\n2");
    EXPECT_EQ(m_action.ActRun(0, "true", nullptr, nullptr, 0, m_szOut, 0), 2);
    EXPECT_EQ(OpenDescriptors(), nBefore);
    ::close(fdInheritable);
}

// Whether a GetMountedDrives list ("a;b;c") names the mount point.
bool Mounted(const char* pszList, const std::string& strPoint) {
    return (";" + std::string(pszList) + ";").find(";" + strPoint + ";") != std::string::npos;
}

// The drives are the mount table. Mounting needs privileges that most users lack; the test then
// only checks the refusals.
TEST_F(ActionTest, MountedDrivesAreTheMountTableAndDismountUnmountsOrGivesTheSystemsReason) {
    m_action.GetMountedDrives(m_szOut);
    std::ifstream table("/proc/self/mounts");
    const std::string strList = m_szOut;
    EXPECT_EQ(std::count(strList.begin(), strList.end(), ';') + 1,
              std::count(std::istreambuf_iterator<char>(table), {}, '\n'));
    EXPECT_TRUE(Mounted(m_szOut, "/"));
    EXPECT_EQ(m_action.Dismount(nullptr), 0);
    EXPECT_NE(NewTrace().find("Dismount NULL: not unmounted: no path given"), std::string::npos);
    std::filesystem::path mountPoint = m_dir / "with space";
    std::filesystem::create_directory(mountPoint);
    if (::mount("qjact", mountPoint.c_str(), "tmpfs", 0, nullptr) != 0) {
        EXPECT_EQ(m_action.Dismount("/"), 0);
        EXPECT_NE(NewTrace().find("Dismount \"/\": not unmounted: "), std::string::npos);
        GTEST_SKIP() << "no right to mount here";
    }
    m_action.GetMountedDrives(m_szOut);
    EXPECT_TRUE(Mounted(m_szOut, mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 1);
    m_action.GetMountedDrives(m_szOut);
    EXPECT_FALSE(Mounted(m_szOut, mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 0);
    EXPECT_NE(NewTrace().find("not unmounted: Invalid argument"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
    const CTempDir dir("qjact-trace");
    ::setenv("QJ_TRACE", (dir / "trace").c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
