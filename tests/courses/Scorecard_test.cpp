#include <gtest/gtest.h>
#include <limits>

#include "common/Pictures.h"
#include "courses/Scorecard.h"

namespace {
// An index column of a grid: the hole rows hold the given values in hole order.
std::vector<std::string> Column(bool holes18, std::vector<int> byHole) {
    std::vector<std::string> c(static_cast<size_t>(GridRowCount(holes18)));
    for (size_t h = 0; h < byHole.size(); ++h)
        c[RowOfHole(static_cast<int>(h) + 1)] = byHole[h] == 0 ? "" : std::to_string(byHole[h]);
    return c;
}

TCourseScorecard Card(bool holes18, int tees) {
    TCourseScorecard card;
    card.holes18 = holes18;
    card.tees = tees;
    for (int h = 0; h < (holes18 ? 18 : 9); ++h) {
        TScorecardHole& hole = card.hole[h];
        hole.present = true;
        for (int t = 0; t < tees; ++t)
            hole.length[t] = TVariant(300 + h);
        hole.par = TVariant(h % 3 + 3);
        hole.strokeIndex = TVariant(h + 1);
    }
    return card;
}
} // namespace

TEST(ScorecardChecks, ParLengthRatingAndSlopeClamps) {
    EXPECT_EQ(CheckPar("7"), "5");
    EXPECT_EQ(CheckPar("0"), "3");
    EXPECT_EQ(CheckPar(""), "3");
    EXPECT_EQ(CheckPar("ab"), "3");
    EXPECT_EQ(CheckPar("-4"), "3");
    EXPECT_EQ(CheckPar("4"), "4");

    EXPECT_EQ(CheckLength("50", "true"), "70");
    EXPECT_EQ(CheckLength("800", "true"), "650");
    EXPECT_EQ(CheckLength("50", "false"), "77");
    EXPECT_EQ(CheckLength("800", "false"), "711");
    EXPECT_EQ(CheckLength("x1", "false"), "77");
    EXPECT_EQ(CheckLength("350", "false"), "350");

    EXPECT_EQ(CheckRating("abc"), "72");
    EXPECT_EQ(CheckRating("30"), "72");
    EXPECT_EQ(CheckRating("100.5"), "72");
    EXPECT_EQ(CheckRating(""), "72");
    EXPECT_EQ(CheckRating("70.5"), "70.5");
    EXPECT_EQ(CheckRating("45"), "45");

    EXPECT_EQ(CheckSlope("200"), "113");
    EXPECT_EQ(CheckSlope(""), "113");
    EXPECT_EQ(CheckSlope("54"), "113");
    EXPECT_EQ(CheckSlope("-120"), "113");
    EXPECT_EQ(CheckSlope("180"), "180");
}

TEST(ScorecardChecks, StrokeIndexSwapsOnNineAndEighteenHoles) {
    // Hole 2 held 3 on entry; 5 typed; hole 7 held 5 and takes the 3.
    auto nine = Column(false, {1, 3, 2, 4, 9, 6, 5, 8, 7});
    int entry = 3;
    nine[RowOfHole(2)] = "5";
    StrokeIndexExit(nine, RowOfHole(2), false, entry);
    EXPECT_EQ(nine[RowOfHole(2)], "5");
    EXPECT_EQ(nine[RowOfHole(7)], "3");
    EXPECT_EQ(entry, 5);
    // Above 9 on a 9-hole card becomes 9, and the hole that held 9 swaps.
    entry = 5;
    nine[RowOfHole(2)] = "12";
    StrokeIndexExit(nine, RowOfHole(2), false, entry);
    EXPECT_EQ(nine[RowOfHole(2)], "9");
    EXPECT_EQ(nine[RowOfHole(5)], "5");

    std::vector<int> order(18);
    for (int i = 0; i < 18; ++i)
        order[i] = i + 1;
    auto eighteen = Column(true, order);
    entry = 12; // hole 12 (row 12)
    eighteen[RowOfHole(12)] = "19";
    StrokeIndexExit(eighteen, RowOfHole(12), true, entry);
    EXPECT_EQ(eighteen[RowOfHole(12)], "18");
    EXPECT_EQ(eighteen[RowOfHole(18)], "12");
    EXPECT_EQ(eighteen[9], ""); // the "Out" row is no hole row
    entry = 18;
    eighteen[RowOfHole(12)] = "0";
    StrokeIndexExit(eighteen, RowOfHole(12), true, entry);
    EXPECT_EQ(eighteen[RowOfHole(12)], "1");
    EXPECT_EQ(eighteen[RowOfHole(1)], "18");
}

TEST(ScorecardChecks, StrokeIndexSkipsBoxesWithoutANumber) {
    auto c = Column(false, {1, 2, 0, 4, 5, 6, 7, 8, 9});
    int entry = 2;
    c[RowOfHole(2)] = "4";
    StrokeIndexExit(c, RowOfHole(2), false, entry);
    EXPECT_EQ(c[RowOfHole(3)], "");
    EXPECT_EQ(c[RowOfHole(4)], "2");
}

TEST(ScorecardChecks, MatchIndexesAreAllOrNone) {
    // A value typed into an empty column numbers every hole.
    auto c = Column(true, {});
    int entry = 0;
    c[RowOfHole(4)] = "7";
    MatchIndexExit(c, RowOfHole(4), true, entry);
    for (int h = 1; h <= 18; ++h)
        EXPECT_EQ(c[RowOfHole(h)], std::to_string(h)) << h;
    EXPECT_EQ(c[19], "");

    // With values, a typed one swaps with its holder.
    entry = 4;
    c[RowOfHole(4)] = "11";
    MatchIndexExit(c, RowOfHole(4), true, entry);
    EXPECT_EQ(c[RowOfHole(4)], "11");
    EXPECT_EQ(c[RowOfHole(11)], "4");
    EXPECT_EQ(entry, 11);

    // Above the hole count: the hole count; 0 or empty: the whole column empties.
    entry = 11;
    c[RowOfHole(4)] = "25";
    MatchIndexExit(c, RowOfHole(4), true, entry);
    EXPECT_EQ(c[RowOfHole(4)], "18");
    entry = 18;
    c[RowOfHole(6)] = "";
    MatchIndexExit(c, RowOfHole(6), true, entry);
    for (int h = 1; h <= 18; ++h)
        EXPECT_EQ(c[RowOfHole(h)], "") << h;

    auto nine = Column(false, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    entry = 3;
    nine[RowOfHole(3)] = "0";
    MatchIndexExit(nine, RowOfHole(3), false, entry);
    for (int h = 1; h <= 9; ++h)
        EXPECT_EQ(nine[RowOfHole(h)], "") << h;
}

TEST(ScorecardGrid, RowsTotalsAndLabelsOfEighteenHolesInYards) {
    TCourseScorecard card = Card(true, 2);
    const TScorecardGrid g = BuildGrid(card, "false", false);
    ASSERT_EQ(g.rows, 22);
    EXPECT_EQ(g.cell[9][0].text, "Out");
    EXPECT_EQ(g.cell[19][0].text, "In");
    EXPECT_EQ(g.cell[20][0].text, "Out");
    EXPECT_EQ(g.cell[21][0].text, "Tot");
    EXPECT_EQ(g.cell[10][0].text, "10");
    EXPECT_TRUE(g.cell[0][5].exists); // match column of 2 tees
    EXPECT_FALSE(g.cell[0][6].exists);
    // One conversion of the summed metres: holes 1-9 are 300..308 = 2736 m.
    EXPECT_EQ(g.cell[0][1].text, "328"); // 300 m
    EXPECT_EQ(g.cell[9][1].text, "2992");
    EXPECT_EQ(g.cell[21][1].text,
              std::to_string(static_cast<int>((2736 + 2817) * 1.0936111111154856 + 0.5)));
    int par = 0;
    for (int h = 0; h < 18; ++h)
        par += h % 3 + 3;
    EXPECT_EQ(g.cell[21][3].text, std::to_string(par));
    EXPECT_FALSE(g.cell[9][4].visible); // index columns of total rows are hidden
    EXPECT_TRUE(g.cell[9][3].visible);
    EXPECT_EQ(g.cell[0][4].hint, "Stroke Play");
    EXPECT_EQ(g.cell[3][1].hint, "Hole:4 Tee:1");
    EXPECT_FALSE(g.cell[3][1].editable);
    // Edit mode: hole cells editable, column 0 never, total rows hidden.
    const TScorecardGrid e = BuildGrid(card, "false", true);
    EXPECT_TRUE(e.cell[3][1].editable);
    EXPECT_TRUE(e.cell[3][5].editable);
    EXPECT_FALSE(e.cell[3][0].editable);
    EXPECT_FALSE(e.cell[21][1].visible);
}

TEST(ScorecardGrid, NineHolesHaveTenRowsAndTot) {
    TCourseScorecard card = Card(false, 1);
    card.hole[0].name = "Lake";
    card.teeName[0] = "White";
    const TScorecardGrid g = BuildGrid(card, "true", false);
    EXPECT_EQ(g.rows, 10);
    EXPECT_EQ(g.cell[9][0].text, "Tot");
    EXPECT_EQ(g.cell[0][1].hint, "Hole:Lake Tee:White");
    EXPECT_EQ(g.cell[9][1].hint, " Tee:White");
    EXPECT_EQ(g.cell[9][1].text, std::to_string(300 * 9 + 36));
    EXPECT_FALSE(g.cell[10][0].exists);
}

// Stored numbers at the int limits (a double beyond them reads as the
// limit): the grid shows them as read and its totals cannot overflow.
TEST(ScorecardGrid, TotalsOfNumbersAtTheIntLimitsCannotOverflow) {
    const std::string most = std::to_string(std::numeric_limits<int>::max());
    TCourseScorecard card = Card(false, 2);
    for (int h = 0; h < 9; ++h) {
        card.hole[h].length[0] = TVariant(std::numeric_limits<int>::max());
        card.hole[h].par = TVariant(1e300);
    }
    card.hole[0].length[1] = TVariant(-1e300);
    for (const char* unit : {"true", "false"}) {
        const TScorecardGrid g = BuildGrid(card, unit, false);
        EXPECT_EQ(g.cell[0][1].text, most) << unit;
        EXPECT_EQ(g.cell[9][1].text, most) << unit;
        EXPECT_EQ(g.cell[9][3].text, most) << unit;
        EXPECT_EQ(g.cell[0][2].text, std::to_string(std::numeric_limits<int>::min())) << unit;
    }
}

TEST(ScorecardGrid, HolesArePlacedByNumberAndEmptyValuesStayEmpty) {
    TCourseScorecard card = Card(false, 1);
    card.hole[4] = TScorecardHole(); // hole 5 has no row
    card.hole[6].par = TVariant();
    const TScorecardGrid g = BuildGrid(card, "true", false);
    EXPECT_EQ(g.cell[4][0].text, "5");
    EXPECT_EQ(g.cell[4][1].text, "");
    EXPECT_EQ(g.cell[5][0].text, "6");
    EXPECT_EQ(g.cell[5][1].text, "305");
    EXPECT_EQ(g.cell[6][2].text, "");
}

TEST(ScorecardGrid, RatingAndSlopeBoxes) {
    TCourseScorecard card = Card(true, 3);
    card.rating[0] = TVariant(70.5);
    card.slope[0] = TVariant(125);
    card.rating[1] = TVariant(0.0);
    card.slope[1] = TVariant(0);
    card.rating[6] = TVariant(72.0);
    card.slope[6] = TVariant(113);
    card.teeColour[0] = 0x0000FF;
    const TScorecardGrid view = BuildGrid(card, "true", false);
    EXPECT_TRUE(view.rating[0].exists);
    EXPECT_EQ(view.rating[0].text, "70.5");
    EXPECT_EQ(view.slope[0].text, "125");
    EXPECT_EQ(view.rating[0].colour, 0x0000FFu);
    EXPECT_TRUE(view.rating[1].exists);
    EXPECT_FALSE(view.rating[1].visible); // a stored 0 shows in edit mode only
    EXPECT_FALSE(view.rating[2].exists);  // no rating in view mode: no boxes
    EXPECT_FALSE(view.slope[2].exists);
    EXPECT_EQ(view.rating[6].text, "72");
    EXPECT_FALSE(view.rating[3].exists); // tee 4 of 3
    const TScorecardGrid edit = BuildGrid(card, "true", true);
    EXPECT_TRUE(edit.rating[2].exists);
    EXPECT_EQ(edit.rating[2].text, "");
    EXPECT_TRUE(edit.rating[1].visible);
    EXPECT_FALSE(edit.rating[9].exists);
}

TEST(ScorecardGrid, NullColourIsWhite) {
    EXPECT_EQ(ColourOf(TVariant()), WhiteColour);
    EXPECT_EQ(ColourOf(TVariant(255)), 255u);
    EXPECT_EQ(ColourOf(TVariant("nonsense")), WhiteColour);
}

// Text on a tee colour (the grid's cells, the set-up boxes) and a tee's name
// in its colour (the round's header) read at 4.5 : 1 at least, any colour.
TEST(ScorecardGrid, EveryTeeColourKeepsItsTextReadable) {
    EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x808080, 0x404040), 2.62, 0.01);  // grey on a dark grey chip
    for (unsigned b = 0; b < 256; b += 15)
        for (unsigned g = 0; g < 256; g += 15)
            for (unsigned r = 0; r < 256; r += 15) {
                const unsigned c = r | g << 8 | b << 16;
                ASSERT_GE(ContrastRatio(c, IsDarkColour(c) ? 0xFFFFFF : 0x000000), 4.5) << std::hex << c;
                for (unsigned window : {0xFFFFFFu, 0xEFEFEFu, 0x404040u})
                    ASSERT_GE(ContrastRatio(c, ReadableGround(c, window)), 4.5) << std::hex << c << " on " << window;
            }
}
