// Loading a script from what is no regular file on Windows: directories and devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/script_runner.h"

namespace {

TEST(WindowsLoader, OnlyDiskFilesAreRead) {
    ScriptRunner runner;
    runner.WriteFile("real.scr", "Main\n");
    std::filesystem::create_directory(runner.PathOf("dir.scr"));
    const struct {
        std::string strPath;
        int nError;
    } kCases[] = {
        {runner.PathOf("real.scr"), ERR_NONE_YET},
        {runner.PathOf("dir.scr"), ERR_OPEN_SCRIPT},
        {"NUL", ERR_OPEN_SCRIPT},
        {"CONIN$", ERR_OPEN_SCRIPT},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(runner.LoadError(test.strPath), test.nError) << test.strPath;
}

}  // namespace
