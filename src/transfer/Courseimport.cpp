#include "transfer/Courseimport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "common/Frame.h"
#include "courses/Coursestore.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "transfer/Transfercommon.h"

using transfer::DeviceText;

// Course_General.U8_Name holds 8 characters; a device name has up to 11.
constexpr size_t U8NameLength = 8;

TCourseImport::TCourseImport(TU8Device& device, TDatabase& db, int userId)
    : device_(device), db_(db), userId_(userId) {}

int TCourseImport::PointType(const std::string& name) {
    std::string n = name;
    for (char& ch : n) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    auto starts = [&](const char* p) { return n.rfind(p, 0) == 0; };
    if (n == "tee") return 1;
    if (n == "pin") return 2;
    if (n == "green") return 3;
    if (starts("lay")) return 4;
    if (starts("water")) return 5;
    if (starts("bunker")) return 6;
    if (starts("rough")) return 7;
    return 0;
}

// The points of ids firstId..lastId that the device lists (all of them when
// its list is full), in list order; a point that cannot be read is skipped.
std::vector<TCourseImport::Point> TCourseImport::ReadPoints(int slot, int firstId, int lastId) {
    std::vector<int> ids;
    if (CoursePoints.Count >= u8::MaxPointListIds) {
        for (int id = firstId; id <= lastId; ++id) ids.push_back(id);
    } else {
        for (int i = 0; i < CoursePoints.Count && i < u8::MaxPointListIds; ++i)
            if (CoursePoints.Ids[i] >= firstId && CoursePoints.Ids[i] <= lastId)
                ids.push_back(CoursePoints.Ids[i]);
    }
    std::vector<Point> points;
    for (int id : ids) {
        DevicePoint p{};
        if (device_.ReadPoint(uint16_t(id), &p, 0) != 0) {
            // A point the device refuses is skipped; a device that gives no
            // answer at all is gone, and waiting out every further point
            // would hold the program for many minutes.
            const TSerialPort* port = device_.Port();
            if (!port || (port->LastError == 0 && !port->ReplyWithoutData)) {
                pointsUnread_ = true;
                break;
            }
            continue;
        }
        points.push_back({id, DeviceText(p.Name, sizeof p.Name), p.Latitude, p.Longitude});
    }
    return points;
}

int TCourseImport::Failed(const std::string& name, const std::string& cause) {
    MessageBox("Transfer of course " + name + " failed! Please try again." + (cause.empty() ? "" : "\n" + cause),
               "Transfer error!", MB_OK, MB_ICONERROR);
    return 1;
}

int TCourseImport::StoreCourse(int slot) {
    if (slot < 0 || slot >= u8::CourseSlots) return 1;
    CourseEntry& e = CourseDirectory[slot];
    const std::string name = DeviceText(e.Name, sizeof e.Name);
    const bool nine = e.Holes <= 9;
    for (int h = 0; h < (nine ? 9 : 18); ++h) {
        if (e.Hole[h].Par == 0) {
            MessageBox("Transfer of " + name + " has been cancelled\nbecause it has a hole without par.",
                       nine ? "Less than 9 holes!" : "Less than 18 holes!", MB_OK, MB_ICONINFORMATION);
            return 1;
        }
    }
    if (device_.ReadPointList(0, &CoursePoints, 0) != 0) CoursePoints.Count = 0;
    const int oldNumber = e.CourseId;
    {
        TTable courses(&db_, "Course_General");
        courses.SetFilter("CourseId = " + std::to_string(oldNumber));
        courses.Open();
        if (!courses.IsEmpty()) {
            SetProgress("Updating waypoints");
            return UpdateWaypoints(slot, oldNumber);
        }
    }
    SetProgress("Storing course");
    const int holeCount = e.Holes == 18 ? 18 : 9;
    // Everything the course needs from the device, before a row is written.
    std::vector<std::vector<Point>> holePoints;
    holePoints.resize(size_t(holeCount));
    pointsUnread_ = false;
    for (int h = 1; h <= holeCount && !pointsUnread_; ++h) {
        const int first = u8::PointsPerCourse * slot + u8::PointsPerHole * (h - 1) + 1;
        holePoints[size_t(h - 1)] = ReadPoints(slot, first, first + u8::PointsPerHole - 1);
    }
    if (pointsUnread_) return Failed(name);
    CourseEntry written = e;  // what goes back to the device: the entry as read, new number
    int newId = 0;
    try {
        TTransaction tx(db_);
        TTable course(&db_, "Course_General");
        course.SetFilter("CourseId = 0");
        course.Open();
        course.Append();
        course.FieldByName("Course_Name").SetAsString(name);
        course.FieldByName("U8_Name").SetAsString(FirstChars(name, U8NameLength));
        course.FieldByName("18Holes").SetAsBoolean(e.Holes == 18);
        course.FieldByName("Tees").SetAsInteger(1);
        {
            TTable player(&db_, "PlayerDetail");
            player.Open();
            if (player.Locate("UserId", TVariant(userId_)))
                course.FieldByName("Country").SetValue(player.FieldByName("Country").Value());
        }
        course.Post();
        newId = course.FieldByName("CourseId").AsInteger();
        TTable card(&db_, "ScoreCard");
        card.SetFilter("CourseId = " + std::to_string(newId));
        card.Open();
        card.Append();
        card.FieldByName("CourseId").SetAsInteger(newId);
        card.FieldByName("CR1M").SetAsFloat(72);
        card.FieldByName("CR1F").SetAsFloat(72);
        card.FieldByName("S1M").SetAsInteger(113);
        card.FieldByName("S1F").SetAsInteger(113);
        card.FieldByName("Tee1Col").SetAsInteger(16777215);
        card.FieldByName("HoleCol").SetAsInteger(65280);
        card.Post();
        TTable holes(&db_, "Holes");
        holes.SetFilter("CourseId = " + std::to_string(newId));
        holes.Open();
        TTable points(&db_, "Waypoints");
        points.SetFilter("CourseId = " + std::to_string(newId));
        points.Open();
        for (int h = 1; h <= holeCount; ++h) {
            CourseHoleEntry& he = e.Hole[h - 1];
            holes.Append();
            holes.FieldByName("CourseId").SetAsInteger(newId);
            holes.FieldByName("HoleNumber").SetAsInteger(h);
            holes.FieldByName("HolePar").SetAsInteger(he.Par);
            holes.FieldByName("HoleHCP1").SetAsInteger(h);
            holes.FieldByName("HoleHCP2").SetAsInteger(0);
            if (he.Length == 0 || he.Length == 0xFFFF) {
                if (*LengthWarningShown == 0) {
                    MessageBox("Please check and correct default information of the course " + name +
                                   ",\nthat you are going to download from your U8.\nAlso supply any "
                                   "missing information.",
                               "Transfer error!", MB_OK, MB_ICONINFORMATION);
                    *LengthWarningShown = 1;
                }
                he.Length = 0;
                MessageBox("The length of hole " + std::to_string(h) + " at " + name +
                               " is undefined.\nGo to edit course window and fill in the value.",
                           "Undefined hole length!", MB_OK, MB_ICONINFORMATION);
                holes.FieldByName("HoleLength1").SetAsInteger(80);
            } else {
                // The column holds a signed 16-bit number; a longer device length is cut.
                holes.FieldByName("HoleLength1").SetAsInteger(std::min<int>(he.Length, 32767));
            }
            holes.Post();
            const int holeId = holes.FieldByName("HoleId").AsInteger();
            for (const Point& p : holePoints[size_t(h - 1)]) {
                points.Append();
                points.FieldByName("CourseId").SetAsInteger(newId);
                points.FieldByName("HoleId").SetAsInteger(holeId);
                points.FieldByName("Name").SetAsString(p.name);
                points.FieldByName("Latitude").SetAsFloat(p.lat * 1e-7);
                points.FieldByName("Longitude").SetAsFloat(p.lon * 1e-7);
                if (const int type = PointType(p.name); type != 0) {
                    points.FieldByName("Type").SetAsInteger(type);
                    if (type == 1) points.FieldByName("Tee").SetAsInteger(TeeIndex >= 0 ? TeeIndex + 1 : 1);
                }
                points.Post();
            }
        }
        tx.Commit();
    } catch (const std::exception& ex) {
        HideProgress();
        return Failed(name, ex.what());
    }

    written.CourseId = uint16_t(newId);
    if (device_.WriteCourseEntry(&written, slot + 1) != 0) {
        // The entry may be half written; the course goes again (its id is never reused).
        try {
            DeleteCourse(db_, newId);
        } catch (const std::exception&) {
        }
        HideProgress();
        return Failed(name);
    }
    e.CourseId = uint16_t(newId);
    e.Holes = uint8_t(holeCount);
    bool headerFailed = false;
    for (int n = 0; n < u8::GameAreas; ++n) {
        if (!GameHeaderRead[n] || GameHeaders[n].CourseId != oldNumber) continue;
        GameHeaders[n].CourseId = uint16_t(newId);
        if (device_.WriteGameHeader(n, &GameHeaders[n]) != 0) headerFailed = true;
    }
    return headerFailed ? 1 : 0;
}

int TCourseImport::UpdateWaypoints(int slot, int courseId) {
    const int first = u8::FirstCoursePointId(slot);
    pointsUnread_ = false;
    const std::vector<Point> candidates = ReadPoints(slot, first, u8::LastCoursePointId(slot));
    if (pointsUnread_) {
        HideProgress();
        return Failed(DeviceText(CourseDirectory[slot].Name, sizeof CourseDirectory[slot].Name));
    }
    try {
        TTransaction tx(db_);
        TTable points(&db_, "Waypoints");
        points.SetFilter("CourseId = " + std::to_string(courseId));
        points.Open();
        TTable holes(&db_, "Holes");
        holes.SetFilter("CourseId = " + std::to_string(courseId));
        holes.Open();
        for (const Point& p : candidates) {
            bool there = false;
            for (points.First(); !points.Eof() && !there; points.Next())
                there = std::llround(points.FieldByName("Latitude").AsFloat() * 1e7) == p.lat &&
                        std::llround(points.FieldByName("Longitude").AsFloat() * 1e7) == p.lon;
            if (there) continue;
            const int type = PointType(p.name);
            const int hole = (p.id - first) / u8::PointsPerHole + 1;
            holes.SetFilter("CourseId = " + std::to_string(courseId) + " and HoleNumber = " +
                            std::to_string(hole));
            if (holes.IsEmpty()) continue;  // no such hole in the course
            const int holeId = holes.FieldByName("HoleId").AsInteger();
            if ((type == 2 || type == 3 || type == 4) &&
                points.Locate("HoleId;Type", {TVariant(holeId), TVariant(type)}))
                points.Edit();
            else
                points.Append();
            points.FieldByName("CourseId").SetAsInteger(courseId);
            points.FieldByName("HoleId").SetAsInteger(holeId);
            points.FieldByName("Name").SetAsString(p.name);
            points.FieldByName("Latitude").SetAsFloat(p.lat * 1e-7);
            points.FieldByName("Longitude").SetAsFloat(p.lon * 1e-7);
            if (type != 0)
                points.FieldByName("Type").SetAsInteger(type);
            else
                points.FieldByName("Type").Clear();
            if (type == 1 && TeeIndex >= 0) points.FieldByName("Tee").SetAsInteger(TeeIndex + 1);
            points.Post();
        }
        tx.Commit();
    } catch (const std::exception& ex) {
        HideProgress();
        return Failed(DeviceText(CourseDirectory[slot].Name, sizeof CourseDirectory[slot].Name), ex.what());
    }
    return 0;
}
