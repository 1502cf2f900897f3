// The real module as a host loads it: loaded and unloaded again and again with dlopen and
// dlclose.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// How often the text occurs in the file.
ptrdiff_t CountIn(const std::string& strPath, const char* pszPart) {
    const std::string strText = ReadText(strPath);
    const std::regex part(pszPart);
    return std::distance(std::sregex_iterator(strText.begin(), strText.end(), part), {});
}

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
    using InterpretEntry = int (*)(const char*, const char*, const char*);
    auto pfnInterpret = reinterpret_cast<InterpretEntry>(dlsym(hModule, "QJIPInterpret"));
    const int nResult = pfnInterpret != nullptr ? pfnInterpret(strScript.c_str(), "", "") : -1;
    EXPECT_EQ(dlclose(hModule), 0) << dlerror();
    return nResult;
}

// Each cycle traces and logs, so the trace and log modules open their files: the module and
// its siblings leave the process at every unload, and take their files with them.
TEST(ModuleLifetime, LoadAndUnloadCyclesLeaveNothingOpen) {
    const CTempDir dir("qjlifetime");
    setenv("QJ_TRACE", (dir / "trace").c_str(), 1);
    setenv("QJ_LOG", (dir / "log").c_str(), 1);
    const std::string strScript = dir / "t.scr";
    std::ofstream(strScript) << "Main\nDebugPrintNum(1)\nNoSuchName\nEndMain\n";
    constexpr int CYCLES = 100;
    EXPECT_EQ(RunInFreshModule(strScript), 0);  // the libraries' own first-use openings
    const size_t nOpen = OpenDescriptors();
    for (int i = 0; i < CYCLES; ++i) {
        ASSERT_EQ(RunInFreshModule(strScript), 0);
        ASSERT_FALSE(IsLoaded(QJ_MODULE_PATH)) << "the module stays loaded";
    }
    EXPECT_EQ(OpenDescriptors(), nOpen);
    EXPECT_FALSE(IsLoaded(QJ_TRACE_MODULE_PATH)) << "the trace module stays loaded";
    EXPECT_EQ(CountIn(dir / "trace", "end of script processing"), CYCLES + 1);
    EXPECT_EQ(CountIn(dir / "log", "'NoSuchName' - Unknown identifier"), CYCLES + 1);
}

}  // namespace
