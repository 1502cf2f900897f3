// Faults on real files: a read error in the middle of a file, a full target, permission denied,
// a source that vanishes or changes. Each ends with its result, the old target intact, no
// temporary left and no source lost. Ignoring errors is one path for every failure.
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <vector>

#include "family/pvwfile.h"
#include "fault_layer.h"
#include "tree_fixture.h"

namespace {

class FaultTest : public CTreeTest {
protected:
    void TearDown() override {
        fault::Disarm();
        if (m_bMounted) umount2(Dst().c_str(), MNT_DETACH);
        CTreeTest::TearDown();
    }
    // A target of 1 MiB: a real tmpfs where this user may mount one, else the fault layer's.
    void SmallTarget() {
        if (!MountTarget("size=1m")) fault::ArmDiskFull(D());
    }
    // A real tmpfs as the target, where this user may mount one.
    bool MountTarget(const char* pszSize) {
        fs::create_directories(Dst());
        m_bMounted = mount("tmpfs", Dst().c_str(), "tmpfs", 0, pszSize) == 0;
        return m_bMounted;
    }
    // Runs fn as an unprivileged user where this process is root, so that permissions hold.
    static int AsUnprivileged(const std::function<int()>& fn) {
        if (geteuid() != 0) return fn();
        pid_t pid = fork();
        if (pid == 0) {
            _exit(setgid(65534) == 0 && setuid(65534) == 0 ? fn() + 100 : 255);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) - 100 : -100;
    }

    bool m_bMounted = false;
};

const std::string kBig(3 << 20, 'b');

// The file names of the copy's reports, in the order they were made, copied or failed.
std::vector<std::string> ReportedNames(const std::string& strNotes, const std::string& strSource) {
    std::vector<std::string> arrNames;
    std::istringstream lines(strNotes);
    for (std::string strLine; std::getline(lines, strLine);) {
        for (const char* pszStart : {"PVWCopy: copied ", "PVWCopy: cannot copy "}) {
            std::string strAt = pszStart + strSource + "/";
            if (strLine.starts_with(strAt)) {
                arrNames.push_back(
                    strLine.substr(strAt.size(), strLine.find(' ', strAt.size()) - strAt.size()));
            }
        }
    }
    return arrNames;
}

}  // namespace

TEST_F(FaultTest, FullTargetKeepsTheOldFileAndTheMovedSource) {
    SmallTarget();
    Make(Dst(), {{"big", "old"}});
    Make(Src(), {{"big", kBig}, {"small", "s"}});
    // Without a file system of its own the target shares the source's, where moving is a
    // rename that needs no space.
    for (bool bMove : {false, true}) {
        SCOPED_TRACE(bMove ? "move" : "copy");
        if (bMove && !m_bMounted) continue;
        EXPECT_EQ((bMove ? PVWMove : PVWCopy)(S().c_str(), D().c_str(), 0, "big"), -3);
        EXPECT_EQ(Read(Dst()), (Tree{{"big", "old"}}));
        EXPECT_EQ(Read(Src()), (Tree{{"big", kBig}, {"small", "s"}}));
        EXPECT_EQ(Temporaries(Dst()), "");
    }
    EXPECT_TRUE(Noted("No space left on device")) << Notes();
}

TEST_F(FaultTest, PermissionDenied) {
    Make(Src(), {{"locked", "secret"}, {"open", "o"}});
    fs::create_directories(Dst());
    for (const fs::path& path : {Src(), Src() / "open", Dst()})
        fs::permissions(path, fs::perms::all);
    fs::permissions(Src() / "locked", fs::perms::none);
    EXPECT_EQ(AsUnprivileged([&] { return PVWCopy(S().c_str(), D().c_str(), 0, nullptr); }), -3);
    EXPECT_EQ(Read(Dst()).count("locked"), 0u);
    EXPECT_EQ(Temporaries(Dst()), "");
    EXPECT_TRUE(Noted("cannot copy " + S() + "/locked to " + D() + "/locked: Permission denied"));
}

TEST_F(FaultTest, SourceVanishingAfterTheWalkIsReportedNotFailed) {
    Make(Src(), {{"a", "1"}, {"gone", "2"}, {"z", "3"}});
    Make(Dst(), {{"gone", "old"}});
    fault::ArmVanish((Src() / "gone").string());
    PVWSetAnswerYesForDelete(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 0, nullptr), 2);
    EXPECT_EQ(Read(Dst()), (Tree{{"a", "1"}, {"gone", "old"}, {"z", "3"}}));
    EXPECT_TRUE(Noted("skipped (vanished since the walk) " + S() + "/gone")) << Notes();
}

TEST_F(FaultTest, ASourceChangingWhileCopiedIsCopiedAgainOnceThenFails) {
    const struct {
        const char* pszName;
        int nChanges;
        int nResult;
    } cases[] = {{"changed once: copied again", 1, 1}, {"changed each time: fails", 2, -3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        Remake({{"f", kBig}}, {{"f", "old"}});
        fault::ArmChange((Src() / "f").string(), c.nChanges);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), c.nResult);
        fault::Disarm();
        EXPECT_EQ(Slurp(Dst() / "f"), c.nResult == 1 ? kBig + "+" : "old");
        EXPECT_EQ(Temporaries(Dst()), "");
    }
    EXPECT_TRUE(Noted("the source changed while it was copied")) << Notes();
}

TEST_F(FaultTest, AMoveKeepsASourceThatChangedAfterItWasCopied) {
    SmallTarget();
    if (!m_bMounted) GTEST_SKIP() << "a move copies only to another file system";
    Make(Src(), {{"f", "data"}});
    fault::ArmChangeOnRename((Src() / "f").string());
    EXPECT_EQ(PVWMove(S().c_str(), D().c_str(), 0, nullptr), -3);
    fault::Disarm();
    EXPECT_EQ(Read(Src()), (Tree{{"f", "data+"}}));
    EXPECT_EQ(Read(Dst()), (Tree{{"f", "data"}}));
    const std::string strNote = "/f: it changed after it was copied, and stays";
    EXPECT_TRUE(Noted("cannot remove the moved source " + S() + strNote)) << Notes();
}

// The reserve is checked at each copy: the copy that would undercut it stops the operation,
// with the files before it in place and nothing of it written.
TEST_F(FaultTest, TheReserveIsKeptAtEachCopy) {
    if (!MountTarget("size=4m")) GTEST_SKIP() << "no file system may be mounted here";
    Make(Src(), {{"a", "1"}, {"b", kBig}});
    PVWSetReservedSpace(2);
    EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), -5);
    EXPECT_EQ(Read(Dst()), (Tree{{"a", "1"}}));
    EXPECT_EQ(Temporaries(Dst()), "");
}

// A folder's extras are deleted once the walk leaves it: a failure in a later folder leaves the
// folders before it equal to the source's.
TEST_F(FaultTest, EqualisingDeletesAFoldersExtrasBeforeTheNextFolder) {
    Make(Src(), {{"a/x", "1"}, {"b/bad", kBig}});
    Make(Dst(), {{"a/extra", "e"}, {"b/extra", "e"}});
    fault::ArmReadError((Src() / "b/bad").string(), 1 << 20);
    PVWSetAnswerYesForDelete(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), -3);
    EXPECT_EQ(Read(Dst()), (Tree{{"a", "<dir>"}, {"a/x", "1"}, {"b", "<dir>"}, {"b/extra", "e"}}));
}

// A read error in the middle of one of many files copied at once: the copies are reported in
// the order they were made, the old target of the failing file stays whole, and the operation
// stops at its place unless errors are ignored.
TEST_F(FaultTest, CopiesMadeAtOnceAreReportedInOrderAndAFailureStopsAtItsPlace) {
    Tree source;
    std::vector<std::string> arrAll;
    for (int i = 0; i < 300; ++i) {
        std::string strName = "f" + std::to_string(1000 + i);
        source[strName] = strName;
        arrAll.push_back(strName);
    }
    source["f1150"] = kBig;
    const std::vector<std::string> arrUpToBad(arrAll.begin(), arrAll.begin() + 151);
    const struct {
        const char* pszName;
        bool bIgnore;
        int nResult;
        const std::vector<std::string>& arrReported;
    } cases[] = {{"errors ignored", true, 299, arrAll}, {"errors stop", false, -3, arrUpToBad}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        fs::resize_file(m_root / "notes", 0);
        Remake(source, {{"f1150", "old"}});
        fault::ArmReadError((Src() / "f1150").string(), 1 << 20);
        PVWSetIgnoreErrors(c.bIgnore);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), c.nResult);
        fault::Disarm();
        EXPECT_EQ(ReportedNames(Notes(), S()), c.arrReported);
        EXPECT_TRUE(
            Noted("cannot copy " + S() + "/f1150 to " + D() + "/f1150: Input/output error"));
        Tree copied = source;
        copied.erase(copied.find("f1150"), c.bIgnore ? copied.find("f1151") : copied.end());
        copied["f1150"] = "old";
        EXPECT_EQ(Read(Dst()), copied);
        EXPECT_EQ(Temporaries(Dst()), "");
    }
}
