#include "transfer/Roundimport.h"

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cstring>

#include "common/Calculations.h"
#include "common/Devicetexts.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "rounds/Roundstore.h"
#include "transfer/Courseimport.h"

TRoundImport::TRoundImport(TU8Device& device, TDatabase& db, int userId)
    : device_(device), db_(db), userId_(userId) {
    Validate = [this](int roundId) {
        // Closed tables: ValidateRound opens them on the round's rows only.
        TTable rounds(&db_, "Round"), holes(&db_, "RoundHoles"), shots(&db_, "RoundShots");
        ::ValidateRound(rounds, holes, shots, roundId);
    };
}

int TRoundImport::RoundCourseId(uint16_t number) {
    if (number == 0xFFFF) return 0;
    if (number > 32400) return 32399;
    return number;
}

int TRoundImport::RoundBagId(uint16_t number) {
    if (number == 0) return 1;
    if (number > 2047) return 0;
    return number;
}

int TRoundImport::ShotClubId(int code, int stroke, int pen, int driverStrokes, int noClubShots,
                             int putter) {
    if (code > 32767) code = 0;
    int club = code == 98 || (stroke > driverStrokes && pen != 9) ? putter : code;
    if ((code == 98 || code == 99) && stroke + noClubShots <= driverStrokes) club = 0;
    return club;
}

bool TRoundImport::StartDate(const GameHeader& h, TDateTime& start, TDateTime& end) {
    if (!QDate(2000 + h.Year, h.Month, h.Day).isValid() || h.Hour > 23 || h.Minute > 59 ||
        h.DurationHours > 23 || h.DurationMinutes > 59)
        return false;
    start = EncodeDateTime(2000 + h.Year, h.Month, h.Day, h.Hour, h.Minute, 0);
    end = start + (h.DurationHours * 60 + h.DurationMinutes) / 1440.0;
    return true;
}

int TRoundImport::Putter(int bagId) {
    TTable query(&db_);
    query.SetSQL("SELECT Clubs.ClubId FROM Clubs INNER JOIN ClubDetail ON ClubDetail.ClubId = "
                 "Clubs.ClubId WHERE (ClubDetail.Type = 9) AND (Clubs.BagId=" +
                 std::to_string(bagId) + ")");
    query.Open();
    return query.IsEmpty() ? 99 : query.Fields(0).AsInteger();
}

// Where the first stroke of a hole is measured from.
void TRoundImport::StartPoint(int hole, uint16_t& holeStart, double& lat, double& lon) {
    lat = lon = 0;
    if (holeStart >= 1 && holeStart <= 65534) {
        PositionRecord pos{};
        if (device_.ReadPosition(holeStart, &pos) == 0) {
            lat = pos.Latitude * 1e-7;
            lon = pos.Longitude * 1e-7;
        }
        holeStart = 0;
        return;
    }
    if (CourseSlot < 1 || CourseSlot > 3) return;
    const int id = u8::FirstCoursePointId(CourseSlot - 1) + u8::PointsPerHole * (hole - 1);
    bool listed = CoursePoints.Count >= u8::MaxPointListIds;
    for (int i = 0; !listed && i < CoursePoints.Count && i < u8::MaxPointListIds; ++i)
        listed = CoursePoints.Ids[i] == id;
    DevicePoint p{};
    if (listed && device_.ReadPoint(uint16_t(id), &p, 0) == 0) {
        lat = p.Latitude * 1e-7;
        lon = p.Longitude * 1e-7;
    }
}

bool TRoundImport::ReadHole(int area, int number, Hole& hole) {
    hole.number = number;
    GameHole& r = hole.record;
    uint16_t holeStart = r.StartPositionId;
    int noClubShots = 0;
    for (int shot = 1; shot <= r.ShotCount; ++shot) {
        GameShot s{};
        if (device_.ReadGameShot(area, number, shot, &s) != 0) return false;
        const int stroke = s.Byte0;
        Shot out;
        out.pen = s.PenaltyCode;
        if (out.pen == 9) hole.quit = true;
        if (s.ClubCode == 0) ++noClubShots;
        // The club needs the bag's putter: it is found when the game is written.
        out.code = s.ClubCode;
        out.stroke = stroke;
        out.noClubShots = noClubShots;
        if (stroke == 1) StartPoint(number, holeStart, PreviousLatitude, PreviousLongitude);
        if (s.PositionId != 0 && s.PositionId != 0xFFFF) {
            PositionRecord pos{};
            if (device_.ReadPosition(s.PositionId, &pos) != 0) return false;
            out.lat = pos.Latitude * 1e-7;
            out.lon = pos.Longitude * 1e-7;
        }
        int distance = GeodesicDistance(PreviousLatitude, PreviousLongitude, out.lat, out.lon, 0, 0);
        if (distance > 500 || distance < 0) distance = 0;
        const bool missing = PreviousLatitude == 0 || PreviousLongitude == 0 || out.lat == 0 || out.lon == 0;
        out.length = missing ? 0 : distance;
        PreviousLatitude = out.lat;
        PreviousLongitude = out.lon;
        hole.shots.push_back(out);
    }
    return true;
}

bool TRoundImport::ReadGame(int area, std::vector<Hole>& holes) {
    for (int h = 1; h <= u8::GameHoles; ++h) {
        Hole hole;
        if (device_.ReadGameHole(area, h, &hole.record) != 0) return false;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&hole.record);
        if (std::all_of(bytes, bytes + sizeof hole.record, [](uint8_t b) { return b == 0xFF; }))
            continue;  // a hole not played
        if (!ReadHole(area, h, hole)) return false;
        holes.push_back(std::move(hole));
    }
    return true;
}

void TRoundImport::ReadDatabase() { ReadDatabase(KnownCourses(db_)); }

void TRoundImport::ReadDatabase(std::vector<TKnownCourse> before) {
    Before = std::move(before);
    stored_.clear();
    TTable rounds(&db_);
    rounds.SetSQL("SELECT RoundId, RoundStartDate, Score, CourseId FROM Round WHERE UserId = " +
                  std::to_string(userId_));
    rounds.Open();
    // A game is stored when its start, as the round import writes it, and its score are.
    for (rounds.First(); !rounds.Eof(); rounds.Next()) {
        const TVariant start = rounds.Fields(1).Value(), score = rounds.Fields(2).Value();
        if (start.IsNull() || score.IsNull()) continue;
        try {
            // Only course 0 is none; whatever else the round holds is kept.
            const TVariant course = rounds.Fields(3).Value();
            const int courseId = course.IsInteger() ? int(course.AsInteger()) : -1;
            stored_.push_back({start.AsString(), int(score.AsInteger()), rounds.Fields(0).AsInteger(), courseId});
        } catch (const std::exception&) {
            // a score that is no number matches no game
        }
    }
    bags_.clear();
    TTable bags(&db_);
    bags.SetSQL("SELECT BagId FROM GolfBag WHERE UserId = " + std::to_string(userId_));
    bags.Open();
    for (bags.First(); !bags.Eof(); bags.Next()) bags_.push_back(bags.Fields(0).AsInteger());
    clubs_.clear();
    TTable clubs(&db_);
    clubs.SetSQL("SELECT ClubId FROM ClubDetail");
    clubs.Open();
    for (clubs.First(); !clubs.Eof(); clubs.Next()) clubs_.push_back(clubs.Fields(0).AsInteger());
}

void TRoundImport::ReadDevice(const GameHeader* headers, const std::vector<int>& chosen) {
    reads_.clear();
    if (!DirectoryRead) DirectoryRead = device_.ReadCourseDirectory(CourseDirectory) == 0;
    bool listRead = false;
    for (int slot : chosen) {
        if (slot < 0 || slot >= u8::GameAreas) continue;
        TGameRead read;
        read.Slot = slot;
        read.Header = headers[slot];
        const GameHeader& h = read.Header;
        read.Dated = StartDate(h, read.Start, read.End);
        if (read.Dated) {
            const std::string start = DateTimeToIso(read.Start);
            for (const TStoredRound& r : stored_)
                if (r.Start == start && r.Score == h.Score) {
                    read.StoredRoundId = r.RoundId;
                    read.StoredCourseId = r.CourseId;
                }
        }
        if (read.Dated && read.StoredRoundId == 0) {
            // The slot whose course points give the holes' starting points.
            CourseSlot = 0;
            for (int j = 0; DirectoryRead && j < u8::CourseSlots; ++j) {
                bool same = CourseDirectory[j].CourseId == h.CourseId;
                if (!same) {
                    same = true;
                    for (int i = 0; i < 7 && same; ++i) {
                        if (CourseDirectory[j].Name[i] != h.CourseName[i]) same = false;
                        else if (CourseDirectory[j].Name[i] == 0) break;
                    }
                }
                if (same) CourseSlot = j + 1;
            }
            if (!listRead && device_.ReadPointList(0, &CoursePoints, 0) != 0) CoursePoints.Count = 0;
            listRead = true;
            read.Read = ReadGame(slot + 1, read.Holes);
            if (read.Read) device_.ResetU8();
        }
        reads_.push_back(std::move(read));
    }
}

std::vector<TGameReport> TRoundImport::Run(const GameHeader* headers, const std::vector<int>& chosen) {
    ReadDatabase();
    ReadDevice(headers, chosen);
    return Store();
}

std::vector<TGameReport> TRoundImport::Store(const std::map<int, int>& slotCourses) {
    std::map<int, int> courses = DirectoryRead ? KnownSlots(CourseDirectory, Before) : std::map<int, int>{};
    for (const auto& [slot, course] : slotCourses) courses[slot] = course;
    std::vector<TGameReport> reports;
    const CourseEntry* directory = DirectoryRead ? CourseDirectory : nullptr;
    for (const TGameRead& read : reads_) {
        TGameReport report;
        report.Slot = read.Slot;
        report.Name = HeaderCourseName(read.Header);
        report.Date = read.Dated ? DateTimeToIso(read.Start) : "Invalid date";
        if (read.StoredRoundId == 0 && !read.Read) {
            reports.push_back(std::move(report));
            continue;
        }
        // A validation that fails (a full disk, a locked database) is this
        // game's failure; the next game still goes.
        try {
            if (read.StoredRoundId != 0) {
                report.Outcome = TGameReport::AlreadyThere;
                report.RoundId = LastRoundId = read.StoredRoundId;
                // Stored before without a course (its course failed, or was
                // not yet imported): the course the run finds for it now.
                if (read.StoredCourseId == 0) {
                    const int course = GameCourse(read.Header, directory, courses, Before);
                    if (course != 0 && GiveCourse(report.RoundId, course)) report.CourseId = course;
                }
            } else {
                report.CourseId = GameCourse(read.Header, directory, courses, Before);
                report.RoundId = LastRoundId =
                    WriteGame(read.Header, read.Start, read.End, report.CourseId, read.Holes);
                report.Outcome = TGameReport::Stored;
            }
            Validate(LastRoundId);
        } catch (const std::exception& ex) {
            report.Outcome = TGameReport::Failed;
            report.Cause = ex.what();
        }
        reports.push_back(std::move(report));
    }
    return reports;
}

bool TRoundImport::GiveCourse(int roundId, int courseId) {
    TTransaction tx(db_);
    TTable round(&db_, "Round");
    // Still without a course: never from one course to another.
    round.SetFilter("RoundId = " + std::to_string(roundId) + " AND CourseId = 0");
    round.Open();
    if (round.IsEmpty()) return false;
    round.Edit();
    round.FieldByName("CourseId").SetValue(TVariant(courseId));
    round.Post();
    tx.Commit();
    return true;
}

int TRoundImport::WriteGame(const GameHeader& h, TDateTime start, TDateTime end, int courseId,
                            const std::vector<Hole>& holes) {
    TTransaction tx(db_);
    const int bagId = KnownId(RoundBagId(h.BagId), bags_);
    const int putter = Putter(bagId);
    double hcp = 0;
    {
        TTable player(&db_, "PlayerDetail");
        player.SetFilter("UserId = " + std::to_string(userId_));
        player.Open();
        if (!player.IsEmpty()) hcp = player.FieldByName("HCP").AsFloat();
    }
    TNewRound game;
    TRoundRecord& round = game.round;
    round.userId = userId_;
    round.courseId = courseId;
    round.bagId = bagId;
    round.hcp = hcp;
    round.teeNumber = 0;
    round.score = h.Score;
    round.strokePlay = true;
    round.par = h.Par;
    round.shotsTotal = h.Score;
    round.shotsDriver = h.DriverShots;
    round.shotsPutter = h.Putts;
    round.penalties = h.Penalties;
    round.startDate = DateTimeToIso(start);
    round.endDate = DateTimeToIso(end);
    for (const Hole& hole : holes) {
        const GameHole& r = hole.record;
        TRoundHoleRecord& row = game.holes.emplace_back();
        row.number = hole.number;
        row.flags = r.HoleFlags;
        row.shotsTotal = r.Shots;
        row.shotsDriver = r.DriverShots;
        row.shotsPutter = r.Putts;
        row.penalties = r.Penalties;
        row.par = r.Byte0;
        row.gir = r.GIR != 0;
        row.fir = r.FIR != 0;
        row.bunkerHits = r.BunkerHits;
        if (hole.quit) row.quit = true;
        int number = 0;
        for (const Shot& s : hole.shots) {
            TRoundShotRecord& shot = row.shots.emplace_back();
            shot.number = ++number;
            shot.clubId = KnownId(ShotClubId(s.code, s.stroke, s.pen, r.DriverShots, s.noClubShots, putter), clubs_);
            shot.penId = s.pen;
            shot.latitude = s.lat;
            shot.longitude = s.lon;
            shot.length = s.length;
        }
    }
    const int roundId = TRoundWriter(db_).AddRound(game);
    tx.Commit();
    return roundId;
}
