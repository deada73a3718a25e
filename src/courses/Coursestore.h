#pragma once
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Table.h"

// Course rows without windows: the list's query, the delete cascade, the
// new and edit course set-up, and the course points.

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
// The stored set-up of a course; a tee colour of 0 reads as its default.
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
    std::string latitude; // "N 51.0000000"
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
// The box text after leaving a coordinate box: above limit the limit, below 0
// or not a number "0".
std::string ClampCoordinateText(const std::string& text, int limit);
// Signed degrees from a coordinate box and its hemisphere letter.
double CoordinateOf(const std::string& text, char letter, int limit);
// Absolute degrees as the dialog shows them (up to 15 significant digits).
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
