// Scripts that drive the library through qjintp: the host's cancel, and the backup example,
// on real trees.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <sstream>

#include "tree_fixture.h"

namespace {

class ScriptTest : public CTreeTest {
protected:
    // Starts qjintp in the test's folder on the script text, with the roots "src" and "dst" as
    // its values and at most nMaxFds descriptors when given (a copy then holds only a few files
    // between its flushes).
    pid_t Start(const std::string& strScript, rlim_t nMaxFds = 0) {
        Write(m_root / "t.scr", strScript);
        pid_t pid = fork();
        if (pid == 0) {
            const rlimit limit = {nMaxFds, nMaxFds};
            if (nMaxFds != 0) setrlimit(RLIMIT_NOFILE, &limit);
            setenv("QJ_TRACE", (m_root / "trace").c_str(), 1);
            setenv("QJ_LOG", (m_root / "log").c_str(), 1);
            if (chdir(m_root.c_str()) == 0)
                execl(QJINTP, QJINTP, "-p", "\"src\" \"dst\"", "t.scr",
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }
    std::string Trace() const { return ReadText(m_root / "trace"); }
};

}  // namespace

// Ctrl-C reaches a running copy: it starts no further file and ends with -4, the copies it
// had made put in place complete, and the run ends at its next line. The library's lines go to a
// pipe of one page that is read only once the cancel has come; with few descriptors the copy
// reports its first files long before its last, so it is still running then.
// The time limit cancels through the same call as Ctrl-C; the command line's tests pin that it
// cancels a run.
TEST_F(ScriptTest, HostCancelStopsARunningCopy) {
    const int kFiles = 5000;
    for (int i = 0; i < kFiles; ++i)
        Write(Src() / ("d" + std::to_string(i % 100)) / ("f" + std::to_string(i)), "x");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    const pid_t pid = Start(
        "Declare\nNumber n = 0\nEndDeclare\nMain\nPVWSetNotifyWindow(" + std::to_string(fds[1]) +
            ")\nn = PVWCopy(Param1, Param2, 1, Null)\nDebugPrintNum(n)\nEndMain\n",
        64);
    close(fds[1]);
    char szBuf[4096];
    ASSERT_EQ(read(fds[0], szBuf, 1), 1);  // the copy is under way
    kill(pid, SIGINT);
    while (read(fds[0], szBuf, sizeof szBuf) > 0) {
    }
    close(fds[0]);
    EXPECT_EQ(ExitStatus(pid), 130);
    EXPECT_NE(Trace().find("PVWCopy - Return value: -4\n"), std::string::npos);
    EXPECT_EQ(Trace().find("DebugPrintNum"), std::string::npos);
    int nCopied = 0;
    for (const auto& [strName, strContent] : Read(Dst())) {
        if (strContent == "<dir>") continue;
        EXPECT_EQ(strContent, "x") << strName;
        ++nCopied;
    }
    EXPECT_LT(nCopied, kFiles / 2);
    EXPECT_EQ(Temporaries(Dst()), "");
}

// The backup example on real trees. The reports of a batch go to the trace several lines to a
// write: each file is still reported once, in its place, however many writes its batch takes; a
// name with a line feed or an escape sequence in it stays on its one line.
TEST_F(ScriptTest, BackupExampleBacksUpAndSaysWhatItDid) {
    const std::string strScript = ReadText(QJ_SOURCE_DIR "/examples/backup.scr");
    const std::string strLong(120, 'n');
    std::map<std::string, std::string> shown = {
        {"d1/a\nb", "d1/a\\nb"}, {"d1/e\x1b[2J", "d1/e\\x1b[2J"}, {"d1/back\\n", "d1/back\\\\n"}};
    for (int i = 0; i < 180; ++i) {
        const std::string strRel =
            "d" + std::to_string(i / 60) + "/" + strLong + std::to_string(i % 60 + 10);
        shown[strRel] = strRel;
    }
    std::string strExpected;
    for (const auto& [strRel, strShown] : shown) {
        Write(Src() / strRel, "x");
        strExpected += "PVWEqualize: copied src/" + strShown + " -> dst/" + strShown + "\n";
    }
    ASSERT_EQ(ExitStatus(Start(strScript)), 0) << Trace();
    EXPECT_EQ(Read(Dst()), Read(Src()));
    EXPECT_NE(Trace().find("183 file(s) backed up"), std::string::npos) << Trace();
    std::string strReported;
    std::istringstream lines(Trace());
    for (std::string strLine; std::getline(lines, strLine);) {
        if (strLine.starts_with("PVWEqualize: copied ")) strReported += strLine + "\n";
    }
    EXPECT_EQ(strReported, strExpected);
    // A second run finds nothing to do, and a file gone from the folder goes from the backup,
    // which the library's own line in the host's trace says.
    fs::remove(Src() / "d1" / (strLong + "10"));
    ASSERT_EQ(ExitStatus(Start(strScript)), 0) << Trace();
    EXPECT_EQ(Read(Dst()), Read(Src()));
    EXPECT_NE(Trace().find("PVWEqualize: deleted dst/d1/" + strLong + "10\n"), std::string::npos)
        << Trace();
}
