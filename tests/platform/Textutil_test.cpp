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

TEST(Textutil, CharCountAndFirstCharsWorkOnWholeUtf8Characters) {
    const std::string text = "G\xC3\xB6lf \xE2\x82\xAC\xF0\x9F\x8F\x8C";  // "Gölf €🏌"
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount(text), 7u);
    EXPECT_EQ(FirstChars(text, 2), "G\xC3\xB6");
    EXPECT_EQ(FirstChars(text, 6), "G\xC3\xB6lf \xE2\x82\xAC");
    EXPECT_EQ(FirstChars(text, 7), text);
    EXPECT_EQ(FirstChars(text, 99), text);
    EXPECT_EQ(FirstChars(text, 0), "");
    // A stray continuation byte belongs to the character before it.
    EXPECT_EQ(CharCount("a\x80" "b"), 2u);
    EXPECT_EQ(FirstChars("a\x80" "b", 1), "a\x80");
}
