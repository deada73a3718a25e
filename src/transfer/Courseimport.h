#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "transfer/Deviceimport.h"

class TDatabase;
class TU8Device;

// What became of one device course in a run.
struct TCourseReport {
    enum TOutcome { Stored, Merged, Refused, Failed };
    int Slot = 0;
    std::string Name;
    TOutcome Outcome = Failed;
    int CourseId = 0;                   // stored or merged into
    bool EighteenHoles = false;         // the refusal's caption
    std::vector<int> UndefinedLengths;  // holes stored with the default length
    std::string Cause;                  // what the database said, when it refused
    bool HeaderFailed = false;          // a game header kept the old number
};

// The courses of the database as they are now, for the decisions of a run.
std::vector<TKnownCourse> KnownCourses(TDatabase& db);

// The import of the device's courses. A run reads what it needs from the
// device first, then decides each slot (new, or imported before and only
// merged), then stores each course in a transaction of its own, and then
// gives the device the new numbers: the directory entries and, from one map,
// the game headers. It reports what happened; it shows nothing.
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

    // The three steps; Run does them in turn for the slots (0..2) chosen.
    void ReadDatabase();
    void ReadDevice(const std::vector<int>& chosen);
    std::vector<TCourseReport> Store();
    std::vector<TCourseReport> Run(const std::vector<int>& chosen);

    // The courses of the database before the run.
    std::vector<TKnownCourse> Before;
    // What the run stored or merged: slot -> CourseId.
    std::map<int, int> SlotCourses;

    // Point type from a device point name: 1 tee ... 7 rough, 0 none.
    static int PointType(const std::string& name);

private:
    struct TSlotRead {
        int Slot = 0;
        TSlotDecision Decision;
        std::vector<TDevicePointRead> Points;  // in list order
        bool PointsRead = true;                 // false: the device stopped answering
    };
    std::vector<TDevicePointRead> ReadPoints(int firstId, int lastId, bool& answered);
    // The rows of a new course; its CourseId. Throws on a database error.
    int AppendCourse(const TSlotRead& read, TCourseReport& report);
    // The device points not yet in the course. Throws on a database error.
    void MergePoints(const TSlotRead& read, int courseId);

    TU8Device& device_;
    TDatabase& db_;
    int userId_;
    PointListBlock CoursePoints{};
    std::vector<TSlotRead> reads_;
};
