#pragma once
#include <optional>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Table.h"

// Course rows without windows: the course writer, the list's query, the
// delete cascade, the new and edit course set-up, and the course points.

// The course writer: the only code that appends Course_General, ScoreCard,
// Holes and Waypoints rows. It takes records whose every value the caller
// gives (each road keeps its own defaults) and writes nothing else; its
// columns are TColumn values (db/Table.h).

// A Course_General row.
struct TCourseRecord {
    TColumn name, u8Name, address1, address2, zip, state, country, telephone, fax, link,
        email, imageId, holes18, tees, description, webId;
};
// The course's ScoreCard row. rating and slope are indexed as the scorecard
// boxes: 0..5 men's tees 1-6, 6..11 women's (RatingField, SlopeField).
struct TScoreCardRecord {
    TColumn rating[12], slope[12], teeLength[6], teeColour[6], teeName[6], holeColour;
};
// A Holes row; length[t] is tee t + 1's length.
struct THoleRecord {
    int number = 0;
    TColumn par, length[6], hcp1, hcp2, name, description, latitudeM1, longitudeM1,
        latitudeM2, longitudeM2;
};
// A Waypoints row; hole is the course's hole number it belongs to (0 or a
// number the course has no hole for: no hole).
struct TPointRecord {
    int hole = 0;
    TColumn name, type, tee, latitude, longitude, description, webId;
};
// A new course whole.
struct TNewCourse {
    TCourseRecord course;
    TScoreCardRecord card;
    std::vector<THoleRecord> holes;
    std::vector<TPointRecord> points;
};

// Writes in the caller's transaction (the caller holds a TTransaction, so that
// a course, or a whole download, goes in or stays out as one). A failed write
// throws EDatabaseError and leaves the writer ready for the next.
class TCourseWriter {
public:
    explicit TCourseWriter(TDatabase& db);

    // A new course with its scorecard, holes and points; returns its CourseId.
    int AddCourse(const TNewCourse& course);
    // The Course_General row courseId, or a new one when courseId is 0;
    // returns its CourseId.
    int PutCourse(int courseId, const TCourseRecord& record);
    // The course's ScoreCard row, a new one when the course has none.
    void PutScoreCard(int courseId, const TScoreCardRecord& record);
    // The Holes row holeId of the course, or a new one when holeId is 0;
    // returns its HoleId.
    int PutHole(int courseId, int holeId, const THoleRecord& record);
    // The Waypoints row pointId of the course, or a new one when pointId is 0;
    // returns its PointId.
    int PutPoint(int courseId, int pointId, const TPointRecord& record);
    // The HoleId of the course's hole of that number; 0 when it has none.
    int HoleId(int courseId, int number);
    // The PointId of the first point with that web id; 0 when there is none.
    int PointOfWebId(long long webId);
    // The PointId of the hole's one point of that type and tee; 0 when the
    // hole has none or more than one.
    int FixedPointId(int courseId, int holeId, int type, int tee);
    // (A point these find is changed by PutPoint without being read again.)

private:
    TTable course_, card_, holes_, points_, holeLookup_;
    // The hole last put, so that its points find it without a query.
    int lastCourse_ = 0, lastNumber_ = 0, lastHole_ = 0;
};

// The course list's rows: Course_General's columns and the course par, the
// sum of HolePar over its holes, in one query.
std::string CourseListSql();

// True when any round was played on the course.
bool CourseHasRounds(TDatabase& db, int courseId);
// Deletes the course's Waypoints, ScoreCard and Holes rows and then its
// Course_General row, in one transaction.
void DeleteCourse(TDatabase& db, int courseId);

// Default colours of tees 1-6 and of the hole column (0x00BBGGRR).
extern const unsigned DefaultTeeColour[6];
constexpr unsigned DefaultHoleColour = 0x00FF00;

// The structure the new and edit course dialog sets up.
struct TCourseSetup {
    bool holes18 = true;
    int tees = 1;
    std::string teeName[6];
    unsigned teeColour[6] = {};
    unsigned holeColour = DefaultHoleColour;
    std::string holeName[18];
};

// A new course with its ScoreCard row and one Holes row per hole, filled with
// the defaults; returns its CourseId. One transaction.
int CreateCourse(TDatabase& db, const TCourseSetup& setup);
// Tees, colours and hole names of an existing course (the hole count stays);
// tees beyond the count are emptied, tees within it get the default ratings,
// slopes and lengths where none is stored. One transaction.
void ChangeCourseSetup(TDatabase& db, int courseId, const TCourseSetup& setup);
// The stored set-up of a course; a tee colour of 0 reads as its default. A
// tee count the dialog cannot show throws (StoredTeeCount).
TCourseSetup ReadCourseSetup(TDatabase& db, int courseId);
// True when a round of any player was played from a tee above tees.
bool TeesInUse(TDatabase& db, int courseId, int tees);

// Course points.
// The list's Type text of a point.
std::string PointTypeText(int type, int tee, const std::string& name);
// The dialog's type words; item index + 1 is the type code.
extern const char* const PointTypeItems[7];

struct TPointRow {
    int pointId = 0;
    std::string hole; // "No hole" or the hole number
    std::string type;
    std::string description;
    std::string latitude; // "N 51.0000000", the locale's decimal separator
    std::string longitude;
};
// The rows of the points list from the table (filtered to the course, sorted
// by hole and type); holes gives the course's hole numbers. Both are closed.
std::vector<TPointRow> ReadPointList(TTable& waypoints, TTable& holes);

// What the course-point dialog holds on OK.
struct TPointInput {
    int holeNumber = 1;
    int typeIndex = 0; // -1: none chosen (a point of a type the dialog does not know)
    int teeIndex = 0;
    std::string description;
    std::string latitudeText;
    char latitudeLetter = 'N';
    std::string longitudeText;
    char longitudeLetter = 'E';
};
// The box text after leaving a coordinate box (read with ReadDecimal): above
// limit the limit, below 0 or not a number "0".
std::string ClampCoordinateText(const std::string& text, int limit);
// Signed degrees from a coordinate box and its hemisphere letter.
double CoordinateOf(const std::string& text, char letter, int limit);
// Absolute degrees as the dialog shows them (up to 15 significant digits, the
// locale's decimal separator).
std::string CoordinateBoxText(double degrees);

// Stores the dialog's values: pointId 0 appends a point to the course,
// otherwise the point with that id is changed. Without a chosen type the
// stored type and name stay. Returns false, writing nothing, when the point
// is no longer there.
bool StorePoint(TDatabase& db, int courseId, int pointId, const TPointInput& input);
// Deletes the point; false when it is no longer there.
bool DeletePoint(TDatabase& db, int pointId);

// The details page of the course window.
struct TCourseDetails {
    std::string name, zip, telephone, fax, link, email, address1, address2, description, u8Name;
    std::string country; // the chosen country's name, "" when none is chosen
    std::string state;   // the chosen state's name, "" when none is chosen
};
// Writes the details to the course row the table stands filtered to: an empty
// name or device name becomes "No name"; country and state are stored by
// their ids and keep their stored values when none is chosen. The caller
// holds the transaction.
void WriteCourseDetails(TTable& course, TTable& country, TTable& states, const TCourseDetails& d);
