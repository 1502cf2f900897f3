// What a debugger attached to an engine is told of a run, and the engine's index of names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/script_runner.h"

namespace {

constexpr char SCRIPT[] =
    "Declare\nNumber n = 0\nEndDeclare\n"
    "Main\nStep\nn = Atoi(\"5\")\nNope\nEndMain\n"
    "Proc Step\nn += 1\nEndProc\n";

// Writes down each call; breaks the run at a line when asked to.
class CRecordingHook : public CDebugHook {
public:
    CRecordingHook(CScriptEngine& engine, int32_t nBreakLine)
        : m_engine(engine), m_nBreakLine(nBreakLine) {}
    void OnLine(int32_t nLine) override {
        m_arrEvents.push_back("line " + std::to_string(nLine));
        if (nLine == m_nBreakLine) m_engine.Break();
    }
    void OnEnterProc(const CScriptVar* pProc) override {
        m_arrEvents.push_back("enter " + std::string(pProc->Name()));
    }
    void OnLeaveProc() override { m_arrEvents.push_back("leave"); }
    void OnResult(std::string_view name, int32_t, int32_t nResult, const std::string&) override {
        m_arrEvents.push_back(std::string(name) + " " + std::to_string(nResult));
    }
    void OnError(const std::string& strError) override { m_arrEvents.push_back(strError); }

    std::vector<std::string> m_arrEvents;

private:
    CScriptEngine& m_engine;
    int32_t m_nBreakLine;
};

// A break at a line (5, that of Atoi) ends the run before it, with no error stop.
TEST(DebugHook, IsToldOfLinesCallsResultsAndTheErrorInRunOrderOrBreaksTheRunAtALine) {
    const std::vector<std::string> kEvents = {
        "line 4",  "enter Step", "line 9",
        "line 10", "leave",      "line 5",
        "Atoi 5",  "line 6",     "'Nope' - Unknown identifier"};
    for (const int32_t nBreakLine : {-1, 5}) {
        ScriptRunner runner;
        CRecordingHook hook(runner.Engine(), nBreakLine);
        runner.Engine().m_pDebugHook = &hook;
        ScriptRun run = runner.Run(SCRIPT);
        const size_t nSeen = nBreakLine == -1 ? kEvents.size() : 6;
        EXPECT_EQ(hook.m_arrEvents, std::vector(kEvents.begin(), kEvents.begin() + nSeen));
        EXPECT_EQ(run.nError, nBreakLine == -1 ? ERR_UNKNOWN_IDENT : ERR_CANCELLED);
        EXPECT_EQ(run.nResult, 0);
    }
}

TEST(IdentIndex, FindsEveryNameThroughGrowthAndRemovals) {
    IdentMap table;
    CIdentIndex index;
    index.Reset(0);
    // Names alike but for one byte, of every length the hash folds differently, and more of
    // them than the first index holds; the script's names move built-ins out of their way.
    auto name = [](int k) { return std::string(1 + k % 20, 'a') + std::to_string(k); };
    for (int k = 0; k < 1500; ++k) {
        auto [it, bNew] = table.try_emplace(
            name(k), std::make_unique<CScriptVar>(k % 2 == 0 ? VAR_FUNC : VAR_NUMBER));
        ASSERT_TRUE(bNew);
        index.Add(*it);
    }
    // Removing every third leaves runs of slots with holes that later slots must close.
    for (int k = 0; k < 1500; k += 3) {
        index.Remove(*table.find(name(k)));
        table.erase(name(k));
    }
    for (int k = 0; k < 1500; ++k) {
        const CIdentIndex::Entry* pEntry = index.Find(name(k));
        EXPECT_EQ(pEntry != nullptr ? pEntry->first : "(none)", k % 3 != 0 ? name(k) : "(none)");
    }
    EXPECT_EQ(index.Find(""), nullptr);
    EXPECT_EQ(index.Find("a"), nullptr);
}

}  // namespace
