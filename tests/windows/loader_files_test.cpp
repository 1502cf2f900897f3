// Loading a script from what is no regular file on Windows: directories and devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/script_runner.h"

namespace {

TEST(WindowsLoader, OnlyDiskFilesAreRead) {
    ScriptRunner runner;
    runner.WriteFile("real.scr", "Main\n");
    std::filesystem::create_directory(runner.PathOf("dir.scr"));
    EXPECT_EQ(runner.LoadError(runner.PathOf("real.scr")), ERR_NONE_YET);
    EXPECT_EQ(runner.LoadError(runner.PathOf("dir.scr")), ERR_OPEN_SCRIPT);
    EXPECT_EQ(runner.LoadError("NUL"), ERR_OPEN_SCRIPT);
    EXPECT_EQ(runner.LoadError("CONIN$"), ERR_OPEN_SCRIPT);
}

}  // namespace
