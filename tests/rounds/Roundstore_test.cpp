#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "db/Dbfixture.h"
#include "rounds/Roundstore.h"

// The round store on a real database, without windows.
class RoundStoreTest : public DbTest {
protected:
    long long AddShot(int round, int hole, int number) {
        return AppendRow("RoundShots", {{"RoundId", round}, {"HoleId", hole}, {"ShotNumber", number}});
    }
    std::string Numbers(int round, int hole) {
        TTable t(&db, "RoundShots");
        t.SetFilter("RoundId = " + std::to_string(round) + " and HoleId = " + std::to_string(hole));
        t.AddSort("[ShotId] ASC");
        t.Open();
        std::string out;
        for (t.First(); !t.Eof(); t.Next()) out += std::to_string(t.FieldByName("ShotNumber").AsInteger());
        return out;
    }
};

TEST_F(RoundStoreTest, CourseCardTakesHolesInNumberOrderWithTheirPar) {
    const int course = 7;
    AppendRow("ScoreCard", {{"CourseId", course}, {"Tee1Name", "Red"}, {"CR1M", 71.5}, {"S1F", 120}});
    for (int h : {3, 1, 2})
        AppendRow("Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", h + 2}, {"HoleHCP1", h}, {"HoleHCP2", h}, {"HoleName", "x"}});
    TTable card(&db, "ScoreCard"), holes(&db, "Holes");
    card.SetFilter("CourseId = 7");
    holes.SetFilter("CourseId = 7");
    card.Open();
    holes.Open();
    CardInput in;
    const TCourseCard c = ReadCourseCard(card, holes, in);
    ASSERT_EQ(in.Holes.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(in.Holes[i].Number, i + 1);
    EXPECT_EQ(c.coursePar, 3 + 4 + 5);
    EXPECT_EQ(in.TeeName[0], "Red");
    EXPECT_EQ(c.menRating[0], 71.5);
    EXPECT_FALSE(c.womenRating[0]);
    EXPECT_EQ(c.womenSlope[0], 120);

    // Pars at the int limit (a file written elsewhere) sum without overflow,
    // held to the int range.
    for (int h : {1, 2})
        AppendRow("Holes", {{"CourseId", 8}, {"HoleNumber", h}, {"HoleHCP1", h}, {"HoleHCP2", h}, {"HoleName", "x"}});
    db.Execute("UPDATE Holes SET HolePar = 2147483647 WHERE CourseId = 8");
    holes.Close();
    holes.SetFilter("CourseId = 8");
    holes.Open();
    CardInput far;
    EXPECT_EQ(ReadCourseCard(card, holes, far).coursePar, std::numeric_limits<int>::max());
}

TEST_F(RoundStoreTest, DeleteShotRenumbersItsHoleOrStoresNothing) {
    for (int n = 1; n <= 3; ++n) AddShot(1, 1, n);
    const long long second = RowValue(db, "RoundShots", "ShotNumber = 2", "ShotId").AsInteger();
    AddShot(1, 2, 1);
    TTable shots(&db, "RoundShots");
    shots.SetFilter("RoundId = 1");

    // A failing validation takes the deletion back.
    EXPECT_THROW(DeleteShot(shots, second, [](int) { throw EDatabaseError("validation failed"); }),
                 EDatabaseError);
    EXPECT_EQ(Numbers(1, 1), "123");
    EXPECT_EQ(shots.Filter(), "RoundId = 1");

    int validated = 0;
    DeleteShot(shots, second, [&](int round) { validated = round; });
    EXPECT_EQ(validated, 1);
    EXPECT_EQ(Numbers(1, 1), "12");
    EXPECT_EQ(Numbers(1, 2), "1");
    EXPECT_EQ(shots.Filter(), "RoundId = 1");
    EXPECT_FALSE(shots.Active());
}

TEST_F(RoundStoreTest, RoundHeaderOfADeletedRoundWritesNothing) {
    const long long round = AppendRow("Round", {{"UserId", 1}, {"CourseId", 4}, {"TeeNumber", 2}});
    TTable t(&db, "Round");
    t.SetFilter("RoundId = " + std::to_string(round));
    TRoundHeaderInput in;
    in.marker = "M";
    in.bagId = 3;
    ASSERT_TRUE(StoreRoundHeader(t, in));
    // Without a course choice the course and tee stay.
    EXPECT_EQ(RowValue(db, "Round", "RoundId = " + std::to_string(round), "CourseId").AsInteger(), 4);
    EXPECT_EQ(RowValue(db, "Round", "RoundId = " + std::to_string(round), "TeeNumber").AsInteger(), 2);
    EXPECT_EQ(RowValue(db, "Round", "RoundId = " + std::to_string(round), "MarkerName").AsString(), "M");
    t.SetFilter("RoundId = " + std::to_string(round + 100));
    EXPECT_FALSE(StoreRoundHeader(t, in));
    EXPECT_FALSE(t.Active());
}

TEST_F(RoundStoreTest, HoleOfANineShownAsEighteenReadsTheCourseHoleAndPutsTheFiltersBack) {
    const int course = static_cast<int>(AppendRow("Course_General", {{"Course_Name", "Nine"}, {"U8_Name", "Nine"}, {"18Holes", false}, {"Tees", 2}}));
    AppendRow("ScoreCard", {{"CourseId", course}, {"Tee2Col", 255}});
    long long third = 0;
    for (int h = 1; h <= 9; ++h) {
        const long long id = AppendRow("Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 3 + h % 3}, {"HoleHCP1", h}});
        if (h == 3) third = id;
    }
    AppendRow("Waypoints", {{"CourseId", course}, {"HoleId", static_cast<int>(third)}, {"Name", "Pin"}, {"Type", 2}});
    const long long round = AppendRow("Round", {{"UserId", 1}, {"CourseId", course}, {"TeeNumber", 2}});
    const int r = static_cast<int>(round);
    AppendRow("RoundHoles", {{"RoundId", r}, {"HoleId", 12}, {"HoleShotsTotal", 2}, {"GIR", true}});
    AppendRow("RoundHoles", {{"RoundId", r}, {"HoleId", 3}, {"HoleShotsTotal", 5}});
    AddShot(r, 12, 2);
    AddShot(r, 12, 1);
    AddShot(r, 3, 1);

    TTable roundT(&db, "Round"), general(&db, "Course_General"), card(&db, "ScoreCard"), holes(&db, "Holes"),
        roundHoles(&db, "RoundHoles"), shots(&db, "RoundShots"), waypoints(&db, "Waypoints"), clubs(&db, "ClubDetail");
    const std::string ofRound = "RoundId = " + std::to_string(r), ofCourse = "CourseId = " + std::to_string(course);
    roundT.SetFilter(ofRound);
    roundHoles.SetFilter(ofRound);
    shots.SetFilter(ofRound);
    general.SetFilter(ofCourse);
    card.SetFilter(ofCourse);
    holes.SetFilter(ofCourse);
    HolePageInput in;
    const THoleData d = ReadHole({roundT, general, card, holes, roundHoles, shots, waypoints, clubs}, 12, 3, in);
    EXPECT_EQ(d.par, 3);
    EXPECT_EQ(d.index, 3);
    ASSERT_EQ(d.points.size(), 1u);
    EXPECT_EQ(d.points[0].Name, "Pin");
    EXPECT_EQ(d.teeColors[1], 255);
    EXPECT_EQ(d.roundTee, 2);
    EXPECT_TRUE(in.HaveRoundHole);
    EXPECT_TRUE(in.Gir);
    EXPECT_EQ(in.ShotsTotal, 2);
    ASSERT_EQ(in.Shots.size(), 2u);
    EXPECT_EQ(in.Shots[0].ShotNumber, 1);
    EXPECT_EQ(in.Shots[1].ShotNumber, 2);
    EXPECT_EQ(holes.Filter(), ofCourse);
    EXPECT_EQ(roundHoles.Filter(), ofRound);
    EXPECT_EQ(shots.Filter(), ofRound);
    EXPECT_EQ(holes.RecordCount(), 9);
}

TEST_F(RoundStoreTest, OpenShotCountsTheRoundsHolesAndMissesAVanishedShot) {
    AddShot(1, 4, 1);
    const long long second = AddShot(1, 4, 2);
    AddShot(1, 18, 1);
    AddShot(2, 4, 1);  // another round
    TTable shots(&db, "RoundShots");
    const TShotPlace p = OpenShot(shots, "RoundId = 1", second);
    ASSERT_TRUE(p.found);
    EXPECT_EQ(p.hole, 4);
    EXPECT_EQ(p.number, 2);
    EXPECT_EQ(p.counts[4], 3);
    EXPECT_EQ(p.counts[18], 2);
    EXPECT_EQ(p.counts[1], 1);
    EXPECT_EQ(shots.FieldByName("ShotId").AsInteger(), second);

    // A shot no longer in the round is not found.
    const TShotPlace gone = OpenShot(shots, "RoundId = 2", second);
    EXPECT_FALSE(gone.found);
    EXPECT_EQ(gone.counts[4], 2);
    EXPECT_FALSE(shots.Active());
}

// The writer writes the columns it is given and leaves the others as a new
// row has them; a row it cannot write leaves it ready for the next round.
TEST_F(RoundStoreTest, WriterWritesOnlyTheGivenColumnsAndRecoversFromARefusedRow) {
    TNewRound r;
    r.round.userId = 3;
    r.round.courseId = 0;
    r.round.score = 5;
    r.round.startDate = "2026-05-01 09:30:00";
    TRoundHoleRecord& hole = r.holes.emplace_back();
    hole.number = 4;
    hole.par = 3;
    hole.quit = true;
    TRoundShotRecord& shot = hole.shots.emplace_back();
    shot.number = 1;
    shot.clubId = 7;
    shot.length = 120;
    TRoundHoleRecord& bare = r.holes.emplace_back();
    bare.number = 5;

    TRoundWriter writer(db);
    int roundId = 0;
    {
        TTransaction tx(db);
        roundId = writer.AddRound(r);
        tx.Commit();
    }
    const std::string round = "RoundId = " + std::to_string(roundId);
    EXPECT_EQ(RowValue(db, "Round", round, "UserId").AsInteger(), 3);
    EXPECT_EQ(RowValue(db, "Round", round, "CourseId").AsInteger(), 0);
    EXPECT_EQ(RowValue(db, "Round", round, "RoundStartDate").AsString(), "2026-05-01 09:30:00");
    for (const char* empty : {"BagId", "RoundHCP", "TeeNumber", "RoundEndDate", "MarkerName", "Web_Id"})
        EXPECT_TRUE(RowValue(db, "Round", round, empty).IsNull()) << empty;
    EXPECT_EQ(Count("RoundHoles", round), 2);
    EXPECT_EQ(RowValue(db, "RoundHoles", round + " and HoleId = 4", "HolePar").AsInteger(), 3);
    EXPECT_TRUE(RowValue(db, "RoundHoles", round + " and HoleId = 4", "Quit").AsBoolean());
    for (const char* empty : {"HolePar", "HoleFlags", "HoleShotsTotal"})
        EXPECT_TRUE(RowValue(db, "RoundHoles", round + " and HoleId = 5", empty).IsNull()) << empty;
    EXPECT_FALSE(RowValue(db, "RoundHoles", round + " and HoleId = 5", "Quit").AsBoolean());
    // The shot goes on the hole it is listed under.
    EXPECT_EQ(Count("RoundShots", round), 1);
    const std::string onHole = round + " and HoleId = 4 and ShotNumber = 1";
    EXPECT_EQ(RowValue(db, "RoundShots", onHole, "ClubId").AsInteger(), 7);
    EXPECT_EQ(RowValue(db, "RoundShots", onHole, "ShotLength").AsInteger(), 120);
    for (const char* empty : {"PenId", "Latitude", "Description", "Puts", "PointDate"})
        EXPECT_TRUE(RowValue(db, "RoundShots", onHole, empty).IsNull()) << empty;

    // A shot length that is no number: the round stays out with the
    // transaction, and the same writer stores the next round whole.
    TNewRound refused = r;
    refused.holes[0].shots[0].length = "far";
    {
        TTransaction tx(db);
        EXPECT_THROW(writer.AddRound(refused), EDatabaseError);
    }
    EXPECT_EQ(Count("Round"), 1);
    int next = 0;
    {
        TTransaction tx(db);
        next = writer.AddRound(r);
        tx.Commit();
    }
    EXPECT_NE(next, roundId);
    EXPECT_EQ(Count("RoundHoles", "RoundId = " + std::to_string(next)), 2);
    EXPECT_EQ(Count("RoundShots", "RoundId = " + std::to_string(next)), 1);
    // Nothing of the refused round comes in with the next one.
    EXPECT_EQ(Count("RoundHoles"), 4);
    EXPECT_EQ(Count("RoundShots"), 2);
}
