#include <QLocale>
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "db/Table.h"
#include "rounds/Roundrules.h"

// ---------------------------------------------------------------- list, hcp

TEST(RoundRules, ListFilterQuotesTheTypedText) {
    EXPECT_EQ(RoundsListFilter(1, "2003"), "UserId = 1and RoundStartDate Like '*2003*'");
    EXPECT_EQ(RoundsListFilter(7, "O'B"), "UserId = 7and RoundStartDate Like '*O''B*'");
    for (const char* typed : {"O'B", "'", "''", "\"", "*", "?", "%", "_", "'or 1=1 or'", "[x]"}) {
        std::vector<TVariant> params;
        EXPECT_NO_THROW(TTable::TranslateFilter(RoundsListFilter(1, typed), &params)) << typed;
    }
    EXPECT_EQ(ListTeeNumber(3, false), 3);
    EXPECT_EQ(ListTeeNumber(0, false), 0);
    EXPECT_EQ(ListTeeNumber(7, false), 0);
    EXPECT_EQ(ListTeeNumber(-1, false), 0);
    EXPECT_EQ(ListTeeNumber(2, true), 0);
}

TEST(RoundRules, PlayingHandicapAndHeader) {
    EXPECT_EQ(HcpLabelText(18, PlayingHandicap(18, 113, 72, 72, false)), "18 / 18");
    EXPECT_EQ(HcpLabelText(10.4, PlayingHandicap(10.4, 125, 71.3, 72, false)), "10.4 / 11");
    // A 9-hole course's rating is an 18-hole figure: its par counts twice.
    EXPECT_NEAR(PlayingHandicap(18, 113, 72, 36, true), 18, 1e-9);
    // Rated below 45 it carries a nine-hole rating, which counts twice.
    EXPECT_EQ(HcpLabelText(18, PlayingHandicap(18, 113, 35, 36, true)), "18 / 16");
    EXPECT_NEAR(PlayingHandicap(18, 113, 45, 36, true), -9, 1e-9);
    // Nearest whole number, halves up, below 0 too.
    EXPECT_EQ(HcpLabelText(-1, PlayingHandicap(-1, 113, 72, 72, false)), "-1 / -1");
    EXPECT_EQ(HcpLabelText(0, PlayingHandicap(0, 113, 70, 72, false)), "0 / -2");
    EXPECT_EQ(RoundedHandicap(-0.6), -1);
    EXPECT_EQ(RoundedHandicap(-0.5), 0);
    EXPECT_EQ(RoundedHandicap(10.5), 11);
    // Exact halves in the typed tenths go up, though binary fractions miss them.
    const std::tuple<double, int, double, int, bool, int> halves[] = {{18.4, 113, 71.1, 72, false, 18}, {0.4, 113, 71.1, 72, false, 0},
        {-1.8, 113, 72.3, 72, false, -1}, {11.3, 134, 71.1, 72, false, 13}, {33.9, 128, 70.1, 72, false, 37},
        {-3.6, 113, 71.1, 36, true, -4}, {0.3, 113, 35.6, 36, true, 0}, {10.5, 113, 72.0, 72, false, 11}};
    for (const auto& [hcp, slope, rating, par, nine, rounded] : halves)
        EXPECT_EQ(RoundedHandicap(PlayingHandicap(hcp, slope, rating, par, nine)), rounded) << hcp << " " << rating;
    // Any stored value converts: held to the int range, NaN as 0.
    constexpr int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundedHandicap(1e300), most);
    EXPECT_EQ(RoundedHandicap(-1e300), least);
    EXPECT_EQ(RoundedHandicap(inf), most);
    EXPECT_EQ(RoundedHandicap(nan), 0);
    EXPECT_EQ(RoundedHandicap(PlayingHandicap(-1e300, 113, 72, 72, false)), least);
    EXPECT_EQ(HcpLabelText(-1e300, PlayingHandicap(-1e300, 113, 72, 72, false)), "-1e+300 / -2147483648");
    EXPECT_EQ(HandicapInt(18.9), 18);
    EXPECT_EQ(HandicapInt(-3.7), -3);
    EXPECT_EQ(HandicapInt(3e9), most);
    EXPECT_EQ(HandicapInt(-inf), least);
    EXPECT_EQ(HandicapInt(nan), 0);
    // A stored par at the int limit on a 9-hole course: no overflow.
    EXPECT_DOUBLE_EQ(PlayingHandicap(0, 113, 72, most, true), 72 - 2.0 * most);

    std::array<std::optional<double>, 6> men{}, women{};
    men[1] = 70.5;
    EXPECT_EQ(TeeRating(false, 2, men, women), 70.5);  // women's missing: men's
    women[1] = 73.0;
    EXPECT_EQ(TeeRating(false, 2, men, women), 73.0);
    EXPECT_FALSE(TeeRating(true, 1, men, women));
    EXPECT_FALSE(TeeRating(true, 0, men, women));
    EXPECT_FALSE(TeeRating(true, 7, men, women));
    std::array<std::optional<int>, 6> sm{}, sf{};
    sm[0] = 120;
    EXPECT_EQ(TeeSlope(true, 1, sm, sf), 120);
    EXPECT_FALSE(TeeSlope(false, 1, sm, sf));  // no fallback for the slope
}

// ---------------------------------------------------------------- scorecard

namespace {
CardInput EighteenHoles(int tees = 2) {
    CardInput in;
    in.Tees = tees;
    in.Rows = 22;
    in.PlayingHcp = 18;
    in.HoleColor = 0x00FF00;
    for (int t = 0; t < tees; ++t) {
        in.TeeColor[t] = t == 0 ? 0x0000FF : 0xFF0000;  // red, blue
        in.TeeName[t] = t == 0 ? "Red" : "Blue";
    }
    for (int h = 1; h <= 18; ++h) {
        CardCourseHole hole;
        hole.Number = h;
        for (int t = 0; t < tees; ++t) hole.Length[t] = 100 + t;
        hole.Par = 4;
        hole.Index = h;
        in.Holes.push_back(hole);
        CardRoundHole rh;
        rh.ShotsTotal = 5;
        rh.PenIds.assign(5, 0);
        in.RoundHoles[h] = rh;
    }
    return in;
}
} // namespace

TEST(RoundRules, CardRowsPointsTotalsAndMarks) {
    CardInput in = EighteenHoles();
    // Hole 3: shots 0, 12, 0 count 7 while 6 is stored: marked.
    in.RoundHoles[3].PenIds = {0, 12, 0};
    in.RoundHoles[3].ShotsTotal = 6;
    // Hole 12 given up.
    in.RoundHoles[12].Quit = true;
    // Hole 5 has no round row at all.
    in.RoundHoles.erase(5);
    const CardModel card = BuildCard(in);
    const int T = 2;
    EXPECT_EQ(card.Cells[2][T + 3].Text, "6");
    EXPECT_TRUE(card.Cells[2][T + 3].Changed);
    EXPECT_FALSE(card.Cells[0][T + 3].Changed);
    // Hole 1: par 4, index 1, 5 strokes, hcp 18: one stroke received, 2 points.
    EXPECT_EQ(card.Cells[0][T + 4].Text, "2");
    EXPECT_EQ(card.Cells[4][T + 3].Text, "");
    EXPECT_EQ(card.Cells[4][T + 4].Text, "");
    EXPECT_EQ(card.Cells[12][T + 3].Text, "-");
    EXPECT_EQ(card.Cells[12][T + 4].Text, "0");
    // First nine: 7 holes of 5 and one of 6, hole 5 counts 0.
    EXPECT_EQ(card.Cells[9][T + 3].Text, "41");
    EXPECT_EQ(card.Cells[9][T + 4].Text, std::to_string(7 * 2 + 1));  // hole 3: 6 strokes, 1 point
    EXPECT_EQ(card.Cells[19][T + 3].Text, "-");
    EXPECT_EQ(card.Cells[21][T + 3].Text, "-");
    EXPECT_EQ(card.Cells[20][T + 3].Text, "41");
    EXPECT_EQ(card.Cells[21][T + 4].Text, std::to_string(15 + 8 * 2));
    EXPECT_EQ(card.Cells[21][T + 1].Text, "72");
    EXPECT_EQ(card.Cells[9][0].Text, "Out");
    EXPECT_EQ(card.Cells[19][0].Text, "In");
    EXPECT_EQ(card.Cells[20][0].Text, "Out");
    EXPECT_EQ(card.Cells[21][0].Text, "Tot");
    EXPECT_FALSE(card.Cells[21][T + 2].Exists);
    EXPECT_TRUE(card.Cells[21][T + 4].Exists);
    EXPECT_FALSE(card.Cells[0][T + 5].Exists);
    // Colours and hints.
    EXPECT_EQ(card.Cells[0][0].Color, 0x00FF00);
    EXPECT_EQ(card.Cells[0][1].Color, 0x0000FF);
    EXPECT_EQ(card.Cells[0][T + 1].Color, 0xFFFFFF);
    EXPECT_EQ(card.Cells[0][1].Hint, " Tee:Red");
    EXPECT_EQ(card.Cells[10][2].Hint, " Tee:Blue");
    EXPECT_EQ(card.Cells[0][T + 3].Hint, " shots");
    EXPECT_EQ(CardCellLeft(21, 0, 96), 360);
    EXPECT_EQ(CardCellTop(21), 260);
    EXPECT_EQ(CardCellTop(20), 240);
    EXPECT_EQ(CardCellLeft(0, 3, 120), 100);
    EXPECT_EQ(CardCellLeft(10, 0, 120), 10 + 437);
}

TEST(RoundRules, CardMeetsRoundHolesByNumberAndSurvivesMissingValues) {
    CardInput in = EighteenHoles(1);
    in.Holes[6].Par.reset();       // hole 7
    in.Holes[7].Length[0].reset();  // hole 8
    in.Holes[8].Index.reset();     // hole 9
    in.Holes[8].NameMissing = true;
    in.TeeColor[0].reset();
    in.RoundHoles[2].ShotsTotal.reset();
    const CardModel card = BuildCard(in);
    const int T = 1;
    EXPECT_EQ(card.Cells[6][T + 1].Text, "");
    EXPECT_EQ(card.Cells[6][T + 4].Text, "");
    EXPECT_EQ(card.Cells[7][1].Text, "");
    EXPECT_EQ(card.Cells[8][T + 4].Text, "");
    EXPECT_EQ(card.Cells[8][0].Hint, "Hole:9");
    EXPECT_EQ(card.Cells[0][1].Color, 0xFFFFFF);
    EXPECT_EQ(card.Cells[1][T + 3].Text, "");
    EXPECT_TRUE(card.Cells[1][T + 3].Changed);
    EXPECT_EQ(card.Cells[9][T + 1].Text, "32");
    EXPECT_EQ(card.Cells[9][1].Text, "800");
}

// Stored pars, indexes, scores and lengths may be any int: the totals hold them.
TEST(RoundRules, CardTotalsOfStoredNumbersAtTheIntLimits) {
    const int most = std::numeric_limits<int>::max();
    CardInput in = EighteenHoles(1);
    in.NineAsEighteen = true;
    for (CardCourseHole& h : in.Holes) {
        h.Par = most;
        h.Index = most;
        h.Length[0] = most;
    }
    for (auto& [number, rh] : in.RoundHoles) {
        rh.ShotsTotal = 1;
        rh.PenIds = {most};
    }
    const CardModel card = BuildCard(in);
    const int T = 1;
    EXPECT_EQ(card.Cells[0][T + 2].Text, "1");  // a nine's place
    EXPECT_EQ(card.Cells[0][T + 4].Text, std::to_string(most));
    EXPECT_TRUE(card.Cells[0][T + 3].Changed);
    EXPECT_EQ(card.Cells[9][1].Text, std::to_string(most));
    EXPECT_EQ(card.Cells[21][T + 1].Text, std::to_string(18LL * most));
    EXPECT_EQ(card.Cells[21][T + 4].Text, std::to_string(18LL * most));
}

TEST(RoundRules, NineHoleCardsAndNineAsEighteen) {
    CardInput in;
    in.Tees = 1;
    in.IsMeter = "false";
    in.PlayingHcp = 0;
    for (int h = 1; h <= 9; ++h) {
        CardCourseHole hole;
        hole.Number = h;
        hole.Length[0] = 100;
        hole.Par = 4;
        hole.Index = 2 * h - 1;  // as the web gives a nine's indexes
        in.Holes.push_back(hole);
        in.RoundHoles[h] = {4, false, {0, 0, 0, 0}};
    }
    bool nas = true;
    for (int h = 10; h <= 18; ++h) in.RoundHoles[h] = {0, false, {}};  // as the watch stores a nine
    in.Rows = CardRowCount(false, in.RoundHoles, &nas);
    EXPECT_EQ(in.Rows, 10);
    EXPECT_FALSE(nas);
    CardModel card = BuildCard(in);
    EXPECT_EQ(card.Rows, 10);
    EXPECT_EQ(card.Cells[9][0].Text, "Tot");
    EXPECT_EQ(card.Cells[0][1].Text, "109");
    EXPECT_EQ(card.Cells[9][1].Text, "984");  // the sum of metres converted once
    EXPECT_EQ(card.Cells[9][4].Text, "36");
    EXPECT_FALSE(card.Cells[10][0].Exists);
    EXPECT_EQ(std::tuple(CardPlayingHcp(-3, 10), CardPlayingHcp(27, 10), CardPlayingHcp(17, 22)), std::tuple(-1, 14, 17));
    in.PlayingHcp = 0;

    in.RoundHoles[18].PenIds = {9};  // a shot, though no stroke stored: played
    in.Rows = CardRowCount(false, in.RoundHoles, &nas);
    EXPECT_EQ(in.Rows, 22);
    EXPECT_TRUE(nas);
    in.NineAsEighteen = nas;
    for (int h = 10; h <= 18; ++h) in.RoundHoles[h] = {6, false, {0, 0, 0, 0, 0, 0}};
    card = BuildCard(in);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(card.Cells[i - 1][3].Text, std::to_string(2 * i - 1));
        EXPECT_EQ(card.Cells[i + 9][3].Text, std::to_string(2 * i));
        EXPECT_EQ(card.Cells[i + 9][0].Text, std::to_string(i + 9));
        EXPECT_EQ(card.Cells[i + 9][4].Text, "6");
    }
    EXPECT_EQ(card.Cells[21][4].Text, "90");
    EXPECT_EQ(CardRowCount(true, {{3, {4, false, {}}}}, &nas), 22);
    EXPECT_FALSE(nas);
}

// ---------------------------------------------------------------- holes page

namespace {
HolePageInput Hole(int shots, int par = 4) {
    HolePageInput in;
    in.Clubs[1] = {"Driver", 0};
    in.Clubs[2] = {"Iron 7", 1};
    in.Clubs[9] = {"Putter", 9};
    in.Par = par;
    in.HaveRoundHole = true;
    in.ShotsTotal = shots;
    for (int i = 1; i <= shots; ++i) {
        HoleShot s;
        s.ShotNumber = i;
        s.ClubId = i == 1 ? 1 : 2;
        s.PenId = 0;
        s.Length = 150;
        s.Latitude = 60.1;
        s.Longitude = 24.9;
        in.Shots.push_back(s);
    }
    return in;
}
} // namespace

TEST(RoundRules, HolePageRowsNotesAndWords) {
    HolePageInput in = Hole(4);
    in.Fir = true;
    in.Gir = true;
    in.Shots[2].ClubId = 9;  // putts
    in.Shots[3].ClubId = 9;
    in.Shots[1].Latitude = in.Shots[1].Longitude = 0;
    in.Shots[0].ClubId = 77;  // not a club of the player
    HolePage page = BuildHolePage(in);
    ASSERT_EQ(page.Rows.size(), 4u);
    EXPECT_EQ(page.Rows[0][1], "Unknown");
    EXPECT_EQ(page.Rows[0][3], "Fairway hit");
    EXPECT_EQ(page.Rows[1][3], "GIR");  // par 4: shot 2 reached the green
    EXPECT_EQ(page.Rows[1][2], "150");
    EXPECT_EQ(page.Rows[2][2], "");
    EXPECT_EQ(page.ShotTexts, (std::vector<std::string>{"Shot 1", "Shot 2", "", "2 Putt(s)"}));
    EXPECT_EQ(page.Total, "4");
    EXPECT_EQ(page.Result, "PAR");

    // No position and no length: both notes; a penalty in yards.
    in = Hole(3, 3);
    in.IsMeter = "false";
    in.Shots[0].Length = 200;
    in.Shots[1].Latitude = in.Shots[1].Longitude = 0;
    in.Shots[1].Length = 0;
    in.Shots[2].PenId = 3;
    in.ShotsTotal = 5;
    page = BuildHolePage(in);
    EXPECT_EQ(page.Rows[0][2], "219");
    EXPECT_EQ(page.Rows[1][2], "No GPS");
    EXPECT_EQ(page.Rows[1][3], "No GPS coordinates");
    EXPECT_EQ(page.Rows[2][3], "Rule violation");
    EXPECT_EQ(page.Total, "5");
    EXPECT_EQ(page.Result, "DOUBLE BOGEY");

    // A quit hole.
    in = Hole(2);
    in.Shots[1].PenId = 9;
    page = BuildHolePage(in);
    EXPECT_EQ(page.Rows[1][3], "Quit hole");
    EXPECT_EQ(page.Rows[1][1], "");
    EXPECT_EQ(page.Rows[1][2], "");
    EXPECT_EQ(page.Total, "-");
    EXPECT_EQ(page.Result, "EAGLE");  // 2 strokes stored, 2 counted, par 4
    in.ShotsTotal = 5;
    EXPECT_EQ(BuildHolePage(in).Result, "ADJUST HOLE STROKES");

    // A hole in one beats a wrong stored total; no shot shows nothing.
    in = Hole(1, 3);
    in.ShotsTotal = 3;
    in.Gir = true;
    page = BuildHolePage(in);
    EXPECT_EQ(page.Result, "HOLE IN ONE");
    EXPECT_EQ(page.Rows[0][3], "GIR");
    in = Hole(0);
    page = BuildHolePage(in);
    EXPECT_EQ(page.Total, "");
    EXPECT_EQ(page.Result, "");
    EXPECT_TRUE(page.Rows.empty());

    // GIR only on a shot of the hole: par 2 with two shots marks none.
    in = Hole(2, 2);
    in.Gir = true;
    page = BuildHolePage(in);
    EXPECT_EQ(page.Rows[0][3], "");
    EXPECT_EQ(page.Rows[1][3], "");

    // 15 shots and 40 shots.
    EXPECT_EQ(BuildHolePage(Hole(15)).Total, "Over 15 strokes");
    page = BuildHolePage(Hole(40));
    EXPECT_EQ(page.Rows.size(), 37u);
    EXPECT_EQ(page.ShotTexts.size(), 40u);
    EXPECT_TRUE(page.ManyShots);
    EXPECT_EQ(page.Total, "40");
    EXPECT_FALSE(BuildHolePage(Hole(16)).ManyShots);
    EXPECT_TRUE(BuildHolePage(Hole(17)).ManyShots);

    EXPECT_EQ(HoleResultWord(8, 0, 4, 8, false), "OTHER");
    EXPECT_EQ(HoleResultWord(15, 0, 4, 15, false), "PLEASE TAKE GOLF LESSONS");
    EXPECT_EQ(HoleResultWord(2, 0, 5, 2, false), "DOUBLE EAGLE");
    EXPECT_EQ(HolePenalty(13).Strokes, 6);
    EXPECT_EQ(HolePenalty(13).Note, "Provisional ball");
    EXPECT_EQ(HolePenalty(4).Strokes, 2);
}

TEST(RoundRules, CoursePointTeeBlanks) {
    std::array<std::optional<int>, 6> colors{};
    colors[0] = 0x00FFFF;
    std::vector<CoursePoint> points = {
        {1, 1, 60, 24, "Tee yellow"}, {1, 2, 60, 24, "Tee red"}, {2, std::nullopt, 60, 24, "Pin"},
        {1, 9, 60, 24, "Tee x"}};
    auto marks = CoursePointMarks(points, colors, 1);
    EXPECT_EQ(marks[0].Text, "Tee yellow");
    EXPECT_EQ(marks[0].Color, 0x00FFFF);
    EXPECT_EQ(marks[1].Text, " Tee red");
    EXPECT_EQ(marks[1].Color, 0xFFFFFF);
    EXPECT_EQ(marks[2].Text, "Pin");
    EXPECT_EQ(marks[3].Text, " Tee x");
    EXPECT_DOUBLE_EQ(marks[0].X, 24);
    // Neither tee is the round's: the last one loses its blank.
    marks = CoursePointMarks(points, colors, 3);
    EXPECT_EQ(marks[0].Text, " Tee yellow");
    EXPECT_EQ(marks[3].Text, "Tee x");
}

// ---------------------------------------------------------------- statistics

TEST(RoundRules, StatisticsTexts) {
    std::vector<StatsHole> holes;
    for (int i = 0; i < 18; ++i) holes.push_back({4, i < 13 ? 2 : 1, i < 10 ? 4 : 3, 0, i < 7, false});
    holes[0].BunkerHits = 2;
    holes[3].Fir = true;
    const StatsTexts t = RoundStatsTexts(holes);
    EXPECT_EQ(t.Fir, "7 of 10 (70%)");
    EXPECT_EQ(t.Puts, "31 (1.72)");
    EXPECT_EQ(t.Bunker, "2");
    EXPECT_EQ(t.Gir, "0 of 18 (0%)");

    // Hits count on the holes played only: a hole with a shot is played,
    // one with neither strokes nor a shot is not.
    holes = {{4, 2, 3, 0, false, true}, {0, 0, 4, 0, true, true}, {0, 0, 4, 0, true, true, 1}};
    EXPECT_EQ(RoundStatsTexts(holes).Gir, "2 of 2 (100%)");
    EXPECT_EQ(RoundStatsTexts(holes).Fir, "1 of 1 (100%)");
    holes.assign(12, {4, 2, 4, 0, false, true});
    holes[11].ShotsTotal = 0;  // given up
    EXPECT_EQ(RoundStatsTexts(holes).Gir, "11 of 11 (100%)");
    EXPECT_EQ(RoundStatsTexts({}).Fir, "0 of 0 (0%)");
    EXPECT_EQ(RoundStatsTexts({}).Puts, "0 (0.00)");
    holes.assign(9, {4, 0, 3, 0, true, false});
    holes[0].ShotsPutter = 16;
    EXPECT_EQ(RoundStatsTexts(holes).Puts, "16 (1.78)");
    const QLocale before;
    QLocale::setDefault(QLocale("sv_SE"));
    EXPECT_EQ(RoundStatsTexts(holes).Puts, "16 (1,78)");
    QLocale::setDefault(before);
    EXPECT_EQ(RoundStatsTexts(holes).Fir, "0 of 0 (0%)");
    // Stored counts at the int limit add up without overflow.
    const int most = std::numeric_limits<int>::max();
    holes.assign(2, {4, most, 4, most, false, false});
    EXPECT_EQ(RoundStatsTexts(holes).Puts, "4294967294 (2147483648.00)");
    EXPECT_EQ(RoundStatsTexts(holes).Bunker, "4294967294");
}

// ---------------------------------------------------------------- card file

namespace {
CardPrintInput PrintInput(int rows, int tees) {
    CardPrintInput in;
    in.Name = "Alpha & <Beta> Ω é";
    in.Rows = rows;
    in.Tees = tees;
    in.PlayingHcp = 18;
    in.Cell = [rows, tees](int r, int c) -> std::string {
        const int R = rows == 22 ? 21 : 9;
        if (r == R && c == tees + 3) return "95";
        return std::to_string(r) + "." + std::to_string(c);
    };
    in.Hint = [](int r, int c) { return c == 1 ? "Hole:3 Tee:Red & co" : ""; };
    in.TeeRgb = [](int t) { return t == 1 ? 0xFF0000 : 0x0000FF; };
    in.StrokesChanged = [](int r) { return r == 2; };
    return in;
}
} // namespace

TEST(RoundRules, CardFileLines) {
    std::vector<std::string> lines = ScorecardLines(PrintInput(10, 1));
    ASSERT_EQ(lines.size(), 120u);
    EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>");
    EXPECT_EQ(lines[1], "<?xml-stylesheet type=\"text/xsl\" href=\"scorecard.xsl\"?>");
    EXPECT_EQ(lines[3], "<name>Alpha &amp; &lt;Beta&gt; &#937; \xE9</name>");
    EXPECT_EQ(lines[15], "<holecount>9</holecount>");
    EXPECT_EQ(lines[16], "<holes-a>");
    EXPECT_EQ(lines[17], "<hole number=\"1\">");
    EXPECT_EQ(lines[18], "<par>0.2</par>");
    EXPECT_EQ(lines[19], "<shots>0.4</shots>");
    EXPECT_EQ(lines[20], "<changed>false</changed>");
    EXPECT_EQ(lines[17 + 16 + 3], "<changed>true</changed>");
    EXPECT_EQ(lines[22], "<puts></puts>");
    EXPECT_EQ(lines[23], "<handicap>0.3</handicap>");
    const size_t tee = 17 + 72 + 1;
    EXPECT_EQ(lines[tee], "<tee nbr=\"1\">");
    EXPECT_EQ(lines[tee + 1], "<name>Red &amp; co</name>");
    EXPECT_EQ(lines[tee + 2], "<color>FF0000</color>");
    EXPECT_EQ(lines[tee + 3], "<totlen>9.1</totlen>");
    EXPECT_EQ(lines[tee + 4], "<len>0.1</len>");
    EXPECT_EQ(lines[lines.size() - 3], "<net>77</net>");
    EXPECT_EQ(lines[lines.size() - 4], "<hcp>18</hcp>");
    EXPECT_EQ(lines[lines.size() - 5], "<totlen>9.1</totlen>");
    EXPECT_EQ(lines.back(), "</course>");

    CardPrintInput in = PrintInput(22, 2);
    lines = ScorecardLines(in);
    ASSERT_EQ(lines.size(), 245u);
    EXPECT_EQ(lines[15], "<holecount>18</holecount>");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<holes-b>"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<color>0000FF</color>"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<totlenboth>21.2</totlenboth>"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<hole number=\"18\">"), lines.end());
    in.Cell = [](int, int) { return std::string("-"); };
    lines = ScorecardLines(in);
    EXPECT_EQ(lines[lines.size() - 3], "<net>-</net>");
    in.PlayingHcp = 100;
    in.Cell = [](int, int) { return std::string("95"); };
    lines = ScorecardLines(in);
    EXPECT_EQ(lines[lines.size() - 3], "<net>-5</net>");
}

// ---------------------------------------------------------------- editors

TEST(RoundRules, EditorTexts) {
    EXPECT_EQ(ShotLatitudeText(60.25, -3.5), "N 60.2500000");
    EXPECT_EQ(ShotLongitudeText(60.25, -3.5), "W 3.5000000");
    EXPECT_EQ(ShotLatitudeText(0.3, 0.2), "");
    EXPECT_EQ(ShotLongitudeText(0.3, 0.2), "");
    EXPECT_EQ(ShotDescriptionText("", 12), "2 new balls used");
    EXPECT_EQ(ShotDescriptionText("", 11), "1 new balls used");
    EXPECT_EQ(ShotDescriptionText("", 0), "");
    EXPECT_EQ(ShotDescriptionText("", std::nullopt), "");
    EXPECT_EQ(ShotDescriptionText("", 9), "Quit hole");
    EXPECT_EQ(ShotDescriptionText("Lost", 2), "Lost");
    EXPECT_EQ(BoundHcpText("60"), "54");
    EXPECT_EQ(BoundHcpText("abc"), "0");
    EXPECT_EQ(BoundHcpText(""), "0");
    EXPECT_EQ(BoundHcpText("-3"), "-3");
    EXPECT_EQ(BoundHcpText("-10"), "-10");
    EXPECT_EQ(BoundHcpText("-10.5"), "-10");
    EXPECT_EQ(BoundHcpText("-1e300"), "-10");
    EXPECT_EQ(BoundHcpText("12.5"), "12.5");
    EXPECT_EQ(BoundDegreeText("95", 90), "90");
    EXPECT_EQ(BoundDegreeText("-5", 90), "0");
    EXPECT_EQ(BoundDegreeText("x", 180), "0");
    EXPECT_EQ(BoundDegreeText("179.5", 180), "179.5");
    EXPECT_EQ(PenaltyIdForIndex(5), 9);
    EXPECT_EQ(PenaltyIdForIndex(8), 13);
    EXPECT_EQ(PenaltyIdForIndex(0), 0);
    EXPECT_EQ(std::string(PenaltyItems[8]), "3 new balls");
    EXPECT_EQ(PenaltyIndexForId(9), 5);
    EXPECT_EQ(PenaltyIndexForId(19), 14);
    EXPECT_EQ(PenaltyIndexForId(3), 3);
    EXPECT_EQ(ParseWhole("120"), 120);
    EXPECT_FALSE(ParseWhole(""));
    EXPECT_FALSE(ParseWhole("1x"));
    EXPECT_FALSE(ParseWhole("99999999999"));
}

// ---------------------------------------------------------------- renumbering

namespace {
// Shots of one or two holes as (id, hole, number), sorted as the table reads
// them: hole, number, then id.
std::vector<int> Renumber(std::vector<ShotSlot> rows, long long stored, int s) {
    std::stable_sort(rows.begin(), rows.end(), [](const ShotSlot& a, const ShotSlot& b) {
        if (a.HoleId != b.HoleId) return a.HoleId < b.HoleId;
        if (a.ShotNumber != b.ShotNumber) return a.ShotNumber < b.ShotNumber;
        return a.ShotId < b.ShotId;
    });
    const std::vector<int> n = RenumberAfterStore(rows, stored, s);
    std::vector<int> byId(10, 0);
    for (size_t i = 0; i < rows.size(); ++i) byId[static_cast<size_t>(rows[i].ShotId)] = n[i];
    return byId;
}
} // namespace

TEST(RoundRules, RenumberingExamples) {
    // A=1 B=2 C=3 D=4 on hole 1; X=5 new; P=6 Q=7 on hole 2.
    // Adding X at place 3.
    auto n = Renumber({{1, 1, 1}, {2, 1, 2}, {3, 1, 3}, {4, 1, 4}, {5, 1, 3}}, 5, 3);
    EXPECT_EQ((std::vector<int>{n[1], n[2], n[5], n[3], n[4]}), (std::vector<int>{1, 2, 3, 4, 5}));
    // Moving D to place 2.
    n = Renumber({{1, 1, 1}, {2, 1, 2}, {3, 1, 3}, {4, 1, 2}}, 4, 2);
    EXPECT_EQ((std::vector<int>{n[1], n[4], n[2], n[3]}), (std::vector<int>{1, 2, 3, 4}));
    // Moving B to place 4.
    n = Renumber({{1, 1, 1}, {2, 1, 4}, {3, 1, 3}, {4, 1, 4}}, 2, 4);
    EXPECT_EQ((std::vector<int>{n[1], n[3], n[4], n[2]}), (std::vector<int>{1, 2, 3, 4}));
    // Moving B to place 1 of hole 2.
    n = Renumber({{1, 1, 1}, {2, 2, 1}, {3, 1, 3}, {4, 1, 4}, {6, 2, 1}, {7, 2, 2}}, 2, 1);
    EXPECT_EQ((std::vector<int>{n[1], n[3], n[4]}), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ((std::vector<int>{n[2], n[6], n[7]}), (std::vector<int>{1, 2, 3}));
    // Appending at the last place changes nothing else; a gap closes.
    n = Renumber({{1, 1, 1}, {2, 1, 2}, {5, 1, 3}}, 5, 3);
    EXPECT_EQ((std::vector<int>{n[1], n[2], n[5]}), (std::vector<int>{1, 2, 3}));
    n = Renumber({{1, 1, 1}, {2, 1, 2}, {3, 1, 4}, {6, 2, 1}}, 6, 1);
    EXPECT_EQ((std::vector<int>{n[1], n[2], n[3], n[6]}), (std::vector<int>{1, 2, 3, 1}));
    EXPECT_EQ(RenumberHole({{1, 1, 1}, {3, 1, 4}}), (std::vector<int>{1, 2}));
}
