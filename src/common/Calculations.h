#pragma once
#include <functional>
#include <string>

class TTable;

// Signed degrees in hemisphere form: 'N', 'S', 'E' or 'W' and a magnitude.
struct THemisphereCoordinate {
    char Hemisphere = 'N';
    double Degrees = 0.0;  // never negative
};

// 'W' and 'S' (upper case only) make the magnitude negative.
double ParseCoordinate(char hemisphere, double magnitude);
THemisphereCoordinate SplitCoordinate(double degrees, unsigned char isLatitude);
// "%c %.7f", e.g. "S 0.5000000".
std::string FormatCoordinate(double degrees, unsigned char isLatitude);

// Stableford points of one hole of a card of `holes` holes (18, or 9 for a
// nine, whose index is its place 1..9), held to the int range. A handicap
// below 0 gives strokes back from the highest index down.
int StablefordPoints(int playingHcp, int strokes, int strokeIndex, int par, int holes = 18);

// A number truncated to a whole number and held to the int range (NaN: 0),
// so that any stored or typed value converts.
int WholeNumber(double v);

// Distances are stored in metres; "false" as the unit text means yards, any
// other text metres. The one-argument forms read the unit of the current
// player from the source set below (the main window registers itself).
// Held to the int range like WholeNumber.
int MetresToDisplay(int metres, const std::string& isMeter);
int DisplayToMetres(int distance, const std::string& isMeter);
int MetresToDisplay(int metres);
int DisplayToMetres(int distance);
void SetDisplayUnitSource(std::function<std::string()> source);

// Whole metres between two positions on the WGS-84 ellipsoid.
int GeodesicDistance(double lat1, double lon1, double lat2, double lon2, double h1, double h2);

// Recounts each hole of a round from its shots and penalty codes and marks the
// round and the holes Invalid where the count differs from HoleShotsTotal. The
// three tables (Round, RoundHoles, RoundShots) keep the filters set here.
void ValidateRound(TTable& roundTable, TTable& roundHolesTable, TTable& roundShotsTable,
                   int roundId);

// Strokes one shot row adds to its hole: 1, plus 1 for a penalty code 1 to 8,
// plus 2n for n new balls (code 10 + n), held to the int range; a given-up
// hole (code 9) counts nothing.
int ShotStrokes(int penId);
// A hole with no stroke stored and no shot was not played.
bool HolePlayed(int strokes, int shots);
// The same rule as an SQL condition on a RoundHoles row named h.
extern const char* const PlayedHoleCondition;
