// What the course and bag pages copy from the database into the send page.
#include <gtest/gtest.h>

#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw4.h"
#include "db/Dbfixture.h"

namespace {

class FillerTest : public DbTest {
protected:
    int AddCourse(const std::string& name, bool holes18, int tees) {
        return int(AppendRow("Course_General", {{"Course_Name", name}, {"U8_Name", ""},
                                                {"18Holes", holes18}, {"Tees", tees},
                                                {"Country", " SE "}, {"Web_Id", 77}}));
    }
    int AddHole(int course, int number, int par) {
        return int(AppendRow("Holes", {{"CourseId", course}, {"HoleNumber", number}, {"HolePar", par},
                                       {"HoleLength1", 100 + number}, {"HoleLength3", 300 + number},
                                       {"HoleHCP1", 19 - number}, {"HoleHCP2", number},
                                       {"HoleDesc", "Hole " + std::to_string(number)}}));
    }
    void AddPoint(int course, int hole, int type, int tee, double lat, const std::string& name,
                  const std::string& desc = "") {
        AppendRow("Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", type}, {"Tee", tee},
                                {"Latitude", lat}, {"Longitude", -lat}, {"Name", name},
                                {"Description", desc}});
    }
};

TEST_F(FillerTest, CourseHolesFollowTheirNumbersAndPoints) {
    const int c = AddCourse("Lakeside", false, 3);
    AppendRow("ScoreCard", {{"CourseId", c}, {"CR2M", 71.5}, {"S3F", 120}, {"Tee1Name", "Yellow"},
                            {"Tee3Name", "Red"}, {"TL2", 5400.0}, {"Tee2Col", 255}});
    // Rows out of order, hole 4 missing.
    int ids[10] = {};
    for (int h : {9, 2, 1, 3, 5, 6, 7, 8}) ids[h] = AddHole(c, h, 3 + h % 3);
    AddPoint(c, ids[1], 1, 3, 1.3, "Tee", "back tee");
    AddPoint(c, ids[1], 1, 1, 1.1, "Tee", "front tee");
    AddPoint(c, ids[1], 2, 0, 1.9, "Pin", "flag");
    for (int i = 0; i < 12; ++i) AddPoint(c, ids[1], 5 + i % 3, 0, 2.0 + i, "Hazard" + std::to_string(i));

    TTransWiz4::CourseHeader course;
    course.Holes[3].HolePar = 99;  // left by an earlier transfer
    FillCourse(db, c, "Lakeside (listed)", course);
    EXPECT_EQ(course.CourseName, "Lakeside (listed)");
    EXPECT_EQ(course.CourseId, c);
    EXPECT_EQ(course.HoleCount, 9);
    EXPECT_EQ(course.Country, "SE");
    EXPECT_EQ(course.WebId, 77);
    EXPECT_DOUBLE_EQ(course.CRM[1], 71.5);
    EXPECT_EQ(course.SF[2], 120);
    EXPECT_EQ(course.TL[1], 5400);
    EXPECT_EQ(course.TeeCol[1], 255);
    EXPECT_EQ(course.TeeName[2], "Red");

    for (int j = 0; j < 9; ++j) EXPECT_EQ(course.Holes[size_t(j)].Hole, j + 1);
    EXPECT_EQ(course.Holes[1].HolePar, 3 + 2 % 3);
    EXPECT_EQ(course.Holes[1].HoleId, ids[2]);
    EXPECT_EQ(course.Holes[1].HoleLength[2], 302);
    EXPECT_EQ(course.Holes[1].HoleHCP1, 17);
    EXPECT_EQ(course.Holes[1].HoleDesc, "Hole 2");
    EXPECT_EQ(course.Holes[3].HoleId, 0);  // no row: an empty record, not another hole's
    EXPECT_EQ(course.Holes[3].HolePar, 0);
    EXPECT_EQ(course.Holes[8].HoleId, ids[9]);

    const auto& h1 = course.Holes[0];
    EXPECT_DOUBLE_EQ(h1.LatitudeH, 1.9);
    EXPECT_DOUBLE_EQ(h1.LongitudeH, -1.9);
    EXPECT_EQ(h1.PinDesc, "flag");
    EXPECT_DOUBLE_EQ(h1.LatitudeT[0], 1.1);
    EXPECT_EQ(h1.TeeDesc[0], "front tee");
    EXPECT_EQ(h1.LatitudeT[1], 0.0);  // tee 2 has no point
    EXPECT_DOUBLE_EQ(h1.LatitudeT[2], 1.3);
    EXPECT_EQ(h1.LatitudeT[3], 0.0);
    EXPECT_EQ(h1.TeeDesc[5], "");
    EXPECT_EQ(h1.PointCount, 10);  // ten at most
    EXPECT_EQ(h1.PointType[0], 5);  // by type, then in table order
    EXPECT_EQ(h1.PointName[0], "Hazard0");
    EXPECT_EQ(h1.PointType[9], 7);
    const auto& h2 = course.Holes[1];
    EXPECT_EQ(h2.LatitudeH, 0.0);  // no pin
    EXPECT_EQ(h2.PinDesc, "");
    EXPECT_EQ(h2.PointCount, 0);
}

TEST_F(FillerTest, TeeNamesByCourseId) {
    const int c = AddCourse("St. Mary's", true, 3);
    AppendRow("ScoreCard", {{"CourseId", c}, {"Tee1Name", "White"}, {"Tee3Name", "Red"}});
    EXPECT_EQ(CourseTeeNames(db, c), (std::vector<std::string>{"White", "Tee number: 2", "Red"}));
    EXPECT_TRUE(CourseTeeNames(db, c + 1).empty());
    // A tee count the course window refuses is refused here too, on both roads.
    const int nine = AddCourse("Nine tees", true, 9);
    EXPECT_THROW(CourseTeeNames(db, nine), EDatabaseError);
    TTransWiz4::CourseHeader course;
    EXPECT_THROW(FillCourse(db, nine, "Nine tees", course), EDatabaseError);
    EXPECT_EQ(course.CourseId, 0);
}

TEST_F(FillerTest, BagClubsInHolderOrder) {
    const int bag = int(AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "Weekend"}, {"BagWebId", 42}}));
    const int a = int(AppendRow("ClubDetail", {{"UserId", 1}, {"ClubName", "Putter"}, {"Type", 9},
                                               {"Shots", 31}, {"ClubWebId", 5}}));
    const int b = int(AppendRow("ClubDetail", {{"UserId", 1}, {"ClubName", "Driver"}, {"Type", 0},
                                               {"ShotsLength", 1234.5}, {"ShotsWithLength", 6}}));
    AppendRow("Clubs", {{"ClubId", a}, {"BagId", bag}, {"OrderNumber", 14}});
    AppendRow("Clubs", {{"ClubId", b}, {"BagId", bag}, {"OrderNumber", 1}});
    TTransWiz4::TBag out;
    FillBag(db, bag, "Weekend", out);
    EXPECT_EQ(out.BagName, "Weekend");
    EXPECT_EQ(out.BagId, bag);
    EXPECT_EQ(out.BagWebId, 42);
    ASSERT_EQ(out.ClubCount, 2);
    EXPECT_EQ(out.Clubs[0].ClubName, "Driver");
    EXPECT_EQ(out.Clubs[0].OrderNr, 1);
    EXPECT_DOUBLE_EQ(out.Clubs[0].ShotsLength, 1234.5);
    EXPECT_DOUBLE_EQ(out.Clubs[0].ShotsWithLength, 6);
    EXPECT_EQ(out.Clubs[1].ClubId, a);
    EXPECT_EQ(out.Clubs[1].Type, 9);
    EXPECT_EQ(out.Clubs[1].Shots, 31);
    EXPECT_EQ(out.Clubs[1].ClubWebId, 5);

    const int empty = int(AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "Empty"}}));
    FillBag(db, empty, "Empty", out);
    EXPECT_EQ(out.ClubCount, 0);
}

}  // namespace
