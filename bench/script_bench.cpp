// Whole scripts through the module's export, with tracing off, as a host runs them: loops,
// procedure calls, loading a large script, and the fixed cost of a run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;
    const char* Path() const { return m_strPath.c_str(); }

private:
    std::string m_strPath;
};

constexpr int PASSES = 1000000;
const std::string LAST_PASS = std::to_string(PASSES - 1);

// Runs the script once per iteration; a failed run stops the benchmark.
void RunEachIteration(benchmark::State& state, const ScriptFile& script) {
    for (auto _ : state) {
        if (QJIPInterpret(script.Path(), "NT", nullptr) != 1) {
            state.SkipWithError("run failed");
            break;
        }
    }
}

// Counters of nPasses loop passes per run, each executing nLines lines.
void CountPasses(benchmark::State& state, int nPasses, int nLines) {
    const double dPasses = static_cast<double>(nPasses) * static_cast<double>(state.iterations());
    state.counters["passes/s"] = benchmark::Counter(dPasses, benchmark::Counter::kIsRate);
    state.counters["lines/s"] = benchmark::Counter(dPasses * nLines, benchmark::Counter::kIsRate);
}

// A While loop of a million passes; each pass executes its body line and its EndWhile line.
void WhileLoop(benchmark::State& state) {
    ScriptFile script("Declare\nNumber i = 0\nEndDeclare\nMain\nWhile (i <= " + LAST_PASS +
                      ")\ni += 1\nEndWhile\nEndMain\n");
    RunEachIteration(state, script);
    CountPasses(state, PASSES, 2);
}
BENCHMARK(WhileLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same loop with two string built-ins in the body. The text is set afresh on each pass so
// that every pass does the same work.
void WhileLoopWithCalls(benchmark::State& state) {
    ScriptFile script(
        "Declare\nNumber i = 0\nNumber n = 0\nString s = \"\"\nEndDeclare\nMain\n"
        "While (i <= " +
        LAST_PASS +
        ")\n"
        "i += 1\ns = \"pass \"\nConcat(s, \"one\")\nn = GetLenght(s)\nEndWhile\nEndMain\n");
    RunEachIteration(state, script);
    CountPasses(state, PASSES, 5);
}
BENCHMARK(WhileLoopWithCalls)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A procedure called a million times from a loop; a pass executes the call line, the
// procedure's two lines and the EndWhile line.
void ProcCall(benchmark::State& state) {
    ScriptFile script("Declare\nNumber i = 0\nEndDeclare\nMain\nWhile (i <= " + LAST_PASS +
                      ")\nStep\nEndWhile\nEndMain\nProc Step\ni += 1\nEndProc\n");
    RunEachIteration(state, script);
    CountPasses(state, PASSES, 4);
}
BENCHMARK(ProcCall)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 10 000 appends of a 1 KB literal to one variable, which grows to 10 MB: an append costs
// the length of the appended text, so the run takes well under a second; were the variable
// copied on each call, it would take minutes.
void ConcatGrowth(benchmark::State& state) {
    constexpr int APPENDS = 10000;
    ScriptFile script("Declare\nNumber i = 1\nString s = \"\"\nEndDeclare\nMain\nWhile (i <= " +
                      std::to_string(APPENDS) + ")\ni += 1\nConcat(s, \"" + std::string(1024, 'x') +
                      "\")\nEndWhile\nEndMain\n");
    RunEachIteration(state, script);
    CountPasses(state, APPENDS, 3);
}
BENCHMARK(ConcatGrowth)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// One procedure of the generated script: If and While blocks, assignments, built-in and
// procedure calls, a comment; it works on its own variables and calls the one before it.
void AppendProc(std::string& strScript, int nProc) {
    const std::string n = "n" + std::to_string(nProc);
    const std::string s = "s" + std::to_string(nProc);
    strScript += "// Step " + std::to_string(nProc) + ": counts to ten and builds a text\n";
    strScript += "Proc P" + std::to_string(nProc) + "\n";
    strScript += n + " = 0\n";
    strScript += "While (" + n + " <= 10)\n";
    strScript += "    " + n + " += 1\n";
    strScript += "    If (" + n + " == 3)\n";
    strScript += "        " + s + " = Itoa(" + n + ")\n";
    strScript += "        Concat(" + s + ", \"\\tthree\")\n";
    strScript += "    EndIf\n";
    strScript += "EndWhile\n";
    strScript += "If (" + n + " >= 11)\n";
    strScript += "    " + n + " = GetLenght(" + s + ")\n";
    strScript += "    DebugPrintStr(" + s + ")\n";
    strScript += "EndIf\n";
    if (nProc > 0) strScript += "P" + std::to_string(nProc - 1) + "\n";
    strScript += "EndProc\n\n";
}

// A script of at least nLines lines: a Declare block with a Number and a String per
// procedure, a Main that returns at once, then procedures. A run of it is the load and the
// structure pass, with every declaration made, and the clean-up after the run.
std::string LargeScript(int nLines) {
    constexpr int LINES_PER_PROC = 19;  // its two declarations and its own lines
    const int nProcs = nLines / LINES_PER_PROC + 1;
    std::string strScript = "// Generated: " + std::to_string(nProcs) + " procedures\nDeclare\n";
    for (int k = 0; k < nProcs; ++k) {
        strScript += "Number n" + std::to_string(k) + " = " + std::to_string(k) + "\n";
        strScript += "String s" + std::to_string(k) + " = \"text " + std::to_string(k) + "\"\n";
    }
    strScript += "EndDeclare\n\nMain\nReturn\nP" + std::to_string(nProcs - 1) + "\nEndMain\n\n";
    for (int k = 0; k < nProcs; ++k) AppendProc(strScript, k);
    return strScript;
}

int CountLines(const std::string& strText) {
    int nLines = 0;
    for (char ch : strText) nLines += ch == '\n' ? 1 : 0;
    return nLines;
}

void LoadAndCheck200k(benchmark::State& state) {
    const std::string strText = LargeScript(200000);
    ScriptFile script(strText);
    RunEachIteration(state, script);
    state.counters["lines/s"] = benchmark::Counter(
        static_cast<double>(CountLines(strText)) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(LoadAndCheck200k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The fixed cost of a run: a tiny script, 10 000 runs; the time column is per run.
void TinyScriptRuns(benchmark::State& state) {
    ScriptFile script("Declare\nNumber i = 0\nEndDeclare\nMain\ni += 1\nEndMain\n");
    RunEachIteration(state, script);
    state.counters["runs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(TinyScriptRuns)->Unit(benchmark::kMicrosecond)->Iterations(10000);

}  // namespace

// The start message of every run reaches the trace module before the options are read; it
// goes to /dev/null unless QJ_TRACE names another place.
int main(int argc, char** argv) {
    setenv("QJ_TRACE", "/dev/null", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
