// The index of names over a table as the engine keeps it: every name is found through all the
// growth and removals a table goes through, and a removed one is gone.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

#include "host/engine.h"

namespace {

TEST(IdentIndex, FindsEveryNameThroughGrowthAndRemovals) {
    IdentMap table;
    CIdentIndex index;
    index.Reset(0);
    // Names alike but for one byte, of every length the hash folds differently, and more of
    // them than the first index holds.
    for (int k = 0; k < 1500; ++k) {
        const std::string strName = std::string(1 + k % 20, 'a') + std::to_string(k);
        auto [it, bNew] = table.try_emplace(strName, std::make_unique<CScriptVar>(VAR_NUMBER));
        ASSERT_TRUE(bNew);
        index.Add(*it);
    }
    // Removing every third leaves runs of slots with holes that later slots must close.
    for (auto it = table.begin(); it != table.end();) {
        if (std::stoi(it->first.substr(it->first.find_first_not_of('a'))) % 3 == 0) {
            index.Remove(*it);
            it = table.erase(it);
        } else {
            ++it;
        }
    }
    for (int k = 0; k < 1500; ++k) {
        const std::string strName = std::string(1 + k % 20, 'a') + std::to_string(k);
        const CIdentIndex::Entry* pEntry = index.Find(strName);
        if (k % 3 == 0) {
            EXPECT_EQ(pEntry, nullptr) << strName;
        } else {
            ASSERT_NE(pEntry, nullptr) << strName;
            EXPECT_EQ(pEntry->first, strName);
        }
    }
    EXPECT_EQ(index.Find(""), nullptr);
    EXPECT_EQ(index.Find("a"), nullptr);
}

}  // namespace
