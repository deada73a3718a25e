#include <gtest/gtest.h>

#include "platform/Textutil.h"

TEST(Textutil, TrimTakesAllWhiteSpaceTrimLineOnlyBlanksTabsAndLineEnds) {
    EXPECT_EQ(Trim(" \t\r\n\v\fCC ab\v\f \n"), "CC ab");
    EXPECT_EQ(Trim("\v\f"), "");
    EXPECT_EQ(Trim("a"), "a");
    EXPECT_EQ(TrimLine(" \t\r\nCC ab \r\n"), "CC ab");
    EXPECT_EQ(TrimLine("\vCC\f"), "\vCC\f");
    EXPECT_EQ(TrimLine(" \t\r\n"), "");
    EXPECT_EQ(TrimLine(""), "");
    // Neither touches NUL or bytes of a UTF-8 character.
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), std::string("\0x\0", 3));
    EXPECT_EQ(TrimLine(" \xC2\xA0x\xC2\xA0 "), "\xC2\xA0x\xC2\xA0");
}
