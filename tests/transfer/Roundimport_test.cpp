// The import of the simulated U8's games into Round, RoundHoles and RoundShots.
#include <gtest/gtest.h>

#include <cstring>

#include "common/Calculations.h"
#include "support/Testframe.h"
#include "transfer/Transferfixture.h"
#include "transfer/Transw35.h"

namespace {

struct SimShot {
    uint8_t stroke;
    uint16_t club;
    uint8_t pen;
    uint16_t position;  // 0: none
};

class RoundImportTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        Append("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"HCP", 12.4}});
    }
    static int Area(int n) { return u8::GameAreaAddress + u8::GameAreaSize * (n - 1); }
    GameHeader Header(int n) {
        GameHeader h;
        EXPECT_EQ(device.ReadGameHeader(n, &h), 0);
        return h;
    }
    // One run for game n, its messages shown as the rounds page shows them:
    // 1 when it failed.
    int Store(int n, int userId = 1) {
        TRoundImport imp(device, db, userId);
        GameHeader headers[u8::GameAreas] = {};
        headers[n - 1] = Header(n);
        return ShowGameReports(imp.Run(headers, {n - 1})) ? 1 : 0;
    }
    // A game of the given holes in area n (driver strokes 2 on every hole);
    // holes not given read 0xFF throughout.
    void PutGame(int n, uint16_t course, const std::string& name,
                 const std::vector<std::vector<SimShot>>& holes, uint16_t startPosition = 0) {
        auto& dev = sim.Device();
        const int area = Area(n);
        dev.Fill(area, u8::GameAreaSize, 0xFF);
        std::vector<uint8_t> h(30, 0);
        h[0] = 72;
        h[1] = 80;
        h[8] = uint8_t(course);
        h[9] = uint8_t(course >> 8);
        h[10] = 24;
        h[11] = 6;
        h[12] = 2;
        h[13] = 8;
        h[14] = 5;
        std::memcpy(&h[15], name.data(), std::min<size_t>(name.size(), 11));
        h[26] = 1;
        h[28] = 4;
        h[29] = 0;
        dev.Write(area, h);
        int shotAt = area + 30 + 18 * 17;
        for (size_t i = 0; i < holes.size(); ++i) {
            std::vector<uint8_t> r(17, 0);
            r[0] = 4;
            r[1] = uint8_t(holes[i].size());
            r[2] = 2;
            r[8] = uint8_t(shotAt);
            r[9] = uint8_t(shotAt >> 8);
            r[10] = uint8_t(startPosition);
            r[11] = uint8_t(startPosition >> 8);
            r[12] = uint8_t(holes[i].size());
            dev.Write(area + 30 + 17 * int(i), r);
            for (const SimShot& s : holes[i]) {
                std::vector<uint8_t> b(14, 0);
                b[0] = s.stroke;
                b[5] = uint8_t(s.club);
                b[6] = uint8_t(s.club >> 8);
                b[11] = s.pen;
                b[12] = uint8_t(s.position);
                b[13] = uint8_t(s.position >> 8);
                dev.Write(shotAt, b);
                shotAt += 14;
            }
        }
    }
    std::vector<TVariant> Shots(const std::string& column, int hole) {
        TTable t(&db, "RoundShots");
        t.AddSort("[ShotNumber] ASC");
        t.SetFilter("HoleId = " + std::to_string(hole));
        t.Open();
        std::vector<TVariant> out;
        for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(column).Value());
        return out;
    }
    void ExpectNothingStored() {
        EXPECT_EQ(Count("Round"), 0);
        EXPECT_EQ(Count("RoundHoles"), 0);
        EXPECT_EQ(Count("RoundShots"), 0);
    }
};

TEST_F(RoundImportTest, FullGameRows) {
    sim.Device().LoadFull();
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_TRUE(messages.Empty());
    ASSERT_EQ(Count("Round"), 1);
    TTable round(&db, "Round");
    round.Open();
    EXPECT_EQ(round.FieldByName("UserId").AsInteger(), 1);
    // Course 101 of the device is no course of the database: no course.
    EXPECT_EQ(round.FieldByName("CourseId").AsInteger(), 0);
    EXPECT_EQ(round.FieldByName("BagId").AsInteger(), 1);
    EXPECT_DOUBLE_EQ(round.FieldByName("RoundHCP").AsFloat(), 12.4);
    EXPECT_EQ(round.FieldByName("TeeNumber").AsInteger(), 0);
    EXPECT_TRUE(round.FieldByName("StrokePlay").AsBoolean());
    EXPECT_EQ(round.FieldByName("RoundStartDate").AsString(), "2024-05-17 09:30:00");
    EXPECT_EQ(round.FieldByName("RoundEndDate").AsString(), "2024-05-17 13:45:00");
    const GameHeader h = Header(1);
    EXPECT_EQ(round.FieldByName("Score").AsInteger(), h.Score);
    EXPECT_EQ(round.FieldByName("ShotsTotal").AsInteger(), h.Score);
    EXPECT_EQ(round.FieldByName("Par").AsInteger(), h.Par);
    EXPECT_EQ(round.FieldByName("ShotsPutter").AsInteger(), 36);
    EXPECT_TRUE(round.FieldByName("Invalid").AsBoolean());  // hole 5's penalty is not in its total

    EXPECT_EQ(Count("RoundHoles"), 18);
    EXPECT_EQ(Value("RoundHoles", "HoleId = 1", "HoleShotsTotal").AsInteger(), 5);
    EXPECT_EQ(Value("RoundHoles", "HoleId = 1", "HoleShotsDriver").AsInteger(), 3);
    // Par from +0 of each hole record (4, 3, 5, 4, ...), not the hole number.
    EXPECT_EQ(Value("RoundHoles", "HoleId = 1", "HolePar").AsInteger(), 4);
    EXPECT_EQ(Value("RoundHoles", "HoleId = 2", "HolePar").AsInteger(), 3);
    EXPECT_EQ(Value("RoundHoles", "HoleId = 3", "HolePar").AsInteger(), 5);
    EXPECT_EQ(Value("RoundHoles", "HoleId = 18", "HolePar").AsInteger(), 5);
    EXPECT_FALSE(Value("RoundHoles", "HoleId = 1", "GIR").AsBoolean());
    EXPECT_TRUE(Value("RoundHoles", "HoleId = 1", "FIR").AsBoolean());
    EXPECT_EQ(Value("RoundHoles", "HoleId = 1", "BunkerHits").AsInteger(), 1);
    EXPECT_TRUE(Value("RoundHoles", "HoleId = 5", "Invalid").AsBoolean());
    EXPECT_FALSE(Value("RoundHoles", "HoleId = 2", "Invalid").AsBoolean());

    // Hole 1 (driver strokes 3), played with the "Default" bag's numbers:
    // the drive with the Driver (100), two wedge shots (SW, 111) and two
    // putts coded 99, which are the bag's putter (99).
    std::vector<TVariant> clubs = Shots("ClubId", 1);
    ASSERT_EQ(clubs.size(), 5u);
    EXPECT_EQ(clubs[0].AsInteger(), 100);
    EXPECT_EQ(clubs[1].AsInteger(), 111);
    EXPECT_EQ(clubs[2].AsInteger(), 111);
    EXPECT_EQ(clubs[3].AsInteger(), 99);
    EXPECT_EQ(clubs[4].AsInteger(), 99);
    EXPECT_EQ(Shots("PenId", 5)[1].AsInteger(), 1);
    // Lengths from the hole's start position (its tee), then from shot to
    // shot; the last shot has no position and no length.
    const double lat0 = 60.1, lon0 = 24.6;
    const double lat1 = 60.1015648, lon1 = 24.5980628;
    std::vector<TVariant> lengths = Shots("ShotLength", 1);
    EXPECT_EQ(lengths[0].AsInteger(), GeodesicDistance(lat0, lon0, lat1, lon1, 0, 0));
    EXPECT_GT(lengths[0].AsInteger(), 0);
    EXPECT_NEAR(Shots("Latitude", 1)[0].AsFloat(), lat1, 1e-9);
    EXPECT_EQ(lengths[4].AsInteger(), 0);
    EXPECT_EQ(Shots("Latitude", 1)[4].AsFloat(), 0.0);
    EXPECT_EQ(Count("RoundShots"), h.Score - 0);
}

// A round goes on a course of the database only when the header names it by
// number and name; a number the database does not know is no course at all.
TEST_F(RoundImportTest, TheCourseOfARoundIsNamedByNumberAndName) {
    sim.Device().LoadFull();
    db.Execute("INSERT INTO Course_General (CourseId, Course_Name, U8_Name, Tees) VALUES "
               "(101, 'Oak Hill', 'Oak Hill', 1), (102, 'Elm Park', '', 1)");
    Open();
    TTestFrame frame(DataPath("kx.mdb"));
    TRoundImport imp(device, db, 1);
    imp.Validate = ValidateImportedRound;
    GameHeader headers[u8::GameAreas] = {};
    headers[0] = Header(1);
    headers[1] = Header(2);
    const std::vector<TGameReport> reports = imp.Run(headers, {0, 1});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].Outcome, TGameReport::Stored);
    EXPECT_EQ(reports[0].CourseId, 101);
    EXPECT_EQ(Value("Round", "RoundId = " + std::to_string(reports[0].RoundId), "CourseId").AsInteger(), 101);
    // Game 2 is Pine Vly's, and 102 is Elm Park here.
    EXPECT_EQ(reports[1].Outcome, TGameReport::Stored);
    EXPECT_EQ(Value("Round", "RoundId = " + std::to_string(reports[1].RoundId), "CourseId").AsInteger(), 0);
    // Each stored round was validated through the frame.
    EXPECT_EQ(frame.Validated, (std::vector<int>{reports[0].RoundId, reports[1].RoundId}));
    EXPECT_TRUE(Value("Round", "RoundId = " + std::to_string(reports[0].RoundId), "Invalid").AsBoolean());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(RoundImportTest, NineHoleGameSkipsTheHolesNotPlayed) {
    sim.Device().LoadFull();
    sim.Device().Fill(Area(2) + 30 + 9 * 17, 9 * 17, 0xFF);  // records never written
    Open();
    EXPECT_EQ(Store(2), 0);
    EXPECT_TRUE(messages.Empty());
    EXPECT_EQ(Count("RoundHoles"), 9);
    EXPECT_EQ(Count("RoundShots", "HoleId > 9"), 0);
    // The device's bag 7 "Travel" is no bag of this database: no bag.
    EXPECT_EQ(Value("Round", "", "BagId").AsInteger(), 0);
    int shotReads = 0;  // no shot of hole 10 or later was read
    for (const auto& a : sim.Device().MemoryLog())
        if (!a.write && a.count == u8::GameShotSize) ++shotReads;
    EXPECT_EQ(shotReads, Count("RoundShots"));
}

// A game's bag is a bag of the player's or none: another player's bag 7
// is not the player's, the player's own bag 7 is.
TEST_F(RoundImportTest, TheBagOfARoundIsABagOfThePlayer) {
    sim.Device().LoadFull();
    Append("PlayerDetail", {{"UserId", 2}, {"FirstName", "Bo"}});
    db.Execute("INSERT INTO GolfBag (BagId, UserId, BagName) VALUES (7, 2, 'Travel')");
    const long long putter = Append("ClubDetail", {{"UserId", 2}, {"ClubName", "Putter"}, {"Type", 9}});
    Append("Clubs", {{"ClubId", putter}, {"BagId", 7}, {"OrderNumber", 1}});
    Open();
    EXPECT_EQ(Store(2), 0);
    EXPECT_EQ(Value("Round", "", "BagId").AsInteger(), 0);
    // Its putts (coded 98) are not the other player's putter.
    EXPECT_EQ(Count("RoundShots", "ClubId = " + std::to_string(putter)), 0);
    EXPECT_GT(Count("RoundShots", "ClubId = 99"), 0);

    db.Execute("DELETE FROM RoundShots; DELETE FROM RoundHoles; DELETE FROM Round;");
    db.Execute("UPDATE GolfBag SET UserId = 1 WHERE BagId = 7");
    EXPECT_EQ(Store(2), 0);
    EXPECT_EQ(Value("Round", "", "BagId").AsInteger(), 7);
    // Game 1's bag number 1 is the player's bag 1.
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("Round", "BagId = 1"), 1);
}

// A club code that names no club of the database is no club: stored as
// its number, it would name the next club the database numbers so.
TEST_F(RoundImportTest, AShotsClubIsAClubOfTheDatabase) {
    sim.Device().LoadFull();
    db.Execute("DELETE FROM Clubs WHERE ClubId = 107; DELETE FROM ClubDetail WHERE ClubId = 107");
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("RoundShots", "ClubId = 107"), 0);
    EXPECT_GT(Count("RoundShots", "ClubId = 106"), 0);
    EXPECT_GT(Count("RoundShots", "ClubId = 99"), 0);
}

TEST_F(RoundImportTest, TheSameGameTwiceForOnePlayerIsStoredOnce) {
    sim.Device().LoadFull();
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("Round"), 1);
    EXPECT_EQ(Count("RoundHoles"), 18);
    EXPECT_EQ(Store(1, 2), 0);  // another player's round of the same date and score
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Round", "UserId = 2"), 1);
}

TEST_F(RoundImportTest, MonthThirteenIsNoDate) {
    sim.Device().LoadFull();
    sim.Device().Fill(Area(2) + 11, 1, 13);
    Open();
    GameHeader headers[4];
    bool read[4];
    for (int n = 1; n <= 4; ++n) read[n - 1] = device.ReadGameHeader(n, &headers[n - 1]) == 0;
    std::vector<TGameListRow> rows = GameListRows(headers, read, 4);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].Date, "Invalid date");
    EXPECT_EQ(rows[1].Course, "Pine Vly");
    EXPECT_EQ(rows[1].Title, "No title");
    EXPECT_EQ(rows[1].Slot, 1);
    EXPECT_NE(rows[0].Date, "Invalid date");

    EXPECT_EQ(Store(2), 1);
    ASSERT_FALSE(messages.Empty());
    EXPECT_EQ(messages.Messages().back().caption, "Transfer error!");
    EXPECT_EQ(messages.Texts().back(), "Transfer of round Pine Vly / Invalid date failed! Please try again.");
    ExpectNothingStored();
}

TEST_F(RoundImportTest, HeaderNumbers) {
    EXPECT_EQ(TRoundImport::RoundCourseId(0xFFFF), 0);
    EXPECT_EQ(TRoundImport::RoundCourseId(40000), 32399);
    EXPECT_EQ(TRoundImport::RoundCourseId(32400), 32400);
    EXPECT_EQ(TRoundImport::RoundBagId(0), 1);
    EXPECT_EQ(TRoundImport::RoundBagId(3000), 0);
    EXPECT_EQ(TRoundImport::RoundBagId(2047), 2047);
}

TEST_F(RoundImportTest, ClubCodes) {
    // Driver strokes 2, putter 111.
    EXPECT_EQ(TRoundImport::ShotClubId(5, 3, 0, 2, 0, 111), 111);   // after the driver strokes
    EXPECT_EQ(TRoundImport::ShotClubId(98, 2, 0, 2, 0, 111), 0);    // 98 within them
    EXPECT_EQ(TRoundImport::ShotClubId(98, 3, 0, 2, 0, 111), 111);
    EXPECT_EQ(TRoundImport::ShotClubId(5, 3, 9, 2, 0, 111), 5);     // a quit hole keeps the code
    EXPECT_EQ(TRoundImport::ShotClubId(5, 3, 0, 2, 0, 99), 99);     // no putter in the bag
    EXPECT_EQ(TRoundImport::ShotClubId(40000, 1, 0, 2, 0, 111), 0);
    EXPECT_EQ(TRoundImport::ShotClubId(99, 2, 0, 2, 1, 111), 99);   // a shot without club moves the limit
    EXPECT_EQ(TRoundImport::ShotClubId(7, 1, 0, 2, 0, 111), 7);
}

TEST_F(RoundImportTest, ShotLengthsAndTheQuitHole) {
    auto& dev = sim.Device();
    dev.LoadEmpty();
    // From the start position: 250 m north, then 600 m further, then none.
    dev.PutPosition(900, 600000000, 250000000);
    const int32_t step250 = int32_t(250 / 111412.8 * 1e7);
    dev.PutPosition(901, 600000000 + step250, 250000000);
    dev.PutPosition(902, 600000000 + step250 + int32_t(600 / 111412.8 * 1e7), 250000000);
    PutGame(1, 0xFFFF, "Nowhere", {{{1, 1, 0, 901}, {2, 3, 0, 902}, {3, 0, 9, 0}}}, 900);
    Open();
    EXPECT_EQ(Store(1), 0);
    const int expected = GeodesicDistance(60.0, 25.0, 60.0 + step250 * 1e-7, 25.0, 0, 0);
    ASSERT_GE(expected, 249);
    ASSERT_LE(expected, 251);
    std::vector<TVariant> lengths = Shots("ShotLength", 1);
    ASSERT_EQ(lengths.size(), 3u);
    EXPECT_EQ(lengths[0].AsInteger(), expected);
    EXPECT_EQ(lengths[1].AsInteger(), 0);  // above 500 m
    EXPECT_EQ(lengths[2].AsInteger(), 0);
    EXPECT_TRUE(Value("RoundHoles", "HoleId = 1", "Quit").AsBoolean());
    EXPECT_EQ(Value("Round", "", "CourseId").AsInteger(), 0);
    EXPECT_EQ(Shots("ClubId", 1)[2].AsInteger(), 0);  // pen 9, code 0
}

TEST_F(RoundImportTest, FirstShotMeasuredFromTheCoursePointOfItsSlot) {
    auto& dev = sim.Device();
    dev.LoadFull();  // directory slot 1 holds course 102 "Pine Vly"
    // Hole 2's starting point of slot 1 is 163 + 9.
    dev.PutPoint(172, "Start", 600000000, 250000000);
    const int32_t step = int32_t(100 / 111412.8 * 1e7);
    dev.PutPosition(950, 600000000 + step, 250000000);
    PutGame(3, 102, "Pine Vly", {{{1, 1, 0, 0}}, {{1, 1, 0, 950}}});
    Open();
    EXPECT_EQ(Store(3), 0);
    const int expected = GeodesicDistance(60.0, 25.0, 60.0 + step * 1e-7, 25.0, 0, 0);
    EXPECT_EQ(Shots("ShotLength", 2)[0].AsInteger(), expected);
    EXPECT_GT(expected, 90);
}

class RoundReadFailureTest : public RoundImportTest {
protected:
    void SetUp() override {
        RoundImportTest::SetUp();
        sim.Device().LoadFull();
        Open();
    }
    void ExpectFailedThenWorking(const std::string& what) {
        EXPECT_EQ(Store(1), 1) << what;
        ASSERT_FALSE(messages.Empty()) << what;
        EXPECT_EQ(messages.Texts().back(), "Transfer of round Oak Hill / 2024-05-17 09:30:00 failed! Please try again.");
        ExpectNothingStored();
        sim.Device().ClearFaults();
        messages.Clear();
        EXPECT_EQ(Store(1), 0) << what;
        EXPECT_EQ(Count("RoundHoles"), 18) << what;
    }
};

TEST_F(RoundReadFailureTest, SilenceAtTheFortiethShot) {
    // Memory reads after the directory: per shot its hole and the shot itself.
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 80, 1});
    ExpectFailedThenWorking("silence");
}

TEST_F(RoundReadFailureTest, BadChecksumOnAPositionRead) {
    sim.Device().AddFault({u8sim::Fault::BadChecksum, u8::CmdReadPosition, -1, 30, 1});
    ExpectFailedThenWorking("checksum");
}

TEST_F(RoundReadFailureTest, CutLineMidGame) {
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 40, 1});
    std::thread cutter([this] {
        sim.Line().WaitForRequests(60, 5000);
        sim.Line().CutLine();
    });
    EXPECT_EQ(Store(1), 1);
    cutter.join();
    ExpectNothingStored();
    // The next run, on a line that is up again, works.
    device.ClosePort();
    sim.Stop();
    ASSERT_TRUE(sim.Start());
    PointPorts(SimPort);
    sim.Device().ClearFaults();
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("Round"), 1);
}

}  // namespace
