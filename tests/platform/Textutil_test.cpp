#include <gtest/gtest.h>

#include <QLocale>
#include <optional>

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

TEST(Textutil, DecimalBoxesTakeTheLocaleSeparatorAndThePointNeverAGroupAndShowTheLocales) {
    struct Case {
        const char* locale;
        std::string typed;
        std::optional<double> value;
        std::string shown;  // the value shown again, to be typed back
    };
    const Case cases[] = {
        {"sv_SE", "59,85", 59.85, "59,85"}, {"sv_SE", "17,63", 17.63, "17,63"},
        {"sv_SE", "72,5", 72.5, "72,5"},    {"sv_SE", "12.4", 12.4, "12,4"},
        {"sv_SE", " -3,5 ", -3.5, "-3,5"},  {"sv_SE", "1\u00A0234,5", std::nullopt, ""},
        {"sv_SE", "1.234,5", std::nullopt, ""}, {"de_DE", "5.125", 5.125, "5,125"},
        {"de_DE", "12,4", 12.4, "12,4"},    {"de_DE", "1.234,5", std::nullopt, ""},
        {"en_US", "12.4", 12.4, "12.4"},    {"en_US", "54", 54.0, "54"},
        {"en_US", "1,234", std::nullopt, ""}, {"en_US", "12,4", std::nullopt, ""},
        {"en_US", "", std::nullopt, ""},    {"en_US", "inf", std::nullopt, ""},
    };
    const QLocale before;
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(c.locale));
        const std::optional<double> v = ReadDecimal(c.typed);
        EXPECT_EQ(v, c.value) << c.locale << " '" << c.typed << "'";
        EXPECT_EQ(v ? DecimalText(*v, 'g', -1) : "", c.shown) << c.locale << " '" << c.typed << "'";
    }
    QLocale::setDefault(before);
}
