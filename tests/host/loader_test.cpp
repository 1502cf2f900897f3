// Loading a script file into the line array: limits, line ends, clean-up of lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/script_runner.h"

namespace {

using Lines = std::vector<std::string>;

Lines Load(ScriptRunner& runner, const std::string& strText) {
    runner.WriteFile("load.scr", strText);
    runner.Engine().LoadScript(runner.PathOf("load.scr").c_str());
    return runner.Engine().m_arrLines;
}

// Loads the text and answers the error code.
int LoadFails(ScriptRunner& runner, const std::string& strText) {
    runner.WriteFile("load.scr", strText);
    return runner.LoadError(runner.PathOf("load.scr"));
}

TEST(Loader, LinesAreCleanedButKeepTheirIndex) {
    ScriptRunner runner;
    EXPECT_EQ(Load(runner, ""), Lines({""}));
    EXPECT_EQ(Load(runner, "a\n"), Lines({"a", ""}));
    EXPECT_EQ(Load(runner, "a"), Lines({"a", ""}));
    EXPECT_EQ(Load(runner, " \t x y \t\n   \n// c\n  //c2\nz // t\n"),
              Lines({"x y \t", "", "", "", "z // t", ""}));
    EXPECT_EQ(Load(runner, "\v\fa\n"), Lines({"a", ""}));
    Lines lf = Load(runner, "Main\n  x = 1 \n\nEndMain\n");
    EXPECT_EQ(Load(runner, "Main\r\n  x = 1 \r\n\r\nEndMain\r\n"), lf);  // CR LF alike
}

TEST(Loader, LineLimitCountsTheLineFeed) {
    ScriptRunner runner;
    const std::string strMax(MAX_LINE, 'x');
    EXPECT_EQ(Load(runner, strMax), Lines({strMax, ""}));
    EXPECT_EQ(Load(runner, std::string(MAX_LINE - 1, 'x') + "\n"),
              Lines({std::string(MAX_LINE - 1, 'x'), ""}));
    EXPECT_EQ(Load(runner, std::string(MAX_LINE - 1, 'x') + "\r\n").size(), 2u);

    EXPECT_EQ(LoadFails(runner, "a\nb\n" + strMax + "\nc\n"), ERR_LINE_TOO_LONG);
    EXPECT_EQ(runner.Engine().m_nCurLine, 2);
    EXPECT_EQ(LoadFails(runner, strMax + "\r\n"), ERR_LINE_TOO_LONG);
    EXPECT_EQ(LoadFails(runner, std::string(100000, 'y')), ERR_LINE_TOO_LONG);
    EXPECT_EQ(runner.Engine().m_nCurLine, 0);
}

TEST(Loader, TooLongLineIsReportedWithItsLineNumber) {
    ScriptRunner runner;
    ScriptRun run = runner.Run("Main\n" + std::string(MAX_LINE, 'x') + "\nEndMain\n", "");
    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.strLog, ScriptError(2, "'t.scr' - Line too long (max. 32767 chars)"));
}

}  // namespace

// A file of 2^31 line feeds has more lines than the line numbers can count. Writing and reading
// 2 GB takes minutes, so the test runs only when QJ_SLOW_TESTS is set.
TEST(Loader, MoreLinesThanCanBeNumberedIsAReadError) {
    if (std::getenv("QJ_SLOW_TESTS") == nullptr) GTEST_SKIP() << "set QJ_SLOW_TESTS to run";
    ScriptRunner runner;
    {
        std::ofstream file(runner.PathOf("lines.scr"), std::ios::binary);
        const std::string strFeeds(1 << 20, '\n');
        for (int i = 0; i < 2048; ++i) file << strFeeds;
        ASSERT_TRUE(file.flush());
    }
    EXPECT_EQ(runner.LoadError(runner.PathOf("lines.scr")), ERR_READ_SCRIPT);
    std::filesystem::remove(runner.PathOf("lines.scr"));
}
