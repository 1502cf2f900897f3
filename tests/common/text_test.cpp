// The common texts: blanks trimmed and ASCII letters alone compared without their case; the
// INI reader, how each line is read, and a text written back as it was read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ini_text.h"
#include "plain_text.h"

using namespace qjcommon;

namespace {

// What the reader makes of a text: one "kind section|name|value" row per line.
std::vector<std::string> Rows(const std::string& strText) {
    std::vector<std::string> rows;
    ReadIni(strText, [&](const CIniLine& line) {
        const char* pszKinds[] = {"blank", "comment", "section", "entry", "other"};
        rows.push_back(std::string(pszKinds[static_cast<int>(line.nKind)]) + " " +
                       std::string(line.section) + "|" + std::string(line.name) + "|" +
                       std::string(line.value));
        return true;
    });
    return rows;
}

TEST(IniText, ReadsEachLineInItsSection) {
    EXPECT_EQ(
        Rows("\uFEFFtop = 1\r\n"  // after the byte-order mark
             "; a = b\r\n"
             "  [ One ] \r\n"
             "\tName =  a = b \r\n"
             "\r\n"
             "[half\n"
             "= no name\n"
             "no value\n"
             "#[Two]\n"
             "last="),
        (std::vector<std::string>{
            "entry |top|1", "comment ||", "section One||", "entry One|Name|a = b", "blank One||",
            "other One||", "other One||", "other One||", "comment One||", "entry One|last|"}));
}

TEST(IniText, StopsWhenAskedTo) {
    int nLines = 0;
    ReadIni("a=1\nb=2\nc=3\n", [&](const CIniLine& line) {
        ++nLines;
        return line.name != "b";
    });
    EXPECT_EQ(nLines, 2);
}

TEST(IniText, WritesTheLinesBackInTheLayoutTheyCameIn) {
    for (const char* pszText : {"", "a=1\n", "\uFEFFa=1\r\n; note\r\n", "a=1\nb", "\uFEFF"}) {
        std::vector<std::string> lines;
        CIniLayout layout = ReadIni(pszText, [&](const CIniLine& line) {
            lines.emplace_back(line.text);
            return true;
        });
        EXPECT_EQ(JoinIni(layout, lines), pszText);
    }
}

TEST(PlainText, TrimsTheGivenCharactersAtBothEnds) {
    EXPECT_EQ(Trim(" \t a b \t"), "a b");
    EXPECT_EQ(Trim(" \r\n"), "\r\n");
    EXPECT_EQ(Trim(" \r\nx\r\n", WHITE_SPACE), "x");
    EXPECT_EQ(Trim(" \t "), "");
}

TEST(PlainText, FoldsAsciiLettersAlone) {
    EXPECT_TRUE(EqualsNoCase("Program", "pROGRAM"));
    EXPECT_FALSE(EqualsNoCase("ab", "abc"));
    // Neighbours of the letters whose codes differ by the case bit are no letters.
    EXPECT_FALSE(EqualsNoCase("[@", "{`"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));
    EXPECT_TRUE(EndsWithNoCase("RUN.BAT", ".bat"));
    EXPECT_FALSE(EndsWithNoCase("at", ".bat"));
}

}  // namespace
