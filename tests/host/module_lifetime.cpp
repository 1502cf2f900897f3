// The real module as a host loads it: loaded and unloaded again and again with dlopen and
// dlclose.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using InterpretEntry = int (*)(const char* pszScript, const char* pszOptions,
                               const char* pszParams);

size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

std::string ReadFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

size_t CountOf(const std::string& strText, const std::string& strPart) {
    size_t nCount = 0;
    for (size_t nAt = strText.find(strPart); nAt != std::string::npos;
         nAt = strText.find(strPart, nAt + 1))
        ++nCount;
    return nCount;
}

// A folder of its own, with the trace and log of the module's runs going to files in it.
class ModuleLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("qjlifetime-" + std::to_string(getpid()));
        fs::create_directories(m_dir);
        setenv("QJ_TRACE", (m_dir / "trace").c_str(), 1);
        setenv("QJ_LOG", (m_dir / "log").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QJ_TRACE");
        unsetenv("QJ_LOG");
        fs::remove_all(m_dir);
    }
    std::string Script(const char* pszName, const char* pszText) const {
        std::ofstream(m_dir / pszName) << pszText;
        return (m_dir / pszName).string();
    }

    fs::path m_dir;
};

bool IsLoaded(const char* pszPath) {
    void* hModule = dlopen(pszPath, RTLD_NOW | RTLD_NOLOAD);
    if (hModule != nullptr) dlclose(hModule);
    return hModule != nullptr;
}

// Loads the module, runs the script once and unloads the module; the run's result.
int RunInFreshModule(const std::string& strScript) {
    void* hModule = dlopen(QJ_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(hModule, nullptr) << dlerror();
    if (hModule == nullptr) return -1;
    auto pfnInterpret = reinterpret_cast<InterpretEntry>(dlsym(hModule, "QJIPInterpret"));
    const int nResult = pfnInterpret != nullptr ? pfnInterpret(strScript.c_str(), "", "") : -1;
    EXPECT_EQ(dlclose(hModule), 0) << dlerror();
    return nResult;
}

// Each cycle traces and logs, so the trace and log modules open their files: the module and
// its siblings leave the process at every unload, and take their files with them.
TEST_F(ModuleLifetime, LoadAndUnloadCyclesLeaveNothingOpen) {
    const std::string strScript = Script("t.scr", "Main\nDebugPrintNum(1)\nNoSuchName\nEndMain\n");
    constexpr int CYCLES = 100;
    EXPECT_EQ(RunInFreshModule(strScript), 0);  // the libraries' own first-use openings
    const size_t nOpen = OpenDescriptors();
    for (int i = 0; i < CYCLES; ++i) {
        ASSERT_EQ(RunInFreshModule(strScript), 0);
        ASSERT_FALSE(IsLoaded(QJ_MODULE_PATH)) << "the module stays loaded";
    }
    EXPECT_EQ(OpenDescriptors(), nOpen);
    EXPECT_FALSE(IsLoaded(QJ_TRACE_MODULE_PATH)) << "the trace module stays loaded";
    EXPECT_EQ(CountOf(ReadFile(m_dir / "trace"), "end of script processing"), CYCLES + 1);
    EXPECT_EQ(CountOf(ReadFile(m_dir / "log"), "'NoSuchName' - Unknown identifier"), CYCLES + 1);
}

}  // namespace
