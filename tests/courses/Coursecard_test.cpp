#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "courses/Coursecard.h"
#include "platform/Datafolder.h"
#include "common/Printform.h"
#include "support/Testsupport.h"

namespace {
TCourseScorecard Card(bool holes18, int tees) {
    TCourseScorecard card;
    card.holes18 = holes18;
    card.tees = tees;
    card.teeColour[0] = 0x0000FF; // red
    card.teeColour[1] = 0xFF8000; // light blue
    card.teeName[0] = "Red";
    for (int h = 0; h < (holes18 ? 18 : 9); ++h) {
        card.hole[h].present = true;
        for (int t = 0; t < tees; ++t)
            card.hole[h].length[t] = TVariant(100 + 10 * h + t);
        card.hole[h].par = TVariant(h % 3 + 3);
        card.hole[h].strokeIndex = TVariant(h + 1);
    }
    return card;
}

// The card as the window writes it from its view-mode grid.
TCardGrid Grid(const TCourseScorecard& card, const std::string& isMeter) {
    const TScorecardGrid g = BuildGrid(card, isMeter, false);
    TCardGrid out;
    out.rows = g.rows;
    out.tees = g.tees;
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < MaxGridColumns; ++c)
            out.cell[r][c] = {g.cell[r][c].text, g.cell[r][c].hint, g.cell[r][c].colour};
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}
} // namespace

TEST(CourseCard, NineHolesInMetres) {
    const std::string text = CourseCardText(Grid(Card(false, 2), "true"), "Heath", 0, 0);
    const auto lines = Lines(text);
    ASSERT_GT(lines.size(), 20u);
    const std::vector<std::string> head = {
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>",
        "<?xml-stylesheet type=\"text/xsl\" href=\"coursescorecard.xsl\"?>",
        "<course>",
        "<name>Heath</name>",
        "<title>Heath</title>",
        "<holecount>9</holecount>",
        "<holes-a>",
        "<hole number=\"1\">",
        "<par>3</par>",
        "<handicap>1</handicap>",
        "</hole>",
    };
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(lines[i], head[i]) << i;
    EXPECT_EQ(lines.back(), "</course>");
    EXPECT_EQ(CountOf(text, "<tee nbr="), 2u);
    EXPECT_NE(text.find("<tee nbr=\"1\">\n<name>Red</name>\n<color>FF0000</color>\n<totlen>"
                        "1260</totlen>\n<len>100</len>\n<len>110</len>\n"),
              std::string::npos);
    EXPECT_NE(text.find("<tee nbr=\"2\">\n<name>2</name>\n<color>0080FF</color>"),
              std::string::npos);
    EXPECT_NE(text.find("<details>\n<par>36</par>\n</details>\n</holes-a>"), std::string::npos);
    EXPECT_EQ(text.find("holes-b"), std::string::npos);
    // Totals from row 9: net is the second column's integer less the playing handicap.
    EXPECT_NE(text.find("<totals>\n<par>36</par>\n<totlen>1260</totlen>\n<hcp>0</hcp>\n<net>1269</"
                        "net>\n</totals>"),
              std::string::npos);
}

TEST(CourseCard, EighteenHolesInYardsAsTheGridShowsThem) {
    const std::string text = CourseCardText(Grid(Card(true, 3), "false"), "Links", 12, 14);
    EXPECT_NE(text.find("<holecount>18</holecount>"), std::string::npos);
    EXPECT_EQ(CountOf(text, "<tee nbr="), 6u);
    EXPECT_EQ(CountOf(text, "<hole number="), 18u);
    EXPECT_EQ(CountOf(text, "<puts></puts>"), 9u);
    EXPECT_NE(
        text.find("<hole number=\"10\">\n<par>3</par>\n<puts></puts>\n<handicap>10</handicap>"),
        std::string::npos);
    // Hole 1 of tee 1 is 100 m: 109 yards; hole 10 is 190 m: 208 yards.
    EXPECT_NE(text.find("<len>109</len>"), std::string::npos);
    EXPECT_NE(text.find("<totlenboth>"), std::string::npos);
    const auto lines = Lines(text);
    const auto b = std::find(lines.begin(), lines.end(), "<holes-b>");
    ASSERT_NE(b, lines.end());
    const auto tee1 = std::find(b, lines.end(), "<tee nbr=\"1\">");
    ASSERT_LT(tee1 + 12, lines.end());
    EXPECT_EQ(tee1[1], "<name>Red</name>");
    EXPECT_EQ(tee1[2], "<color>FF0000</color>");
    EXPECT_EQ(tee1[5], "<len>208</len>");
    EXPECT_NE(text.find("<hcp>12</hcp>"), std::string::npos);
    EXPECT_NE(text.find("<details>\n<par>36</par>\n</details>\n</holes-b>"), std::string::npos);
    // The net figure holds for the extreme playing handicaps a stored round gives.
    const auto net = [](const std::string& t) {
        const size_t at = t.find("<net>") + 5;
        return std::stoll(t.substr(at, t.find("</net>") - at));
    };
    const TCardGrid grid = Grid(Card(true, 3), "false");
    const long long none = net(CourseCardText(grid, "Links", 0, 0));
    EXPECT_EQ(net(CourseCardText(grid, "Links", 0, std::numeric_limits<int>::min())), none + 2147483648LL);
    EXPECT_EQ(net(CourseCardText(grid, "Links", 0, std::numeric_limits<int>::max())), none - 2147483647LL);
}

TEST(CourseCard, NamesAreEscapedAndTheFileRendersThroughItsStylesheet) {
    TempHome home;
    TCourseScorecard card = Card(false, 1);
    card.teeName[0] = "Black & <Gold>";
    const std::string title = "O'Brien & Sons <Links> \"Old\" Ünter Łąka";
    const std::string path = DataPath("coursescorecard.xml");
    ASSERT_TRUE(WriteCourseCard(path, Grid(card, "true"), title, 0, 0));
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    EXPECT_NE(
        text.find("<name>O'Brien &amp; Sons &lt;Links&gt; \"Old\" \xDCnter &#321;&#261;ka</name>"),
        std::string::npos);
    EXPECT_NE(text.find("<name>Black &amp; &lt;Gold&gt;</name>"), std::string::npos);
    std::string error;
    const std::string html = TransformCardFile(path, &error);
    ASSERT_FALSE(html.empty()) << error;
    EXPECT_NE(html.find("Sons"), std::string::npos);
}

TEST(CourseCard, HelpersOfTheWriter) {
    EXPECT_EQ(CardColour(0x0000FF), "FF0000");
    EXPECT_EQ(CardColour(0xFF8000), "0080FF");
    EXPECT_EQ(CardColour(0x00FF00), "00FF00");
    EXPECT_EQ(TeeNameOfHint("Hole:3 Tee:Blue"), "Blue");
    EXPECT_EQ(TeeNameOfHint("Hole:3"), "");
    EXPECT_EQ(CardEscape("a\x01"
                         "b\tc"),
              "ab\tc");
    EXPECT_EQ(CardEscape("\xE2\x82\xAC"), "&#8364;");
    EXPECT_FALSE(
        WriteCourseCard("/nonexistent-folder/x/coursescorecard.xml", TCardGrid(), "", 0, 0));
}

TEST(CourseCard, APlantedLinkIsReplacedAndItsTargetKept) {
    TempHome home;
    const std::string target = home.File("victim.txt");
    std::ofstream(target) << "keep";
    const std::string path = DataPath("coursescorecard.xml");
    std::filesystem::create_symlink(target, path);
    ASSERT_TRUE(WriteCourseCard(path, Grid(Card(false, 1), "true"), "Heath", 0, 0));
    std::ifstream victim(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("<name>Heath</name>"), std::string::npos);
    // Nothing is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(home.Path())) ++files;
    EXPECT_EQ(files, 2);
}
