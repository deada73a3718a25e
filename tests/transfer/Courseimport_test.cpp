// The import of the simulated U8's courses into the database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "transfer/Transfercommon.h"
#include "transfer/Transferfixture.h"
#include "transfer/Transw31.h"
#include "transfer/Transw4.h"

namespace {

class CourseImportTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        Append("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"Country", "SE"}});
        sim.Device().LoadFull();
    }
    // The directory and the game headers, as the page reads them.
    void Load(TCourseImport& imp) {
        ASSERT_EQ(device.ReadCourseDirectory(imp.CourseDirectory), 0);
        for (int n = 1; n <= 4; ++n) imp.GameHeaderRead[n - 1] = device.ReadGameHeader(n, &imp.GameHeaders[n - 1]) == 0;
    }
    // One run for a slot, its messages shown as the course page shows them
    // (the default-information warning once per run): 1 when it failed.
    int Store(int slot) {
        TCourseImport imp(device, db, 1);
        Load(imp);
        unsigned char shown = 0;
        return ShowCourseReports(imp.Run({slot}), shown) ? 1 : 0;
    }
    bool WroteAt(int address, int size) {
        for (const auto& a : sim.Device().MemoryLog())
            if (a.write && a.address < address + size && address < a.address + a.count) return true;
        return false;
    }
};

TEST_F(CourseImportTest, DeviceCoursesBecomeRowsAndTheDeviceLearnsTheirIds) {
    Open();
    for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(Store(slot), 0) << slot;
    EXPECT_TRUE(messages.Empty()) << messages.Texts().front();

    EXPECT_EQ(Count("Course_General"), 3);
    const int oak = CourseId("Oak Hill"), pine = CourseId("Pine Vly"), sea = CourseId("Sea Links");
    ASSERT_GT(oak, 0);
    const std::string where = "CourseId = " + std::to_string(pine);
    EXPECT_EQ(Value("Course_General", where, "U8_Name").AsString(), "Pine Vly");
    // A name longer than the column's 8 characters is cut there.
    EXPECT_EQ(Value("Course_General", "CourseId = " + std::to_string(sea), "U8_Name").AsString(), "Sea Link");
    EXPECT_FALSE(Value("Course_General", where, "18Holes").AsBoolean());
    EXPECT_EQ(Value("Course_General", where, "Tees").AsInteger(), 1);
    EXPECT_EQ(Value("Course_General", where, "Country").AsString(), "SE");
    EXPECT_EQ(Value("ScoreCard", where, "CR1M").AsFloat(), 72.0);
    EXPECT_EQ(Value("ScoreCard", where, "S1F").AsInteger(), 113);
    EXPECT_EQ(Value("ScoreCard", where, "Tee1Col").AsInteger(), 16777215);
    EXPECT_EQ(Value("ScoreCard", where, "HoleCol").AsInteger(), 65280);
    EXPECT_EQ(Count("Holes", where), 9);
    EXPECT_EQ(Count("Holes", "CourseId = " + std::to_string(sea)), 18);
    // Hole 3 of Pine Vly (slot 1): a par 5 of 490 m.
    const std::string hole3 = where + " and HoleNumber = 3";
    EXPECT_EQ(Value("Holes", hole3, "HoleLength1").AsInteger(), 490);
    EXPECT_EQ(Value("Holes", hole3, "HolePar").AsInteger(), 5);
    EXPECT_EQ(Value("Holes", hole3, "HoleHCP1").AsInteger(), 3);
    EXPECT_EQ(Value("Holes", hole3, "HoleHCP2").AsInteger(), 0);
    // Five points per hole; a name decides the type.
    EXPECT_EQ(Count("Waypoints"), 90 + 45 + 90);
    const int holeId = Value("Holes", hole3, "HoleId").AsInteger();
    const std::string pts = where + " and HoleId = " + std::to_string(holeId);
    EXPECT_EQ(Count("Waypoints", pts), 5);
    EXPECT_EQ(Value("Waypoints", pts + " and Name = 'PIN'", "Type").AsInteger(), 2);
    EXPECT_EQ(Value("Waypoints", pts + " and Name = 'BUNKER'", "Type").AsInteger(), 6);
    EXPECT_EQ(Value("Waypoints", pts + " and Name = 'Tee'", "Type").AsInteger(), 1);
    EXPECT_EQ(Value("Waypoints", pts + " and Name = 'Tee'", "Tee").AsInteger(), 1);
    EXPECT_NEAR(Value("Waypoints", pts + " and Name = 'GREEN'", "Latitude").AsFloat(), 60.2542312, 1e-9);
    EXPECT_NEAR(Value("Waypoints", pts + " and Name = 'GREEN'", "Longitude").AsFloat(), 24.8584169, 1e-9);

    // The device carries the new numbers: the directory, and the two games
    // that referred to the courses; the empty areas are not written.
    EXPECT_EQ(DeviceWord(Entry(0)), oak);
    EXPECT_EQ(DeviceWord(Entry(1)), pine);
    EXPECT_EQ(DeviceWord(Entry(2)), sea);
    EXPECT_EQ(DeviceWord(Game(1) + 8), oak);
    EXPECT_EQ(DeviceWord(Game(2) + 8), pine);
    EXPECT_FALSE(WroteAt(Game(3), 30));
    EXPECT_FALSE(WroteAt(Game(4), 30));
    EXPECT_EQ(sim.Device().Byte(Entry(1) + 13), 9);  // the entry as read, with the new number
}

TEST_F(CourseImportTest, OnlyHeadersOfTheOldNumberAreRewritten) {
    std::vector<uint8_t> other = {0x22, 0x02};  // game 2 refers to course 546
    sim.Device().Write(Game(2) + 8, other);
    Open();
    EXPECT_EQ(Store(0), 0);
    EXPECT_TRUE(WroteAt(Game(1), 30));
    EXPECT_FALSE(WroteAt(Game(2), 30));
    EXPECT_EQ(DeviceWord(Game(2) + 8), 0x0222);
}

TEST_F(CourseImportTest, ImportAgainMergesPointsWithoutCopies) {
    Open();
    ASSERT_EQ(Store(0), 0);
    const int oak = CourseId("Oak Hill");
    const int before = Count("Waypoints");
    // A point typed in by hand at a device position: the same place in 1e-7 units.
    const int hole1 = Value("Holes", "CourseId = " + std::to_string(oak) + " and HoleNumber = 1", "HoleId").AsInteger();
    sim.Device().PutPoint(9, "Rough", 600123456, 245123456);
    AddPoint(oak, hole1, 7, 0, 60.0123456, 24.5123456, "Rough");
    // Hole 3's green moves; a lay-up and the ninth point of hole 2 come new.
    sim.Device().PutPoint(9 * 2 + 3, "GREEN", 600099999, 245099999);
    sim.Device().PutPoint(9 * 1 + 4, "Lay-up 1", 600088888, 245088888);
    sim.Device().PutPoint(9 * 1 + 9, "Water left", 600077777, 245077777);
    messages.Clear();
    EXPECT_EQ(Store(0), 0);
    EXPECT_TRUE(messages.Empty());
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("Waypoints"), before + 1 + 2);
    const std::string course = "CourseId = " + std::to_string(oak);
    const int hole2 = Value("Holes", course + " and HoleNumber = 2", "HoleId").AsInteger();
    const int hole3 = Value("Holes", course + " and HoleNumber = 3", "HoleId").AsInteger();
    EXPECT_EQ(Count("Waypoints", "HoleId = " + std::to_string(hole3) + " and Type = 3"), 1);
    EXPECT_NEAR(Value("Waypoints", "HoleId = " + std::to_string(hole3) + " and Type = 3", "Latitude").AsFloat(),
                60.0099999, 1e-9);
    EXPECT_EQ(Value("Waypoints", "HoleId = " + std::to_string(hole2) + " and Type = 4", "Name").AsString(), "Lay-up 1");
    EXPECT_EQ(Value("Waypoints", "HoleId = " + std::to_string(hole2) +
                        " and Type = 5 and Latitude > 60.0077 and Latitude < 60.0078",
                    "Name").AsString(), "Water left");
}

// A course sent to the device and read back is the same course.
TEST_F(CourseImportTest, ACourseSentAndReadBackIsMerged) {
    sim.Device().LoadEmpty();
    const int course = AddCourse("Öndverðarnes", false);
    for (int h = 1; h <= 9; ++h) {
        const int hole = AddHole(course, h, 4, 300);
        AddPoint(course, hole, 2, 0, 59.0 + h / 100.0, 18.0, "Pin");
        if (h == 1) AddPoint(course, hole, 5, 0, 59.5, 18.5, "Sjö ő Łęg Œ ﬁı");
    }
    std::vector<TTransWiz4::CourseHeader> courses(3);
    FillCourse(db, course, "Öndverðarnes", courses[0]);
    ASSERT_EQ(TDeviceUpload(device, db).Send(0, courses, 1, {}, 0, 0), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(sim.Device().Read(Entry(0) + 2, 10).data()), "Ondverdar");
    // A point name goes in the device's Latin-1, one byte a character.
    std::vector<std::string> names;
    for (uint16_t id : sim.Device().PointIds()) names.push_back(sim.Device().GetPoint(id).name);
    EXPECT_THAT(names, testing::Contains("Sj\xF6 o Leg OE fii"));
    EXPECT_EQ(Store(0), 0);
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Points(course), 10);
    // Former uploads ended this name at its first letter without a base
    // letter, or at its first letter: the slot is still the course.
    sim.Device().Fill(Entry(0) + 2, 10, 0);
    sim.Device().Write(Entry(0) + 2, {'O', 'n', 'd', 'v', 'e', 'r'});
    EXPECT_EQ(Store(0), 0);
    EXPECT_EQ(Count("Course_General"), 1);
    sim.Device().Fill(Entry(0) + 2, 10, 0);
    EXPECT_EQ(Store(0), 0);
    EXPECT_EQ(Count("Course_General"), 1);
}

TEST_F(CourseImportTest, AHoleWithoutParRefusesTheCourse) {
    sim.Device().Fill(Entry(1) + 15 + 8 * 4 + 3, 1, 0);  // hole 5 of the nine-hole course
    Open();
    EXPECT_EQ(Store(1), 1);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, "Transfer of Pine Vly has been cancelled\nbecause it has a hole without par.");
    EXPECT_EQ(messages.Messages()[0].caption, "Less than 9 holes!");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_FALSE(WroteAt(0, u8::MemorySize));

    sim.Device().Fill(Entry(0) + 15 + 8 * 17 + 3, 1, 0);  // hole 18 of an 18-hole course
    EXPECT_EQ(Store(0), 1);
    EXPECT_EQ(messages.Messages().back().caption, "Less than 18 holes!");
}

TEST_F(CourseImportTest, TwelveHolesAreNineAndUndefinedLengthsAre80) {
    sim.Device().Fill(Entry(0) + 13, 1, 12);
    sim.Device().Fill(Entry(0) + 15 + 8 * 3, 2, 0xFF);  // hole 4
    std::vector<uint8_t> name(11, 'Q');                  // no NUL in the name field
    sim.Device().Write(Entry(0) + 2, name);
    Open();
    EXPECT_EQ(Store(0), 0);
    const std::string qname(11, 'Q');
    const int id = CourseId(qname);
    ASSERT_GT(id, 0);
    EXPECT_FALSE(Value("Course_General", "CourseId = " + std::to_string(id), "18Holes").AsBoolean());
    EXPECT_EQ(Count("Holes", "CourseId = " + std::to_string(id)), 9);
    EXPECT_EQ(Value("Holes", "CourseId = " + std::to_string(id) + " and HoleNumber = 4", "HoleLength1").AsInteger(), 80);
    ASSERT_EQ(messages.Messages().size(), 2u);
    EXPECT_EQ(messages.Messages()[0].caption, "Transfer error!");
    EXPECT_EQ(messages.Messages()[1].text, "The length of hole 4 at " + qname +
                                               " is undefined.\nGo to edit course window and fill in the value.");
    EXPECT_EQ(messages.Messages()[1].caption, "Undefined hole length!");

    // The warning about default information comes once per run.
    messages.Clear();
    unsigned char shown = 0;
    sim.Device().Fill(Entry(2) + 15, 2, 0);  // hole 1 of slots 2 and 1
    sim.Device().Fill(Entry(1) + 15, 2, 0);
    TCourseImport imp(device, db, 1);
    Load(imp);
    EXPECT_FALSE(ShowCourseReports(imp.Run({2}), shown));
    EXPECT_EQ(messages.Messages().size(), 2u);
    EXPECT_FALSE(ShowCourseReports(imp.Run({2}), shown));  // merged now: no messages
    EXPECT_FALSE(ShowCourseReports(imp.Run({1}), shown));
    EXPECT_EQ(messages.Messages().size(), 3u);
}

TEST_F(CourseImportTest, ALengthBeyondTheColumnIsCutNotTheCourse) {
    sim.Device().Write(Entry(1) + 15 + 8 * 1, {0x40, 0x9C});  // hole 2: 40000 m
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_TRUE(messages.Empty());
    const std::string course = "CourseId = " + std::to_string(CourseId("Pine Vly"));
    EXPECT_EQ(Count("Holes", course), 9);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 2", "HoleLength1").AsInteger(), 32767);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 3", "HoleLength1").AsInteger(), 490);
}

TEST_F(CourseImportTest, DeviceNamesAreLatinOne) {
    const std::string cafe = "CAF\xC9 GOLF";
    sim.Device().Write(Entry(1) + 2, std::vector<uint8_t>(cafe.begin(), cafe.end()));
    sim.Device().PutPoint(uint16_t(162 + 9 * 2 + 1), "T\xE9" "e", 600000000, 245000000);
    Open();
    EXPECT_EQ(Store(1), 0);
    const int id = CourseId("CAF\xC3\x89 GOLF");
    ASSERT_GT(id, 0);
    const std::string where = "CourseId = " + std::to_string(id);
    EXPECT_EQ(Value("Course_General", where, "U8_Name").AsString(), "CAF\xC3\x89 GOL");
    EXPECT_EQ(Count("Waypoints", where + " and Name = 'T\xC3\xA9" "e'"), 1);
    EXPECT_EQ(transfer::DeviceText("\xE9t\xE9\0\xFF", 5), "\xC3\xA9t\xC3\xA9");
}

TEST_F(CourseImportTest, AFullDiskSaysWhatTheDatabaseSaid) {
    Open();
    // No page more than the file has, and the pages of the course's tables
    // filled with rows of no course.
    db.Execute("PRAGMA max_page_count = 1");
    for (const char* table : {"Holes", "Waypoints"}) {
        for (int i = 0; i < 100000; ++i) {
            try {
                db.Execute(std::string("INSERT INTO ") + table + " (CourseId) VALUES (0)");
            } catch (const EDatabaseError&) {
                break;
            }
        }
    }
    EXPECT_EQ(Store(2), 1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    const std::string text = messages.Texts()[0];
    EXPECT_EQ(text.rfind("Transfer of course Sea Links failed! Please try again.\n", 0), 0u) << text;
    EXPECT_NE(text.find("full"), std::string::npos) << text;
    EXPECT_EQ(Count("Course_General"), 0);
}

TEST_F(CourseImportTest, AFailedEntryWriteTakesTheCourseBack) {
    Open();
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 6, 0, 1});
    EXPECT_EQ(Store(0), 1);
    EXPECT_EQ(messages.Texts().back(), "Transfer of course Oak Hill failed! Please try again.");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(Count("Holes"), 0);
    EXPECT_EQ(Count("Waypoints"), 0);
    EXPECT_EQ(Count("ScoreCard"), 0);
    EXPECT_FALSE(WroteAt(Game(1), 30));
    // The next course works. It may take the id the half-written entry
    // names: that entry is still no proof that Oak Hill is Pine Vly.
    messages.Clear();
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Store(0), 0);
    EXPECT_EQ(Count("Course_General"), 2);
    const int pine = CourseId("Pine Vly"), oak = CourseId("Oak Hill");
    EXPECT_EQ(Count("Waypoints", "CourseId = " + std::to_string(pine)), 45);
    EXPECT_EQ(Count("Waypoints", "CourseId = " + std::to_string(oak)), 90);
    EXPECT_EQ(DeviceWord(Entry(0)), oak);
}

// A device that stops answering point reads ends the course after one
// time-out instead of one per point; a point the device refuses is skipped.
TEST_F(CourseImportTest, ADeviceGoneSilentEndsThePointReadsAtOnce) {
    Open();
    sim.Device().AddFault({u8sim::Fault::Silence, u8::CmdReadPoint, -1, 0, -1});
    EXPECT_EQ(Store(0), 1);
    EXPECT_EQ(messages.Texts().back(), "Transfer of course Oak Hill failed! Please try again.");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(Count("Waypoints"), 0);
    EXPECT_FALSE(WroteAt(Entry(0), u8::CourseEntrySize));
    sim.Device().ClearFaults();
    messages.Clear();
    sim.Device().AddFault({u8sim::Fault::ErrorCode, u8::CmdReadPoint, -1, 0, 1, 5});
    EXPECT_EQ(Store(0), 0);
    EXPECT_GT(Count("Waypoints"), 0);
    EXPECT_TRUE(messages.Empty());
}

// The device learns a new course's number while the course's transaction is
// still open: a run cut off between the two leaves the device naming a
// course that is not there (stored anew next time), never a stored course
// the device does not name (stored a second time next time).
TEST_F(CourseImportTest, TheEntryGoesToTheDeviceBeforeTheCourseIsCommitted) {
    Open();
    sim.Device().AddFault({u8sim::Fault::Delay, 0xF3, 6, 0, 1, 1000});
    int seen = -1;
    std::thread watcher([&] {
        for (int i = 0; i < 1000 && DeviceWord(Entry(0)) == 101; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        TDatabase other;
        other.SetDatabaseName(DataPath("kx.mdb"));
        other.Open();
        seen = CountRows(other, "Course_General");
        other.Close();
    });
    EXPECT_EQ(Store(0), 0);
    watcher.join();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(DeviceWord(Entry(0)), CourseId("Oak Hill"));
}

TEST_F(CourseImportTest, AFailedHeaderWriteKeepsTheCourse) {
    Open();
    // The entry goes in four writes of at most 50 bytes; the fifth is the header.
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 6, 4, 1});
    EXPECT_EQ(Store(0), 1);
    ASSERT_FALSE(messages.Empty());
    EXPECT_EQ(messages.Texts().back().rfind("Transfer of course Oak Hill failed! Please try again.\n", 0), 0u)
        << messages.Texts().back();
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(DeviceWord(Entry(0)), CourseId("Oak Hill"));
    // A header that kept its old number: the next run finds the course by
    // its number and name and gives the game the number it missed.
    sim.Device().Write(Game(1) + 8, {101, 0});
    messages.Clear();
    EXPECT_EQ(Store(0), 0);
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(DeviceWord(Game(1) + 8), CourseId("Oak Hill"));
}

TEST_F(CourseImportTest, AHeaderThatWasNotReadIsNeverWritten) {
    Open();
    TCourseImport imp(device, db, 1);
    Load(imp);
    imp.GameHeaderRead[0] = false;
    unsigned char shown = 0;
    EXPECT_FALSE(ShowCourseReports(imp.Run({0}), shown));
    EXPECT_FALSE(WroteAt(Game(1), 30));
}

TEST_F(CourseImportTest, ShortPointListAndIdsOutsideTheSlot) {
    auto& dev = sim.Device();
    dev.LoadEmpty();
    std::vector<uint8_t> entry(u8::CourseEntrySize, 0xFF);
    entry[0] = 77;
    entry[1] = 0;
    std::memcpy(&entry[2], "Short\0", 6);
    entry[13] = 9;
    for (int h = 0; h < 9; ++h) {
        entry[size_t(15 + 8 * h)] = 250;
        entry[size_t(16 + 8 * h)] = 0;
        entry[size_t(18 + 8 * h)] = 4;
    }
    dev.Write(Entry(1), entry);
    dev.PutPoint(163, "Tee", 500000000, 100000000);    // hole 1 of slot 1
    dev.PutPoint(180, "Green", 500001000, 100001000);  // hole 2 of slot 1
    dev.PutPoint(10, "Pin", 500002000, 100002000);     // slot 0
    dev.PutPoint(5000, "Pin", 500003000, 100003000);   // no slot at all
    Open();
    EXPECT_EQ(Store(1), 0);
    const int id = CourseId("Short");
    EXPECT_EQ(Count("Waypoints"), 2);
    const std::string course = "CourseId = " + std::to_string(id);
    const int hole1 = Value("Holes", course + " and HoleNumber = 1", "HoleId").AsInteger();
    const int hole2 = Value("Holes", course + " and HoleNumber = 2", "HoleId").AsInteger();
    EXPECT_EQ(Value("Waypoints", "HoleId = " + std::to_string(hole1), "Tee").AsInteger(), 1);
    EXPECT_EQ(Value("Waypoints", "HoleId = " + std::to_string(hole2), "Type").AsInteger(), 3);
}

TEST_F(CourseImportTest, APointListCountAboveFifty) {
    // The list claims 80 ids: the block holds 50 at most, and a full list
    // means every id of the slot is asked for.
    sim.Device().AddFault({u8sim::Fault::ListCount, u8::CmdReadPointList, -1, 0, -1, 80});
    Open();
    EXPECT_EQ(Store(1), 0);
    EXPECT_EQ(Count("Waypoints"), 45);
}

TEST(CoursePointType, FromTheName) {
    EXPECT_EQ(TCourseImport::PointType("Tee"), 1);
    EXPECT_EQ(TCourseImport::PointType("PIN"), 2);
    EXPECT_EQ(TCourseImport::PointType("Green"), 3);
    EXPECT_EQ(TCourseImport::PointType("Lay-up 1"), 4);
    EXPECT_EQ(TCourseImport::PointType("Water left"), 5);
    EXPECT_EQ(TCourseImport::PointType("Bunker 2"), 6);
    EXPECT_EQ(TCourseImport::PointType("Rough"), 7);
    EXPECT_EQ(TCourseImport::PointType("Fairway"), 0);
    EXPECT_EQ(TCourseImport::PointType("TEE 1"), 0);
    EXPECT_EQ(TCourseImport::PointType("greens"), 0);
}

}  // namespace
