#include <gtest/gtest.h>

#include "platform/Textutil.h"

TEST(Textutil, TrimTakesAllWhiteSpaceTrimLineOnlyBlanksTabsAndLineEnds) {
    struct Case {
        std::string in, trim, trimLine;
    };
    const Case cases[] = {
        {"", "", ""},
        {"a", "a", "a"},
        {" \t\r\nCC ab \r\n", "CC ab", "CC ab"},
        {" \t\r\n", "", ""},
        // Vertical tab and form feed: white space, but no line end.
        {"\vCC\f", "CC", "\vCC\f"},
        {" \v\f ", "", "\v\f"},
        // Neither touches NUL or the bytes of a UTF-8 character.
        {std::string("\0x\0", 3), std::string("\0x\0", 3), std::string("\0x\0", 3)},
        {" \xC2\xA0x\xC2\xA0 ", "\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Trim(c.in), c.trim) << '"' << c.in << '"';
        EXPECT_EQ(TrimLine(c.in), c.trimLine) << '"' << c.in << '"';
    }
}

TEST(Textutil, CharCountAndFirstCharsWorkOnWholeUtf8Characters) {
    const std::string text = "G\xC3\xB6lf \xE2\x82\xAC\xF0\x9F\x8F\x8C";  // "Gölf €🏌"
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount(text), 7u);
    const std::pair<size_t, std::string> prefixes[] = {
        {0, ""}, {2, "G\xC3\xB6"}, {6, "G\xC3\xB6lf \xE2\x82\xAC"}, {7, text}, {99, text}};
    for (const auto& [n, prefix] : prefixes) EXPECT_EQ(FirstChars(text, n), prefix) << n;
    // A stray continuation byte belongs to the character before it.
    EXPECT_EQ(CharCount("a\x80" "b"), 2u);
    EXPECT_EQ(FirstChars("a\x80" "b", 1), "a\x80");
}
