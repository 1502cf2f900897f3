// Each entry of the library on real trees: what it returns and what both trees hold after it.
#include <sys/stat.h>

#include <functional>

#include "family/pvwfile.h"
#include "tree_fixture.h"

namespace {

struct CEntryCase {
    const char* pszName;
    Tree source, target;                   // before
    std::function<int(CTreeTest&)> fnRun;  // the call
    int nResult;
    Tree sourceAfter, targetAfter;
};

class EntryTest : public CTreeTest {
public:
    int Copy(int nFlags, const char* pszPatterns = nullptr) {
        return PVWCopy(S().c_str(), D().c_str(), nFlags, pszPatterns);
    }
};

const Tree kSmall = {{"a.txt", "1"}, {"sub", "<dir>"}, {"sub/b.txt", "2"}, {"l", "@a.txt"}};

}  // namespace

TEST_F(EntryTest, EveryEntryOnRealTrees) {
    const Tree kOld = {
        {"a.txt", "old"}, {"extra.txt", "x"}, {"gone", "<dir>"}, {"gone/g.txt", "g"}};
    const std::vector<CEntryCase> cases = {
        {"copy with subdirectories",
         kSmall,
         {},
         [](CTreeTest& t) { return static_cast<EntryTest&>(t).Copy(1); },
         3,
         kSmall,
         kSmall},
        {"copy of the top level only",
         kSmall,
         {},
         [](CTreeTest& t) { return static_cast<EntryTest&>(t).Copy(0); },
         2,
         kSmall,
         {{"a.txt", "1"}, {"l", "@a.txt"}}},
        {"copy of one file",
         kSmall,
         {},
         [](CTreeTest& t) {
             return PVWCopy((t.S() + "/sub/b.txt").c_str(), t.D().c_str(), 0, nullptr);
         },
         1,
         kSmall,
         {{"b.txt", "2"}}},
        {"copy of one link",
         kSmall,
         {},
         [](CTreeTest& t) { return PVWCopy((t.S() + "/l").c_str(), t.D().c_str(), 0, nullptr); },
         1,
         kSmall,
         {{"l", "@a.txt"}}},
        {"copy replaces what the target has",
         kSmall,
         kOld,
         [](CTreeTest& t) { return static_cast<EntryTest&>(t).Copy(1, "*.txt"); },
         2,
         kSmall,
         {{"a.txt", "1"},
          {"extra.txt", "x"},
          {"gone", "<dir>"},
          {"gone/g.txt", "g"},
          {"sub", "<dir>"},
          {"sub/b.txt", "2"}}},
        {"move",
         kSmall,
         {},
         [](CTreeTest& t) { return PVWMove(t.S().c_str(), t.D().c_str(), 1, nullptr); },
         3,
         {{"sub", "<dir>"}},
         kSmall},
        {"equalise, deletions confirmed", kSmall, kOld,
         [](CTreeTest& t) {
             PVWSetAnswerYesForDelete(1);
             PVWSetProcessEmptyDirs(1);
             return PVWEqualize(t.S().c_str(), t.D().c_str(), 1, nullptr);
         },
         5, kSmall, kSmall},
        {"equalise, deletions not confirmed",
         kSmall,
         kOld,
         [](CTreeTest& t) { return PVWEqualize(t.S().c_str(), t.D().c_str(), 1, nullptr); },
         3,
         kSmall,
         {{"a.txt", "1"},
          {"extra.txt", "x"},
          {"gone", "<dir>"},
          {"gone/g.txt", "g"},
          {"sub", "<dir>"},
          {"sub/b.txt", "2"},
          {"l", "@a.txt"}}},
        {"scan counts new, changed and missing", kSmall, kOld,
         [](CTreeTest& t) { return PVWScanDifference(t.S().c_str(), t.D().c_str(), 1, nullptr); },
         5, kSmall, kOld},
        {"delete in one directory",
         {},
         kOld,
         [](CTreeTest& t) { return PVWDelete(t.D().c_str(), 0, "*.txt"); },
         2,
         {},
         {{"gone", "<dir>"}, {"gone/g.txt", "g"}}},
        {"delete a tree, confirmed",
         {},
         kOld,
         [](CTreeTest& t) {
             PVWSetAnswerYesForDelete(1);
             PVWSetProcessEmptyDirs(1);
             return PVWDelete(t.D().c_str(), 1, nullptr);
         },
         3,
         {},
         {}},
        {"delete a tree, not confirmed",
         {},
         kOld,
         [](CTreeTest& t) { return PVWDelete(t.D().c_str(), 1, nullptr); },
         0,
         {},
         kOld},
        {"hide is a leading dot",
         {{"f", "1"}, {".h", "2"}},
         {},
         [](CTreeTest& t) { return PVWChangeAttrib(t.S().c_str(), "+H", 0, nullptr); },
         1,
         {{".f", "1"}, {".h", "2"}},
         {}},
        {"queued copies run as one job",
         {{"q1", "1"}, {"q2", "2"}},
         {},
         [](CTreeTest& t) {
             PVWAddCopyFile((t.S() + "/q1").c_str(), (t.D() + "/x/one").c_str(), 0);
             PVWAddCopyFile((t.S() + "/q2").c_str(), (t.D() + "/two").c_str(), 0);
             int n = PVWCopyFiles("job");
             return PVWCopyFiles("again") == 0 ? n : -100;  // the queue is empty now
         },
         2,
         {{"q1", "1"}, {"q2", "2"}},
         {{"x", "<dir>"}, {"x/one", "1"}, {"two", "2"}}},
    };
    for (const CEntryCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        fs::remove_all(Src());
        fs::remove_all(Dst());
        Make(Src(), c.source);
        if (!c.target.empty()) Make(Dst(), c.target);
        Reset();
        EXPECT_EQ(c.fnRun(*this), c.nResult);
        EXPECT_EQ(Read(Src()), c.sourceAfter);
        EXPECT_EQ(Read(Dst()), c.targetAfter);
        EXPECT_EQ(Temporaries(m_root), "");
    }
}

TEST_F(EntryTest, CopyKeepsTimesAndPermissions) {
    Make(Src(), {{"x", "data"}});
    fs::permissions(Src() / "x", fs::perms::owner_read | fs::perms::owner_exec);
    SetAge(Src() / "x", -86400);
    ASSERT_EQ(Copy(0), 1);
    struct stat a, b;
    ASSERT_EQ(stat((Src() / "x").c_str(), &a), 0);
    ASSERT_EQ(stat((Dst() / "x").c_str(), &b), 0);
    EXPECT_EQ(a.st_mode, b.st_mode);
    EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec);
    EXPECT_EQ(a.st_mtim.tv_nsec, b.st_mtim.tv_nsec);
    // Unchanged since, so equalising finds nothing to do.
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 0);
}

TEST_F(EntryTest, UpdateNeverReplacesANewerTarget) {
    Make(Src(), {{"newer-here", "src"}, {"newer-there", "src"}, {"new", "n"}});
    Make(Dst(), {{"newer-here", "dst"}, {"newer-there", "dst"}});
    SetAge(Dst() / "newer-here", -100);
    SetAge(Src() / "newer-there", -100);
    EXPECT_EQ(PVWUpdate(S().c_str(), D().c_str(), 0, nullptr), 2);
    EXPECT_EQ(Read(Dst()), (Tree{{"newer-here", "src"}, {"newer-there", "dst"}, {"new", "n"}}));
}

TEST_F(EntryTest, CompareContentsFindsWhatSizeAndTimeMiss) {
    Make(Src(), {{"f", "abc"}});
    Make(Dst(), {{"f", "xyz"}});
    fs::last_write_time(Dst() / "f", fs::last_write_time(Src() / "f"));
    EXPECT_EQ(PVWScanDifference(S().c_str(), D().c_str(), 0, nullptr), 0);
    EXPECT_EQ(PVWScanDifference(S().c_str(), D().c_str(), 4, nullptr), 1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 4, nullptr), 1);
    EXPECT_EQ(Read(Dst()), (Tree{{"f", "abc"}}));
}

TEST_F(EntryTest, AttributesSetAndClear) {
    Make(Src(), {{"f", "1"}});
    auto writable = [&] {
        return (fs::status(Src() / "f").permissions() & fs::perms::owner_write) != fs::perms::none;
    };
    EXPECT_EQ(PVWChangeAttrib(S().c_str(), "+R", 0, nullptr), 1);
    EXPECT_FALSE(writable());
    EXPECT_EQ(PVWChangeAttrib(S().c_str(), "+R", 0, nullptr), 0);  // nothing left to change
    EXPECT_EQ(PVWChangeAttrib(S().c_str(), "-R", 0, nullptr), 1);
    EXPECT_TRUE(writable());
    // S and A live in an extended attribute; the attribute filter then sees them.
    if (PVWChangeAttrib(S().c_str(), "+A", 0, nullptr) == 1) {
        PVWSetIncludeAttributes("A", 0);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), 1);
        EXPECT_EQ(PVWChangeAttrib(S().c_str(), "-A", 0, nullptr), 1);
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 0, nullptr), 0);
    }
    EXPECT_EQ(PVWChangeAttrib(S().c_str(), "R", 0, nullptr), -6);
    EXPECT_EQ(PVWChangeAttrib(S().c_str(), "+X", 0, nullptr), -6);
}

TEST_F(EntryTest, ResultCodes) {
    Make(Src(), {{"f", "1"}});
    Write(m_root / "file", "in the way");
    const std::string strBlocked = (m_root / "file" / "below").string();
    const struct {
        const char* pszName;
        std::function<int()> fnRun;
        int nResult;
    } cases[] = {
        {"source Null", [&] { return PVWCopy(nullptr, D().c_str(), 0, nullptr); }, -6},
        {"target empty", [&] { return PVWEqualize(S().c_str(), "", 0, nullptr); }, -6},
        {"delete without a directory", [&] { return PVWDelete(nullptr, 0, nullptr); }, -6},
        {"source missing", [&] { return PVWCopy((S() + "/no").c_str(), D().c_str(), 0, nullptr); },
         -1},
        {"target under a file",
         [&] { return PVWCopy(S().c_str(), strBlocked.c_str(), 0, nullptr); }, -2},
        {"target is the source", [&] { return PVWCopy(S().c_str(), S().c_str(), 1, nullptr); }, -2},
        {"create a directory", [&] { return PVWCreateDirectory((D() + "/a/b").c_str()); }, 1},
        {"create a present one", [&] { return PVWCreateDirectory((D() + "/a").c_str()); }, 1},
        {"create under a file", [&] { return PVWCreateDirectory(strBlocked.c_str()); }, -2},
        {"create Null", [&] { return PVWCreateDirectory(nullptr); }, -6},
        {"cancelled before it starts",
         [&] {
             PVWBreak();
             return PVWCopy(S().c_str(), D().c_str(), 0, nullptr);
         },
         -4},
        {"the cancel was taken", [&] { return PVWCopy(S().c_str(), D().c_str(), 0, nullptr); }, 1},
        {"reserve undercut",
         [&] {
             PVWSetReservedSpace(0x7fffffff);
             return PVWCopy(S().c_str(), (D() + "2").c_str(), 0, nullptr);
         },
         -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(c.fnRun(), c.nResult);
    }
    EXPECT_FALSE(fs::exists(D() + "2"));
}
