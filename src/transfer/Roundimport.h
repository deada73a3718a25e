#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "db/Table.h"
#include "device/U8records.h"
#include "platform/Datetime.h"
#include "transfer/Deviceimport.h"

class TDatabase;
class TU8Device;

// What became of one device game in a run.
struct TGameReport {
    enum TOutcome { Stored, AlreadyThere, Failed };
    int Slot = 0;      // game area - 1
    std::string Name;  // the header's course name
    std::string Date;  // the start as stored, or "Invalid date"
    TOutcome Outcome = Failed;
    int RoundId = 0;
    int CourseId = 0;
    std::string Cause;  // what the database said, when it refused or validation failed
};

// The import of the device's games. A run reads every chosen game whole
// from the device first, then decides its course (the course of its slot in
// this run, or a course of the database the header names by number and
// name, else none) and writes each round in one transaction, then validates
// it. A game stored before without a course gets the course the run finds
// for it. It reports what happened; it shows nothing.
class TRoundImport {
public:
    TRoundImport(TU8Device& device, TDatabase& db, int userId);

    // How a stored round is validated; by default on the database given.
    // A failure is that game's report.
    std::function<void(int roundId)> Validate;

    // The directory the games are matched with: read by ReadDevice unless
    // DirectoryRead is set by the caller.
    CourseEntry CourseDirectory[u8::CourseSlots] = {};
    bool DirectoryRead = false;
    // The courses of the database before the run.
    std::vector<TKnownCourse> Before;

    // The three steps; Run does them in turn for the game slots (0..3) chosen.
    // ReadDatabase reads the courses, the player's rounds and bags; given
    // the courses (a course import of the same run read them before it
    // wrote), only the rounds and bags.
    void ReadDatabase();
    void ReadDatabase(std::vector<TKnownCourse> before);
    void ReadDevice(const GameHeader* headers, const std::vector<int>& chosen);
    // slotCourses: the courses a course import of the same run stored or merged.
    std::vector<TGameReport> Store(const std::map<int, int>& slotCourses = {});
    std::vector<TGameReport> Run(const GameHeader* headers, const std::vector<int>& chosen);
    // The RoundId of the last game stored or found.
    int LastRoundId = 0;

    // The rules of the rows, for the import and its tests.
    static int RoundCourseId(uint16_t number);
    static int RoundBagId(uint16_t number);
    // ClubId of a shot; noClubShots already counts this shot when its code is 0.
    static int ShotClubId(int code, int stroke, int pen, int driverStrokes, int noClubShots,
                          int putter);
    // Start of the game, false when the header holds no date or time.
    static bool StartDate(const GameHeader& h, TDateTime& start, TDateTime& end);

    // A game as read from the device, before any row is written.
    struct Shot {
        int code = 0, stroke = 0, pen = 0, noClubShots = 0;
        double lat = 0, lon = 0;
        int length = 0;
    };
    struct Hole {
        int number = 0;
        GameHole record{};
        bool quit = false;
        std::vector<Shot> shots;
    };
    // The holes of game area 1..4 that were played; false when a read failed.
    bool ReadGame(int area, std::vector<Hole>& holes);
    // The rows of a game in one transaction, on a bag of the player that
    // ReadDatabase found (else none); its RoundId. Throws on a database
    // error (nothing of the game is left then).
    int WriteGame(const GameHeader& h, TDateTime start, TDateTime end, int courseId,
                  const std::vector<Hole>& holes);

private:
    struct TGameRead {
        int Slot = 0;
        GameHeader Header{};
        bool Dated = false;
        TDateTime Start = 0, End = 0;
        int StoredRoundId = 0;  // the player's round of that start and score
        int StoredCourseId = 0;
        bool Read = false;
        std::vector<Hole> Holes;
    };
    bool ReadHole(int area, int number, Hole& hole);
    void StartPoint(int hole, uint16_t& holeStart, double& lat, double& lon);
    int Putter(int bagId);

    TU8Device& device_;
    TDatabase& db_;
    int userId_;
    int CourseSlot = 0;
    PointListBlock CoursePoints{};
    double PreviousLatitude = 0, PreviousLongitude = 0;
    struct TStoredRound {
        std::string Start;
        int Score = 0;
        int RoundId = 0;
        int CourseId = 0;
    };
    std::vector<TStoredRound> stored_;
    std::vector<int> bags_;   // the player's BagIds
    std::vector<int> clubs_;  // every ClubId of the database
    // Puts a stored round that is still without a course on courseId; false
    // when it has a course.
    bool GiveCourse(int roundId, int courseId);
    std::vector<TGameRead> reads_;
};
