// Whole scripts through the module's export, with tracing off, as a host runs them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "qjintp32.h"

namespace {

// Writes a script into a temporary file that lives as long as the object.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& strText) {
        char szPath[] = "/tmp/qjbench-XXXXXX";
        int fd = mkstemp(szPath);
        m_strPath = szPath;
        FILE* pFile = fdopen(fd, "w");
        std::fputs(strText.c_str(), pFile);
        std::fclose(pFile);
    }
    ~ScriptFile() { std::remove(m_strPath.c_str()); }
    const char* Path() const { return m_strPath.c_str(); }

private:
    std::string m_strPath;
};

constexpr int PASSES = 1000000;

// A While loop of a million passes; each pass executes its body line and its EndWhile line.
void WhileLoop(benchmark::State& state) {
    ScriptFile script(
        "Declare\nNumber i = 0\nEndDeclare\nMain\n"
        "While (i <= " + std::to_string(PASSES - 1) + ")\ni += 1\nEndWhile\nEndMain\n");
    for (auto _ : state) {
        if (QJIPInterpret(script.Path(), "NT", nullptr) != 1) state.SkipWithError("run failed");
    }
    state.counters["passes/s"] =
        benchmark::Counter(double(PASSES) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["lines/s"] =
        benchmark::Counter(2.0 * PASSES * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(WhileLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
