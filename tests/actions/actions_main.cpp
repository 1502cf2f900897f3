// The action module's tests write the module's trace to a file of their own, which the trace
// module opens on its first line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string strTrace = (std::filesystem::temp_directory_path() / "qjact-trace.XXXXXX").string();
    int fd = ::mkstemp(strTrace.data());
    if (fd < 0) return 1;
    ::close(fd);
    ::setenv("QJ_TRACE", strTrace.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int nResult = RUN_ALL_TESTS();
    std::filesystem::remove(strTrace);
    return nResult;
}
