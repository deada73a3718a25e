#include "transfer/Courseimport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Textutil.h"
#include "transfer/Transfercommon.h"

using transfer::DeviceText;

// Course_General.U8_Name holds 8 characters; a device name has up to 11.
constexpr size_t U8NameLength = 8;

std::vector<TKnownCourse> KnownCourses(TDatabase& db) {
    std::vector<TKnownCourse> courses;
    TTable table(&db, "Course_General");
    table.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        TKnownCourse c;
        c.CourseId = table.FieldByName("CourseId").AsInteger();
        c.ListName = table.FieldByName("Course_Name").AsString();
        c.DeviceName = CourseDeviceName(table.FieldByName("U8_Name").AsString(), c.ListName);
        courses.push_back(c);
    }
    return courses;
}

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
std::vector<TDevicePointRead> TCourseImport::ReadPoints(int firstId, int lastId, bool& answered) {
    answered = true;
    std::vector<int> ids;
    if (CoursePoints.Count >= u8::MaxPointListIds) {
        for (int id = firstId; id <= lastId; ++id) ids.push_back(id);
    } else {
        for (int i = 0; i < CoursePoints.Count && i < u8::MaxPointListIds; ++i)
            if (CoursePoints.Ids[i] >= firstId && CoursePoints.Ids[i] <= lastId)
                ids.push_back(CoursePoints.Ids[i]);
    }
    std::vector<TDevicePointRead> points;
    for (int id : ids) {
        DevicePoint p{};
        if (device_.ReadPoint(uint16_t(id), &p, 0) != 0) {
            // A point the device refuses is skipped; a device that gives no
            // answer at all is gone, and waiting out every further point
            // would hold the program for many minutes.
            const TSerialPort* port = device_.Port();
            if (!port || (port->LastError == 0 && !port->ReplyWithoutData)) {
                answered = false;
                break;
            }
            continue;
        }
        points.push_back({id, DeviceText(p.Name, sizeof p.Name), p.Latitude, p.Longitude});
    }
    return points;
}

void TCourseImport::ReadDatabase() { Before = KnownCourses(db_); }

void TCourseImport::ReadDevice(const std::vector<int>& chosen) {
    reads_.clear();
    bool listRead = false;
    for (int slot : chosen) {
        if (slot < 0 || slot >= u8::CourseSlots || CourseDirectory[slot].CourseId == u8::FreeSlot) continue;
        TSlotRead read;
        read.Slot = slot;
        read.Decision = DecideSlot(CourseDirectory[slot], Before);
        if (read.Decision.Action != TSlotAction::Refused) {
            if (!listRead && device_.ReadPointList(0, &CoursePoints, 0) != 0) CoursePoints.Count = 0;
            listRead = true;
            // A new course takes the points of its holes; a merge looks at the whole slot.
            const int holes = CourseDirectory[slot].Holes == 18 ? 18 : 9;
            const int first = u8::FirstCoursePointId(slot);
            const int last = read.Decision.Action == TSlotAction::New
                                 ? first + u8::PointsPerHole * holes - 1
                                 : u8::LastCoursePointId(slot);
            read.Points = ReadPoints(first, last, read.PointsRead);
        }
        reads_.push_back(std::move(read));
    }
}

std::vector<TCourseReport> TCourseImport::Run(const std::vector<int>& chosen) {
    ReadDatabase();
    ReadDevice(chosen);
    return Store();
}

std::vector<TCourseReport> TCourseImport::Store() {
    CourseEntry directory[u8::CourseSlots];  // as read: the headers refer to these numbers
    std::memcpy(directory, CourseDirectory, sizeof directory);
    std::vector<TCourseReport> reports;
    for (const TSlotRead& read : reads_) {
        CourseEntry& e = CourseDirectory[read.Slot];
        TCourseReport report;
        report.Slot = read.Slot;
        report.Name = SlotName(e);
        report.EighteenHoles = e.Holes > 9;
        if (read.Decision.Action == TSlotAction::Refused) {
            report.Outcome = TCourseReport::Refused;
        } else if (!read.PointsRead) {
            report.Outcome = TCourseReport::Failed;
        } else if (read.Decision.Action == TSlotAction::Merge) {
            try {
                TTransaction tx(db_);
                MergePoints(read, read.Decision.CourseId);
                tx.Commit();
                report.Outcome = TCourseReport::Merged;
                report.CourseId = read.Decision.CourseId;
            } catch (const std::exception& ex) {
                report.Outcome = TCourseReport::Failed;
                report.Cause = ex.what();
            }
        } else {
            try {
                // The device learns the new number while the course's
                // transaction is still open: a run cut off before the commit
                // leaves the device with a number that names no course (or
                // a course of another name), which the next run stores as
                // new; cut off after it, the device already names the course.
                TTransaction tx(db_);
                const int newId = AppendCourse(read, report);
                CourseEntry written = e;  // the entry as read, with the new number
                written.CourseId = uint16_t(newId);
                if (device_.WriteCourseEntry(&written, read.Slot + 1) != 0) {
                    report.Outcome = TCourseReport::Failed;
                    report.UndefinedLengths.clear();
                } else {
                    tx.Commit();
                    report.Outcome = TCourseReport::Stored;
                    report.CourseId = newId;
                    e.CourseId = uint16_t(newId);
                    e.Holes = uint8_t(e.Holes == 18 ? 18 : 9);
                    for (int h : report.UndefinedLengths) e.Hole[h - 1].Length = 0;
                }
            } catch (const std::exception& ex) {
                report.Outcome = TCourseReport::Failed;
                report.Cause = ex.what();
                report.UndefinedLengths.clear();
            }
        }
        if (report.Outcome == TCourseReport::Stored || report.Outcome == TCourseReport::Merged)
            SlotCourses[read.Slot] = report.CourseId;
        reports.push_back(std::move(report));
    }
    // Each header once, by the number it was read with.
    for (const THeaderRenumber& r : RenumberHeaders(GameHeaders, GameHeaderRead, directory, SlotCourses)) {
        GameHeader header = GameHeaders[r.Area];
        header.CourseId = r.CourseId;
        if (device_.WriteGameHeader(r.Area, &header) == 0) {
            GameHeaders[r.Area] = header;
            continue;
        }
        for (TCourseReport& report : reports)
            if (report.Slot == r.Slot) report.HeaderFailed = true;
    }
    return reports;
}

int TCourseImport::AppendCourse(const TSlotRead& read, TCourseReport& report) {
    const CourseEntry& e = CourseDirectory[read.Slot];
    const std::string name = SlotName(e);
    const int holeCount = e.Holes == 18 ? 18 : 9;
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
    const int newId = course.FieldByName("CourseId").AsInteger();
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
    const int first = u8::FirstCoursePointId(read.Slot);
    for (int h = 1; h <= holeCount; ++h) {
        const CourseHoleEntry& he = e.Hole[h - 1];
        holes.Append();
        holes.FieldByName("CourseId").SetAsInteger(newId);
        holes.FieldByName("HoleNumber").SetAsInteger(h);
        holes.FieldByName("HolePar").SetAsInteger(he.Par);
        holes.FieldByName("HoleHCP1").SetAsInteger(h);
        holes.FieldByName("HoleHCP2").SetAsInteger(0);
        if (he.Length == 0 || he.Length == 0xFFFF) {
            report.UndefinedLengths.push_back(h);
            holes.FieldByName("HoleLength1").SetAsInteger(80);
        } else {
            // The column holds a signed 16-bit number; a longer device length is cut.
            holes.FieldByName("HoleLength1").SetAsInteger(std::min<int>(he.Length, 32767));
        }
        holes.Post();
        const int holeId = holes.FieldByName("HoleId").AsInteger();
        for (const TDevicePointRead& p : read.Points) {
            if ((p.Id - first) / u8::PointsPerHole + 1 != h) continue;
            points.Append();
            points.FieldByName("CourseId").SetAsInteger(newId);
            points.FieldByName("HoleId").SetAsInteger(holeId);
            points.FieldByName("Name").SetAsString(p.Name);
            points.FieldByName("Latitude").SetAsFloat(p.Latitude * 1e-7);
            points.FieldByName("Longitude").SetAsFloat(p.Longitude * 1e-7);
            if (const int type = PointType(p.Name); type != 0) {
                points.FieldByName("Type").SetAsInteger(type);
                if (type == 1) points.FieldByName("Tee").SetAsInteger(TeeIndex >= 0 ? TeeIndex + 1 : 1);
            }
            points.Post();
        }
    }
    return newId;
}

void TCourseImport::MergePoints(const TSlotRead& read, int courseId) {
    const int first = u8::FirstCoursePointId(read.Slot);
    TTable points(&db_, "Waypoints");
    points.SetFilter("CourseId = " + std::to_string(courseId));
    points.Open();
    TTable holes(&db_, "Holes");
    holes.SetFilter("CourseId = " + std::to_string(courseId));
    holes.Open();
    for (const TDevicePointRead& p : read.Points) {
        bool there = false;
        for (points.First(); !points.Eof() && !there; points.Next())
            there = std::llround(points.FieldByName("Latitude").AsFloat() * 1e7) == p.Latitude &&
                    std::llround(points.FieldByName("Longitude").AsFloat() * 1e7) == p.Longitude;
        if (there) continue;
        const int type = PointType(p.Name);
        const int hole = (p.Id - first) / u8::PointsPerHole + 1;
        holes.SetFilter("CourseId = " + std::to_string(courseId) + " and HoleNumber = " + std::to_string(hole));
        if (holes.IsEmpty()) continue;  // no such hole in the course
        const int holeId = holes.FieldByName("HoleId").AsInteger();
        if ((type == 2 || type == 3 || type == 4) &&
            points.Locate("HoleId;Type", {TVariant(holeId), TVariant(type)}))
            points.Edit();
        else
            points.Append();
        points.FieldByName("CourseId").SetAsInteger(courseId);
        points.FieldByName("HoleId").SetAsInteger(holeId);
        points.FieldByName("Name").SetAsString(p.Name);
        points.FieldByName("Latitude").SetAsFloat(p.Latitude * 1e-7);
        points.FieldByName("Longitude").SetAsFloat(p.Longitude * 1e-7);
        if (type != 0)
            points.FieldByName("Type").SetAsInteger(type);
        else
            points.FieldByName("Type").Clear();
        if (type == 1 && TeeIndex >= 0) points.FieldByName("Tee").SetAsInteger(TeeIndex + 1);
        points.Post();
    }
}
