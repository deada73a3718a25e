#include <gtest/gtest.h>

#include "courses/Coursestore.h"
#include "courses/Scorecard.h"
#include "db/Dbfixture.h"

namespace {
class CourseStoreTest : public DbTest {
  protected:
    TCourseSetup Setup(bool holes18, int tees) {
        TCourseSetup s;
        s.holes18 = holes18;
        s.tees = tees;
        for (int t = 0; t < 6; ++t) {
            s.teeName[t] = "Tee" + std::to_string(t + 1);
            s.teeColour[t] = DefaultTeeColour[t];
        }
        for (int h = 0; h < 18; ++h)
            s.holeName[h] = "H" + std::to_string(h + 1);
        return s;
    }
    TVariant Value(const std::string& table, const std::string& filter, const std::string& field) {
        TTable t(&db, table);
        t.SetFilter(filter);
        t.Open();
        t.First();
        return t.FieldByName(field).Value();
    }
    std::string Hole(int courseId, int number) {
        return "CourseId = " + std::to_string(courseId) +
               " and HoleNumber = " + std::to_string(number);
    }
    std::string Course(int courseId) { return "CourseId = " + std::to_string(courseId); }
    // A country with one state (their keys are texts).
    void AddPlace(const char* countryId, const char* country, const char* stateId, const char* state) {
        TTable c(&db, "Country");
        c.Open();
        c.Append();
        c.FieldByName("CountryId").SetAsString(countryId);
        c.FieldByName("Country").SetAsString(country);
        c.Post();
        TTable s(&db, "States");
        s.Open();
        s.Append();
        s.FieldByName("CountryId").SetAsString(countryId);
        s.FieldByName("StateId").SetAsString(stateId);
        s.FieldByName("StateName").SetAsString(state);
        s.Post();
    }
    void AddRound(int courseId, int tee) {
        AppendRow("Round", {{"UserId", 1}, {"CourseId", courseId}, {"TeeNumber", tee}});
    }
};
} // namespace

TEST_F(CourseStoreTest, NewNineHoleCourseWithThreeTeesGetsTheDefaults) {
    const int id = CreateCourse(db, Setup(false, 3));
    EXPECT_EQ(Value("Course_General", Course(id), "Course_Name").AsString(), "Course name");
    EXPECT_EQ(Value("Course_General", Course(id), "U8_Name").AsString(), "U8 name");
    EXPECT_EQ(Value("Course_General", Course(id), "Country").AsString(), "US");
    EXPECT_EQ(Value("Course_General", Course(id), "Tees").AsInteger(), 3);
    EXPECT_FALSE(Value("Course_General", Course(id), "18Holes").AsBoolean());
    ASSERT_EQ(Count("Holes", Course(id)), 9);
    for (int h = 1; h <= 9; ++h) {
        EXPECT_EQ(Value("Holes", Hole(id, h), "HoleHCP1").AsInteger(), h);
        EXPECT_TRUE(Value("Holes", Hole(id, h), "HoleHCP2").IsNull());
        EXPECT_EQ(Value("Holes", Hole(id, h), "HolePar").AsInteger(), 4);
        EXPECT_EQ(Value("Holes", Hole(id, h), "HoleLength3").AsInteger(), 300);
        EXPECT_TRUE(Value("Holes", Hole(id, h), "HoleLength4").IsNull());
        EXPECT_EQ(Value("Holes", Hole(id, h), "HoleName").AsString(), "H" + std::to_string(h));
    }
    for (const char* f : {"CR1M", "CR3M", "CR1F", "CR3F"})
        EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), f).AsFloat(), 72.0) << f;
    for (const char* f : {"S1M", "S3M", "S1F", "S3F"})
        EXPECT_EQ(Value("ScoreCard", Course(id), f).AsInteger(), 113) << f;
    for (const char* f : {"CR4M", "CR6F", "S4M", "S6F"})
        EXPECT_TRUE(Value("ScoreCard", Course(id), f).IsNull()) << f;
    EXPECT_EQ(Value("ScoreCard", Course(id), "Tee2Col").AsInteger(), 0x00FFFF);
    EXPECT_EQ(Value("ScoreCard", Course(id), "HoleCol").AsInteger(), 0x00FF00);

    // The list's Par column: 36, read with the course rows in one query.
    TTable list(&db);
    list.SetSQL(CourseListSql());
    list.Open();
    ASSERT_TRUE(list.Locate("CourseId", TVariant(id)));
    EXPECT_EQ(list.FieldByName("Par").AsInteger(), 36);
}

TEST_F(CourseStoreTest, ListParIsZeroWithoutHolesAndFilterTakesQuotes) {
    AppendRow("Course_General",
              {{"Course_Name", "O'Brien Links"}, {"U8_Name", "OBRIEN"}, {"Tees", 1}});
    AppendRow("Course_General", {{"Course_Name", "Oak Hill"}, {"U8_Name", "OAK"}, {"Tees", 1}});
    TTable list(&db);
    list.SetSQL(CourseListSql());
    list.AddSort("[Course_Name] ASC");
    list.SetFilter("Course_Name Like " + QuotedStr("O'B*"));
    list.Open();
    ASSERT_EQ(list.RecordCount(), 1);
    EXPECT_EQ(list.FieldByName("Course_Name").AsString(), "O'Brien Links");
    EXPECT_EQ(list.FieldByName("Par").AsInteger(), 0);
    list.SetFilter("Course_Name Like " + QuotedStr("*"));
    EXPECT_EQ(list.RecordCount(), 2);
}

TEST_F(CourseStoreTest, DeleteCascadesAndRoundsAreSeen) {
    const int keep = CreateCourse(db, Setup(true, 2));
    const int id = CreateCourse(db, Setup(true, 2));
    AppendRow("Waypoints", {{"CourseId", id}, {"Type", 2}});
    AppendRow("Waypoints", {{"CourseId", keep}, {"Type", 2}});
    AddRound(keep, 1);
    EXPECT_TRUE(CourseHasRounds(db, keep));
    EXPECT_FALSE(CourseHasRounds(db, id));
    DeleteCourse(db, id);
    for (const char* t : {"Waypoints", "ScoreCard", "Holes", "Course_General"}) {
        EXPECT_EQ(Count(t, Course(id)), 0) << t;
        EXPECT_GT(Count(t, Course(keep)), 0) << t;
    }
}

TEST_F(CourseStoreTest, TeeCountUpFillsDefaultsWhereEmpty) {
    const int id = CreateCourse(db, Setup(false, 2));
    {
        TTable h(&db, "Holes");
        h.SetFilter(Hole(id, 1));
        h.Open();
        h.Edit();
        h.FieldByName("HoleLength1").SetAsInteger(155);
        h.Post();
    }
    TCourseSetup s = Setup(false, 4);
    s.teeColour[3] = 0x123456;
    s.holeName[0] = "First";
    ChangeCourseSetup(db, id, s);
    EXPECT_EQ(Value("Course_General", Course(id), "Tees").AsInteger(), 4);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR4M").AsFloat(), 72.0);
    EXPECT_EQ(Value("ScoreCard", Course(id), "S3F").AsInteger(), 113);
    EXPECT_EQ(Value("ScoreCard", Course(id), "Tee4Col").AsInteger(), 0x123456);
    EXPECT_EQ(Value("ScoreCard", Course(id), "Tee4Name").AsString(), "Tee4");
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleLength1").AsInteger(), 155);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleLength4").AsInteger(), 300);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleName").AsString(), "First");
    EXPECT_TRUE(Value("Holes", Hole(id, 1), "HoleLength5").IsNull());
}

TEST_F(CourseStoreTest, TeeCountDownEmptiesTheRemovedTeesUnlessPlayed) {
    const int id = CreateCourse(db, Setup(true, 4));
    {
        TTable c(&db, "ScoreCard");
        c.SetFilter(Course(id));
        c.Open();
        c.Edit();
        c.FieldByName("CR2M").SetAsFloat(70.5);
        c.FieldByName("CR1F").SetAsFloat(0.4);
        c.Post();
    }
    EXPECT_FALSE(TeesInUse(db, id, 2));
    AddRound(id, 2);
    EXPECT_FALSE(TeesInUse(db, id, 2));
    ChangeCourseSetup(db, id, Setup(true, 2));
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR2M").AsFloat(), 70.5);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR1F").AsFloat(), 72.0); // 0.4 rounds to 0
    for (const char* f : {"CR3M", "CR4F", "S3M", "S4F", "Tee3Name", "Tee4Col"})
        EXPECT_TRUE(Value("ScoreCard", Course(id), f).IsNull()) << f;
    for (int h : {1, 18}) {
        EXPECT_TRUE(Value("Holes", Hole(id, h), "HoleLength3").IsNull());
        EXPECT_EQ(Value("Holes", Hole(id, h), "HoleLength2").AsInteger(), 300);
    }
    AddRound(id, 2);
    EXPECT_TRUE(TeesInUse(db, id, 1));
}

TEST_F(CourseStoreTest, SetupReadsColourZeroAsTheTeeDefaultAndNamesByHoleNumber) {
    const int id = CreateCourse(db, Setup(false, 2));
    {
        TTable c(&db, "ScoreCard");
        c.SetFilter(Course(id));
        c.Open();
        c.Edit();
        c.FieldByName("Tee2Col").SetAsInteger(0);
        c.FieldByName("HoleCol").Clear();
        c.Post();
        TTable h(&db, "Holes");
        h.SetFilter(Hole(id, 3));
        h.Open();
        h.Delete();
    }
    const TCourseSetup s = ReadCourseSetup(db, id);
    EXPECT_EQ(s.teeColour[1], DefaultTeeColour[1]);
    EXPECT_EQ(s.holeColour, WhiteColour);
    EXPECT_EQ(s.holeName[1], "H2");
    EXPECT_EQ(s.holeName[2], ""); // no row: no name borrowed from another hole
    EXPECT_EQ(s.holeName[3], "H4");
    EXPECT_EQ(s.tees, 2);
    EXPECT_FALSE(s.holes18);
}

TEST_F(CourseStoreTest, ScorecardWritesMetresOfYardsAndReadsBackByNumber) {
    const int id = CreateCourse(db, Setup(false, 2));
    TTable general(&db, "Course_General"), card(&db, "ScoreCard"), holes(&db, "Holes");
    for (TTable* t : {&general, &card, &holes})
        t->SetFilter(Course(id));
    holes.AddSort("[HoleNumber] DESC"); // whatever the order, rows go by number
    TScorecardTexts texts;
    texts.rows = 10;
    texts.tees = 2;
    for (int r = 0; r < 9; ++r) {
        texts.cell[r][1] = "400"; // yards
        texts.cell[r][2] = "900"; // clamped to 711 yards
        texts.cell[r][3] = "7";   // par 5
        texts.cell[r][4] = std::to_string(9 - r);
        texts.cell[r][5] = "";
    }
    texts.hasRating[0] = true;
    texts.rating[0] = "abc";
    texts.slope[0] = "125";
    texts.hasRating[7] = true;
    texts.rating[7] = "68.4";
    texts.slope[7] = "300";
    WriteScorecard(card, holes, texts, "false");
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleLength1").AsInteger(), 366);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleLength2").AsInteger(), 650);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HolePar").AsInteger(), 5);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleHCP1").AsInteger(), 9);
    EXPECT_EQ(Value("Holes", Hole(id, 9), "HoleHCP1").AsInteger(), 1);
    EXPECT_EQ(Value("Holes", Hole(id, 1), "HoleHCP2").AsInteger(), 0);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR1M").AsFloat(), 72.0);
    EXPECT_EQ(Value("ScoreCard", Course(id), "S1M").AsInteger(), 125);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR2F").AsFloat(), 68.4);
    EXPECT_EQ(Value("ScoreCard", Course(id), "S2F").AsInteger(), 113);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR2M").AsFloat(), 72.0); // no box: as it was

    const TCourseScorecard read = ReadScorecard(general, card, holes);
    EXPECT_EQ(read.tees, 2);
    EXPECT_EQ(read.hole[0].strokeIndex.AsInteger(), 9);
    EXPECT_EQ(read.hole[8].strokeIndex.AsInteger(), 1);
    EXPECT_FALSE(general.Active());
}

TEST_F(CourseStoreTest, CoursePointsKeepUnknownTypesAndNeverOverwriteAnother) {
    const int id = CreateCourse(db, Setup(false, 2));
    const long long odd =
        AppendRow("Waypoints", {{"CourseId", id}, {"Type", 12}, {"Name", "Tower"}, {"Tee", 0}});
    TPointInput in;
    in.holeNumber = 3;
    in.typeIndex = -1;
    in.description = "edited";
    in.latitudeText = "95";
    in.latitudeLetter = 'S';
    in.longitudeText = "x";
    in.longitudeLetter = 'W';
    ASSERT_TRUE(StorePoint(db, id, static_cast<int>(odd), in));
    const std::string point = "PointId = " + std::to_string(odd);
    EXPECT_EQ(Value("Waypoints", point, "Type").AsInteger(), 12);
    EXPECT_EQ(Value("Waypoints", point, "Name").AsString(), "Tower");
    EXPECT_EQ(Value("Waypoints", point, "Description").AsString(), "edited");
    EXPECT_DOUBLE_EQ(Value("Waypoints", point, "Latitude").AsFloat(), -90.0);
    EXPECT_DOUBLE_EQ(Value("Waypoints", point, "Longitude").AsFloat(), 0.0);
    EXPECT_EQ(Value("Waypoints", point, "HoleId").AsInteger(),
              Value("Holes", Hole(id, 3), "HoleId").AsInteger());

    // A lay-up point is renamed with the dialog's word; a tee without a tee gets tee 1.
    in.typeIndex = 3;
    ASSERT_TRUE(StorePoint(db, id, static_cast<int>(odd), in));
    EXPECT_EQ(Value("Waypoints", point, "Name").AsString(), "Lay up");
    in.typeIndex = 0;
    in.teeIndex = -1;
    in.holeNumber = 12; // no such hole on 9 holes
    ASSERT_TRUE(StorePoint(db, id, static_cast<int>(odd), in));
    EXPECT_EQ(Value("Waypoints", point, "Tee").AsInteger(), 1);
    EXPECT_EQ(Value("Waypoints", point, "HoleId").AsInteger(), 0);

    // A point gone since the list was read: nothing is written anywhere.
    ASSERT_TRUE(DeletePoint(db, static_cast<int>(odd)));
    const long long other =
        AppendRow("Waypoints", {{"CourseId", id}, {"Type", 2}, {"Name", "Pin"}});
    EXPECT_FALSE(StorePoint(db, id, static_cast<int>(odd), in));
    EXPECT_EQ(Value("Waypoints", "PointId = " + std::to_string(other), "Name").AsString(), "Pin");
    EXPECT_EQ(Count("Waypoints", Course(id)), 1);
    EXPECT_FALSE(DeletePoint(db, static_cast<int>(odd)));

    // A new point.
    in.typeIndex = 1;
    in.latitudeText = "51.5";
    in.latitudeLetter = 'N';
    in.longitudeText = "200";
    in.longitudeLetter = 'E';
    ASSERT_TRUE(StorePoint(db, id, 0, in));
    EXPECT_EQ(Count("Waypoints", Course(id) + " and Type = 2"), 2);
}

TEST_F(CourseStoreTest, PointListOrderAndTexts) {
    const int id = CreateCourse(db, Setup(false, 1));
    const int hole2 = Value("Holes", Hole(id, 2), "HoleId").AsInteger();
    AppendRow("Waypoints", {{"CourseId", id},
                            {"HoleId", hole2},
                            {"Type", 1},
                            {"Tee", 0},
                            {"Latitude", 0.0},
                            {"Longitude", -1.25}});
    AppendRow("Waypoints", {{"CourseId", id},
                            {"HoleId", 0},
                            {"Type", 4},
                            {"Name", "Lay up"},
                            {"Latitude", 51.5},
                            {"Longitude", 7.0},
                            {"Description", "left"}});
    AppendRow("Waypoints", {{"CourseId", id}, {"HoleId", hole2}, {"Type", 9}, {"Name", "Tower"}});
    TTable points(&db, "Waypoints"), holes(&db, "Holes");
    points.SetFilter(Course(id));
    points.AddSort("[HoleId] ASC");
    points.AddSort("[Type] ASC");
    holes.SetFilter(Course(id));
    const auto rows = ReadPointList(points, holes);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].hole, "No hole");
    EXPECT_EQ(rows[0].type, "Lay Up");
    EXPECT_EQ(rows[0].latitude, "N 51.5000000");
    EXPECT_EQ(rows[0].description, "left");
    EXPECT_EQ(rows[1].hole, "2");
    EXPECT_EQ(rows[1].type, "Undefine tee");
    EXPECT_EQ(rows[1].latitude, "N 0.0000000");
    EXPECT_EQ(rows[1].longitude, "W 1.2500000");
    EXPECT_EQ(rows[2].type, "Tower");
    EXPECT_FALSE(points.Active());
}

TEST(CoursePointRules, CoordinateBoxes) {
    EXPECT_EQ(ClampCoordinateText("95", 90), "90");
    EXPECT_EQ(ClampCoordinateText("-3", 90), "0");
    EXPECT_EQ(ClampCoordinateText("200", 180), "180");
    EXPECT_EQ(ClampCoordinateText("abc", 180), "0");
    EXPECT_EQ(ClampCoordinateText("12.5", 90), "12.5");
    EXPECT_DOUBLE_EQ(CoordinateOf("95", 'S', 90), -90.0);
    EXPECT_DOUBLE_EQ(CoordinateOf("12.5", 'W', 180), -12.5);
    EXPECT_EQ(CoordinateBoxText(-51.123456789012345), "51.1234567890123");
    EXPECT_EQ(CoordinateBoxText(7.0), "7");
    EXPECT_EQ(PointTypeText(1, 3, ""), "Tee 3");
    EXPECT_EQ(PointTypeText(0, 0, "Gate"), "Gate");
}

TEST_F(CourseStoreTest, DetailsAreWrittenWithIdsAndTooLongNamesAreRefused) {
    const int id = CreateCourse(db, Setup(false, 1));
    AddPlace("XA", "Atlantis", "NO", "North");
    AddPlace("XB", "Borduria", "NB", "North");
    TTable course(&db, "Course_General"), country(&db, "Country"), states(&db, "States");
    course.SetFilter(Course(id));
    TCourseDetails d;
    d.country = "Borduria";
    d.state = "North";
    d.link = "www.example.com";
    WriteCourseDetails(course, country, states, d);
    EXPECT_EQ(Value("Course_General", Course(id), "Course_Name").AsString(), "No name");
    EXPECT_EQ(Value("Course_General", Course(id), "U8_Name").AsString(), "No name");
    EXPECT_EQ(Value("Course_General", Course(id), "Country").AsString(), "XB");
    EXPECT_EQ(Value("Course_General", Course(id), "State").AsString(), "NB");

    // Nothing chosen keeps the stored ids; a name longer than its column is refused whole.
    d = TCourseDetails();
    d.name = std::string(101, 'n');
    d.zip = "12345";
    {
        TTransaction tx(db);
        EXPECT_THROW(WriteCourseDetails(course, country, states, d), EDatabaseError);
    }
    EXPECT_EQ(Value("Course_General", Course(id), "Zip_Code").AsString(), "");
    d.name = "Say \"Hi\" 'there'";
    WriteCourseDetails(course, country, states, d);
    EXPECT_EQ(Value("Course_General", Course(id), "Course_Name").AsString(), d.name);
    EXPECT_EQ(Value("Course_General", Course(id), "Country").AsString(), "XB");
}

TEST_F(CourseStoreTest, WriterAddsACourseWholeAndChangesOnlyTheColumnsGiven) {
    TNewCourse c;
    c.course.name = "Writer";
    c.course.u8Name = "WRITER";
    c.course.tees = 1;
    c.course.holes18 = false;
    c.card.holeColour = 65280;
    c.card.rating[0] = 72.0;
    for (int n = 1; n <= 2; ++n) {
        THoleRecord h;
        h.number = n;
        h.hcp1 = n;
        h.par = 3 + n;
        h.name = "Hole " + std::to_string(n);
        c.holes.push_back(h);
    }
    TPointRecord pin;
    pin.hole = 2;
    pin.type = 2;
    pin.latitude = 59.5;
    TPointRecord loose;
    loose.hole = 7; // the course has no hole 7
    loose.type = 5;
    c.points = {pin, loose};
    int id = 0;
    {
        TTransaction tx(db);
        id = TCourseWriter(db).AddCourse(c);
        tx.Commit();
    }
    EXPECT_EQ(Count("ScoreCard", Course(id)), 1);
    EXPECT_EQ(Value("ScoreCard", Course(id), "HoleCol").AsInteger(), 65280);
    EXPECT_TRUE(Value("ScoreCard", Course(id), "CR1F").IsNull());
    const int hole2 = Value("Holes", Hole(id, 2), "HoleId").AsInteger();
    EXPECT_EQ(Value("Waypoints", Course(id) + " and Type = 2", "HoleId").AsInteger(), hole2);
    EXPECT_EQ(Value("Waypoints", Course(id) + " and Type = 5", "HoleId").AsInteger(), 0);

    // A change writes the values given, empties the null ones and keeps the rest.
    TTransaction tx(db);
    TCourseWriter writer(db);
    THoleRecord change;
    change.number = 2;
    change.par = 5;
    change.name = TVariant();
    EXPECT_EQ(writer.PutHole(id, hole2, change), hole2);
    TScoreCardRecord card;
    card.rating[6] = 70.5;
    writer.PutScoreCard(id, card);
    // A value the table refuses fails the write and leaves the writer usable.
    THoleRecord bad;
    bad.number = 3;
    bad.hcp1 = 100000;
    EXPECT_THROW(writer.PutHole(id, 0, bad), EDatabaseError);
    TPointRecord tee;
    tee.hole = 1;
    tee.type = 1;
    EXPECT_GT(writer.PutPoint(id, 0, tee), 0);
    tx.Commit();
    EXPECT_EQ(Value("Holes", Hole(id, 2), "HolePar").AsInteger(), 5);
    EXPECT_TRUE(Value("Holes", Hole(id, 2), "HoleName").IsNull());
    EXPECT_EQ(Value("Holes", Hole(id, 2), "HoleHCP1").AsInteger(), 2);
    EXPECT_EQ(Count("Holes", Course(id)), 2);
    EXPECT_EQ(Count("ScoreCard", Course(id)), 1);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR1F").AsFloat(), 70.5);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(id), "CR1M").AsFloat(), 72.0);
    EXPECT_EQ(Value("Waypoints", Course(id) + " and Type = 1", "HoleId").AsInteger(),
              Value("Holes", Hole(id, 1), "HoleId").AsInteger());
}

TEST_F(CourseStoreTest, SetupChangeGivesACourseWithoutScorecardItsRow) {
    const long long id = AppendRow("Course_General", {{"Course_Name", "Bare"}, {"U8_Name", "Bare"},
                                                      {"Tees", 1}, {"18Holes", false}});
    ChangeCourseSetup(db, static_cast<int>(id), Setup(false, 2));
    ASSERT_EQ(Count("ScoreCard", Course(static_cast<int>(id))), 1);
    for (const char* f : {"CR1M", "CR2F"})
        EXPECT_DOUBLE_EQ(Value("ScoreCard", Course(static_cast<int>(id)), f).AsFloat(), 72.0) << f;
    EXPECT_EQ(Value("ScoreCard", Course(static_cast<int>(id)), "S2M").AsInteger(), 113);
    EXPECT_EQ(Value("ScoreCard", Course(static_cast<int>(id)), "Tee2Name").AsString(), "Tee2");
    EXPECT_TRUE(Value("ScoreCard", Course(static_cast<int>(id)), "CR3M").IsNull());
    // A second change keeps the one row.
    ChangeCourseSetup(db, static_cast<int>(id), Setup(false, 1));
    EXPECT_EQ(Count("ScoreCard", Course(static_cast<int>(id))), 1);
    EXPECT_TRUE(Value("ScoreCard", Course(static_cast<int>(id)), "Tee2Name").IsNull());
}

TEST_F(CourseStoreTest, WriterChangesThePointItsLookupFoundAndNoOther) {
    const int id = CreateCourse(db, Setup(false, 2));
    const int other = CreateCourse(db, Setup(false, 1));
    const int hole1 = Value("Holes", Hole(id, 1), "HoleId").AsInteger();
    const auto point = [&](int course, int hole, int type, int tee, long long webId) {
        return static_cast<int>(AppendRow("Waypoints", {{"CourseId", course}, {"HoleId", hole},
                                                        {"Type", type}, {"Tee", tee}, {"Name", "P"},
                                                        {"Description", "stored"},
                                                        {"PointWebId", webId}}));
    };
    const int pin = point(id, hole1, 2, 0, 0);
    const int tee1 = point(id, hole1, 1, 1, 0);
    point(id, hole1, 1, 2, 0);
    point(id, hole1, 1, 2, 0);  // tee 2 twice
    const int webPoint = point(other, 0, 5, 0, 700);

    TTransaction tx(db);
    TCourseWriter writer(db);
    EXPECT_EQ(writer.FixedPointId(id, hole1, 2, 0), pin);
    EXPECT_EQ(writer.FixedPointId(id, hole1, 1, 1), tee1);
    EXPECT_EQ(writer.FixedPointId(id, hole1, 1, 2), 0);  // not one but two
    EXPECT_EQ(writer.FixedPointId(id, hole1, 1, 3), 0);
    EXPECT_EQ(writer.PointOfWebId(700), webPoint);  // whichever course holds it
    EXPECT_EQ(writer.PointOfWebId(701), 0);

    TPointRecord p;
    p.hole = 1;
    p.description = "changed";
    // Found last: the web point; changed: the pin, which is read again.
    ASSERT_EQ(writer.PointOfWebId(700), webPoint);
    EXPECT_EQ(writer.PutPoint(id, pin, p), pin);
    // Found and changed: the tee, moved to another course's hole by the record.
    ASSERT_EQ(writer.FixedPointId(id, hole1, 1, 1), tee1);
    p.type = 1;
    p.tee = 3;
    EXPECT_EQ(writer.PutPoint(other, tee1, p), tee1);
    // Found, then a new point: the found one stays as it is.
    ASSERT_EQ(writer.PointOfWebId(700), webPoint);
    const int added = writer.PutPoint(id, 0, p);
    EXPECT_NE(added, webPoint);
    tx.Commit();

    const auto row = [](int pointId) { return "PointId = " + std::to_string(pointId); };
    EXPECT_EQ(Value("Waypoints", row(pin), "Description").AsString(), "changed");
    EXPECT_EQ(Value("Waypoints", row(pin), "Type").AsInteger(), 2);
    EXPECT_EQ(Value("Waypoints", row(tee1), "Description").AsString(), "changed");
    EXPECT_EQ(Value("Waypoints", row(tee1), "CourseId").AsInteger(), other);
    EXPECT_EQ(Value("Waypoints", row(tee1), "HoleId").AsInteger(),
              Value("Holes", Hole(other, 1), "HoleId").AsInteger());
    EXPECT_EQ(Value("Waypoints", row(tee1), "Tee").AsInteger(), 3);
    EXPECT_EQ(Value("Waypoints", row(webPoint), "Description").AsString(), "stored");
    EXPECT_EQ(Value("Waypoints", row(webPoint), "CourseId").AsInteger(), other);
    EXPECT_EQ(Value("Waypoints", row(added), "CourseId").AsInteger(), id);
    EXPECT_EQ(Count("Waypoints"), 6);
}

TEST_F(CourseStoreTest, WriterDoesNotChangeAPointGoneWithARolledBackTransaction) {
    const int id = CreateCourse(db, Setup(false, 1));
    TCourseWriter writer(db);
    TPointRecord p;
    p.hole = 1;
    p.type = 2;
    int pointId = 0;
    {
        TTransaction tx(db);
        pointId = writer.PutPoint(id, 0, p);
    }  // rolled back
    EXPECT_EQ(Count("Waypoints"), 0);
    TTransaction tx(db);
    EXPECT_THROW(writer.PutPoint(id, pointId, p), EDatabaseError);
    EXPECT_GT(writer.PutPoint(id, 0, p), 0);  // the writer is still usable
    tx.Commit();
    EXPECT_EQ(Count("Waypoints"), 1);
}
