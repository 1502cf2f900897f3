// Which files an operation sees: its patterns, the name filters, the directory filter, the
// attribute filters and the time filter. Exclusion wins.
#include <functional>
#include <set>

#include "family/pvwfile.h"
#include "tree_fixture.h"

namespace {

class FilterTest : public CTreeTest {};

const std::set<std::string> kAll = {"a.txt", "B.TXT",   "c.doc",   "noext",
                                    ".ro",   "d/e.txt", "old.txt", "skip/s.txt"};

}  // namespace

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

// A target file that the filters exclude is not the equalising's to delete.
TEST_F(FilterTest, EqualiseKeepsExcludedTargetFiles) {
    Make(Src(), {{"a.txt", "1"}});
    Make(Dst(), {{"keep.log", "k"}, {"drop.txt", "d"}, {"cache/c.txt", "c"}});
    PVWSetAnswerYesForDelete(1);
    PVWAddFileExcludeFilter("*.log");
    PVWAddDirExcludeFilter("cache");
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 2);
    EXPECT_EQ(Read(Dst()),
              (Tree{{"a.txt", "1"}, {"keep.log", "k"}, {"cache", "<dir>"}, {"cache/c.txt", "c"}}));
}
