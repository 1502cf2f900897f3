// Eight threads run scripts of their own through QJIPInterpret while another calls QJIPBreak at
// random: one run at a time, each ends, is cancelled or is refused without a trace, and sees only
// its own variables (else it ends through Exit, which no check accepts).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "process_env.h"
#include "qjintp32.h"
#include "support/temp_dir.h"

namespace {

constexpr int THREADS = 8;
constexpr int CALLS_PER_THREAD = 150;
constexpr int MAX_CALL_PAUSE_US = 2000;  // so that calls meet runs at every stage
constexpr int MAX_BREAK_PAUSE_US = 3000;

const char START_TEXT[] = "' start script processing - ";
const char END_TEXT[] = "' end of script processing - ";
const char CANCEL_TEXT[] = "'' - Script processing cancelled by user";

std::filesystem::path g_dir;

// Thread t's script: even threads hold v as a Number and w as a String, odd threads the other
// way round; the values and Param1 carry t.
std::string ScriptOf(int t) {
    const std::string strText = "\"t" + std::to_string(t) + "\"";
    const std::string strNumber = t % 2 == 0 ? "v" : "w", strString = t % 2 == 0 ? "w" : "v";
    return "Declare\nNumber " + strNumber + " = " + std::to_string(t * 1000) + "\nString " +
           strString + " = " + strText + "\nNumber i = 0\nNumber c = 0\nEndDeclare\nMain\n" +
           "c = Compare(Param1, " + strText + ")\nIf (c != 0)\nExit(1)\nEndIf\n" +
           "While (i != 200)\n" + strNumber + " += 1\ni += 1\nEndWhile\nIf (" + strNumber +
           " != " + std::to_string(t * 1000 + 200) + ")\nExit(2)\nEndIf\nc = Compare(" + strString +
           ", " + strText + ")\nIf (c != 0)\nExit(3)\nEndIf\nEndMain\n";
}

std::string PathOf(int t, int i) {
    return (g_dir / ("s" + std::to_string(t) + "_" + std::to_string(i) + ".scr")).string();
}

// What the trace and the log tell of one call.
struct Outcome {
    int nStarted = 0;
    int nEnded = 0;
    std::string strError;
};

// The outcome of each call by its script path. Every run's lines stand between its own start
// and end message, with no other run's message among them; the script checks its Param1.
std::map<std::string, Outcome> ReadOutcomes() {
    std::map<std::string, Outcome> outcomes;
    std::string strCurrent;
    std::ifstream trace(g_dir / "trace"), log(g_dir / "log");
    for (std::string strLine; std::getline(trace, strLine);) {
        const size_t nStart = strLine.find(START_TEXT), nEnd = strLine.find(END_TEXT);
        if (strLine.starts_with('\'') && nStart != std::string::npos) {
            EXPECT_EQ(strCurrent, "") << "a run started inside another: " << strLine;
            strCurrent = strLine.substr(1, nStart - 1);
            ++outcomes[strCurrent].nStarted;
        } else if (strLine.starts_with('\'') && nEnd != std::string::npos) {
            EXPECT_EQ(strLine.substr(1, nEnd - 1), strCurrent) << strLine;
            ++outcomes[strCurrent].nEnded;
            strCurrent.clear();
        } else if (!strLine.starts_with("Param1 = ")) {
            EXPECT_TRUE(strLine.starts_with(strCurrent + " (")) << strLine;
        }
    }
    EXPECT_EQ(strCurrent, "") << "the last run did not end";
    const std::regex error("Script error: (.+) \\([0-9]+\\): (.*)");
    for (std::string strLine; std::getline(log, strLine);) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(strLine, match, error)) << "unexpected log line: " << strLine;
        std::string& strError = outcomes[match[1]].strError;
        EXPECT_EQ(strError, "") << "a second error: " << strLine;
        strError = match[2];
    }
    return outcomes;
}

void Pause(std::mt19937& random, int nMaxMicroseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (nMaxMicroseconds + 1)));
}

TEST(InterpretStress, OneRunAtATimeAndEveryRunSeesOnlyItsOwnVariables) {
    const unsigned nSeed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(nSeed));
    std::vector<std::vector<int>> results(THREADS, std::vector<int>(CALLS_PER_THREAD, -1));
    std::atomic<int> nWorking{THREADS};
    std::vector<std::thread> workers;
    for (int t = 0; t < THREADS; ++t) {
        for (int i = 0; i < CALLS_PER_THREAD; ++i) std::ofstream(PathOf(t, i)) << ScriptOf(t);
        workers.emplace_back([&, t] {
            std::mt19937 random(nSeed + static_cast<unsigned>(t));
            const std::string strParams = "\"t" + std::to_string(t) + "\"";
            for (int i = 0; i < CALLS_PER_THREAD; ++i) {
                Pause(random, MAX_CALL_PAUSE_US);
                results[t][i] = QJIPInterpret(PathOf(t, i).c_str(), "", strParams.c_str());
            }
            --nWorking;
        });
    }
    std::mt19937 random(nSeed + THREADS);
    while (nWorking > 0) {
        Pause(random, MAX_BREAK_PAUSE_US);
        QJIPBreak();
    }
    for (std::thread& worker : workers) worker.join();
    std::map<std::string, Outcome> outcomes = ReadOutcomes();
    int nRefused = 0, nCancelled = 0, nCompleted = 0;
    for (int t = 0; t < THREADS; ++t) {
        for (int i = 0; i < CALLS_PER_THREAD; ++i) {
            const Outcome& run = outcomes[PathOf(t, i)];
            SCOPED_TRACE(PathOf(t, i));
            EXPECT_LE(run.nStarted, 1);
            EXPECT_EQ(run.nStarted, run.nEnded);
            if (run.nStarted == 0) {
                EXPECT_EQ(results[t][i], 0) << "a run that left no trace";
                EXPECT_EQ(run.strError, "");
                ++nRefused;
            } else if (results[t][i] == 1) {
                EXPECT_EQ(run.strError, "");
                ++nCompleted;
            } else {
                EXPECT_EQ(results[t][i], 0);
                EXPECT_TRUE(run.strError.ends_with(CANCEL_TEXT)) << run.strError;
                ++nCancelled;
            }
        }
    }
    // The first call at least found the module idle, and it is idle again.
    EXPECT_GE(nCompleted + nCancelled, 1);
    EXPECT_EQ(QJIPInterpret(PathOf(0, 0).c_str(), "NT", "\"t0\""), 1);
    std::printf("calls: %d completed, %d cancelled, %d refused\n", nCompleted, nCancelled,
                nRefused);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The trace and log modules open their files on first use, so these take effect here.
    g_dir = MakeTempDir("qjstress");
    if (g_dir.empty()) return 2;
    qjcommon::SetProcessEnv("QJ_TRACE", (g_dir / "trace").string().c_str());
    qjcommon::SetProcessEnv("QJ_LOG", (g_dir / "log").string().c_str());
    int nResult = RUN_ALL_TESTS();
    // Windows keeps the trace and log files, which the modules hold open, until the end.
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
    return nResult;
}
