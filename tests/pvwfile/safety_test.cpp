// What the library promises about the data it handles, on hostile or extreme trees and under
// faults the system is made to raise. Ignoring errors is one path for every failure, taken once.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <thread>
#include <vector>

#include "family/pvwfile.h"
#include "fault_layer.h"
#include "support/small_stack.h"
#include "tree_fixture.h"

namespace {

class SafetyTest : public CTreeTest {};
class WalkTest : public CTreeTest {};

const Tree kSource = {{"a", "1"}, {"sub", "<dir>"}, {"sub/b", "2"}, {"l", "@a"}};
const Tree kTarget = {{"a", "old"}, {"extra", "x"}};
const std::string kBig(3 << 20, 'b');

// A copy onto a target whose file "a" is read-only.
template <int nFlags, int bIgnore>
int OntoReadOnly(Str s, Str d) {
    fs::permissions(d + "/a", fs::perms::owner_read);
    PVWSetIgnoreErrors(bIgnore);
    return PVWCopy(s.c_str(), d.c_str(), nFlags, nullptr);
}

// A copy of "f", which grows by a byte the first nTimes the library reads it.
template <int nTimes>
int WhileChanging(Str s, Str d) {
    fault::ArmChange(s + "/f", nTimes);
    return PVWCopy(s.c_str(), d.c_str(), 0, nullptr);
}

class FaultTest : public CTreeTest {
protected:
    void TearDown() override {
        if (m_bMounted) umount2((m_root / "small").c_str(), MNT_DETACH);
        CTreeTest::TearDown();
    }
    // The target on a tmpfs of 4 MiB of its own, where this user may mount one.
    bool SmallTarget() {
        fs::create_directories(m_root / "small");
        m_bMounted = mount("tmpfs", (m_root / "small").c_str(), "tmpfs", 0, "size=4m") == 0;
        if (m_bMounted) m_dst = m_root / "small/dst";
        return m_bMounted;
    }
    // Runs fn as an unprivileged user where this process is root, so that permissions hold.
    static int AsUnprivileged(const std::function<int()>& fn) {
        if (geteuid() != 0) return fn();
        auto unprivileged = [&] { return setgid(65534) || setuid(65534) ? 255 : fn() + 100; };
        return InChild(unprivileged) - 100;
    }
    // fn's result, 0 to 254, from a child process that may open only nFree more descriptors.
    static int WithFreeDescriptors(int nFree, const std::function<int()>& fn) {
        return InChild([&] {
            struct rlimit limit;
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = static_cast<rlim_t>(
                std::distance(fs::directory_iterator("/proc/self/fd"), {}) + nFree);
            return setrlimit(RLIMIT_NOFILE, &limit) == 0 ? std::clamp(fn(), 0, 254) : 255;
        });
    }

    bool m_bMounted = false;
};

// The file names of the copy's reports, in the order they were made, copied or failed.
std::vector<std::string> ReportedNames(const std::string& strNotes, const std::string& strSource) {
    const std::regex report("PVWCopy: (?:copied|cannot copy) " + strSource + "/(\\S+) ");
    std::vector<std::string> arrNames;
    for (std::sregex_iterator it(strNotes.begin(), strNotes.end(), report), end; it != end; ++it)
        arrNames.push_back((*it)[1]);
    return arrNames;
}

}  // namespace

TEST_F(SafetyTest, SimulationChangesNothingAndCountsWhatItWouldDo) {
    const struct {
        const char* pszName;
        Op fnRun;
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
    Remake(kSource, kTarget);
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

// Each row a promise on a hostile tree or under a fault the system is made to raise.
TEST_F(SafetyTest, EachPromiseOnHostileTreesAndUnderFaults) {
    const Tree kLinks = {{"f", "1"}, {"dangling", "@nowhere"}, {"abs", "@/etc"}};
    const Tree kDir = {{"a", "1"}, {"dir", "<dir>"}, {"dir/more", "m"}};
    const Tree kThree = {{"a", "1"}, {"b", "2"}, {"c", "3"}}, kOld = {{"a", "old"}};
    const std::string kReadOnly = "cannot replace " + D() + "/a: the target is read-only";
    const TreeCase cases[] = {
        // clang-format off
        {"links stay links, a special file is skipped", kLinks, {},
         [](Str s, Str d) {
             mkfifo((s + "/fifo").c_str(), 0644);
             int n = PVWCopy(s.c_str(), d.c_str(), 1, nullptr);
             return fs::remove(s + "/fifo") ? n : -100;
         },
         3, kLinks, kLinks, "skipped special file " + S() + "/fifo"},
        // the links lead into the source, which must stay as it is
        {"equalise never follows a link out of the target", kDir,
         {{"out", "@../src/dir"}, {"outfile", "@../src/a"}}, Confirmed<Both<PVWEqualize, 1>>, 4,
         kDir, kDir},
        {"a read-only target stops the copy", kThree, kOld, OntoReadOnly<1, 0>, -3, kThree, kOld,
         kReadOnly},
        {"errors ignored: the others go on", kThree, kOld, OntoReadOnly<1, 1>, 2, kThree,
         {{"a", "old"}, {"b", "2"}, {"c", "3"}}, kReadOnly},
        {"bit 2 replaces a read-only target", kThree, kOld, OntoReadOnly<3, 0>, 3, kThree, kThree},
        {"a source vanishing after the walk is reported, not failed",
         {{"a", "1"}, {"gone", "2"}, {"z", "3"}}, {{"gone", "old"}},
         [](Str s, Str d) {
             fault::ArmVanish(s + "/gone");
             return DeleteConfirmed() + PVWEqualize(s.c_str(), d.c_str(), 0, nullptr);
         },
         2, {{"a", "1"}, {"z", "3"}}, {{"a", "1"}, {"gone", "old"}, {"z", "3"}},
         "skipped (vanished since the walk) " + S() + "/gone"},
        {"a source changed once while copied is copied again", {{"f", kBig}}, {{"f", "old"}},
         WhileChanging<1>, 1, {{"f", kBig + "+"}}, {{"f", kBig + "+"}}},
        {"a source changed at each copy fails", {{"f", kBig}}, {{"f", "old"}}, WhileChanging<2>,
         -3, {{"f", kBig + "++"}}, {{"f", "old"}}, "the source changed while it was copied"},
        // A file new to the target is written without a name and given its own once on the
        // disk, so that a copy cut short leaves nothing behind; one that replaces a file needs a
        // temporary name.
        {"only a replacing copy has a temporary name", {{"new", "n"}, {"old", "2"}},
         {{"old", "1"}},
         [](Str s, Str d) {
             int n = PVWCopy(s.c_str(), d.c_str(), 0, nullptr);
             return fault::NamedTemporaries() == 1 ? n : -100;
         },
         2, {{"new", "n"}, {"old", "2"}}, {{"new", "n"}, {"old", "2"}}},
        // A folder's extras are deleted once the walk leaves it: a failure in a later folder
        // leaves the folders before it equal to the source's.
        {"equalising deletes a folder's extras before the next folder",
         {{"a/x", "1"}, {"b/bad", kBig}}, {{"a/extra", "e"}, {"b/extra", "e"}},
         [](Str s, Str d) {
             fault::ArmReadError(s + "/b/bad", 1 << 20);
             PVWSetAnswerYesForDelete(1);
             return PVWEqualize(s.c_str(), d.c_str(), 1, nullptr);
         },
         -3, {{"a", "<dir>"}, {"a/x", "1"}, {"b", "<dir>"}, {"b/bad", kBig}},
         {{"a", "<dir>"}, {"a/x", "1"}, {"b", "<dir>"}, {"b/extra", "e"}}},
        // clang-format on
    };
    RunCases(cases);
}

// Each root inside the other: the target is not copied into itself, and a source that lies in
// the target is not among the target's files to delete.
TEST_F(SafetyTest, NestedRootsAreNotWalkedAsPartOfTheOtherTree) {
    Make(Src(), {{"a", "1"}});
    DeleteConfirmed();
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
    Remake({{"a", "1"}, {".a.pvw1-1", "the source's"}},
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

TEST_F(WalkTest, ADirectorySwappedForALinkNeverRedirectsAnAction) {
    const Tree kVictim = {{"f", "victim"}, {"x0", "v"}, {"x1", "v"}, {"x2", "v"}, {"x3", "v"}};
    const fs::path victim = m_root / "victim", link = m_root / "link", sub = Dst() / "sub";
    Make(victim, kVictim);
    for (int nRound = 0; nRound < 100; ++nRound) {
        fs::remove_all(link);
        Remake({{"sub/f", "new " + std::to_string(nRound)}},
               {{"sub/f", "old"}, {"sub/x0", "o"}, {"sub/x1", "o"}, {"sub/x2", "o"}});
        fs::create_directory_symlink(victim, link);
        PVWSetAnswerYesForDelete(1);
        PVWSetIgnoreErrors(1);
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
    ASSERT_EQ(Chain(Src(), "d", nDepth, true), "deep");
    int nResult = 0;
    ASSERT_TRUE(
        RunOnStack(256 << 10, [&] { nResult = PVWCopy(S().c_str(), D().c_str(), 1, nullptr); }));
    EXPECT_EQ(nResult, 1);
    EXPECT_EQ(Chain(Dst(), "d", nDepth, false), "deep");
}

TEST_F(WalkTest, DeletingLeavesAnotherFileSystemMountedInsideAlone) {
    Remake({{"a", "1"}}, {{"mnt", "<dir>"}, {"old", "o"}});
    if (mount("tmpfs", (Dst() / "mnt").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no file system may be mounted here";
    }
    Write(Dst() / "mnt/kept", "k");
    DeleteConfirmed();
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 2);  // a copied, old deleted
    EXPECT_EQ(PVWDelete(D().c_str(), 1, nullptr), 1);                 // a
    EXPECT_EQ(ReadText(Dst() / "mnt/kept"), "k");
    EXPECT_TRUE(Noted("left alone (another file system is mounted there) " + D() + "/mnt"));
    umount2((Dst() / "mnt").c_str(), MNT_DETACH);
}

TEST_F(FaultTest, PermissionDenied) {
    Make(Src(), {{"locked", "secret"}, {"open", "o"}});
    fs::create_directories(Dst());
    for (const fs::path& path : {Src(), Src() / "open", Dst()})
        fs::permissions(path, fs::perms::all);
    fs::permissions(Src() / "locked", fs::perms::none);
    EXPECT_EQ(AsUnprivileged([&] { return PVWCopy(S().c_str(), D().c_str(), 0, nullptr); }), -3);
    EXPECT_EQ(Read(Dst()), Tree{});  // the files after it are not copied either
    EXPECT_TRUE(Noted("cannot copy " + S() + "/locked to " + D() + "/locked: Permission denied"));
}

// What a target without room for a file, or without room left beside the reserve, keeps:
// everything it had, and nothing half-written; and what a move that fails keeps of its source.
TEST_F(FaultTest, ASmallTargetKeepsItsFilesWholeAndAMoveItsSource) {
    // Without a file system of its own the target shares the source's, where moving is a
    // rename that needs no space: only the copy is checked there, with the writes refused, the
    // notes' among them.
    const bool bMounted = SmallTarget();
    const std::string kNoSpace = bMounted ? "No space left on device" : "";
    const Tree kFull = {{"big", std::string(5 << 20, 'b')}, {"small", "s"}},
               kOld = {{"big", "old"}};
    const Tree kMore = {{"a", "1"}, {"b", kBig}};
    const std::string kChanged =
        "cannot remove the moved source " + S() + "/f: it changed after it was copied, and stays";
    const TreeCase cases[] = {
        // clang-format off
        {"a copy onto a full target", kFull, kOld,
         [&](Str s, Str d) {
             if (!bMounted) fault::ArmDiskFull(d);
             return PVWCopy(s.c_str(), d.c_str(), 0, "big");
         },
         -3, kFull, kOld, kNoSpace},
        {"a move onto a full target", kFull, kOld,
         [](Str s, Str d) { return PVWMove(s.c_str(), d.c_str(), 0, "big"); }, -3, kFull, kOld,
         "No space left on device"},
        {"a moved source that changed after it was copied", {{"f", "data"}}, {},
         [](Str s, Str d) {
             fault::ArmChangeOnRename(s + "/f");
             return PVWMove(s.c_str(), d.c_str(), 0, nullptr);
         },
         -3, {{"f", "data+"}}, {{"f", "data"}}, kChanged},
        {"the copy that would undercut the reserve", kMore, {},
         [](Str s, Str d) {
             PVWSetReservedSpace(2);
             return PVWCopy(s.c_str(), d.c_str(), 0, nullptr);
         },
         -5, kMore, {{"a", "1"}}},
        // clang-format on
    };
    RunCases(std::span(cases, bMounted ? std::size(cases) : 1));
}

// A read error in the middle of one of many files copied at once: the copies are reported in
// the order they were made, the old target of the failing file stays whole, and the operation
// stops at its place unless errors are ignored.
TEST_F(FaultTest, CopiesMadeAtOnceAreReportedInOrderAndAFailureStopsAtItsPlace) {
    Tree source;
    std::vector<std::string> arrAll;
    for (int i = 1000; i < 1300; ++i) arrAll.push_back("f" + std::to_string(i));
    for (const std::string& strName : arrAll) source[strName] = strName;
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
        EXPECT_EQ(Read(Dst()), copied);  // hidden temporaries included
    }
}

TEST_F(FaultTest, ACopyShortOfDescriptorsPutsThoseItHoldsInPlaceAndGoesOn) {
    Tree source = {{"d0", "<dir>"}, {"d1", "<dir>"}};
    for (int i = 0; i < 100; ++i)
        source["d" + std::to_string(i % 2) + "/f" + std::to_string(i)] = "x";
    for (bool bFewFree : {false, true}) {
        SCOPED_TRACE(bFewFree ? "few descriptors free" : "an open refused twice");
        Remake(source, {});
        // Refused at once and again when tried at once: it waits for those held before it.
        if (!bFewFree) fault::ArmNoDescriptor((Src() / "d1/f75").string(), 2);
        auto copy = [&] { return PVWCopy(S().c_str(), D().c_str(), 1, nullptr); };
        EXPECT_EQ(bFewFree ? WithFreeDescriptors(24, copy) : copy(), 100);
        EXPECT_EQ(Read(Dst()), source);
        EXPECT_FALSE(Noted("cannot")) << Notes();
    }
}

// A new folder of files is written whole under a hidden name and renamed into place after its
// files are on the disk: a failure inside it leaves none of it, reported or not; a hidden
// folder that a killed run left is removed by the next run.
TEST_F(FaultTest, AFolderWrittenWholeIsThereWholeOrNotAtAll) {
    Tree source = {{"d/f1", "1"}, {"d/f2", kBig}, {"d/f3", "3"}}, copied = source;
    copied["d"] = "<dir>";
    const struct {
        const char* pszName;
        Tree target;
        std::string strBadFile;  // fails to be read
        int nResult;
    } cases[] = {
        {"a failure inside it", {}, "d/f2", -3},
        {"one left by a killed run", {{".e.pvw9-9/f1", "stale"}}, "", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        Remake(source, c.target);
        if (!c.strBadFile.empty()) fault::ArmReadError((Src() / c.strBadFile).string(), 1 << 20);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 1, nullptr), c.nResult);
        fault::Disarm();
        EXPECT_TRUE(Read(Dst()) == (c.nResult > 0 ? copied : Tree{})) << Temporaries(Dst());
        EXPECT_EQ(Noted(" copied "), c.nResult > 0) << Notes();
    }
}
