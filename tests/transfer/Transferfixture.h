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

    TDatabase db;
    TSerialPort port;
    TU8Device device{&port};
};
