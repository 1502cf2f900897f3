// What the library promises about the data it handles: simulation changes nothing, links stay
// links, special files are left alone, equalising never reaches outside the target, a failing
// file is reported and stops the operation unless errors are ignored, the library's
// temporaries are never taken for the user's files; and on hostile or extreme trees, a
// directory swapped for a link between the walk and the action never takes the action
// elsewhere, no depth of tree exhausts a small stack, and deleting stops at another file
// system mounted inside the tree.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "family/pvwfile.h"
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
