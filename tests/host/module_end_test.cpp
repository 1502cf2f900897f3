// The module's end step: it deletes an idle engine, and leaves a busy one alone, as when a host
// ends while another of its threads runs a script.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/app.h"
#include "host/engine.h"
#include "support/script_runner.h"

namespace {

TEST(ModuleEnd, LeavesARunningEngineAlone) {
    ScriptRunner runner;  // a folder for the script
    runner.WriteFile("endless.scr", "Main\nWhile (1 == 1)\nEndWhile\nEndMain\n");
    const std::string strScript = runner.PathOf("endless.scr");
    ModuleStart();
    ASSERT_NE(g_pEngine, nullptr);
    CScriptEngine* pEngine = g_pEngine;
    std::atomic<int> nResult = -1;
    std::thread run([&] { nResult = pEngine->Run(strScript.c_str(), "NT", nullptr); });
    while (!pEngine->m_bBusy.test()) std::this_thread::yield();

    ModuleEnd();
    EXPECT_EQ(g_pEngine, pEngine);
    // The run goes on, and ends as any run does. (A cancel that comes before the run has
    // reset its flags is forgotten.)
    while (nResult == -1) {
        pEngine->Break();
        std::this_thread::yield();
    }
    run.join();
    EXPECT_EQ(nResult, 0);
    EXPECT_EQ(pEngine->m_nError, ERR_CANCELLED);

    ModuleEnd();
    EXPECT_EQ(g_pEngine, nullptr);
}

}  // namespace
