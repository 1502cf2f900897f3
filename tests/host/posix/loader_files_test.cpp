// Loading a script from what is no regular file on POSIX.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/script_runner.h"

namespace {

// Only a regular file, links followed, is loaded: devices, folders and FIFOs are refused before
// they are opened (run_host_safety.sh gives qjintp each of them); a regular file that cannot be
// read is a read error.
TEST(Loader, OnlyRegularFilesAreRead) {
    ScriptRunner runner;
    runner.WriteFile("real.scr", "Main\n");
    std::filesystem::create_symlink(runner.PathOf("real.scr"), runner.PathOf("link.scr"));
    EXPECT_EQ(runner.LoadError(runner.PathOf("link.scr")), ERR_NONE_YET);
    EXPECT_EQ(runner.LoadError("/dev/null"), ERR_OPEN_SCRIPT);
    EXPECT_EQ(runner.LoadError("/proc/self/mem"), ERR_READ_SCRIPT);
}

}  // namespace
