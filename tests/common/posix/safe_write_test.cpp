// The safe write on real files: links planted at its temporary names are never followed, a
// file that is a link is written where it points, and permissions hold from the start.
#include "safe_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using qjcommon::WriteFileSafely;

namespace {

class SafeWriteTest : public testing::Test {
protected:
    void SetUp() override {
        std::ofstream(m_temp / "victim") << "precious";
        std::ofstream(m_target) << "old";
        fs::permissions(m_target,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    // Temporary names taken one after another from names.
    static qjcommon::TempNameFn NamesFrom(std::vector<std::string> names) {
        return [names, nNext = std::size_t{0}](const std::string&) mutable {
            return names[nNext++ % names.size()];
        };
    }

    const CTempDir m_temp{"qjsafewrite"};
    const std::string m_target = m_temp / "store.ini";
};

TEST_F(SafeWriteTest, LinksPlantedAtTemporaryNamesAreNeverFollowed) {
    fs::create_symlink(m_temp / "victim", m_temp / "to-victim");
    fs::create_symlink(m_temp / "missing", m_temp / "to-missing");
    std::string strReason;
    ASSERT_TRUE(
        WriteFileSafely(m_target, "new", strReason,
                        NamesFrom({m_temp / "to-victim", m_temp / "to-missing", m_temp / "free"})))
        << strReason;
    EXPECT_EQ(ReadText(m_target), "new");
    EXPECT_EQ(ReadText(m_temp / "victim"), "precious");
    EXPECT_FALSE(fs::exists(m_temp / "missing"));
    EXPECT_TRUE(fs::is_symlink(m_temp / "to-victim") && fs::is_symlink(m_temp / "to-missing"));
    EXPECT_EQ(fs::status(m_target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Every name taken: nothing is written.
    EXPECT_FALSE(WriteFileSafely(m_target, "newer", strReason, NamesFrom({m_temp / "to-victim"})));
    EXPECT_EQ(ReadText(m_target), "new");
    EXPECT_EQ(ReadText(m_temp / "victim"), "precious");
}

TEST_F(SafeWriteTest, AFileThatIsALinkIsWrittenWhereItPointsAndANewFileIsPrivate) {
    fs::create_symlink("store.ini", m_temp / "link.ini");
    std::string strReason;
    ASSERT_TRUE(WriteFileSafely(m_temp / "link.ini", "new", strReason)) << strReason;
    EXPECT_TRUE(fs::is_symlink(m_temp / "link.ini"));
    EXPECT_EQ(ReadText(m_target), "new");
    ASSERT_TRUE(WriteFileSafely(m_temp / "fresh.ini", "x", strReason)) << strReason;
    EXPECT_EQ(fs::status(m_temp / "fresh.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    // Only what was written is left: no temporary beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_temp.Path()), fs::directory_iterator()), 4);
}

}  // namespace
