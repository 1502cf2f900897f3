// Scripts that drive the library through qjintp, and the backup example, on real trees.
#include <sys/wait.h>
#include <unistd.h>

#include "tree_fixture.h"

namespace {

class ScriptTest : public CTreeTest {
protected:
    // Runs qjintp on the script text in the test's folder; answers its exit status.
    int Run(const std::string& strScript, const std::string& strParams = "") {
        Write(m_root / "t.scr", strScript);
        pid_t pid = fork();
        if (pid == 0) {
            setenv("QJ_TRACE", (m_root / "trace").c_str(), 1);
            setenv("QJ_LOG", (m_root / "log").c_str(), 1);
            if (chdir(m_root.c_str()) == 0)
                execl(QJINTP, QJINTP, "-p", strParams.c_str(), "t.scr",
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }
    std::string Trace() const { return Slurp(m_root / "trace"); }
};

}  // namespace

// A simulated copy, then a real one under a filter set by an earlier call: the library's
// notifications reach the host's trace, and its results the script.
TEST_F(ScriptTest, ScriptsDriveTheLibrary) {
    Make(Src(), {{"a.txt", "1"}, {"d/b.doc", "2"}});
    const std::string strCopy = "n = PVWCopy(\"src\", \"dst\", 1, Null)\n";
    ASSERT_EQ(
        Run("Declare\nNumber n = 0\nEndDeclare\nMain\nPVWSetSimulation(1)\n" + strCopy +
            "PVWSetSimulation(0)\nPVWAddFileExcludeFilter(\"*.doc\")\n" + strCopy + "EndMain\n"),
        0);
    EXPECT_EQ(Read(Dst()), (Tree{{"a.txt", "1"}}));
    EXPECT_NE(Trace().find("PVWCopy: would copy src/a.txt -> dst/a.txt"), std::string::npos);
    EXPECT_NE(Trace().find("PVWCopy - Return value: 2\n"), std::string::npos) << Trace();
    EXPECT_NE(Trace().find("PVWCopy - Return value: 1\n"), std::string::npos) << Trace();
}

TEST_F(ScriptTest, BackupExampleBacksUpAndSaysWhatItDid) {
    const std::string strScript = Slurp(QJ_SOURCE_DIR "/examples/backup.scr");
    Make(Src(), {{"notes.txt", "n"}, {"photos/p.jpg", "p"}});
    const std::string strParams = "\"" + S() + "\" \"" + D() + "\"";
    ASSERT_EQ(Run(strScript, strParams), 0) << Trace();
    EXPECT_EQ(Read(Dst()), Read(Src()));
    EXPECT_NE(Trace().find("2 file(s) backed up"), std::string::npos) << Trace();
    // A second run finds nothing to do, and a file gone from the folder goes from the backup.
    fs::remove(Src() / "notes.txt");
    ASSERT_EQ(Run(strScript, strParams), 0) << Trace();
    EXPECT_EQ(Read(Dst()), Read(Src()));
}
