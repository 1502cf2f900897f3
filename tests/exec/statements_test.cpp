// Statement execution that script cases cannot show as data: cancel from another thread, and
// the nesting limit at its exact edge.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/script_runner.h"

namespace {

TEST(ScriptCancel, BreakFromAnotherThreadEndsAnEndlessLoopAtTheNextLine) {
    ScriptRunner runner;
    std::atomic<bool> bRunDone{false};
    std::atomic<int> nCallsAtBreak{-1};
    // Break once the loop is running for sure: its body has called the file library.
    std::thread breaker([&] {
        while (family_double::g_nCallCount == 0 && !bRunDone) std::this_thread::yield();
        runner.Engine().Break();
        nCallsAtBreak = family_double::g_nCallCount.load();
    });
    ScriptRun run = runner.Run("Main\nWhile (1 == 1)\nPVWBreak()\nEndWhile\nEndMain\n");
    bRunDone = true;
    breaker.join();

    EXPECT_EQ(run.nResult, 0);
    EXPECT_EQ(run.nError, ERR_CANCELLED);
    EXPECT_TRUE(run.strLog.ends_with("'' - Script processing cancelled by user\n")) << run.strLog;
    // Only a call already past its line's cancel test may still have run.
    ASSERT_GT(nCallsAtBreak.load(), 0);
    EXPECT_LE(family_double::g_nCallCount.load(), nCallsAtBreak + 1);
}

// Main holding nDepth nested If blocks, each condition true.
std::string NestedIfs(int nDepth) {
    std::string strScript = "Main\n";
    for (int i = 0; i < nDepth; ++i) strScript += "If (1 == 1)\n";
    strScript += "PVWBreak()\n";
    for (int i = 0; i < nDepth; ++i) strScript += "EndIf\n";
    return strScript + "EndMain\n";
}

TEST(NestingLimit, BlocksNestAsDeepAsTheLimit) {
    // Main's own block is the first level.
    ScriptRunner runner;
    ScriptRun run = runner.Run(NestedIfs(MAX_NESTING - 1));
    EXPECT_EQ(run.strLog, "");
    EXPECT_EQ(run.nResult, 1);
    EXPECT_EQ(family_double::g_calls.size(), 1u);
}

TEST(NestingLimit, OneLevelMoreIsABlockErrorOnTheOpeningLine) {
    ScriptRunner runner;
    ScriptRun run = runner.Run(NestedIfs(MAX_NESTING));
    EXPECT_EQ(run.strLog, ScriptError(MAX_NESTING + 1, "'Nesting too deep' - Block error"));
    EXPECT_EQ(run.nError, ERR_BLOCK);
    EXPECT_TRUE(family_double::g_calls.empty());

    // The failed run leaves no depth behind.
    run = runner.Run(NestedIfs(MAX_NESTING - 1));
    EXPECT_EQ(run.nResult, 1);
}

}  // namespace
