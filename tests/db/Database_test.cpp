#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "db/Dbfixture.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Columns(TDatabase& db, const std::string& table) {
    TTable t(&db, table);
    t.Open();
    std::vector<std::string> names;
    for (int i = 0; i < t.FieldCount(); ++i) names.push_back(t.FieldName(i));
    return names;
}

// Every file in the folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = ReadBytes(e.path().string());
    return files;
}

std::string OpenError(const std::string& path) {
    TDatabase db;
    db.SetDatabaseName(path);
    try {
        db.Open();
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(db.Connected());
        return e.what();
    }
    return "";
}

}  // namespace

TEST_F(DbTest, NewDatabaseHasEveryTableAndColumn) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"PlayerDetail", {"UserId", "FirstName", "LastName", "HCP", "ImageId1", "ImageId2", "ImageId3",
                          "LinkName", "LinkURL", "UserDesc", "GolfClub", "LinkName2", "URL2", "StreetAddress",
                          "ZipCode", "City", "State", "Country", "Sex"}},
        {"GolfBag", {"BagId", "UserId", "BagName", "BagWebId"}},
        {"Clubs", {"ClubId", "BagId", "OrderNumber"}},
        {"ClubDetail", {"ClubId", "UserId", "ClubName", "U8_Name", "Shots", "ShotsLength", "Type", "ClubWebId",
                        "DeletedClub", "LongestShot", "ShotsWithLength"}},
        {"Country", {"CountryId", "Country", "Currency", "LCID", "Def_Zone"}},
        {"States", {"CountryId", "StateId", "StateName"}},
        {"Datum", {"DatumID", "Number", "Name", "Description"}},
        {"Course_General", {"CourseId", "Course_Name", "U8_Name", "Address1", "Address2", "Zip_Code", "State",
                            "Country", "Telephone", "Fax", "Link", "Email", "Image_Id", "18Holes", "Tees",
                            "Description", "Web_Id"}},
        {"Holes", {"HoleId", "CourseId", "HoleNumber", "HolePar", "HoleLength1", "HoleLength2", "HoleLength3",
                   "HoleLength4", "HoleLength5", "HoleLength6", "HoleHCP1", "HoleHCP2", "HoleName", "HoleDesc",
                   "LatitudeM1", "LongitudeM1", "LatitudeM2", "LongitudeM2", "LatitudeH", "LongitudeH",
                   "LatitudeT1", "LatitudeT2", "LatitudeT3", "LatitudeT4", "LatitudeT5", "LatitudeT6",
                   "LongitudeT1", "LongitudeT2", "LongitudeT3", "LongitudeT4", "LongitudeT5", "LongitudeT6"}},
        {"ScoreCard", {"ScoreCardId", "CourseId", "CR1M", "CR2M", "CR3M", "CR4M", "CR5M", "CR6M", "CR1F", "CR2F",
                       "CR3F", "CR4F", "CR5F", "CR6F", "TL1", "TL2", "TL3", "TL4", "TL5", "TL6", "S1M", "S2M",
                       "S3M", "S4M", "S5M", "S6M", "S1F", "S2F", "S3F", "S4F", "S5F", "S6F", "Tee1Col",
                       "Tee2Col", "Tee3Col", "Tee4Col", "Tee5Col", "Tee6Col", "Tee1Name", "Tee2Name",
                       "Tee3Name", "Tee4Name", "Tee5Name", "Tee6Name", "HoleCol"}},
        {"Waypoints", {"PointId", "CourseId", "HoleId", "Name", "Type", "Tee", "Latitude", "Longitude",
                       "Description", "PointWebId"}},
        {"Round", {"RoundId", "UserId", "CourseId", "EventId", "BagId", "TeeNumber", "RoundHCP", "Score",
                   "MarkerName", "RoundStartDate", "RoundEndDate", "RoundTitle", "U8_Title", "RoundDesc",
                   "StrokePlay", "Web_Id", "Par", "ShotsTotal", "ShotsDriver", "ShotsPutter", "Penalties",
                   "Invalid"}},
        {"RoundHoles", {"RoundHoleId", "HoleId", "RoundId", "HoleFlags", "HoleShotsTotal", "HoleShotsDriver",
                        "HoleShotsPutter", "HolePenalties", "HolePar", "GIR", "FIR", "BunkerHits", "Quit",
                        "Invalid"}},
        {"RoundShots", {"ShotId", "RoundId", "HoleId", "ShotNumber", "ClubId", "PenId", "Latitude", "Longitude",
                        "Puts", "ShotLength", "PointDate", "Description"}},
    };
    ASSERT_EQ(expected.size(), 14u);
    ASSERT_EQ(TDatabase::TableNames().size(), 14u);
    for (const std::string& name : TDatabase::TableNames()) {
        ASSERT_TRUE(expected.count(name)) << name;
        const auto cols = Columns(db, name);
        std::set<std::string> got(cols.begin(), cols.end());
        std::set<std::string> want(expected.at(name).begin(), expected.at(name).end());
        EXPECT_EQ(got, want) << name;
    }
}

// Required columns and automatic keys as the tables define them; yes/no
// columns are never null and are left out of the required sets.
TEST_F(DbTest, RequiredColumnsAndAutomaticKeys) {
    const std::map<std::string, std::set<std::string>> required = {
        {"PlayerDetail", {"UserId"}},
        {"GolfBag", {"BagName"}},
        {"Clubs", {}},
        {"ClubDetail", {}},
        {"Country", {"CountryId"}},
        {"States", {"CountryId", "StateId"}},
        {"Datum", {}},
        {"Course_General", {"Course_Name", "U8_Name", "Tees"}},
        {"Holes", {"CourseId", "HoleNumber", "HoleHCP1"}},
        {"ScoreCard", {"CourseId"}},
        {"Waypoints", {"CourseId"}},
        {"Round", {}},
        {"RoundHoles", {}},
        {"RoundShots", {}},
    };
    const std::map<std::string, std::string> keys = {
        {"GolfBag", "BagId"},         {"ClubDetail", "ClubId"},  {"Datum", "DatumID"},
        {"Course_General", "CourseId"}, {"Holes", "HoleId"},     {"ScoreCard", "ScoreCardId"},
        {"Waypoints", "PointId"},     {"Round", "RoundId"},      {"RoundHoles", "RoundHoleId"},
        {"RoundShots", "ShotId"},
    };
    for (const std::string& table : TDatabase::TableNames()) {
        SCOPED_TRACE(table);
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.Handle(), ("PRAGMA table_info(\"" + table + "\")").c_str(), -1,
                                     &stmt, nullptr),
                  SQLITE_OK);
        std::set<std::string> notNull;
        std::string key;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
            if (sqlite3_column_int(stmt, 5) == 1) key = name;
            if (sqlite3_column_int(stmt, 3) != 0 && type.find("BOOLEAN") == std::string::npos &&
                name != key)
                notNull.insert(name);
        }
        sqlite3_finalize(stmt);
        EXPECT_EQ(notNull, required.at(table));
        EXPECT_EQ(key, keys.count(table) ? keys.at(table) : std::string());
    }
    // A key is assigned on post; a required column left empty is refused.
    const long long first = AppendRow("Datum", {{"Name", "Test"}});
    EXPECT_GT(first, 0);
    EXPECT_THROW(AppendRow("Holes", {{"CourseId", 1}, {"HoleNumber", 1}}), EDatabaseError);
}

TEST_F(DbTest, ReferenceRows) {
    TTable country(&db, "Country");
    country.Open();
    EXPECT_GT(country.RecordCount(), 240);
    EXPECT_EQ(country.Lookup("CountryId", {TVariant("US")}, "Country").AsString(), "United States");
    EXPECT_EQ(country.Lookup("CountryId", {TVariant("DE")}, "Country").AsString(), "Germany");
    EXPECT_EQ(country.Lookup("CountryId", {TVariant("GB")}, "Country").AsString(), "United Kingdom");

    EXPECT_EQ(Count("States", "CountryId = 'US'"), 51);
    EXPECT_EQ(Count("States", "CountryId = 'CA'"), 13);
    TTable states(&db, "States");
    states.SetFilter("StateId=\"CA\"");
    states.Open();
    ASSERT_EQ(states.RecordCount(), 1);
    EXPECT_EQ(states.FieldByName("StateName").AsString(), "California");
    EXPECT_EQ(states.FieldByName("CountryId").AsString(), "US");
    states.SetFilter("StateId = 'QC'");
    EXPECT_EQ(states.FieldByName("CountryId").AsString(), "CA");

    TTable datum(&db, "Datum");
    datum.Open();
    EXPECT_GE(datum.RecordCount(), 5);
    EXPECT_EQ(datum.FieldByName("DatumID").AsInteger(), 1);
    EXPECT_EQ(datum.FieldByName("Name").AsString(), "WGS 84");
    for (datum.First(); !datum.Eof(); datum.Next())
        EXPECT_LE(datum.FieldByName("Name").AsString().size(), 10u);
}

TEST_F(DbTest, DefaultBagWithThirteenClubs) {
    TTable bag(&db, "GolfBag");
    bag.SetFilter("BagName='Default'");
    bag.Open();
    ASSERT_EQ(bag.RecordCount(), 1);
    EXPECT_EQ(bag.FieldByName("BagId").AsInteger(), 1);
    EXPECT_EQ(bag.FieldByName("UserId").AsInteger(), 1);

    TTable clubs(&db, "Clubs");
    clubs.SetFilter("BagId=1");
    clubs.AddSort("[OrderNumber] ASC");
    clubs.Open();
    ASSERT_EQ(clubs.RecordCount(), 13);
    TTable detail(&db, "ClubDetail");
    detail.Open();
    std::set<int> ids;
    int rank = 1;
    for (clubs.First(); !clubs.Eof(); clubs.Next(), ++rank) {
        EXPECT_EQ(clubs.FieldByName("OrderNumber").AsInteger(), rank);
        const int id = clubs.FieldByName("ClubId").AsInteger();
        EXPECT_EQ(id, 98 + rank);  // in holder order
        ids.insert(id);
        ASSERT_TRUE(detail.Locate("ClubId", id));
        EXPECT_EQ(detail.FieldByName("UserId").AsInteger(), 1);
        EXPECT_FALSE(detail.FieldByName("DeletedClub").AsBoolean());
        EXPECT_EQ(detail.FieldByName("Shots").AsInteger(), 0);
        EXPECT_LE(detail.FieldByName("U8_Name").AsString().size(), 8u);
        const int type = detail.FieldByName("Type").AsInteger();
        EXPECT_TRUE(type == 0 || type == 1 || type == 2 || type == 9);
        // The putter stands first, and only the putter.
        EXPECT_EQ(type == 9, rank == 1) << detail.FieldByName("ClubName").AsString();
    }
    EXPECT_EQ(*ids.begin(), 99);
    EXPECT_EQ(*ids.rbegin(), 111);
    EXPECT_EQ(ids.size(), 13u);
    // Numbered in holder order: the device reads codes 98 and 99 as the putter.
    EXPECT_EQ(detail.Lookup("ClubId", {TVariant(99)}, "ClubName").AsString(), "Putter");
    EXPECT_EQ(detail.Lookup("ClubId", {TVariant(100)}, "ClubName").AsString(), "Driver");
    EXPECT_EQ(detail.Lookup("ClubId", {TVariant(111)}, "ClubName").AsString(), "SW");
}

TEST_F(DbTest, ExistingDatabaseIsOpenedNotRecreated) {
    const long long bag = AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "Travel"}});
    db.Close();
    EXPECT_FALSE(db.Connected());
    EXPECT_THROW(db.Handle(), EDatabaseError);
    db.Open();
    TTable t(&db, "GolfBag");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_TRUE(t.Locate("BagId", bag));
    EXPECT_EQ(t.FieldByName("BagName").AsString(), "Travel");
    EXPECT_EQ(Count("ClubDetail"), 13);
}

TEST(DbFiles, NonSqliteFileIsRefusedAndLeftAlone) {
    TempHome home;
    const std::string path = home.File("kx.mdb");
    {
        std::ofstream out(path, std::ios::binary);
        out << "Standard Jet DB" << std::string(3000, '\x07') << "not sqlite at all";
    }
    const auto before = Snapshot(home.Path());
    const std::string error = OpenError(path);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("is not a Caddora database"), std::string::npos) << error;
    EXPECT_EQ(Snapshot(home.Path()), before);
}

TEST(DbFiles, SqliteFileWithoutOurTablesIsRefusedAndLeftAlone) {
    TempHome home;
    const std::string path = home.File("kx.mdb");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE Notes (Text TEXT); INSERT INTO Notes VALUES ('keep');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    const auto before = Snapshot(home.Path());
    ASSERT_EQ(before.size(), 1u);
    const std::string error = OpenError(path);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("is not a Caddora database"), std::string::npos) << error;
    EXPECT_EQ(Snapshot(home.Path()), before);  // no journal, no log, same bytes
}

TEST(DbFiles, DatabaseMissingOneTableIsRefused) {
    TempHome home;
    const std::string path = home.File("kx.mdb");
    {
        TDatabase db;
        db.SetDatabaseName(path);
        db.Open();
        db.Execute("DROP TABLE Datum");
    }
    const auto before = Snapshot(home.Path());
    const std::string error = OpenError(path);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("Datum"), std::string::npos) << error;
    EXPECT_EQ(Snapshot(home.Path()), before);
}

TEST(DbFiles, UnreadablePathGivesMessageNamingIt) {
    TempHome home;
    const std::string path = home.File("kx.mdb");
    fs::create_directory(path);
    const std::string error = OpenError(path);
    EXPECT_NE(error.find("Cannot open the database " + path), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(DbTest, FailedTransactionLeavesNoRowBehind) {
    TTable rounds(&db, "Round");
    rounds.Open();
    try {
        TTransaction tx(db);
        TTable shots(&db, "RoundShots");
        shots.Open();
        rounds.Append();
        rounds.FieldByName("UserId").SetAsInteger(1);
        rounds.Post();
        const int roundId = rounds.FieldByName("RoundId").AsInteger();
        EXPECT_GT(roundId, 0);
        for (int i = 1; i <= 5; ++i) {
            shots.Append();
            shots.FieldByName("RoundId").SetAsInteger(roundId);
            shots.FieldByName("ShotNumber").SetAsInteger(i);
            shots.Post();
        }
        EXPECT_EQ(db.TransactionLevel(), 1);
        throw std::runtime_error("device stopped answering");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(db.TransactionLevel(), 0);
    EXPECT_EQ(Count("Round"), 0);
    EXPECT_EQ(Count("RoundShots"), 0);
    // The open table no longer shows the row either.
    EXPECT_EQ(rounds.RecordCount(), 0);
    EXPECT_EQ(rounds.State(), TDataSetState::Browse);
}

TEST_F(DbTest, CommittedAndNestedTransactions) {
    {
        TTransaction outer(db);
        AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "Outer"}});
        try {
            TTransaction inner(db);
            EXPECT_EQ(db.TransactionLevel(), 2);
            AppendRow("GolfBag", {{"UserId", 1}, {"BagName", "Inner"}});
            throw std::runtime_error("inner fails");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(db.TransactionLevel(), 1);
        outer.Commit();
    }
    EXPECT_EQ(db.TransactionLevel(), 0);
    EXPECT_EQ(Count("GolfBag", "BagName='Outer'"), 1);
    EXPECT_EQ(Count("GolfBag", "BagName='Inner'"), 0);
    EXPECT_THROW(db.Commit(), EDatabaseError);
    EXPECT_THROW(db.Rollback(), EDatabaseError);
}

TEST_F(DbTest, ClosingTheDatabaseClosesItsTables) {
    TTable t(&db, "ClubDetail");
    t.Open();
    t.Edit();
    t.FieldByName("ClubName").SetAsString("Changed");
    db.Close();
    EXPECT_FALSE(t.Active());
    db.Open();
    t.Open();
    EXPECT_EQ(t.FieldByName("ClubName").AsString(), "Putter");  // the edit was never posted
}

TEST(DbFiles, TableOutlivingItsDatabase) {
    TempHome home;
    auto db = std::make_unique<TDatabase>();
    db->SetDatabaseName(home.File("kx.mdb"));
    db->Open();
    TTable t(db.get(), "GolfBag");
    t.Open();
    t.Append();
    db.reset();  // statements are released with the connection
    EXPECT_FALSE(t.Active());
    EXPECT_THROW(t.First(), EDatabaseError);
}

TEST(DbFiles, ClosedDatabaseIsReported) {
    TDatabase db;
    EXPECT_THROW(db.Open(), EDatabaseError);  // no name
    TTable t(&db, "GolfBag");
    EXPECT_THROW(t.Open(), EDatabaseError);
    EXPECT_THROW(db.StartTransaction(), EDatabaseError);
    EXPECT_EQ(db.TransactionLevel(), 0);
}
