#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/Table.h"
#include "rounds/Roundrules.h"

// Round rows without windows: what the round window and the round editor
// read from and write to the tables their opener has filtered.

// The round writer: the only code that appends Round, RoundHoles and
// RoundShots rows. It takes records whose every value the caller gives
// (TColumn, db/Table.h) and writes nothing else.

// A Round row.
struct TRoundRecord {
    TColumn userId, courseId, bagId, hcp, teeNumber, score, strokePlay, par, shotsTotal,
        shotsDriver, shotsPutter, penalties, startDate, endDate;
};
// A RoundShots row of the hole it is listed under.
struct TRoundShotRecord {
    TColumn number, clubId, penId, latitude, longitude, length;
};
// A RoundHoles row (HoleId is the hole's number) with its shots.
struct TRoundHoleRecord {
    int number = 0;
    TColumn flags, shotsTotal, shotsDriver, shotsPutter, penalties, par, gir, fir, bunkerHits, quit;
    std::vector<TRoundShotRecord> shots;
};
// A new round whole.
struct TNewRound {
    TRoundRecord round;
    std::vector<TRoundHoleRecord> holes;
};

// Writes in the caller's transaction (the caller holds a TTransaction, so
// that a round goes in or stays out as one). A failed write throws
// EDatabaseError and leaves the writer ready for the next.
class TRoundWriter {
public:
    explicit TRoundWriter(TDatabase& db);

    // A new round with its holes, each hole followed by its shots; returns
    // its RoundId.
    int AddRound(const TNewRound& round);

private:
    TTable round_, holes_, shots_;
};

// Puts the shot editor's table on a new shot row of the round, for the
// editor to fill and post.
void AppendShotRow(TTable& shots, int roundId);

// The course half of the card, from ScoreCard (tee names and colours into
// in, ratings and slopes) and Holes (in.Holes, sorted by hole number, and
// the course par). Both tables stand open.
struct TCourseCard {
    std::array<std::optional<double>, 6> menRating, womenRating;
    std::array<std::optional<int>, 6> menSlope, womenSlope;
    int coursePar = 0;
};
TCourseCard ReadCourseCard(TTable& scoreCard, TTable& holes, CardInput& in);
// The round half: in.RoundHoles by hole number, with the penalty codes of
// their shots. Both tables stand open.
void ReadRoundCardHoles(TTable& roundHoles, TTable& roundShots, CardInput& in);
// The highest hole number with a shot, 0 when none; opens the table and
// sorts it by hole.
int LastShotHole(TTable& shots);
// The card's header texts: "-" for an empty marker or title, "Undefined"
// for a bag that is not there, "" for a missing date. Player and round stand
// on their rows; bags is filtered to the round's bag and opened.
struct TCardHeader {
    std::string player, marker, bag, date, title;
};
TCardHeader ReadCardHeader(TTable& player, TTable& round, TTable& bags);
// The round's hole rows for the statistics box, in hole order, with the
// number of their shots; opens both tables.
std::vector<StatsHole> ReadStatsHoles(TTable& roundHoles, TTable& roundShots);

// The course points of a hole (Waypoints filtered to holeId); none without
// a hole row.
std::vector<CoursePoint> ReadHolePoints(TTable& waypoints, std::optional<int> holeId);
// The hole page's round values: the hole's row of RoundHoles (standing on
// it), its shots in the table's order and the clubs they name.
void ReadHoleShots(TTable& roundHole, TTable& shots, TTable& clubs, HolePageInput& in);

// The round window's tables, filtered by its opener to one round, its
// player and its course.
struct TRoundTables {
    TTable& round;
    TTable& courseGeneral;
    TTable& scoreCard;
    TTable& holes;
    TTable& roundHoles;
    TTable& roundShots;
    TTable& waypoints;
    TTable& clubs;
};
// The card's values besides the holes: the course's tee count and layout,
// the player's sex, the round's tee, and the course half of the card (tee
// names and colours and the holes into in). Opens the tables and stands them
// on their first rows.
struct TCardRound {
    int tees = 0;
    bool eighteen = false;
    bool male = false;
    std::optional<int> tee;
    TCourseCard course;
};
TCardRound ReadCardRound(const TRoundTables& t, TTable& player, CardInput& in);
// The round's stored handicap; the table stands on the round.
std::optional<double> ReadRoundHcp(TTable& round);
// The hole page of hole n: the par and index of the course's hole h (n, or
// n - 9 for a nine shown as eighteen), the course points of the hole the
// course's layout gives, the tee colours, the round's tee, and the hole's
// shots into in. Opens the tables and puts their filters back.
struct THoleData {
    std::optional<int> par, index;
    std::vector<CoursePoint> points;
    std::array<std::optional<int>, 6> teeColors;
    std::optional<int> roundTee;
};
THoleData ReadHole(const TRoundTables& t, int n, int h, HolePageInput& in);
// The course's name for the card, "Unknown course" without a course row;
// opens the table.
std::string ReadCourseName(TTable& courseGeneral);
// The course whose data the round lacks, to be opened for completing: the
// round's course when the course table stands open on a row, else none.
std::optional<int> CourseToComplete(TTable& round, TTable& courseGeneral);

// The round editor's lists: entries of a combo box as caption and id.
using TNamedIds = std::vector<std::pair<std::string, int>>;
// The stored names of the course's tees, as many as it has (at most six),
// "" for a tee without a name. Both tables stand open on the course.
std::vector<std::string> ReadTeeNames(TTable& courseGeneral, TTable& scoreCard);
// Filters both tables to the course and reads its tee names; leaves them
// closed.
std::vector<std::string> ReadCourseTees(TTable& courseGeneral, TTable& scoreCard, int courseId);
// A shot row of the round editor; hole is the highest hole so far in the
// table's order.
struct TEditorShot {
    long long shotId = 0;
    int hole = 1;
    int number = 0;
    int clubId = 0;
    std::string club;  // "Penalty", "Unknown" or the club's name
    int length = 0;
    double latitude = 0, longitude = 0;
    std::string description;
    std::optional<int> penId;
};
// What the round editor shows of its round: the bags, the round's header
// values, all courses, the tees of courseId and the shots. Opens the tables,
// leaves the course table filtered to courseId and closes them all.
struct TEditorRound {
    TNamedIds bags;
    std::optional<int> bagId;
    std::string marker, title;
    double hcp = 0;
    TNamedIds courses;
    std::vector<std::string> teeNames;
    int tee = 0;
    std::vector<TEditorShot> shots;
};
TEditorRound ReadEditorRound(TTable& scoreCard, TTable& courseGeneral, TTable& round, TTable& shots, TTable& clubs,
                             TTable& bags, int courseId);
// Whether the course has eighteen holes; opens and closes the table.
bool ReadEighteenHoles(TTable& courseGeneral);
// The clubs of the table's filter; opens and closes it.
TNamedIds ReadClubs(TTable& clubs);
// Closes the table and gives it the other's filter.
void TakeFilter(TTable& table, const TTable& from);
// Opens the shot editor's table on the round (filter) and on the shot:
// counts[h] is one more than the shots of hole h; not found, the table
// closed, when the shot is no longer there.
struct TShotPlace {
    std::array<int, 19> counts{};
    bool found = false;
    int hole = 0;
    int number = 0;
};
TShotPlace OpenShot(TTable& shots, const std::string& filter, long long shotId);

// Writes the new shot numbers (parallel to rows, the open table's records in
// order) into the records whose number changed.
void StoreShotNumbers(TTable& shots, const std::vector<ShotSlot>& rows, const std::vector<int>& numbers);

// The round editor's header values.
struct TRoundHeaderInput {
    std::string marker;
    std::string title;
    std::optional<double> hcp;      // none keeps the stored handicap
    std::optional<int> courseId;    // none keeps the course and tee
    int teeNumber = 1;
    int bagId = 0;
};
// Writes them to the round row the table stands filtered to; false, writing
// nothing, when the round has been deleted. Leaves the table closed.
bool StoreRoundHeader(TTable& round, const TRoundHeaderInput& in);
// Deletes the shot, numbers its hole's shots 1..n again and validates the
// round, in one transaction; a failure stores nothing and is thrown. The
// table keeps its filter and is left closed. Nothing happens when the shot
// is no longer there.
void DeleteShot(TTable& shots, long long shotId, const std::function<void(int roundId)>& validate);
