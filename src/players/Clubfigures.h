#pragma once
#include <string>
#include <unordered_map>

class MClub;
class TDatabase;

// Club usage statistics, derived from every stored shot, and the texts of the
// statistics window. No widgets here.

// A shot with a measured length: more than 30 and less than 600 metres.
bool IsLengthShot(int shotLength);

// The four usage figures of one club, as ClubDetail stores them.
struct TClubFigures {
    long long Shots = 0;
    long long ShotsWithLength = 0;
    long long ShotsLength = 0;
    long long LongestShot = 0;
};
// Figures by ClubId; a club without shots is not listed.
using TClubFigureMap = std::unordered_map<long long, TClubFigures>;

// Throws away Shots, ShotsWithLength, ShotsLength and LongestShot of every
// ClubDetail row (all players) and computes them again from RoundShots with one
// aggregate query, in one transaction. A shot whose club has no ClubDetail row
// counts for nothing. Shots stops at 32767 (a 16-bit column). A database that
// cannot be written (read-only, full, held by another program) is left as it
// is; a failure to read the shots throws. Returns the figures computed.
TClubFigureMap UpdateClubStatistics(TDatabase& db);
// Gives the club its figures of the map (all 0 when it is not listed).
void PutClubFigures(MClub& club, const TClubFigureMap& figures);

// The counters of the "All rounds statistics" block, over every stored hole
// that was played (HolePlayed, common/Calculations).
struct TAllRoundsCounters {
    int Holes = 0;
    int FairwayHits = 0;
    int GirCount = 0;
    int BunkerHits = 0;
    int Putts = 0;
};
TAllRoundsCounters CountAllRounds(TDatabase& db);

// The value rounded to `digits` significant digits (halves away from zero),
// written in plain decimal without trailing zeros, with the locale's decimal
// separator: 33.3 -> "33" (2 digits), 65/36 -> "1.81" (3 digits), 100 -> "100".
std::string FormatGeneral(double value, int digits);
// Nearest whole number, halves up.
long long RoundHalfUp(double value);

// Picture of a club type in the statistics window: wood 0, putter (and any
// other type) 1, wedge 2, iron 3.
int StatsPictureIndex(int type);

// One club row of the statistics window.
struct TClubRowTexts {
    std::string Name;
    std::string Shots;    // "Club used:12 times"
    std::string Average;  // "Average:83 meter(s)"
    std::string Longest;  // "Longest:219 yard(s)"
    int Picture = 0;
    bool ShowLengths = true;  // false for a putter row
};
// bagView: the average in 3 significant digits, else rounded to a whole number.
// isMeter "false" shows yards, anything else metres.
TClubRowTexts ClubRowTexts(const MClub& club, const std::string& isMeter, bool bagView);

struct TAllRoundsTexts {
    std::string Fairway;  // "Fairway hits: 12 of 36 (33%)"
    std::string Bunker;   // "Bunker hits: 4"
    std::string Gir;      // "GIR: 5 of 36 (14%)"
    std::string Putts;    // "Putts: 65 (1.81)"
};
TAllRoundsTexts AllRoundsTexts(const TAllRoundsCounters& counters);
