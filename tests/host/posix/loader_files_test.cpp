// Loading a script from what is no regular file on POSIX: links, directories, FIFOs and
// devices.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "support/script_runner.h"

namespace {

// Loads a file by its path, as ScriptRunner::LoadError does; a load still waiting after a few
// seconds is released by opening the path for writing (a FIFO then reads as empty), and fails
// the test.
int LoadPathWithoutWaiting(ScriptRunner& runner, const std::string& strPath) {
    auto load = std::async(std::launch::async, [&] { return runner.LoadError(strPath); });
    if (load.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "loading " << strPath << " waits";
        close(open(strPath.c_str(), O_WRONLY | O_NONBLOCK));
    }
    return load.get();
}

// Only a regular file, links followed, is loaded; anything else fails before it is read, and
// a file that cannot be read is a read error.
TEST(Loader, OnlyRegularFilesAreRead) {
    ScriptRunner runner;
    runner.WriteFile("real.scr", "Main\n");
    std::filesystem::create_symlink(runner.PathOf("real.scr"), runner.PathOf("link.scr"));
    std::filesystem::create_directory(runner.PathOf("dir.scr"));
    ASSERT_EQ(mkfifo(runner.PathOf("fifo.scr").c_str(), 0600), 0);
    const struct {
        std::string strPath;
        int nError;
    } kCases[] = {
        {runner.PathOf("link.scr"), ERR_NONE_YET},
        {runner.PathOf("dir.scr"), ERR_OPEN_SCRIPT},
        {runner.PathOf("fifo.scr"), ERR_OPEN_SCRIPT},
        {"/dev/null", ERR_OPEN_SCRIPT},
        // A regular file whose first bytes cannot be read.
        {"/proc/self/mem", ERR_READ_SCRIPT},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(LoadPathWithoutWaiting(runner, test.strPath), test.nError) << test.strPath;
}

}  // namespace
