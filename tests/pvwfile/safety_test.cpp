// What the library promises about the data it handles, on hostile or extreme trees and under
// faults the system is made to raise: the user's files whole, nothing outside the target
// touched, every failure reported and no temporary left. Ignoring errors is one path for every
// failure, taken once.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "family/pvwfile.h"
#include "fault_layer.h"
#include "tree_fixture.h"

namespace {

class SafetyTest : public CTreeTest {};
class WalkTest : public CTreeTest {};

const Tree kSource = {{"a", "1"}, {"sub", "<dir>"}, {"sub/b", "2"}, {"l", "@a"}};
const Tree kTarget = {{"a", "old"}, {"extra", "x"}};

// Runs fn on a thread with a stack of nBytes, as a host with a small stack would.
void OnSmallStack(size_t nBytes, const std::function<void()>& fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, nBytes);
    pthread_t thread;
    auto pfnStart = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, pfnStart, const_cast<std::function<void()>*>(&fn)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

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

TEST_F(SafetyTest, SimulationChangesNothingAndCountsWhatItWouldDo) {
    using Str = const std::string&;
    const struct {
        const char* pszName;
        int (*fnRun)(Str s, Str d);
        int nWould;
    } cases[] = {
        // clang-format off
        {"copy", [](Str s, Str d) { return PVWCopy(s.c_str(), d.c_str(), 1, nullptr); }, 3},
        {"move", [](Str s, Str d) { return PVWMove(s.c_str(), d.c_str(), 1, nullptr); }, 3},
        {"update", [](Str s, Str d) { return PVWUpdate(s.c_str(), d.c_str(), 1, nullptr); }, 2},
        {"equalise", [](Str s, Str d) { return PVWEqualize(s.c_str(), d.c_str(), 1, nullptr); }, 4},
        {"delete", [](Str, Str d) { return PVWDelete(d.c_str(), 1, nullptr); }, 2},
        {"attributes", [](Str s, Str) { return PVWChangeAttrib(s.c_str(), "+R", 1, nullptr); }, 2},
        {"create", [](Str, Str d) { return PVWCreateDirectory((d + "/new").c_str()); }, 1},
        // clang-format on
    };
    Make(Src(), kSource);
    Make(Dst(), kTarget);
    SetAge(Dst() / "a", 100);  // newer: update leaves it
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        Reset();
        PVWSetSimulation(1);
        PVWSetAnswerYesForDelete(1);
        EXPECT_EQ(c.fnRun(S(), D()), c.nWould);
        EXPECT_EQ(Read(Src()), kSource);
        EXPECT_EQ(Read(Dst()), kTarget);
    }
}

TEST_F(SafetyTest, LinksStayLinksAndSpecialFilesAreSkipped) {
    Make(Src(), {{"f", "1"}, {"dangling", "@nowhere"}, {"abs", "@/etc"}});
    ASSERT_EQ(mkfifo((Src() / "fifo").c_str(), 0644), 0);
    EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 1, nullptr), 3);
    EXPECT_EQ(Read(Dst()), (Tree{{"f", "1"}, {"dangling", "@nowhere"}, {"abs", "@/etc"}}));
    EXPECT_TRUE(Noted("skipped special file " + S() + "/fifo")) << Notes();
}

// A name with a line feed or an escape sequence in it stays on its one line of the trace.
TEST_F(SafetyTest, ControlCharactersInNamesAreEscaped) {
    Make(Src(), {{"a\nb", "1"}, {"e\x1b[2J", "2"}, {"back\\n", "3"}});
    ASSERT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), 3);
    const std::string strNotes = Notes();
    for (const char* pszShown : {"a\\nb", "e\\x1b[2J", "back\\\\n"}) {
        const std::string strLine = S() + "/" + pszShown + " -> " + D() + "/" + pszShown + "\n";
        EXPECT_NE(strNotes.find(strLine), std::string::npos) << pszShown;
    }
    EXPECT_EQ(std::count(strNotes.begin(), strNotes.end(), '\n'), 4) << strNotes;  // and the sum
}

TEST_F(SafetyTest, EqualiseNeverFollowsALinkOutOfTheTarget) {
    Make(m_root / "outside", {{"precious", "p"}, {"dir/more", "m"}});
    Make(Src(), {{"a", "1"}});
    Make(Dst(), {{"a", "1"},
                 {"out", "@" + (m_root / "outside").string()},
                 {"outfile", "@" + (m_root / "outside/precious").string()}});
    fs::last_write_time(Dst() / "a", fs::last_write_time(Src() / "a"));
    PVWSetAnswerYesForDelete(1);
    PVWSetProcessEmptyDirs(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 2);  // the two links
    EXPECT_EQ(Read(Dst()), (Tree{{"a", "1"}}));
    EXPECT_EQ(Read(m_root / "outside"),
              (Tree{{"precious", "p"}, {"dir", "<dir>"}, {"dir/more", "m"}}));
}

// Each root inside the other: the target is not copied into itself, and a source that lies in
// the target is not among the target's files to delete.
TEST_F(SafetyTest, NestedRootsAreNotWalkedAsPartOfTheOtherTree) {
    Make(Src(), {{"a", "1"}});
    PVWSetAnswerYesForDelete(1);
    PVWSetProcessEmptyDirs(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), (S() + "/backup").c_str(), 1, nullptr), 1);
    EXPECT_EQ(PVWEqualize(S().c_str(), (S() + "/backup").c_str(), 1, nullptr), 0);
    EXPECT_EQ(Read(Src()), (Tree{{"a", "1"}, {"backup", "<dir>"}, {"backup/a", "1"}}));
    Make(m_root, {{"other", "o"}});
    EXPECT_EQ(PVWEqualize(S().c_str(), m_root.string().c_str(), 1, "a;other"), 3);
    EXPECT_EQ(Read(Src()), (Tree{{"a", "1"}, {"backup", "<dir>"}, {"backup/a", "1"}}));
    EXPECT_FALSE(fs::exists(m_root / "other"));
}

// Safe even were the refusal missing: simulation is on, so nothing is changed, and no
// subdirectory is entered. The refusal comes before the walk: nothing is even planned.
TEST_F(SafetyTest, TheFileSystemRootIsRefusedByEveryOperationThatDeletes) {
    Make(Src(), {{"a", "1"}});
    fs::create_directory_symlink("/", m_root / "root");
    PVWSetSimulation(1);
    for (const std::string& strRoot :
         {std::string("/"), std::string("/tmp/.."), (m_root / "root").string()}) {
        SCOPED_TRACE(strRoot);
        EXPECT_EQ(PVWEqualize(S().c_str(), strRoot.c_str(), 0, nullptr), -2);
        EXPECT_EQ(PVWDelete(strRoot.c_str(), 0, nullptr), -2);
        EXPECT_EQ(PVWMove(strRoot.c_str(), D().c_str(), 0, nullptr), -2);
    }
    EXPECT_EQ(Notes().find(": would "), std::string::npos);  // no file was even planned
}

// A temporary is the library's: one whose writer is gone is removed, one being written is left
// to its writer, and none is ever counted, copied or deleted as a user's file.
TEST_F(SafetyTest, TemporariesAreNeverUserFilesAndStaleOnesAreRemoved) {
    Make(Src(), {{"a", "1"}, {".a.pvw1-1", "the source's"}});
    Make(Dst(),
         {{"a", "1"}, {".a.pvw2-2", "stale"}, {"sub/.b.pvw3-3", "stale"}, {".c.pvw4-4", "live"}});
    fs::last_write_time(Dst() / "a", fs::last_write_time(Src() / "a"));
    int nWriter = open((Dst() / ".c.pvw4-4").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(nWriter, LOCK_SH), 0);
    PVWSetAnswerYesForDelete(1);
    EXPECT_EQ(PVWScanDifference(S().c_str(), D().c_str(), 1, nullptr), 0);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 0);
    close(nWriter);
    EXPECT_EQ(Read(Dst()), (Tree{{"a", "1"}, {"sub", "<dir>"}, {".c.pvw4-4", "live"}}));
    EXPECT_TRUE(Noted("removed a temporary left by an interrupted run " + D() + "/.a.pvw2-2"));
}

TEST_F(SafetyTest, ReadOnlyTargetFailsUnlessAllowedOrIgnored) {
    const struct {
        const char* pszName;
        int nFlags;
        bool bIgnore;
        int nResult;
        const char* pszReadOnlyAfter;
    } cases[] = {
        {"stops at the failure", 1, false, -3, "old"},
        {"errors ignored: the others go on", 1, true, 2, "old"},
        {"bit 2 replaces it", 3, false, 3, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        Remake({{"a", "1"}, {"b", "2"}, {"c", "3"}}, {{"a", "old"}});
        fs::permissions(Dst() / "a", fs::perms::owner_read);
        PVWSetIgnoreErrors(c.bIgnore);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), c.nFlags, nullptr), c.nResult);
        EXPECT_EQ(Read(Dst())["a"], c.pszReadOnlyAfter);
        EXPECT_TRUE(Noted("cannot replace " + D() + "/a: the target is read-only")) << Notes();
    }
}

TEST_F(WalkTest, ADirectorySwappedForALinkNeverRedirectsAnAction) {
    const Tree kVictim = {{"f", "victim"}, {"x0", "v"}, {"x1", "v"}, {"x2", "v"}, {"x3", "v"}};
    const fs::path victim = m_root / "victim", link = m_root / "link", sub = Dst() / "sub";
    Make(victim, kVictim);
    PVWSetAnswerYesForDelete(1);
    PVWSetIgnoreErrors(1);
    for (int nRound = 0; nRound < 100; ++nRound) {
        fs::remove_all(Dst());
        fs::remove_all(link);
        Make(Src(), {{"sub/f", "new " + std::to_string(nRound)}});
        Make(Dst(), {{"sub/f", "old"}, {"sub/x0", "o"}, {"sub/x1", "o"}, {"sub/x2", "o"}});
        fs::create_directory_symlink(victim, link);
        {  // swaps the two names back and forth, as an attacker racing the library would
            std::jthread swapper([&](std::stop_token stop) {
                while (!stop.stop_requested())
                    renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
            });
            PVWEqualize(S().c_str(), D().c_str(), 1, nullptr);
        }
        ASSERT_EQ(Read(victim), kVictim) << "round " << nRound;
    }
}

TEST_F(WalkTest, ADeepTreeIsWalkedOnASmallStack) {
    // Recursion filled a 256 KB stack at about 350 levels; far deeper trees cost the kernel
    // much time to remove, not the library to walk. The leaf's path, 6,000 bytes, is longer
    // than the system's limit.
    const int nDepth = 3000;
    MakeChain(Src(), "d", nDepth);
    int nResult = 0;
    OnSmallStack(256 << 10, [&] { nResult = PVWCopy(S().c_str(), D().c_str(), 1, nullptr); });
    EXPECT_EQ(nResult, 1);
    EXPECT_EQ(ChainLeaf(Dst(), "d", nDepth), "deep");
    RemoveChain(Src(), "d", nDepth);
    RemoveChain(Dst(), "d", nDepth);
}

TEST_F(WalkTest, DeletingLeavesAnotherFileSystemMountedInsideAlone) {
    Make(Src(), {{"a", "1"}});
    Make(Dst(), {{"mnt", "<dir>"}, {"old", "o"}});
    if (mount("tmpfs", (Dst() / "mnt").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no file system may be mounted here";
    }
    Write(Dst() / "mnt/kept", "k");
    PVWSetAnswerYesForDelete(1);
    PVWSetProcessEmptyDirs(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 2);  // a copied, old deleted
    EXPECT_EQ(PVWDelete(D().c_str(), 1, nullptr), 1);                 // a
    EXPECT_EQ(Slurp(Dst() / "mnt/kept"), "k");
    EXPECT_TRUE(Noted("left alone (another file system is mounted there) " + D() + "/mnt"));
    umount2((Dst() / "mnt").c_str(), MNT_DETACH);
}

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

// A file new to the target is written without a name and given its own once on the disk, so
// that a copy cut short leaves nothing behind; one that replaces a file needs a temporary name.
TEST_F(FaultTest, OnlyAReplacingCopyHasATemporaryName) {
    Make(Dst(), {{"old", "1"}});
    Make(Src(), {{"new", "n"}, {"old", "2"}});
    fault::Disarm();
    EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), 2);
    EXPECT_EQ(fault::NamedTemporaries(), 1);
    EXPECT_EQ(Read(Dst()), (Tree{{"new", "n"}, {"old", "2"}}));
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
