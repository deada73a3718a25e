#include <QLocale>

#include "Playerfixture.h"
#include "players/Bagclub.h"
#include "players/Clubfigures.h"

namespace {
struct Figures {
    int shots, withLength;
    double total, longest;
};

Figures Of(PlayerTest& t, TDatabase& db, int clubId) {
    TTable c(&db, "ClubDetail");
    c.SetFilter("ClubId=" + std::to_string(clubId));
    c.Open();
    c.First();
    return {c.FieldByName("Shots").AsInteger(), c.FieldByName("ShotsWithLength").AsInteger(),
            c.FieldByName("ShotsLength").AsFloat(), c.FieldByName("LongestShot").AsFloat()};
}

MClub Club(const std::string& name, int type, int shots, int withLength, double total, double longest) {
    MClub c;
    c.ClubName = name;
    c.Type = type;
    c.Shots = shots;
    c.ShotsWithLength = withLength;
    c.ShotsLength = total;
    c.LongestShot = longest;
    return c;
}
}  // namespace

TEST_F(PlayerTest, StatisticsCountLengthShotsBetween31And599Metres) {
    const int bounds = AddClub(2, "Bounds", 1);
    const int three = AddClub(2, "Three", 1);
    const int zero = AddClub(2, "Zero", 1);
    for (int length : {30, 31, 599, 600}) AddShot(bounds, length);
    for (int length : {150, 200, 200}) AddShot(three, length);
    AddShot(zero, 0);
    UpdateClubStatistics(db);

    const Figures b = Of(*this, db, bounds);
    EXPECT_EQ(b.shots, 4);
    EXPECT_EQ(b.withLength, 2);
    EXPECT_EQ(b.total, 630.0);
    EXPECT_EQ(b.longest, 599.0);
    const Figures t = Of(*this, db, three);
    EXPECT_EQ(t.shots, 3);
    EXPECT_EQ(t.withLength, 3);
    EXPECT_EQ(t.total, 550.0);
    EXPECT_EQ(t.longest, 200.0);
    const Figures z = Of(*this, db, zero);
    EXPECT_EQ(z.shots, 1);
    EXPECT_EQ(z.withLength, 0);
    EXPECT_EQ(z.longest, 0.0);
}

TEST_F(PlayerTest, StatisticsAreRebuiltForEveryClubOfEveryPlayer) {
    const int deleted = AddClub(3, "Gone", 0, 0, 0, true);
    const int other = AddClub(4, "Other", 2);
    AddShot(deleted, 100);
    AddShot(other, 50);
    AddShot(9999, 120);  // no such club
    // Stale figures of a club without shots go back to 0.
    {
        TTable c(&db, "ClubDetail");
        c.SetFilter("ClubId=99");
        c.Open();
        c.Edit();
        c.FieldByName("Shots").SetAsInteger(7);
        c.FieldByName("LongestShot").SetAsFloat(250);
        c.FieldByName("ShotsLength").Clear();
        c.Post();
    }
    UpdateClubStatistics(db);
    EXPECT_EQ(Of(*this, db, deleted).shots, 1);
    EXPECT_EQ(Of(*this, db, deleted).total, 100.0);
    EXPECT_EQ(Of(*this, db, other).longest, 50.0);
    const Figures driver = Of(*this, db, 99);
    EXPECT_EQ(driver.shots, 0);
    EXPECT_EQ(driver.withLength, 0);
    EXPECT_EQ(driver.total, 0.0);
    EXPECT_EQ(driver.longest, 0.0);
    EXPECT_EQ(Count("ClubDetail", "ClubId=9999"), 0);
    EXPECT_FALSE(Value("ClubDetail", "ClubId=99", "ShotsLength").IsNull());
}

TEST_F(PlayerTest, ARebuildWritesOnlyClubsWhoseFiguresChanged) {
    const int a = AddClub(2, "Alpha", 1);
    const int b = AddClub(2, "Beta", 1);
    AddShot(a, 120);
    AddShot(b, 90);
    UpdateClubStatistics(db);
    db.Execute("CREATE TABLE Written (ClubId INTEGER)");
    db.Execute("CREATE TRIGGER LogWrite AFTER UPDATE ON ClubDetail"
               " BEGIN INSERT INTO Written VALUES (NEW.ClubId); END");
    UpdateClubStatistics(db);
    EXPECT_EQ(Count("Written", ""), 0);
    AddShot(b, 140);
    UpdateClubStatistics(db);
    EXPECT_EQ(Count("Written", ""), 1);
    EXPECT_EQ(Count("Written", "ClubId=" + std::to_string(b)), 1);
    EXPECT_EQ(Of(*this, db, b).longest, 140.0);
    EXPECT_EQ(Of(*this, db, a).total, 120.0);
}

TEST_F(PlayerTest, GeneralNumberForm) {
    EXPECT_EQ(FormatGeneral(33.3, 2), "33");
    EXPECT_EQ(FormatGeneral(8.33, 2), "8.3");
    EXPECT_EQ(FormatGeneral(65.0 / 36.0, 3), "1.81");
    EXPECT_EQ(FormatGeneral(2.0, 3), "2");
    EXPECT_EQ(FormatGeneral(1000.0 / 12.0, 3), "83.3");
    EXPECT_EQ(FormatGeneral(5000.0 / 23.0, 3), "217");
    EXPECT_EQ(FormatGeneral(62.5, 2), "63");  // halves away from zero
    EXPECT_EQ(FormatGeneral(0.0, 2), "0");
    EXPECT_EQ(FormatGeneral(99.96, 3), "100");
    // A hundred per cent in full, not "1E2".
    EXPECT_EQ(FormatGeneral(100.0, 2), "100");
    EXPECT_EQ(FormatGeneral(1234.0, 3), "1230");
}

TEST_F(PlayerTest, AllRoundsTexts) {
    const TAllRoundsTexts none = AllRoundsTexts({});
    EXPECT_EQ(none.Fairway, "Fairway hits: 0 of 0 (0%)");
    EXPECT_EQ(none.Bunker, "Bunker hits: 0");
    EXPECT_EQ(none.Gir, "GIR: 0 of 0 (0%)");
    EXPECT_EQ(none.Putts, "Putts: 0 (0)");

    const TAllRoundsTexts some = AllRoundsTexts({36, 12, 36, 4, 65});
    EXPECT_EQ(some.Fairway, "Fairway hits: 12 of 36 (33%)");
    EXPECT_EQ(some.Gir, "GIR: 36 of 36 (100%)");
    EXPECT_EQ(some.Bunker, "Bunker hits: 4");
    EXPECT_EQ(some.Putts, "Putts: 65 (1.81)");
    QLocale::setDefault(QLocale("sv_SE"));
    EXPECT_EQ(AllRoundsTexts({9, 0, 0, 0, 19}).Putts, "Putts: 19 (2,11)");
    QLocale::setDefault(QLocale::c());
}

TEST_F(PlayerTest, AllRoundsCountersCountPlayedHolesOnly) {
    auto hole = [&](int total, bool fir, bool gir, int bunker, int putts) {
        AppendRow("RoundHoles", {{"RoundId", 1}, {"HoleId", 1}, {"HoleShotsTotal", total}, {"FIR", fir},
                                 {"GIR", gir}, {"BunkerHits", bunker}, {"HoleShotsPutter", putts}});
    };
    hole(4, true, false, 1, 2);
    hole(5, false, true, 2, 1);
    hole(3, true, true, 0, 0);
    hole(0, true, true, 3, 2);  // not played
    // Given up: a shot but no strokes stored, so played.
    AppendRow("RoundHoles", {{"RoundId", 2}, {"HoleId", 12}, {"HoleShotsTotal", 0}});
    AppendRow("RoundShots", {{"RoundId", 2}, {"HoleId", 12}, {"ShotNumber", 1}, {"PenId", 9}});
    const TAllRoundsCounters c = CountAllRounds(db);
    EXPECT_EQ(c.Holes, 4);
    EXPECT_EQ(c.FairwayHits, 2);
    EXPECT_EQ(c.GirCount, 2);
    EXPECT_EQ(c.BunkerHits, 3);
    EXPECT_EQ(c.Putts, 3);
}

TEST_F(PlayerTest, ClubRowTextsInMetresAndYards) {
    const TClubRowTexts unused = ClubRowTexts(Club("7 Iron", 1, 12, 0, 0, 0), "true", false);
    EXPECT_EQ(unused.Name, "7 Iron");
    EXPECT_EQ(unused.Shots, "Club used:12 times");
    EXPECT_EQ(unused.Average, "Average:0 meter(s)");
    EXPECT_EQ(unused.Longest, "Longest:0 meter(s)");
    EXPECT_EQ(unused.Picture, 3);
    EXPECT_TRUE(unused.ShowLengths);

    const TClubRowTexts putter = ClubRowTexts(Club("Putter", 9, 30, 0, 0, 0), "", true);
    EXPECT_EQ(putter.Picture, 1);
    EXPECT_FALSE(putter.ShowLengths);

    EXPECT_EQ(ClubRowTexts(Club("D", 0, 1, 1, 200, 200), "false", false).Longest, "Longest:219 yard(s)");
    EXPECT_EQ(ClubRowTexts(Club("D", 0, 12, 12, 1000, 120), "true", false).Average, "Average:83 meter(s)");
    EXPECT_EQ(ClubRowTexts(Club("D", 0, 12, 12, 1000, 120), "true", true).Average, "Average:83.3 meter(s)");
    EXPECT_EQ(ClubRowTexts(Club("D", 0, 23, 23, 5000, 300), "true", false).Average, "Average:217 meter(s)");
    EXPECT_EQ(ClubRowTexts(Club("D", 0, 23, 23, 5000, 300), "true", true).Average, "Average:217 meter(s)");
    EXPECT_EQ(ClubRowTexts(Club("W", 2, 1, 1, 1, 1), "", false).Picture, 2);
    // Stored figures beyond the int range are held to it.
    const TClubRowTexts far = ClubRowTexts(Club("D", 0, 1, 1, 1e300, 1e300), "false", false);
    EXPECT_EQ(far.Longest, "Longest:2147483647 yard(s)");
    EXPECT_EQ(far.Average, "Average:2147483647 yard(s)");
    EXPECT_EQ(ClubRowTexts(Club("W", 0, 1, 1, 1, 1), "", false).Picture, 0);
}
