#pragma once
// The device-side transfer tests: the simulated U8 (see device/U8fixture.h),
// a database in the temp folder, and the program's device objects on the
// simulator's port.
#include <gtest/gtest.h>

#include <string>

#include "db/Database.h"
#include "db/Dbrows.h"
#include "db/Table.h"
#include "device/U8fixture.h"

class TransferTest : public U8Fixture {
protected:
    void SetUp() override {
        U8Fixture::SetUp();
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        port.ShowErrors = false;
    }
    void TearDown() override {
        device.ClosePort();
        db.Close();
        U8Fixture::TearDown();
    }

    // Finds the simulator as the program does, then forgets what that took.
    void Open() { Connect(port, device); }

    long long Append(const std::string& table,
                     std::initializer_list<std::pair<const char*, TVariant>> values) {
        return AppendRow(db, table, values);
    }
    int Count(const std::string& table, const std::string& filter = "") { return CountRows(db, table, filter); }
    // One column of the first row the filter gives.
    TVariant Value(const std::string& table, const std::string& filter, const std::string& column) {
        return RowValue(db, table, filter, column);
    }

    int AddCourse(const std::string& name, bool holes18, int tees = 1, const std::string& u8Name = "") {
        return int(Append("Course_General", {{"Course_Name", name}, {"U8_Name", u8Name},
                                             {"18Holes", holes18}, {"Tees", tees}}));
    }
    int AddHole(int courseId, int number, int par, int length1, int length2 = 0) {
        return int(Append("Holes", {{"CourseId", courseId}, {"HoleNumber", number}, {"HolePar", par},
                                    {"HoleLength1", length1}, {"HoleLength2", length2},
                                    {"HoleHCP1", number}}));
    }
    int AddPoint(int courseId, int holeId, TVariant type, int tee, double lat, double lon,
                 const std::string& name) {
        return int(Append("Waypoints", {{"CourseId", courseId}, {"HoleId", holeId}, {"Type", type},
                                        {"Tee", tee}, {"Latitude", lat}, {"Longitude", lon},
                                        {"Name", name}}));
    }
    int AddClub(const std::string& name, int type, int shots = 0, double length = 0, int withLength = 0) {
        return int(Append("ClubDetail", {{"UserId", 1}, {"ClubName", name}, {"Type", type},
                                         {"Shots", shots}, {"ShotsLength", length},
                                         {"ShotsWithLength", withLength}}));
    }

    int CourseId(const std::string& name) {
        return Value("Course_General", "Course_Name = " + QuotedStr(name), "CourseId").AsInteger();
    }
    int Points(int courseId) { return Count("Waypoints", "CourseId = " + std::to_string(courseId)); }
    // A little-endian word of the simulator's memory.
    uint16_t DeviceWord(int address) {
        auto b = sim.Device().Read(address, 2);
        return uint16_t(b[0] | b[1] << 8);
    }
    // The addresses of directory slot 0..2 and of game area 1..4.
    static int Entry(int slot) { return u8::CourseDirAddress + u8::CourseEntrySize * slot; }
    static int Game(int area) { return u8::GameAreaAddress + u8::GameAreaSize * (area - 1); }

    // After the directory of u8sim::LoadCollidingNumbers went into a database
    // of three courses: each device course is a new course with its own
    // points, and the directory and the games carry the distinct new numbers.
    void ExpectCollidingCoursesApart() {
        const int home = CourseId("HOMECRS"), second = CourseId("SECOND"), testgc = CourseId("TESTGC");
        EXPECT_GT(home, 3);
        EXPECT_GT(second, 3);
        EXPECT_GT(testgc, 3);
        EXPECT_EQ(Points(home), 90);
        EXPECT_EQ(Points(second), 45);
        EXPECT_EQ(Points(testgc), 90);
        EXPECT_EQ(DeviceWord(Entry(0)), home);
        EXPECT_EQ(DeviceWord(Entry(1)), second);
        EXPECT_EQ(DeviceWord(Entry(2)), testgc);
        EXPECT_EQ(DeviceWord(Game(1) + 8), testgc);
        EXPECT_EQ(DeviceWord(Game(2) + 8), second);
    }

    TDatabase db;
    TSerialPort port;
    TU8Device device{&port};
};
