// A script written to wear an automation object out: 15-argument calls in a tight loop. It
// runs to its end, and the object saw every call.
#include <gtest/gtest.h>

#include <string>

#include "objects/object_fixture.h"
#include "support/script_runner.h"

namespace {

TEST(HostileScripts, FifteenArgumentCallsInATightLoop) {
    CSampleRegistry registry;
    ScriptRunner runner;
    const std::string strNumbers = "(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)";
    const std::string strTexts = "(s, Null, \"x\", s, s, s, s, s, s, s, s, s, s, s, \"y\")";
    ScriptRun run = runner.Run(
        "Declare\nObject o(\"QJSample.Server\")\nNumber n = 0\nNumber i = 0\nString s = \"t\"\n"
        "EndDeclare\nMain\nWhile (i != 2000)\n"
        "n = o.Sum" +
        strNumbers +
        "\nIf (n != 120)\nExit(1)\nEndIf\n"
        "o.Void15" +
        strTexts +
        "\ni += 1\nEndWhile\n"
        "n = o.CallCount\nIf (n != 4000)\nExit(2)\nEndIf\nEndMain\n");
    EXPECT_EQ(run.strLog, "");
    EXPECT_EQ(run.nResult, 1);
}

}  // namespace
