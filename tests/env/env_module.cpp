// The environment module through its entries, on real store files in a temporary folder; the
// ordinary calls of each entry are pinned by env/builtins.cases.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "family/qjenv.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {
using Entry = int (*)(const char*, char*, int);

// An entry's result and what it left in a buffer that held "untouched".
std::pair<int, std::string> Call(Entry entry, const char* pszText, int nSize = 64) {
    char szBuf[64] = "untouched";
    return {entry(pszText, szBuf, nSize), szBuf};
}

constexpr char STORE_TEXT[] =
    "; the family's values\n"
    "[paths]\n"
    "QJHome = /opt/qj\n"
    "this line names nothing\n"
    "# tools live below the home\n"
    "Tools=/opt/qj/tools\n"
    "Empty=\n"
    "Old=gone soon\n";

class EnvModuleTest : public testing::Test {
protected:
    void SetUp() override {
        m_home.Unset();
        m_lang.Unset();
        WriteStore(STORE_TEXT);
        PVEnvFree();
    }
    void TearDown() override { PVEnvFree(); }

    void WriteStore(const std::string& strText) const { std::ofstream(m_store) << strText; }

    const CTempDir m_temp{"qjenvtest"};
    const fs::path& m_dir = m_temp.Path();
    const fs::path m_store = m_dir / "env.ini";
    CEnvGuard m_file{"QJ_ENV_FILE", m_store.string()};
    CEnvGuard m_home{"QJHome"};
    CEnvGuard m_lang{"QJLg"};
};

// Each entry on the store, before any init, within the buffer's size.
TEST_F(EnvModuleTest, EntriesAnswerFromTheStoreWithinTheBuffer) {
    const struct {
        Entry entry;
        const char* pszText;
        int nSize;
        int nResult;
        const char* pszOut;
    } kCases[] = {
        {PVEnvGet, "qjhome", 64, 1, "/opt/qj"},  // blanks around "=" are no part of the value
        {PVEnvGet, "QJHome", 1, 1, ""},
        {PVEnvGet, "Empty", 64, 1, ""},
        {PVEnvGet, "QJHome", 0, 0, "untouched"},
        {PVEnvGet, "QJHome", -1, 0, "untouched"},
        {PVEnvGet, "this line names nothing", 64, 0, "untouched"},
        {PVEnvGet, "paths", 64, 0, "untouched"},
        {PVEnvStrToRealStr, "100%% sure%Empty%", 64, 1, "100% sure"},
        {PVEnvStrToRealStr, "no names", 64, 1, "no names"},
        {PVEnvStrToRealStr, "50% off", 64, 0, "untouched"},
        {PVEnvStrToRealStr, "%QJHome%/bin", 12, 1, "/opt/qj/bin"},
        {PVEnvStrToRealStr, "%QJHome%/bin", 11, 0, "untouched"},
        {PVEnvStrToRealStr, "%Nobody%/bin", 64, 0, "untouched"},
        {PVEnvStrToRealStr, "", 1, 1, ""},
        {PVEnvPathStrToEnvStr, "/opt/qj/tools/a.txt", 64, 1, "%Tools%/a.txt"},  // the longest
        {PVEnvPathStrToEnvStr, "/opt/qj/doc", 64, 1, "%QJHome%/doc"},
        {PVEnvPathStrToEnvStr, "/opt/qj", 64, 1, "%QJHome%"},
        {PVEnvPathStrToEnvStr, "/opt/qj/50%", 64, 1, "%QJHome%/50%%"},
        {PVEnvPathStrToEnvStr, "/opt/qjx/doc", 64, 0, "/opt/qjx/doc"},  // only whole folders
        {PVEnvPathStrToEnvStr, "/usr/lib", 64, 0, "/usr/lib"},
        {PVEnvPathStrToEnvStr, "/usr/lib", 0, 0, "untouched"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Call(c.entry, c.pszText, c.nSize),
                  std::make_pair(c.nResult, std::string(c.pszOut)))
            << c.pszText << " " << c.nSize;
        if (c.entry == PVEnvPathStrToEnvStr && c.nResult == 1) {  // and back
            EXPECT_EQ(Call(PVEnvStrToRealStr, c.pszOut), std::make_pair(1, std::string(c.pszText)));
        }
    }
    EXPECT_EQ(Call(PVEnvGet, nullptr).first, 0);
    EXPECT_EQ(Call(PVEnvStrToRealStr, nullptr).first, 0);
    EXPECT_EQ(Call(PVEnvPathStrToEnvStr, nullptr), std::make_pair(0, std::string()));
    EXPECT_EQ(PVEnvGet("QJHome", nullptr, 64), 0);
    // The process's environment overrides the store, its names also compared without case.
    CEnvGuard home("qjHOME", "/srv/qj");
    EXPECT_EQ(Call(PVEnvStrToRealStr, "%QJHome%/x"), std::make_pair(1, std::string("/srv/qj/x")));
}

TEST_F(EnvModuleTest, SetWritesTheFileBackKeepingEveryOtherLine) {
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(m_store, ownerOnly);
    ASSERT_EQ(PVEnvInit(m_store.c_str()), 1);
    EXPECT_EQ(PVEnvSet("qjhome", "/home/u/qj"), 1);
    EXPECT_EQ(fs::status(m_store).permissions(), ownerOnly);
    EXPECT_EQ(PVEnvSet("Old", nullptr), 1);
    EXPECT_EQ(PVEnvSet("New", "a=b;c"), 1);
    std::string strExpected = STORE_TEXT;
    strExpected.replace(strExpected.find("QJHome = /opt/qj"), 16, "QJHome=/home/u/qj");
    strExpected.replace(strExpected.find("Old=gone soon"), 13, "New=a=b;c");
    EXPECT_EQ(ReadText(m_store), strExpected);
    // Values that would not read back the same, and names a line cannot hold, change nothing.
    const std::pair<const char*, const char*> kRefused[] = {{"Bad", " lead"}, {"Bad", "two\nlines"},
                                                            {"", "x"},        {"a=b", "x"},
                                                            {";c", "x"},      {nullptr, "x"}};
    for (auto [pszName, pszValue] : kRefused)
        EXPECT_EQ(PVEnvSet(pszName, pszValue), 0) << (pszName ? pszName : "null");
    PVEnvFree();
    EXPECT_EQ(Call(PVEnvGet, "QJHOME"), std::make_pair(1, std::string("/home/u/qj")));
    EXPECT_EQ(Call(PVEnvGet, "Old").first, 0);
    EXPECT_EQ(Call(PVEnvGet, "new"), std::make_pair(1, std::string("a=b;c")));
    // The temporary file of the atomic write is gone; the lock file stays for the next writer.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::is_regular_file(m_dir / "env.ini.lock"));
}

TEST_F(EnvModuleTest, SetKeepsLinesWrittenByOthersAndCreatesAMissingStore) {
    ASSERT_EQ(PVEnvInit(nullptr), 1);
    WriteStore("Other=1\r\n");
    EXPECT_EQ(PVEnvSet("Mine", "2"), 1);
    EXPECT_EQ(ReadText(m_store), "Other=1\r\nMine=2\r\n");
    m_file.Set((m_dir / "sub" / "new.ini").string());
    EXPECT_EQ(PVEnvInit(nullptr), 0);  // missing: an empty store, still usable
    EXPECT_EQ(PVEnvSet("First", "1"), 1);
    EXPECT_EQ(PVEnvInit(nullptr), 1);
    EXPECT_EQ(Call(PVEnvGet, "First"), std::make_pair(1, std::string("1")));
}

// A store too large to read, or a folder, is neither used nor overwritten; nor is a store made so.
TEST_F(EnvModuleTest, AStoreThatCannotBeReadIsNeitherUsedNorOverwrittenNorMadeSo) {
    WriteStore(std::string(2 * 1024 * 1024, 'x'));
    EXPECT_EQ(PVEnvInit(m_store.c_str()), 0);
    EXPECT_EQ(Call(PVEnvGet, "QJHome").first, 0);
    EXPECT_EQ(PVEnvSet("QJHome", "/x"), 0);
    EXPECT_EQ(fs::file_size(m_store), 2u * 1024 * 1024);
    EXPECT_EQ(PVEnvInit(m_dir.c_str()), 0);
    EXPECT_EQ(PVEnvSet("QJHome", "/x"), 0);
    EXPECT_TRUE(fs::is_directory(m_dir));
    PVEnvFree();
    const std::string strText = "; " + std::string(1024 * 1024 - 20000, 'x') + "\nA=1\n";
    WriteStore(strText);
    testing::internal::CaptureStderr();
    EXPECT_EQ(PVEnvSet("Big", std::string(32000, 'y').c_str()), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("past the most that is read of it"),
              std::string::npos);
    EXPECT_TRUE(ReadText(m_store) == strText);  // not printed: a megabyte
    EXPECT_EQ(PVEnvSet("Small", std::string(10000, 'y').c_str()), 1);
}

// This process and a child of it set values at once, each under names of its own.
TEST_F(EnvModuleTest, ProcessesSettingAtOnceLoseNoValue) {
    constexpr int SETS = 1000;
    auto name = [](int nWriter, int i) {
        return "P" + std::to_string(nWriter) + "_" + std::to_string(i);
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    int nFailed = 0;
    for (int i = 0; i < SETS; ++i) nFailed += PVEnvSet(name(child == 0, i).c_str(), "v") != 1;
    if (child == 0) _exit(nFailed == 0 ? 0 : 1);
    int nStatus = 0;
    EXPECT_EQ(waitpid(child, &nStatus, 0), child);
    EXPECT_EQ(nStatus, 0);
    EXPECT_EQ(nFailed, 0);
    PVEnvFree();
    int nFound = 0;
    for (int nWriter = 0; nWriter < 2; ++nWriter)
        for (int i = 0; i < SETS; ++i) nFound += Call(PVEnvGet, name(nWriter, i).c_str()).first;
    EXPECT_EQ(nFound, 2 * SETS);
    EXPECT_EQ(Call(PVEnvGet, "Tools"), std::make_pair(1, std::string("/opt/qj/tools")));
}

}  // namespace
