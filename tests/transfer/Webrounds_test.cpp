// The rounds page's rules with the database as the source.
#include <gtest/gtest.h>

#include "db/Dbfixture.h"
#include "transfer/Transw4.h"
#include "transfer/Webrounds.h"

class WebRoundsTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        AppendRow("PlayerDetail", {{"UserId", 1}, {"HCP", 12.4}});
        course = AppendRow("Course_General", {{"Course_Name", "Links"}, {"U8_Name", "Links"},
                                              {"Tees", 1}, {"Web_Id", 345}});
        noWeb = AppendRow("Course_General", {{"Course_Name", "Park"}, {"U8_Name", "Park"},
                                             {"Tees", 1}});
        bag = AppendRow("GolfBag", {{"BagName", "Sunday"}, {"UserId", 1}, {"BagWebId", 31}});
    }
    long long Round(long long courseId, const std::string& start, const std::string& title,
                    int score, int user = 1) {
        return AppendRow("Round", {{"UserId", user}, {"CourseId", courseId}, {"BagId", bag},
                                   {"RoundStartDate", start}, {"RoundEndDate", start},
                                   {"RoundTitle", title}, {"Score", score}, {"TeeNumber", 2},
                                   {"RoundHCP", 17.6}, {"Web_Id", 0}});
    }
    void Hole(long long round, int hole, int total, bool quit, bool gir, bool fir, int par,
              int putts, int bunkers) {
        AppendRow("RoundHoles", {{"RoundId", round}, {"HoleId", hole}, {"HoleShotsTotal", total},
                                 {"Quit", quit}, {"GIR", gir}, {"FIR", fir}, {"HolePar", par},
                                 {"HoleShotsPutter", putts}, {"BunkerHits", bunkers}});
    }
    long long course = 0, noWeb = 0, bag = 0;
};

TEST_F(WebRoundsTest, ListJoinsCourseNamesOldestFirst) {
    Round(course, "2003-07-05 09:15:00", "Late", 88);
    Round(noWeb, "2003-07-04 10:00:00", "", 100);
    Round(99, "2003-07-06 10:00:00", "No course", 72);
    Round(course, "2003-07-01 10:00:00", "Other player", 72, 2);
    const auto rows = RoundListRows(db, 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Course, "Park");
    EXPECT_EQ(rows[0].Score, "100");
    EXPECT_EQ(rows[1].Course, "Links");
    EXPECT_EQ(rows[1].Title, "Late");
    ASSERT_TRUE(rows[1].Start);
    EXPECT_EQ(DateTimeToIso(*rows[1].Start), "2003-07-05 09:15:00");
    EXPECT_EQ(rows[2].Course, "");
    EXPECT_TRUE(RoundListRows(db, 3).empty());
}

TEST_F(WebRoundsTest, CopyIntoTheSendPage) {
    const long long round = Round(course, "2003-07-05 09:15:00", "", 88);
    Hole(round, 1, 5, false, true, true, 4, 2, 1);
    Hole(round, 2, 4, false, true, true, 3, 2, 0);  // a fairway on a par 3 does not count
    Hole(round, 3, 7, true, false, false, 5, 0, 0);
    Hole(round, 4, 6, false, false, true, 5, 3, 2);
    Hole(round, 12, 0, false, true, true, 4, 0, 0);  // stored by the watch, not played: a nine
    const long long driver = AppendRow("ClubDetail", {{"ClubName", "Driver"}, {"Type", 0},
                                                      {"ClubWebId", 700}});
    AppendRow("RoundShots", {{"RoundId", round}, {"HoleId", 2}, {"ShotNumber", 1},
                             {"ClubId", driver}, {"ShotLength", 200}, {"Latitude", 59.5}});
    AppendRow("RoundShots", {{"RoundId", round}, {"HoleId", 1}, {"ShotNumber", 2}, {"ClubId", 55},
                             {"PenId", 2}, {"Description", "wet"}});
    AppendRow("RoundShots", {{"RoundId", round}, {"HoleId", 1}, {"ShotNumber", 1},
                             {"ClubId", driver}});
    TTransWiz4::RoundHeader r;
    std::string name;
    ASSERT_EQ(FillRound(db, static_cast<int>(round), 1, r, name), RoundFilled);
    EXPECT_EQ(r.RoundId, round);
    EXPECT_EQ(r.CourseWebId, 345);
    EXPECT_EQ(r.Date1, "5.7.2003");
    EXPECT_EQ(r.Title, "5.7.2003");  // an empty title takes the start date
    EXPECT_EQ(r.Time1, "09:15:00");
    EXPECT_EQ(r.BagWebId, 31);
    EXPECT_EQ(r.TeeNumber, 2);
    EXPECT_EQ(r.Score, 88);
    EXPECT_EQ(r.RoundHCP, 18);
    EXPECT_DOUBLE_EQ(r.HCP, 12.4);
    EXPECT_EQ(r.HoleShotsTotal, "5, 4, -, 6");
    EXPECT_EQ(r.FIR, 2);
    EXPECT_EQ(r.GIR, 2);
    EXPECT_EQ(r.Putts, 7);
    EXPECT_EQ(r.BIR, 3);
    ASSERT_EQ(r.ShotCount, 3);
    EXPECT_EQ(r.Shots[0].Hole, 1);
    EXPECT_EQ(r.Shots[0].Club, 700);
    EXPECT_EQ(r.Shots[1].Club, 0);  // a club without a row
    EXPECT_EQ(r.Shots[1].ClubType, 0);
    EXPECT_EQ(r.Shots[1].Pen, 2);
    EXPECT_EQ(r.Shots[1].Note, "wet");
    EXPECT_EQ(r.Shots[2].Hole, 2);
    EXPECT_EQ(r.Shots[2].Length, 200);
    EXPECT_DOUBLE_EQ(r.Shots[2].Lat, 59.5);
    AppendRow("RoundShots", {{"RoundId", round}, {"HoleId", 12}, {"ShotNumber", 1}});  // now played: 18
    ASSERT_EQ(FillRound(db, static_cast<int>(round), 1, r, name), RoundFilled);
    EXPECT_EQ(r.HoleShotsTotal, "5, 4, -, 6, 0");
    EXPECT_EQ(std::pair(r.FIR, r.GIR), std::pair(3, 3));

    const long long refused = Round(noWeb, "2003-07-06 09:00:00", "x", 90);
    EXPECT_EQ(FillRound(db, static_cast<int>(refused), 1, r, name), RoundRefused);
    EXPECT_EQ(name, "Park");
    EXPECT_EQ(r.RoundId, round);  // the record is left as it was
    EXPECT_EQ(FillRound(db, 99999, 1, r, name), RoundMissing);
    // A round stored without a course (or on one since deleted) is no course's.
    const long long lost = Round(0, "2003-07-08 09:00:00", "y", 80);
    EXPECT_EQ(FillRound(db, static_cast<int>(lost), 1, r, name), RoundWithoutCourse);
    EXPECT_EQ(name, "");
    EXPECT_EQ(r.RoundId, round);

    TTransWiz4::RoundHeader none;
    const long long empty = Round(course, "2003-07-07 09:00:00", "Empty", 70);
    ComputeRoundStatistics(db, static_cast<int>(empty), none);
    EXPECT_EQ(none.FIR + none.GIR + none.BIR + none.Putts, 0);
}

TEST_F(WebRoundsTest, ARoundOfMoreShotsThanTheRecordHolds) {
    const long long round = Round(course, "2003-07-05 09:15:00", "Long", 88);
    TTable shots(&db, "RoundShots");
    shots.Open();
    for (int k = 1; k <= 1005; ++k) {
        shots.Append();
        shots.FieldByName("RoundId").SetAsInteger(round);
        shots.FieldByName("HoleId").SetAsInteger(1 + k / 100);
        shots.FieldByName("ShotNumber").SetAsInteger(k);
        shots.Post();
    }
    TTransWiz4::RoundHeader r;
    std::string name;
    ASSERT_EQ(FillRound(db, static_cast<int>(round), 1, r, name), RoundFilled);
    EXPECT_EQ(r.ShotCount, TTransWiz4::MaxRoundShots);
}

TEST(WebRoundsOrder, DatesTextsAndInvalidDates) {
    TRoundSortKey a{EncodeDateTime(2003, 7, 5), "Links", "b", "100"};
    TRoundSortKey b{EncodeDateTime(2003, 7, 5), "Park", "a", "72"};
    TRoundSortKey bad{std::nullopt, "", "", ""};
    EXPECT_EQ(CompareRoundRows(a, b, 0, true), 0);  // same day
    EXPECT_EQ(CompareRoundRows(bad, a, 0, true), -1);
    EXPECT_EQ(CompareRoundRows(bad, a, 0, false), 1);
    EXPECT_EQ(CompareRoundRows(a, b, 1, true), -1);
    EXPECT_EQ(CompareRoundRows(a, b, 2, true), 1);
    EXPECT_EQ(CompareRoundRows(a, b, 3, true), -1);  // "100" before "72"
    EXPECT_EQ(CompareRoundRows(a, b, 3, false), 1);
}
