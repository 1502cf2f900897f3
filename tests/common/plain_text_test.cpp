// Plain texts: blanks trimmed, and ASCII letters alone compared without their case.
#include "plain_text.h"

#include <gtest/gtest.h>

using namespace qjcommon;

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
