// The per-line path inside the core: lexing, token classification, and the three kinds of line
// a loop body is made of (a Number assignment, a built-in call, a condition), each taken the
// way the statement loop takes it. The family modules are silent stand-ins; tracing is off.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine.h"
#include "lexer/tokens.h"

namespace {

// An engine as a run with option NT leaves it, with the variables the lines below use.
std::unique_ptr<CScriptEngine> MakeEngine() {
    auto pEngine = std::make_unique<CScriptEngine>();
    pEngine->m_bTrace = false;
    for (const char* pszName : {"i", "n"})
        pEngine->SetIdent(pszName, std::make_unique<CScriptVar>(VAR_NUMBER))->SetNumber(0);
    auto pText = std::make_unique<CScriptVar>(VAR_STRING);
    pText->SetString("Hello, world");
    pEngine->SetIdent("s", std::move(pText));
    return pEngine;
}

// Runs one step; a script error stops the benchmark with its message.
template <typename Step>
bool Guarded(benchmark::State& state, Step step) {
    try {
        step();
        return true;
    } catch (const CScriptError& error) {
        state.SkipWithError(error.strMessage.c_str());
        return false;
    }
}

// Lines as scripts have them: assignments, calls, conditions, literals with escapes, comments.
const std::vector<std::string> TYPICAL_LINES = {
    "i += 1",
    "While (i <= 999999)",
    "    nLen = GetLenght(strGreeting)",
    "    Concat(strLine, \". pass\")",
    "If (nCount == 10)  // the last round",
    "strPath = \"C:\\\\scripts\\\\hello.scr\"",
    "PVWCopy(strSource, strTarget, 0, \"copy.log\")",
    "EndWhile",
};

// Every token of every typical line, as the lexer hands them out one by one.
void GetTokenTypicalLines(benchmark::State& state) {
    auto pEngine = MakeEngine();
    std::vector<std::string> lines = TYPICAL_LINES;
    std::string strToken;
    int64_t nTokens = 0;
    int64_t nBytes = 0;
    for (auto _ : state) {
        for (std::string& strLine : lines) {
            int32_t nCode = pEngine->GetToken(strLine.data(), strToken);
            while (nCode != TK_END) {
                ++nTokens;
                nCode = pEngine->GetToken(nullptr, strToken);
            }
            nBytes += static_cast<int64_t>(strLine.size());
        }
        benchmark::DoNotOptimize(strToken.data());
    }
    state.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(nTokens), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(nBytes);
}
BENCHMARK(GetTokenTypicalLines);

// Keywords, operators, identifiers, numbers, literals and invalid texts, as lines mix them.
const std::vector<std::string_view> TOKEN_TEXTS = {
    "While", "EndWhile", "If",  "EndIf",   "Return", "Number",  "+=",   "<=",
    "(",     ")",        ",",   "=",       "i",      "strLine", "nLen", "GetLenght",
    "0",     "999999",   "-42", "\"abc\"", "Null",   "1abc",    "a$b",  "PVWCopy",
};

void ClassifyTokenMix(benchmark::State& state) {
    auto pEngine = MakeEngine();
    for (auto _ : state) {
        for (std::string_view text : TOKEN_TEXTS)
            benchmark::DoNotOptimize(pEngine->ClassifyToken(text));
    }
    state.counters["tokens/s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * TOKEN_TEXTS.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(ClassifyTokenMix);

// One statement line as the statement loop runs it: copied into the line buffer, its first
// token read and looked up, and the rest handed to the assignment.
void RunAssignmentLine(benchmark::State& state, const char* pszLine) {
    auto pEngine = MakeEngine();
    std::string strToken;
    for (auto _ : state) {
        bool bDone = Guarded(state, [&] {
            std::strcpy(pEngine->m_szLine, pszLine);
            pEngine->GetToken(pEngine->m_szLine, strToken);
            pEngine->AssignNumber(pEngine->FindIdent(strToken));
        });
        if (!bDone) break;
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
void NumberAssignmentLine(benchmark::State& state) {
    RunAssignmentLine(state, "i += 1");
}
BENCHMARK(NumberAssignmentLine);
void BuiltinCallLine(benchmark::State& state) {
    RunAssignmentLine(state, "n = GetLenght(s)");
}
BENCHMARK(BuiltinCallLine);

// The condition of a While line, the text behind its keyword.
void ConditionLine(benchmark::State& state) {
    auto pEngine = MakeEngine();
    const std::string strCondition = " (i <= 10)";
    for (auto _ : state) {
        bool bDone =
            Guarded(state, [&] { benchmark::DoNotOptimize(pEngine->EvalCondition(strCondition)); });
        if (!bDone) break;
    }
    state.counters["conditions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ConditionLine);

}  // namespace

BENCHMARK_MAIN();
