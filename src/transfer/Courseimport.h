#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "device/U8records.h"

class TDatabase;
class TU8Device;

// The import of the device's courses: each directory entry becomes a course
// with its scorecard, holes and points (or, when its number is a CourseId
// already, only its new points are merged). The entry and the game headers
// then carry the new CourseId on the device.
class TCourseImport {
public:
    TCourseImport(TU8Device& device, TDatabase& db, int userId);

    // The directory and the game headers read from the device in this
    // connection; a header whose read failed is never written back.
    CourseEntry CourseDirectory[u8::CourseSlots] = {};
    GameHeader GameHeaders[u8::GameAreas] = {};
    bool GameHeaderRead[u8::GameAreas] = {};
    // Tee number given to "tee" points: the tee box's index + 1 when shown.
    int TeeIndex = -1;
    // The once-per-run warning about default information.
    unsigned char* LengthWarningShown = &ownWarning_;

    // 0 stored or merged, 1 refused or failed (the user has been told).
    int StoreCourse(int slot);

    // Point type from a device point name: 1 tee ... 7 rough, 0 none.
    static int PointType(const std::string& name);

private:
    struct Point {
        int id;
        std::string name;
        int32_t lat, lon;
    };
    std::vector<Point> ReadPoints(int slot, int firstId, int lastId);
    int UpdateWaypoints(int slot, int courseId);
    // The failure message; cause, when given, is what the database said.
    int Failed(const std::string& name, const std::string& cause = "");

    TU8Device& device_;
    TDatabase& db_;
    int userId_;
    PointListBlock CoursePoints{};
    unsigned char ownWarning_ = 0;
    bool pointsUnread_ = false;  // the device stopped answering point reads
};
