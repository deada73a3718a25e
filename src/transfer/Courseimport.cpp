#include "transfer/Courseimport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "courses/Coursestore.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "common/Devicetexts.h"
#include "platform/Textutil.h"

// Course_General.U8_Name holds 8 characters; a device name has up to 11.
constexpr size_t U8NameLength = 8;

std::vector<TKnownCourse> KnownCourses(TDatabase& db) {
    std::vector<TKnownCourse> courses;
    // Only the three columns the decisions compare.
    TTable table(&db);
    table.SetSQL("SELECT CourseId, Course_Name, U8_Name FROM Course_General");
    table.Open();
    courses.reserve(size_t(table.RecordCount()));
    for (table.First(); !table.Eof(); table.Next())
        courses.push_back(KnownCourse(table.Fields(0).AsInteger(), table.Fields(2).AsString(), table.Fields(1).AsString()));
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
    std::vector<TDevicePointRead> points;
    for (int id : u8::PointIdsIn(CoursePoints, firstId, lastId)) {
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

// The rows of a new course with the device road's defaults.
int TCourseImport::AppendCourse(const TSlotRead& read, TCourseReport& report) {
    const CourseEntry& e = CourseDirectory[read.Slot];
    const std::string name = SlotName(e);
    const int holeCount = e.Holes == 18 ? 18 : 9;
    TNewCourse c;
    c.course.name = TVariant(name);
    c.course.u8Name = TVariant(FirstChars(name, U8NameLength));
    c.course.holes18 = TVariant(e.Holes == 18);
    c.course.tees = TVariant(1);
    {
        TTable player(&db_, "PlayerDetail");
        player.Open();
        if (player.Locate("UserId", TVariant(userId_))) c.course.country = player.FieldByName("Country").Value();
    }
    c.card.rating[0] = c.card.rating[6] = TVariant(72.0);  // tee 1, men and women
    c.card.slope[0] = c.card.slope[6] = TVariant(113);
    c.card.teeColour[0] = TVariant(16777215);
    c.card.holeColour = TVariant(65280);
    const int first = u8::FirstCoursePointId(read.Slot);
    for (int h = 1; h <= holeCount; ++h) {
        const CourseHoleEntry& he = e.Hole[h - 1];
        THoleRecord hole;
        hole.number = h;
        hole.par = TVariant(int(he.Par));
        hole.hcp1 = TVariant(h);
        hole.hcp2 = TVariant(0);
        if (he.Length == 0 || he.Length == 0xFFFF) {
            report.UndefinedLengths.push_back(h);
            hole.length[0] = TVariant(80);
        } else {
            // The column holds a signed 16-bit number; a longer device length is cut.
            hole.length[0] = TVariant(std::min<int>(he.Length, 32767));
        }
        c.holes.push_back(hole);
        for (const TDevicePointRead& p : read.Points) {
            if ((p.Id - first) / u8::PointsPerHole + 1 != h) continue;
            TPointRecord point;
            point.hole = h;
            point.name = TVariant(p.Name);
            point.latitude = TVariant(p.Latitude * 1e-7);
            point.longitude = TVariant(p.Longitude * 1e-7);
            if (const int type = PointType(p.Name); type != 0) {
                point.type = TVariant(type);
                if (type == 1) point.tee = TVariant(TeeIndex >= 0 ? TeeIndex + 1 : 1);
            }
            c.points.push_back(point);
        }
    }
    return TCourseWriter(db_).AddCourse(c);
}

// The device points at positions the course does not have yet; a device pin,
// green or lay-up moves the hole's point of that type.
void TCourseImport::MergePoints(const TSlotRead& read, int courseId) {
    struct Stored {
        int pointId, holeId, type;
        int64_t lat, lon;
    };
    std::vector<Stored> stored;
    {
        TTable points(&db_, "Waypoints");
        points.SetFilter("CourseId = " + std::to_string(courseId));
        points.Open();
        for (points.First(); !points.Eof(); points.Next())
            stored.push_back({points.FieldByName("PointId").AsInteger(), points.FieldByName("HoleId").AsInteger(),
                              points.FieldByName("Type").IsNull() ? 0 : points.FieldByName("Type").AsInteger(),
                              std::llround(points.FieldByName("Latitude").AsFloat() * 1e7),
                              std::llround(points.FieldByName("Longitude").AsFloat() * 1e7)});
    }
    TCourseWriter writer(db_);
    const int first = u8::FirstCoursePointId(read.Slot);
    for (const TDevicePointRead& p : read.Points) {
        const bool there = std::any_of(stored.begin(), stored.end(), [&p](const Stored& s) {
            return s.lat == p.Latitude && s.lon == p.Longitude;
        });
        if (there) continue;
        const int type = PointType(p.Name);
        const int hole = (p.Id - first) / u8::PointsPerHole + 1;
        const int holeId = writer.HoleId(courseId, hole);
        if (holeId == 0) continue;  // no such hole in the course
        auto same = stored.end();
        if (type == 2 || type == 3 || type == 4)
            same = std::find_if(stored.begin(), stored.end(),
                                [&](const Stored& s) { return s.holeId == holeId && s.type == type; });
        TPointRecord point;
        point.hole = hole;
        point.name = TVariant(p.Name);
        point.latitude = TVariant(p.Latitude * 1e-7);
        point.longitude = TVariant(p.Longitude * 1e-7);
        point.type = type != 0 ? TVariant(type) : TVariant();
        if (type == 1 && TeeIndex >= 0) point.tee = TVariant(TeeIndex + 1);
        const int pointId = writer.PutPoint(courseId, same == stored.end() ? 0 : same->pointId, point);
        if (same != stored.end()) {
            same->lat = p.Latitude;
            same->lon = p.Longitude;
        } else {
            stored.push_back({pointId, holeId, type, p.Latitude, p.Longitude});
        }
    }
}
