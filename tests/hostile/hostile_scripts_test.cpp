// Scripts written to break the interpreter: nesting past the limit, the longest lines full of
// tokens, binary files and NUL bytes. Each run ends with the script error pinned here or runs
// to its end; none may take the host down. Random bytes are the run fuzzer's (fuzz/).
#include <gtest/gtest.h>

#include <string>

#include "platform/host_platform.h"
#include "support/script_runner.h"
#include "support/small_stack.h"

namespace {

std::string Repeat(const std::string& strText, size_t nCount) {
    std::string strAll;
    for (size_t i = 0; i < nCount; ++i) strAll += strText;
    return strAll;
}

// The longest line that a line feed may follow: the head, the filler repeated, blanks, the tail.
std::string LongLine(const std::string& strHead, const std::string& strFiller,
                     const std::string& strTail) {
    const size_t nRoom = MAX_LINE - 1 - strHead.size() - strTail.size();
    const std::string strFilled = Repeat(strFiller, nRoom / strFiller.size());
    return strHead + strFilled + std::string(nRoom - strFilled.size(), ' ') + strTail + "\n";
}

// Main with the body given, after the declarations of n and s: the body starts on line 6.
std::string InMain(const std::string& strBody) {
    return "Declare\nNumber n = 0\nString s = \"\"\nEndDeclare\nMain\n" + strBody + "EndMain\n";
}

// Main calls p, which calls itself until n reaches nLast; p's If body is the deepest level.
// Main's block is level 1 and every call one more, so nLast + 2 levels are reached.
std::string Recursion(int nLast) {
    return InMain("p\nDebugPrintNum(n)\n") + "Proc p\nn += 1\nIf (n == " + std::to_string(nLast) +
           ")\nReturn\nEndIf\np\nEndProc\n";
}

// nDepth While loops inside each other, each running once.
std::string NestedWhiles(int nDepth) {
    return InMain(Repeat("While (n == 0)\n", nDepth) + "n = 1\n" + Repeat("EndWhile\n", nDepth));
}

// nDepth If blocks inside one If whose condition is false.
std::string SkippedIfs(int nDepth) {
    return "Main\nIf (1 == 0)\n" + Repeat("If (1 == 1)\n", nDepth) + Repeat("EndIf\n", nDepth) +
           "EndIf\nDebugPrintNum(1)\nEndMain\n";
}

std::string NestingError(int nLine) {
    return ScriptError(nLine, "'Nesting too deep' - Block error");
}

TEST(HostileScripts, EachEndsWithItsErrorOrRunsToTheEnd) {
    const struct {
        const char* pszName;
        std::string strScript;
        std::string strLog;    // the one error, or empty for a run that ends normally
        std::string strTrace;  // a text the trace must hold (with tracing on), or nothing
    } kCases[] = {
        // nesting to the limit and past it
        {"recursion_to_the_limit", Recursion(MAX_NESTING - 2), "", "t.scr (7): n = 4094"},
        // The call that reaches n = 4095 opens its If body one level too deep, on line 11.
        {"recursion_past_the_limit", Recursion(MAX_NESTING - 1), NestingError(11), ""},
        {"whiles_to_the_limit", NestedWhiles(MAX_NESTING - 1), "", ""},
        // Main is line 5, so the While on line 5 + k opens level k + 1.
        {"whiles_past_the_limit", NestedWhiles(5000), NestingError(5 + MAX_NESTING), ""},
        // Skipped blocks are counted, not entered, however deep they nest.
        {"skipped_blocks_nest_without_limit", SkippedIfs(100000), "",
         "t.scr (200004): Literal = 1"},
        // the longest lines, full of tokens
        {"open_parentheses_as_arguments", InMain(LongLine("n = GetLenght(", "(", ")")),
         ScriptError(6, "'(' - Unexpected"), ""},
        // Arguments fill 15 slots; the sixteenth is refused, however many follow.
        {"arguments_past_fifteen", InMain(LongLine("Concat(s", ",s", ")")),
         ScriptError(6, "'s' - Unexpected"), ""},
        {"commas_only", InMain(LongLine("Concat(", ",", ")")), ScriptError(6, "',' - Unexpected"),
         ""},
        {"blanks_inside_a_condition",
         "Main\n" + LongLine("If (1", " ", "== 1)") + "DebugPrintNum(2)\nEndIf\nEndMain\n", "",
         "t.scr (3): Literal = 2"},
        // Only the first token after "=" is looked at.
        {"tokens_after_a_value", InMain(LongLine("n = 7", " 1", "") + "DebugPrintNum(n)\n"), "",
         "t.scr (7): n = 7"},
        {"escape_sequences_in_a_literal",
         InMain(LongLine("s = \"", "\\n", "\"") + "n = GetLenght(s)\nDebugPrintNum(n)\n"), "",
         "t.scr (8): n = 16380"},
        {"longest_literal",
         InMain(LongLine("s = \"", "x", "\"") + "n = GetLenght(s)\nDebugPrintNum(n)\n"), "",
         "t.scr (8): n = 32760"},
        {"directive_of_hashes", "Main\n" + LongLine("", "#", "") + "EndMain\n",
         ScriptError(2, "'#' - Unexpected"), ""},
        {"declaration_of_commas", "Declare\n" + LongLine("Number a", ",a", "") + "EndDeclare\n",
         ScriptError(2, "',' - Unexpected"), ""},
        // binary files and NUL bytes
        // The start of an executable: the line ends at its first NUL.
        {"executable_header",
         std::string("\177ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\n\0\xff\xfe\n", 28),
         ScriptError(1, "'\177ELF\x02\x01\x01' - Invalid identifier"), ""},
        {"bytes_from_0x80_in_a_name", "Main\n\xe9t\xe9 = 1\nEndMain\n",
         ScriptError(2, "'\xe9t\xe9' - Invalid identifier"), ""},
        {"nul_ends_the_line", std::string("Main\nDebugPrintNum(1)\0x = \"\n//\0\nEndMain\n", 39),
         "", "t.scr (2): Literal = 1"},
        // The literal loses its closing quote with the rest of the line.
        {"nul_inside_a_literal", InMain(std::string("s = \"ab\0cd\"\n", 12)),
         ScriptError(6, "'\"ab' - Type mismatch"), ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        ScriptRun run = ScriptRunner().Run(c.strScript, "");
        EXPECT_EQ(run.strLog, c.strLog);
        EXPECT_EQ(run.nResult, c.strLog.empty() ? 1 : 0);
        EXPECT_NE(run.strTrace.find(c.strTrace), std::string::npos) << run.strTrace.substr(0, 1000);
    }
}

// Line 2 opens level 2, so the If on line k opens level k.
TEST(HostileScripts, CheckModeEntersEveryIfAndStopsAtTheLimit) {
    EXPECT_EQ(ScriptRunner().Run(SkippedIfs(5000), "C").strLog, NestingError(MAX_NESTING + 1));
}

// Host threads whose stacks end long before the depth limit, down to the smallest a thread
// can have: a run stops with the nesting error instead of overflowing the stack. A run without
// recursion runs to its end where the stack leaves room for a line's calls; on the smallest
// stacks it may end with the nesting error at its first block instead.
TEST(HostileScripts, SmallHostStacksEndDeepRecursionWithTheNestingError) {
    const std::string strEnvLine = "n = PVEnvGet(\"key\", s, 100)\n";
    const std::string strRecursion = InMain("p\n") + "Proc p\n" + strEnvLine + "p\nEndProc\n";
    const std::string strFlat = InMain(strEnvLine + "DebugPrintNum(n)\n");
    for (size_t nKilobytes : {16, 32, 64, 256, 384}) {
        SCOPED_TRACE(std::to_string(nKilobytes) + " KB");
        ScriptRun run;
        ASSERT_TRUE(RunOnStack(nKilobytes << 10, [&] { run = ScriptRunner().Run(strRecursion); }));
        EXPECT_EQ(run.nResult, 0);
        EXPECT_NE(run.strLog.find("'Nesting too deep' - Block error"), std::string::npos);
        ASSERT_TRUE(RunOnStack(nKilobytes << 10, [&] { run = ScriptRunner().Run(strFlat); }));
        if (nKilobytes < 64 && run.nResult == 0) {
            EXPECT_EQ(run.strLog, ScriptError(5, "'Nesting too deep' - Block error"));
        } else {
            EXPECT_EQ(run.strLog, "");
            EXPECT_EQ(run.nResult, 1);
        }
    }
}

}  // namespace
