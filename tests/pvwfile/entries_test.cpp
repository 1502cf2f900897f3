// Each entry of the library on real trees, and which files its filters let an operation see.
#include <sys/stat.h>

#include <functional>
#include <set>
#include <vector>

#include "family/pvwfile.h"
#include "tree_fixture.h"

namespace {

class EntryTest : public CTreeTest {};
class FilterTest : public CTreeTest {};

const Tree kSmall = {{"a.txt", "1"}, {"sub", "<dir>"}, {"sub/b.txt", "2"}, {"l", "@a.txt"}};
const Tree kNone;
// Each name is a file in one tree and a directory in the other.
const Tree kMixedSource = {{"x", "file"}, {"y", "<dir>"}, {"y/inner.txt", "i"}};
const Tree kMixedTarget = {{"x", "<dir>"}, {"x/inner.txt", "old"}, {"y", "file"}};
const Tree kOld = {{"a.txt", "old"}, {"extra.txt", "x"}, {"gone", "<dir>"}, {"gone/g.txt", "g"}};
const Tree kNewer = {{"newer-here", "src"}, {"newer-there", "src"}, {"new", "n"}};

Tree Overlaid(Tree tree, const Tree& over, const char* pszLeftOut = "") {
    for (const auto& [strName, strContent] : over) tree[strName] = strContent;
    tree.erase(pszLeftOut);
    return tree;
}

constexpr char kTxt[] = "*.txt", kLog[] = "*.log";

const std::set<std::string> kAll = {"a.txt", "B.TXT",   "c.doc",   "noext",
                                    ".ro",   "d/e.txt", "old.txt", "skip/s.txt"};

}  // namespace

TEST_F(EntryTest, EveryEntryOnRealTrees) {
    const TreeCase cases[] = {
        // clang-format off
        {"copy with subdirectories", kSmall, kNone, Both<PVWCopy, 1>, 3, kSmall, kSmall},
        {"copy of the top level only", kSmall, kNone, Both<PVWCopy, 0>, 2, kSmall,
         {{"a.txt", "1"}, {"l", "@a.txt"}}},
        {"copy of one file", kSmall, kNone,
         [](Str s, Str d) { return PVWCopy((s + "/sub/b.txt").c_str(), d.c_str(), 0, nullptr); },
         1, kSmall, {{"b.txt", "2"}}},
        {"copy of one link", kSmall, kNone,
         [](Str s, Str d) { return PVWCopy((s + "/l").c_str(), d.c_str(), 0, nullptr); },
         1, kSmall, {{"l", "@a.txt"}}},
        {"copy replaces what the target has", kSmall, kOld, Both<PVWCopy, 1, kTxt>, 2, kSmall,
         Overlaid(kOld, kSmall, "l")},
        {"move", kSmall, kNone, Both<PVWMove, 1>, 3, {{"sub", "<dir>"}}, kSmall},
        {"equalise, deletions confirmed", kSmall, kOld, Confirmed<Both<PVWEqualize, 1>>, 5, kSmall,
         kSmall},
        {"equalise, deletions not confirmed", kSmall, kOld, Both<PVWEqualize, 1>, 3, kSmall,
         Overlaid(kOld, kSmall)},
        {"equalise without its source touches nothing", kNone, kOld,
         [](Str s, Str d) {
             return DeleteConfirmed() + PVWEqualize((s + "/missing").c_str(), d.c_str(), 1, 0);
         },
         -1, kNone, kOld},
        {"scan counts new, changed and missing", kSmall, kOld, Both<PVWScanDifference, 1>, 5,
         kSmall, kOld},
        {"equalise replaces a directory by a file and a file by a directory", kMixedSource,
         kMixedTarget, Confirmed<Both<PVWEqualize, 1>>, 4, kMixedSource, kMixedSource},
        {"equalise leaves what is in the way unless deletions are confirmed", kMixedSource,
         kMixedTarget, Both<PVWEqualize, 1>, 0, kMixedSource, kMixedTarget},
        {"scan counts what is in the way as missing and its replacement as new", kMixedSource,
         kMixedTarget, Both<PVWScanDifference, 1>, 3, kMixedSource, kMixedTarget},
        {"a name the patterns exclude never conflicts", {{"e.md", "s"}, {"a.log", "a"}},
         {{"e.md", "<dir>"}}, Both<PVWCopy, 1, kLog>, 1, {{"e.md", "s"}, {"a.log", "a"}},
         {{"e.md", "<dir>"}, {"a.log", "a"}}},
        {"delete in one directory", kNone, kOld,
         [](Str, Str d) { return PVWDelete(d.c_str(), 0, "*.txt"); }, 2, kNone,
         {{"gone", "<dir>"}, {"gone/g.txt", "g"}}},
        {"delete a tree, confirmed", kNone, kOld,
         [](Str, Str d) { return DeleteConfirmed() + PVWDelete(d.c_str(), 1, nullptr); }, 3,
         kNone, kNone},
        {"delete a tree, not confirmed", kNone, kOld,
         [](Str, Str d) { return PVWDelete(d.c_str(), 1, nullptr); }, 0, kNone, kOld},
        {"hide is a leading dot", {{"f", "1"}, {".h", "2"}}, kNone,
         [](Str s, Str) { return PVWChangeAttrib(s.c_str(), "+H", 0, nullptr); }, 1,
         {{".f", "1"}, {".h", "2"}}, kNone},
        {"queued copies run as one job", {{"q1", "1"}, {"q2", "2"}}, kNone,
         [](Str s, Str d) {
             PVWAddCopyFile((s + "/q1").c_str(), (d + "/x/one").c_str(), 0);
             PVWAddCopyFile((s + "/q2").c_str(), (d + "/two").c_str(), 0);
             int n = PVWCopyFiles("job");
             return PVWCopyFiles("again") == 0 ? n : -100;  // the queue is empty now
         },
         2, {{"q1", "1"}, {"q2", "2"}}, {{"x", "<dir>"}, {"x/one", "1"}, {"two", "2"}}},
        {"update never replaces a newer target", kNewer,
         {{"newer-here", "dst"}, {"newer-there", "dst"}},
         [](Str s, Str d) {
             SetAge(d + "/newer-here", -100);
             SetAge(s + "/newer-there", -100);
             return PVWUpdate(s.c_str(), d.c_str(), 0, nullptr);
         },
         2, kNewer, {{"newer-here", "src"}, {"newer-there", "dst"}, {"new", "n"}}},
        // a target file that the filters exclude is not the equalising's to delete
        {"equalise keeps excluded target files", {{"a.txt", "1"}},
         {{"keep.log", "k"}, {"drop.txt", "d"}, {"cache/c.txt", "c"}},
         [](Str s, Str d) {
             PVWSetAnswerYesForDelete(1);
             PVWAddFileExcludeFilter("*.log");
             PVWAddDirExcludeFilter("cache");
             return PVWEqualize(s.c_str(), d.c_str(), 1, nullptr);
         },
         2, {{"a.txt", "1"}},
         {{"a.txt", "1"}, {"keep.log", "k"}, {"cache", "<dir>"}, {"cache/c.txt", "c"}}},
        // clang-format on
    };
    RunCases(cases);
}

// Each made folder is given its source's bits and time once its content is in place, also when
// more folders are made than wait at once for their content's commit.
TEST_F(EntryTest, MadeDirectoriesTakeTheirSourcesPermissionsAndTime) {
    Make(Src(), {{"private/deep/f", "1"}, {"empty", "<dir>"}});
    fs::permissions(Src() / "private", fs::perms::owner_all);
    // Not writable: it is given these bits only once its file is in place.
    fs::permissions(Src() / "private/deep", fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<std::string> arrDirs = {"", "private", "private/deep", "empty"};
    for (int i = 0; i < 1100; ++i) {
        arrDirs.push_back(std::to_string(i));
        Write(Src() / arrDirs.back() / "f", "1");
    }
    for (const std::string& strDir : arrDirs) SetAge(Src() / strDir, -86400);
    PVWSetProcessEmptyDirs(1);
    ASSERT_EQ(PVWCopy(S().c_str(), D().c_str(), 1, nullptr), 1101);
    for (const std::string& strDir : arrDirs) {
        SCOPED_TRACE(strDir);
        struct stat a, b;
        ASSERT_EQ(stat((Src() / strDir).c_str(), &a), 0);
        ASSERT_EQ(stat((Dst() / strDir).c_str(), &b), 0);
        EXPECT_EQ(a.st_mode, b.st_mode);
        EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec);
        EXPECT_EQ(a.st_mtim.tv_nsec, b.st_mtim.tv_nsec);
    }
}

// One byte changed anywhere in a large file: size and time agree, comparing contents finds it.
TEST_F(EntryTest, CompareContentsFindsWhatSizeAndTimeMiss) {
    const std::string strData(size_t{3} << 20 | 12345, 'd');
    for (size_t nAt : {size_t{0}, size_t{256} << 10, (size_t{1} << 20) - 1, strData.size() - 1}) {
        SCOPED_TRACE(nAt);
        std::string strOther = strData;
        strOther[nAt] = 'x';
        Remake({{"same", strData}, {"f", strData}}, {{"same", strData}, {"f", strOther}});
        for (const char* pszName : {"same", "f"}) {
            fs::last_write_time(Dst() / pszName, fs::last_write_time(Src() / pszName));
        }
        EXPECT_EQ(PVWScanDifference(S().c_str(), D().c_str(), 0, nullptr), 0);
        EXPECT_EQ(PVWScanDifference(S().c_str(), D().c_str(), 4, nullptr), 1);
    }
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 4, nullptr), 1);
    EXPECT_TRUE(Read(Dst()) == Read(Src()));  // not printed: megabytes
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
    const std::string strS = S(), strD = D();
    const char *s = strS.c_str(), *d = strD.c_str();
    const struct {
        const char* pszName;
        std::function<int()> fnRun;
        int nResult;
    } cases[] = {
        {"source Null", [&] { return PVWCopy(nullptr, d, 0, nullptr); }, -6},
        {"target empty", [&] { return PVWEqualize(s, "", 0, nullptr); }, -6},
        {"delete without a directory", [&] { return PVWDelete(nullptr, 0, nullptr); }, -6},
        {"source missing", [&] { return PVWCopy((strS + "/no").c_str(), d, 0, nullptr); }, -1},
        {"target under a file", [&] { return PVWCopy(s, strBlocked.c_str(), 0, nullptr); }, -2},
        {"target is the source", [&] { return PVWCopy(s, s, 1, nullptr); }, -2},
        {"create a directory", [&] { return PVWCreateDirectory((strD + "/a/b").c_str()); }, 1},
        {"create a present one", [&] { return PVWCreateDirectory((strD + "/a").c_str()); }, 1},
        {"create under a file", [&] { return PVWCreateDirectory(strBlocked.c_str()); }, -2},
        {"create Null", [&] { return PVWCreateDirectory(nullptr); }, -6},
        {"cancelled before it starts", [&] { return PVWBreak(), PVWCopy(s, d, 0, nullptr); }, -4},
        {"the cancel was taken", [&] { return PVWCopy(s, d, 0, nullptr); }, 1},
        {"reserve kept, a relative target still to be made",
         [&] {
             PVWSetReservedSpace(1);
             fs::path cwd = fs::current_path();
             fs::current_path(m_root);
             int nResult = PVWCopy(s, "made/below", 0, nullptr);
             fs::current_path(cwd);
             return nResult;
         },
         1},
        {"reserve undercut",
         [&] {
             PVWSetReservedSpace(0x7fffffff);
             return PVWCopy(s, (strD + "2").c_str(), 0, nullptr);
         },
         -5},
    };
    for (const auto& c : cases) EXPECT_EQ(c.fnRun(), c.nResult) << c.pszName;
    EXPECT_FALSE(fs::exists(strD + "2"));
}

TEST_F(FilterTest, FiltersChooseTheFiles) {
    const struct {
        const char* pszName;
        std::function<void()> fnSet;
        const char* pszPatterns;
        std::set<std::string> copied;
    } cases[] = {
        // clang-format off
        {"everything", [] {}, nullptr, kAll},
        {"patterns, either case", [] {}, "*.txt",
         {"a.txt", "B.TXT", "d/e.txt", "old.txt", "skip/s.txt"}},
        {"several patterns", [] {}, "?.doc;noext", {"c.doc", "noext"}},
        {"star dot star is every name", [] {}, "*.*", kAll},
        {"include filter", [] { PVWAddFileIncludeFilter("*.doc"); }, nullptr, {"c.doc"}},
        {"exclude wins over include",
         [] { PVWAddFileIncludeFilter("*.txt"); PVWAddFileExcludeFilter("a*;old*"); }, nullptr,
         {"B.TXT", "d/e.txt", "skip/s.txt"}},
        {"directory excluded", [] { PVWAddDirExcludeFilter("sk*"); }, "*.txt",
         {"a.txt", "B.TXT", "d/e.txt", "old.txt"}},
        {"read-only only", [] { PVWSetIncludeAttributes("R", 0); }, nullptr, {".ro"}},
        {"hidden excluded", [] { PVWSetExcludeAttributes("H", 0); }, "*.doc;.r*", {"c.doc"}},
        {"attribute sets add up",
         [] {
             PVWSetExcludeAttributes("H", 0);
             PVWSetExcludeAttributes("R", 1);
             PVWSetIncludeAttributes("RH", 0);
         },
         nullptr, {}},
        {"modified in the last day", [] { PVWSetFileTimeFilter(1); }, "*.txt",
         {"a.txt", "B.TXT", "d/e.txt", "skip/s.txt"}},
        {"older than a day", [] { PVWSetFileTimeFilter(-1); }, nullptr, {"old.txt"}},
        // clang-format on
    };
    for (const std::string& strName : kAll) Write(Src() / strName, "x");
    fs::permissions(Src() / ".ro", fs::perms::owner_read);
    SetAge(Src() / "old.txt", -3 * 86400);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        fs::remove_all(Dst());
        Reset();
        c.fnSet();
        int nResult = PVWCopy(S().c_str(), D().c_str(), 1, c.pszPatterns);
        std::set<std::string> copied;
        for (const auto& [strName, strContent] : Read(Dst())) {
            if (strContent != "<dir>") copied.insert(strName);
        }
        EXPECT_EQ(copied, c.copied);
        EXPECT_EQ(nResult, static_cast<int>(c.copied.size()));
    }
}
