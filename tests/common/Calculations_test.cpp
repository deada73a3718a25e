#include <GeographicLib/Geodesic.hpp>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "db/Database.h"
#include "db/Table.h"
#include "common/Calculations.h"
#include "support/Testsupport.h"

TEST(Coordinates, ParseHonoursUpperCaseSouthAndWestOnly) {
    EXPECT_DOUBLE_EQ(ParseCoordinate('w', 5.0), 5.0);
    EXPECT_DOUBLE_EQ(ParseCoordinate('W', 5.0), -5.0);
    EXPECT_DOUBLE_EQ(ParseCoordinate('S', -5.0), -5.0);
    EXPECT_DOUBLE_EQ(ParseCoordinate('N', -5.0), 5.0);
    EXPECT_DOUBLE_EQ(ParseCoordinate('E', 12.25), 12.25);
}

TEST(Coordinates, SplitAndFormat) {
    THemisphereCoordinate c = SplitCoordinate(-33.5, 1);
    EXPECT_EQ(c.Hemisphere, 'S');
    EXPECT_DOUBLE_EQ(c.Degrees, 33.5);
    c = SplitCoordinate(-0.25, 0);
    EXPECT_EQ(c.Hemisphere, 'W');
    EXPECT_EQ(SplitCoordinate(0.0, 1).Hemisphere, 'N');
    EXPECT_EQ(SplitCoordinate(NAN, 1).Hemisphere, 'S');  // not >= 0

    EXPECT_EQ(FormatCoordinate(-0.5, 1), "S 0.5000000");
    EXPECT_EQ(FormatCoordinate(0.0, 0), "E 0.0000000");
    EXPECT_EQ(FormatCoordinate(-179.12345678, 0), "W 179.1234568");
    EXPECT_EQ(FormatCoordinate(51.5, 1), "N 51.5000000");
    // Out of the usual range, the text is still whole rather than cut or overrun.
    EXPECT_EQ(FormatCoordinate(1.0e9, 0), "E 1000000000.0000000");
}

TEST(Stableford, PointsFromTheHandicapBands) {
    EXPECT_EQ(StablefordPoints(0, 4, 1, 4), 2);
    EXPECT_EQ(StablefordPoints(18, 5, 18, 4), 2);
    EXPECT_EQ(StablefordPoints(19, 5, 1, 4), 3);
    EXPECT_EQ(StablefordPoints(37, 6, 1, 4), 3);
    // Below 0 strokes go back from the highest index: -1 on index 18 only.
    EXPECT_EQ(StablefordPoints(-1, 4, 1, 4), 2);
    EXPECT_EQ(StablefordPoints(-1, 4, 18, 4), 1);
    EXPECT_EQ(StablefordPoints(-19, 4, 1, 4), 1);  // one back everywhere
    EXPECT_EQ(StablefordPoints(-19, 4, 18, 4), 0);  // and a second on 18
    int levelPar = 0;
    for (int i = 1; i <= 18; ++i) levelPar += StablefordPoints(-1, 4, i, 4);
    EXPECT_EQ(levelPar, 35);
    // -3 gives back on 16 to 18.
    EXPECT_EQ(StablefordPoints(-3, 4, 11, 4), 2);
    EXPECT_EQ(StablefordPoints(-3, 4, 17, 4), 1);
    EXPECT_EQ(StablefordPoints(-27, 4, 1, 4), 1);   // every hole once
    EXPECT_EQ(StablefordPoints(-27, 4, 17, 4), 0);  // and a second above 9
    EXPECT_EQ(StablefordPoints(10, 0, 1, 4), 0);
    EXPECT_EQ(StablefordPoints(0, 9, 1, 3), 0);
    // Band edges: index h gets the extra stroke, index h + 1 does not.
    EXPECT_EQ(StablefordPoints(10, 4, 10, 4), 3);
    EXPECT_EQ(StablefordPoints(10, 4, 11, 4), 2);
    EXPECT_EQ(StablefordPoints(30, 6, 12, 4), 2);  // two strokes
    EXPECT_EQ(StablefordPoints(30, 6, 13, 4), 1);  // one stroke
    EXPECT_EQ(StablefordPoints(54, 7, 18, 4), 2);  // three strokes everywhere
}

TEST(Stableford, EveryFull18OfTheHandicapIsAStrokeOnEveryHole) {
    // 60 receives 4 strokes on indexes 1 to 6 and 3 elsewhere.
    for (int i = 1; i <= 18; ++i) {
        int received = i <= 6 ? 4 : 3;
        EXPECT_EQ(StablefordPoints(60, 8, i, 4), 4 - (8 - received) + 2) << "index " << i;
    }
    EXPECT_EQ(StablefordPoints(72, 8, 18, 4), 2);
    // No upper band: 80 is 4 strokes everywhere and a fifth on indexes 1 to 8.
    for (int i = 1; i <= 18; ++i) {
        const int received = i <= 8 ? 5 : 4;
        EXPECT_EQ(StablefordPoints(80, 9, i, 4), 4 - (9 - received) + 2) << "index " << i;
    }
    EXPECT_EQ(StablefordPoints(90, 9, 18, 4), 2);   // five full 18s
    EXPECT_EQ(StablefordPoints(91, 9, 1, 4), 3);
    // More strokes never mean fewer points as the handicap grows.
    for (int h = -40; h < 108; ++h)
        for (int i = 1; i <= 18; ++i)
            EXPECT_LE(StablefordPoints(h, 6, i, 4), StablefordPoints(h + 1, 6, i, 4))
                << "h " << h << " index " << i;
}

TEST(Units, YardsUseTheSurveyYardBothWays) {
    EXPECT_EQ(MetresToDisplay(100, "false"), 109);
    EXPECT_EQ(DisplayToMetres(109, "false"), 100);
    EXPECT_EQ(MetresToDisplay(0, "false"), 0);
    EXPECT_EQ(DisplayToMetres(0, "false"), 0);
    EXPECT_EQ(MetresToDisplay(457, "false"), 500);  // 499.78 rounds up
    for (const char* unit : {"true", "", "yards", "False"}) {
        EXPECT_EQ(MetresToDisplay(123, unit), 123) << unit;
        EXPECT_EQ(DisplayToMetres(123, unit), 123) << unit;
    }
}

// Stored pars, scores, penalty codes and lengths may be any int.
TEST(Units, CountsAndDistancesOfAnyStoredIntStayInTheIntRange) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    EXPECT_EQ(MetresToDisplay(2000000000, "false"), most);
    EXPECT_EQ(MetresToDisplay(least, "false"), least);
    EXPECT_EQ(DisplayToMetres(most, "false"), 1963662974);
    EXPECT_EQ(StablefordPoints(0, 1, 1, most), most);
    EXPECT_EQ(StablefordPoints(0, most, 1, least), 0);
    EXPECT_EQ(StablefordPoints(least, 1, 18, 4), 0);
    EXPECT_EQ(ShotStrokes(most), most);
    EXPECT_EQ(ShotStrokes(1000000010), 2000000001);
}

TEST(Units, OneArgumentFormsFollowTheRegisteredUnit) {
    std::string unit = "false";
    SetDisplayUnitSource([&] { return unit; });
    EXPECT_EQ(MetresToDisplay(100), 109);
    unit = "true";
    EXPECT_EQ(MetresToDisplay(100), 100);
    SetDisplayUnitSource(nullptr);
    EXPECT_EQ(DisplayToMetres(109), 109);
}

TEST(Geodesic, KnownFigures) {
    EXPECT_EQ(GeodesicDistance(51.0, 7.0, 51.0, 7.0, 0, 0), 0);
    EXPECT_EQ(GeodesicDistance(60.0, 10.0, 60.001, 10.0, 0, 0), 111);
    EXPECT_EQ(GeodesicDistance(60.0, 10.0, 60.0, 10.001, 0, 0), 55);
    // Across the date line the short way round.
    EXPECT_EQ(GeodesicDistance(0.0, 179.9999, 0.0, -179.9999, 0, 0), 22);
    EXPECT_EQ(GeodesicDistance(-17.0, -179.9999, -17.0, 179.9999, 0, 0), 21);
    EXPECT_GE(GeodesicDistance(10, 20, -10, -20, 0, 0), 0);
}

TEST(Geodesic, AgreesWithGeographicLibFromOneMetreToTwentyKilometres) {
    const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> lat(-70.0, 70.0), lon(-180.0, 180.0),
        azimuth(0.0, 360.0), logDist(0.0, std::log10(20000.0));
    int exact = 0, pairs = 0;
    for (; pairs < 400; ++pairs) {
        double lat1 = lat(rng), lon1 = lon(rng);
        double s12 = std::pow(10.0, logDist(rng));
        double lat2, lon2;
        wgs84.Direct(lat1, lon1, azimuth(rng), s12, lat2, lon2);
        double reference;
        wgs84.Inverse(lat1, lon1, lat2, lon2, reference);
        int ours = GeodesicDistance(lat1, lon1, lat2, lon2, 0, 0);
        int truncated = static_cast<int>(reference);
        EXPECT_LE(std::abs(ours - truncated), 1)
            << lat1 << "," << lon1 << " -> " << lat2 << "," << lon2 << " reference " << reference;
        if (ours == truncated) ++exact;
    }
    // An approximation, but a close one: most pairs agree to the metre.
    EXPECT_GT(exact, pairs * 8 / 10);
}

TEST(ShotStrokes, PenaltyCodes) {
    EXPECT_EQ(ShotStrokes(0), 1);
    EXPECT_EQ(ShotStrokes(1), 2);
    EXPECT_EQ(ShotStrokes(8), 2);
    EXPECT_EQ(ShotStrokes(9), 0);
    EXPECT_EQ(ShotStrokes(11), 3);
    EXPECT_EQ(ShotStrokes(12), 5);
    EXPECT_EQ(ShotStrokes(19), 19);
}

namespace {
struct RoundFixture : ::testing::Test {
    TempHome home;
    TDatabase db;
    TTable rounds{&db, "Round"}, holes{&db, "RoundHoles"}, shots{&db, "RoundShots"};

    void SetUp() override {
        db.SetDatabaseName(home.File("kx.mdb"));
        db.Open();
        rounds.Open();
        holes.Open();
        shots.Open();
    }

    int AddRound(bool invalid) {
        rounds.Append();
        rounds.FieldByName("UserId").SetAsInteger(1);
        rounds.FieldByName("CourseId").SetAsInteger(1);
        rounds.FieldByName("Invalid").SetAsBoolean(invalid);
        rounds.Post();
        return rounds.FieldByName("RoundId").AsInteger();
    }
    void AddHole(int round, int number, const TVariant& total) {
        holes.Append();
        holes.FieldByName("RoundId").SetAsInteger(round);
        holes.FieldByName("HoleId").SetAsInteger(number);
        holes.FieldByName("HoleShotsTotal").SetValue(total);
        holes.FieldByName("Invalid").SetAsBoolean(false);
        holes.Post();
    }
    void AddShot(int round, int hole, int number, int penId) {
        shots.Append();
        shots.FieldByName("RoundId").SetAsInteger(round);
        shots.FieldByName("HoleId").SetAsInteger(hole);
        shots.FieldByName("ShotNumber").SetAsInteger(number);
        shots.FieldByName("ClubId").SetAsInteger(penId ? 15 : 100);
        shots.FieldByName("PenId").SetAsInteger(penId);
        shots.Post();
    }
    bool HoleInvalid(int round, int number) {
        TTable t(&db, "RoundHoles");
        t.SetFilter("RoundId = " + std::to_string(round) + " and HoleId = " + std::to_string(number));
        t.Open();
        return t.FieldByName("Invalid").AsBoolean();
    }
    bool RoundInvalid(int round) {
        TTable t(&db, "Round");
        t.Open();
        return t.Lookup("RoundId", {round}, "Invalid").AsBoolean();
    }
};
} // namespace

TEST_F(RoundFixture, CountsShotsAndPenaltiesPerHoleNumber) {
    int r = AddRound(true);  // stale flag is cleared
    AddHole(r, 1, 8);        // shots 0, 1, 12: 1 + 2 + 5
    AddShot(r, 1, 1, 0);
    AddShot(r, 1, 2, 1);
    AddShot(r, 1, 3, 12);
    AddHole(r, 2, 0);  // one shot with code 9 counts nothing
    AddShot(r, 2, 1, 9);
    AddHole(r, 3, 2);
    AddShot(r, 3, 1, 0);
    AddShot(r, 3, 2, 0);

    ValidateRound(rounds, holes, shots, r);
    EXPECT_FALSE(RoundInvalid(r));
    EXPECT_FALSE(HoleInvalid(r, 1));
    EXPECT_FALSE(HoleInvalid(r, 2));
    EXPECT_FALSE(HoleInvalid(r, 3));
    EXPECT_EQ(shots.Filter(), "RoundId = " + std::to_string(r) + " and HoleId = 3");
}

TEST_F(RoundFixture, MarksTheRoundAndOnlyTheWrongHoles) {
    int other = AddRound(false);
    AddHole(other, 1, 1);
    AddShot(other, 1, 1, 0);

    int r = AddRound(false);
    AddHole(r, 1, 3);  // two shots only
    AddShot(r, 1, 1, 0);
    AddShot(r, 1, 2, 0);
    AddHole(r, 2, TVariant());  // no total stored: never matches
    AddShot(r, 2, 1, 0);
    AddHole(r, 3, 1);
    AddShot(r, 3, 1, 0);
    // Shots of hole 1 of the other round are not counted for this round.
    ValidateRound(rounds, holes, shots, r);
    EXPECT_TRUE(RoundInvalid(r));
    EXPECT_TRUE(HoleInvalid(r, 1));
    EXPECT_TRUE(HoleInvalid(r, 2));
    EXPECT_FALSE(HoleInvalid(r, 3));
    EXPECT_FALSE(RoundInvalid(other));

    // Once the shots match, a new validation clears both flags.
    AddShot(r, 1, 3, 0);
    TTable h(&db, "RoundHoles");
    h.SetFilter("RoundId = " + std::to_string(r) + " and HoleId = 2");
    h.Open();
    h.Edit();
    h.FieldByName("HoleShotsTotal").SetAsInteger(1);
    h.Post();
    ValidateRound(rounds, holes, shots, r);
    EXPECT_FALSE(RoundInvalid(r));
    EXPECT_FALSE(HoleInvalid(r, 1));
    EXPECT_FALSE(HoleInvalid(r, 2));
}

TEST_F(RoundFixture, UnknownRoundWritesNothing) {
    int r = AddRound(false);
    ValidateRound(rounds, holes, shots, r + 100);
    TTable all(&db, "Round");
    all.Open();
    EXPECT_EQ(all.RecordCount(), 1);
    EXPECT_FALSE(RoundInvalid(r));
}
