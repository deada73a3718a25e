// The database under races and limits: two programs creating it at once,
// column lengths and ranges, hostile filters, a read-only file.
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Dbfixture.h"
#include "db/Jetfilter.h"

namespace {

// Rows of a table read with SQLite directly (no table component).
int CountRows(const std::string& path, const std::string& sql) {
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return -1;
    }
    sqlite3_stmt* st = nullptr;
    int n = -1;
    if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(h);
    return n;
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* h = nullptr;
    std::string r = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            r = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return r;
}

// Runs f in a child process without root's rights (root may write
// anywhere); the child's exit status is f's result.
int InChildWithoutRoot(const std::function<int()>& f) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        int r = 91;
        try {
            r = f();
        } catch (...) {
        }
        _exit(r);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Opens db on the file at path; a failure is written to stderr and gives false.
bool OpenOrReport(TDatabase& db, const std::string& path) {
    db.SetDatabaseName(path);
    try {
        db.Open();
    } catch (const EDatabaseError& e) {
        fprintf(stderr, "%s\n", e.what());
        return false;
    }
    return true;
}

// Opens the database at path without root's rights. 0: opened, seen as
// read-only and its data readable; 1: opened writable; 2: not opened.
int OpenReadOnlyWithoutRoot(const std::string& path) {
    return InChildWithoutRoot([&] {
        TDatabase db;
        if (!OpenOrReport(db, path)) return 2;
        if (!db.ReadOnly()) return 1;
        TTable clubs(&db, "ClubDetail");
        clubs.Open();
        return clubs.RecordCount() == 13 ? 0 : 3;
    });
}

}  // namespace

// Two programs start on an empty data folder at the same moment: whichever
// creates the file, both end up using one valid database that keeps both
// rows, and no stray file is left beside it.
TEST(DatabaseCreation, TwoProgramsStartingTogetherShareOneDatabase) {
    for (int round = 0; round < 20; ++round) {
        TempHome home;
        const std::string path = DataPath("kx.mdb");
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t children[2];
        for (int c = 0; c < 2; ++c) {
            children[c] = fork();
            ASSERT_GE(children[c], 0);
            if (children[c] == 0) {
                close(go[1]);
                char byte;
                if (read(go[0], &byte, 1) != 1) _exit(3);
                int status = 0;
                try {
                    TDatabase db;
                    db.SetDatabaseName(path);
                    db.Open();
                    TTable t(&db, "PlayerDetail");
                    t.Open();
                    t.Append();
                    t.FieldByName("UserId").SetAsInteger(10 + c);
                    t.Post();
                    t.Close();
                    db.Close();
                } catch (...) {
                    status = 1;
                }
                _exit(status);
            }
        }
        close(go[0]);
        ASSERT_EQ(write(go[1], "gg", 2), 2);
        close(go[1]);
        for (pid_t child : children) {
            int status = -1;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0) << "round " << round;
        }
        EXPECT_EQ(IntegrityCheck(path), "ok") << "round " << round;
        EXPECT_EQ(CountRows(path, "SELECT count(*) FROM PlayerDetail WHERE UserId IN (10, 11)"), 2)
            << "round " << round;
        EXPECT_EQ(CountRows(path, "SELECT count(*) FROM GolfBag WHERE BagName = 'Default'"), 1);
        for (const auto& entry : std::filesystem::directory_iterator(home.Path()))
            EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos)
                << entry.path();
    }
}

// A creation that fails leaves no file of its own behind.
TEST(DatabaseCreation, AFailedCreationLeavesNoFileBehind) {
    TempHome home;
    const std::string locked = home.Path() + "/locked";
    std::filesystem::create_directory(locked);
    chmod(home.Path().c_str(), 0755);
    chmod(locked.c_str(), 0555);
    const int r = InChildWithoutRoot([&] {
        TDatabase db;
        db.SetDatabaseName(locked + "/kx.mdb");
        try {
            db.Open();
        } catch (const EDatabaseError&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}

TEST_F(DbTest, PostRefusesTextsLongerThanTheirColumnAndWritesNothing) {
    const int before = Count("GolfBag");
    TTable t(&db, "GolfBag");
    t.Open();
    t.Append();
    t.FieldByName("UserId").SetAsInteger(1);
    t.FieldByName("BagName").SetAsString(std::string(1 << 20, 'x'));
    const std::string err = ErrorOf([&] { t.Post(); });
    EXPECT_NE(err.find("BagName"), std::string::npos) << err;
    EXPECT_NE(err.find("GolfBag"), std::string::npos) << err;
    EXPECT_NE(err.find("50"), std::string::npos) << err;
    t.Cancel();
    EXPECT_EQ(Count("GolfBag"), before);

    // Exactly the length passes; characters, not bytes, are counted.
    t.Append();
    t.FieldByName("BagName").SetAsString(std::string(50, 'y'));
    EXPECT_NO_THROW(t.Post());
    t.Append();
    std::string accented;
    for (int i = 0; i < 50; ++i) accented += "\xC3\xA9";
    t.FieldByName("BagName").SetAsString(accented);
    EXPECT_NO_THROW(t.Post());
    t.Append();
    t.FieldByName("BagName").SetAsString(accented + "e");
    EXPECT_NE(ErrorOf([&] { t.Post(); }), "");
    t.Cancel();

    // An edit that makes a stored row too long leaves the row as it was.
    ASSERT_TRUE(t.Locate("BagName", TVariant(std::string(50, 'y'))));
    t.Edit();
    t.FieldByName("BagName").SetAsString(std::string(51, 'z'));
    EXPECT_NE(ErrorOf([&] { t.Post(); }), "");
    t.Cancel();
    EXPECT_EQ(Count("GolfBag", "BagName = '" + std::string(50, 'y') + "'"), 1);
}

TEST_F(DbTest, PostRefusesNumbersOutsideTheirColumnsRange) {
    TTable t(&db, "Clubs");
    t.Open();
    t.Append();
    t.FieldByName("ClubId").SetAsInteger(1);
    t.FieldByName("OrderNumber").SetAsInteger(70000);  // 16 bits
    std::string err = ErrorOf([&] { t.Post(); });
    EXPECT_NE(err.find("OrderNumber"), std::string::npos) << err;
    EXPECT_NE(err.find("Clubs"), std::string::npos) << err;
    EXPECT_NE(err.find("32767"), std::string::npos) << err;
    t.FieldByName("OrderNumber").SetAsInteger(-32769);
    EXPECT_NE(ErrorOf([&] { t.Post(); }), "");
    t.FieldByName("OrderNumber").SetAsInteger(-32768);
    t.FieldByName("BagId").SetAsInteger(40000);  // links to a 32-bit key
    EXPECT_NO_THROW(t.Post());
    // 32-bit columns take 16-bit overflow but not 32-bit overflow.
    // A course point links to a hole number past 32767.
    TTable w(&db, "Waypoints");
    w.Open();
    w.Append();
    w.FieldByName("CourseId").SetAsInteger(1);
    w.FieldByName("HoleId").SetAsInteger(180000);
    EXPECT_NO_THROW(w.Post());
    t.Append();
    t.FieldByName("ClubId").SetAsInteger(70000);
    EXPECT_NO_THROW(t.Post());
    t.Append();
    t.FieldByName("ClubId").SetAsInteger(1LL << 32);
    EXPECT_NE(ErrorOf([&] { t.Post(); }), "");
    t.Cancel();
    EXPECT_EQ(Count("Clubs", "ClubId = 70000 Or OrderNumber = -32768"), 2);
}

TEST_F(DbTest, FitToFieldCutsOutsideTextToTheColumn) {
    TTable t(&db, "ClubDetail");
    t.Open();
    EXPECT_EQ(t.FieldSize("U8_Name"), 8);
    EXPECT_EQ(t.FieldSize("Shots"), 0);
    EXPECT_EQ(t.FitToField("U8_Name", "Sand wedge"), "Sand wed");
    EXPECT_EQ(t.FitToField("U8_Name", "Driver"), "Driver");
    // A multi-byte character is kept whole.
    EXPECT_EQ(t.FitToField("U8_Name", "\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96"),
              "\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96\xC3\x96");
}

TEST(FilterLimits, DeepNestingAndHugeInputAreInvalidFiltersNotCrashes) {
    std::vector<TVariant> params;
    const std::string brackets = std::string(10000, '(') + "1 = 1" + std::string(10000, ')');
    std::string err = ErrorOf([&] { TTable::TranslateFilter(brackets, &params); });
    EXPECT_NE(err.find("Invalid filter"), std::string::npos) << err.substr(0, 200);

    std::string nots;
    for (int i = 0; i < 100000; ++i) nots += "not ";
    err = ErrorOf([&] { TTable::TranslateFilter(nots + "UserId = 1", &params); });
    EXPECT_NE(err.find("Invalid filter"), std::string::npos) << err.substr(0, 200);
    EXPECT_LT(err.size(), 1000u);

    const std::string huge = "Name = '" + std::string(1 << 20, 'a') + "'";
    err = ErrorOf([&] { TTable::TranslateFilter(huge, &params); });
    EXPECT_NE(err.find("Invalid filter"), std::string::npos) << err.substr(0, 200);

    // Ordinary nesting still works.
    const std::string fine = std::string(50, '(') + "UserId = 1" + std::string(50, ')');
    EXPECT_EQ(ErrorOf([&] { TTable::TranslateFilter(fine, &params); }), "");
}

TEST(ReadOnlyDatabase, IsReportedAsReadOnly) {
    TempHome home;
    const std::string path = DataPath("kx.mdb");
    {
        TDatabase db;
        db.SetDatabaseName(path);
        db.Open();
        EXPECT_FALSE(db.ReadOnly());
    }
    // Only the file is protected; its folder stays open to its user.
    chmod(home.Path().c_str(), 0777);
    chmod(path.c_str(), 0444);
    const int r = OpenReadOnlyWithoutRoot(path);
    EXPECT_EQ(r, 0);
    // A read-only folder: no side file can be made beside the database, and
    // the data is still shown, read-only, whether the file is writable or not.
    for (mode_t fileMode : {0666, 0444}) {
        chmod(path.c_str(), fileMode);
        chmod(home.Path().c_str(), 0555);
        const int inFolder = OpenReadOnlyWithoutRoot(path);
        chmod(home.Path().c_str(), 0777);
        EXPECT_EQ(inFolder, 0) << std::oct << fileMode;
    }
}

TEST_F(DbTest, AStoredValueOfTheWrongTypeNamesItsField) {
    db.Execute("UPDATE ClubDetail SET ShotsLength = 'abc' WHERE ClubId = 100");
    TTable clubs(&db, "ClubDetail");
    clubs.SetFilter("ClubId=100");
    clubs.Open();
    for (const auto& read : std::vector<std::function<void()>>{
             [&] { clubs.FieldByName("ShotsLength").AsFloat(); },
             [&] { clubs.FieldByName("ShotsLength").AsInteger(); },
             [&] { clubs.FieldByName("ShotsLength").AsDateTime(); }}) {
        try {
            read();
            ADD_FAILURE() << "converted";
        } catch (const EDatabaseError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("'abc' is not a valid ", 0), 0u) << text;
            EXPECT_NE(text.find(" for field 'ShotsLength' of ClubDetail."), std::string::npos) << text;
        }
    }
}

// A named pipe in place of the schema: making the database reports the file
// and leaves nothing, instead of waiting on the pipe. The child runs afresh,
// so it finds its resources where the variable names them.
TEST(DatabaseCreation, APipeAsTheSchemaIsReportedNotWaitedOn) {
    namespace fs = std::filesystem;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempHome home;
    const std::string resources = home.File("resources");
    fs::create_directory(resources);
    { std::ofstream(resources + "/reference.sql") << "SELECT 1;\n"; }
    ASSERT_EQ(::mkfifo((resources + "/schema.sql").c_str(), 0600), 0);
    setenv("CADDORA_RESOURCES", resources.c_str(), 1);
    const std::string path = home.File("kx.mdb");
    EXPECT_EXIT(
        {
            alarm(20);
            TDatabase db;
            if (!OpenOrReport(db, path)) _exit(fs::exists(fs::symlink_status(path)) ? 2 : 0);
            _exit(1);
        },
        ::testing::ExitedWithCode(0), "schema.sql not found");
    unsetenv("CADDORA_RESOURCES");
}
