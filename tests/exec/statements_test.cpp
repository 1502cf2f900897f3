// Statement execution that script cases cannot show as data: cancel from another thread. The
// nesting limit at its exact edge is the hostile scripts' (whiles_to_the_limit and
// whiles_past_the_limit: If and While blocks count on the one depth).
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

}  // namespace
