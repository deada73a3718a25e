#pragma once
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Datetime.h"
#include "rounds/Markpoint.h"

// The rules of the rounds windows, without widgets: what the list filters on,
// what the scorecard, holes page and statistics show, what the card file holds,
// what the editors show and how shots are renumbered. The windows only move
// these values to and from their controls.

// ---------------------------------------------------------------- rounds list

// Filter of the list for a typed text: the player's rounds whose start date,
// as stored text, contains the text (quoted, so a quote is data).
std::string RoundsListFilter(int userId, const std::string& typed);
// The date part in the user's short date format.
std::string ShortDateText(TDateTime value);
// The tee number as the list reads it: a value outside 1..6 counts as 0.
int ListTeeNumber(long long stored, bool isNull);

// ------------------------------------------------------------ playing handicap

// HCP x slope / 113 + (rating - par x m), m = 2 for a 9-hole course (its
// rating is an 18-hole figure), else 1. A 9-hole course rated below
// NineHoleRatingBelow carries a nine-hole rating, which counts twice. Keeps
// its fraction, to a millionth: handicaps and ratings come in tenths, so an
// exact half stays one for the rounding.
constexpr double NineHoleRatingBelow = 45;
double PlayingHandicap(double roundHcp, int slope, double rating, int coursePar,
                       bool nineHoleCourse);
// A handicap truncated to a whole number: WholeNumber (common/Calculations).
int HandicapInt(double h);
// floor(h + 0.5), nearest with halves up, held to the int range as
// HandicapInt.
int RoundedHandicap(double h);
// The playing handicap a card shows, prints, nets and scores with, from the
// 18-hole figure h (PlayingHandicap): h rounded, or on a 10-row card (a nine)
// half of h, rounded once. The card's strokes add up to it (BuildCard).
int CardPlayingHcp(double h, int rows);
// "18 / 18": the round's handicap (up to 7 significant digits) and the rounded
// playing handicap.
std::string HcpLabelText(double roundHcp, double playingHcp);

// The rating of tee 1..6 for the player's sex, else the men's; none when both
// are missing or the tee is out of range.
std::optional<double> TeeRating(bool male, int tee, const std::array<std::optional<double>, 6>& men,
                                const std::array<std::optional<double>, 6>& women);
std::optional<int> TeeSlope(bool male, int tee, const std::array<std::optional<int>, 6>& men,
                            const std::array<std::optional<int>, 6>& women);

// ------------------------------------------------------------------ scorecard

// One course hole as the card reads it; nullopt is a missing value.
struct CardCourseHole {
    std::optional<int> Number;
    std::array<std::optional<int>, 6> Length;  // metres, tees 1..6
    std::optional<int> Par;
    std::optional<int> Index;  // HoleHCP1
    bool NameMissing = false;
};

// One RoundHoles row with the penalty codes of the hole's shots.
struct CardRoundHole {
    std::optional<int> ShotsTotal;
    bool Quit = false;
    std::vector<std::optional<int>> PenIds;
};

struct CardInput {
    int Tees = 1;             // 1..6
    int Rows = 22;            // 10 or 22
    bool NineAsEighteen = false;
    std::string IsMeter = "true";
    int PlayingHcp = 0;       // CardPlayingHcp
    std::optional<int> HoleColor;
    std::array<std::optional<int>, 6> TeeColor;
    std::array<std::optional<std::string>, 6> TeeName;
    std::vector<CardCourseHole> Holes;        // found by their numbers
    std::map<int, CardRoundHole> RoundHoles;  // by round hole number (HoleId)
};

struct CardCell {
    bool Exists = false;
    std::string Text;
    int Color = 0xFFFFFF;  // 0x00BBGGRR
    std::string Hint;
    bool Changed = false;  // stored strokes differ from the shots: bold, struck out
};

struct CardModel {
    int Rows = 0;
    int Tees = 0;
    std::array<std::array<CardCell, 11>, 22> Cells;
};

// Whether a round is a nine: 22 rows for an 18-hole course or for a round
// that played a hole after the ninth (then 9 as 18), else 10. Holes stored
// with no strokes and no shot (a watch stores 18 for every game) do not count.
int CardRowCount(bool eighteenHoles, const std::map<int, CardRoundHole>& roundHoles, bool* nineAsEighteen);
// Strokes a hole's shots add up to (penalty codes as the card counts them).
int RecountStrokes(const std::vector<std::optional<int>>& penIds);
// The round hole number of a card row: r + 1 for rows 0-8, r for rows 10-18.
int CardRowHole(int row);
CardModel BuildCard(const CardInput& in);
// Place of a cell on the page at the given dots per inch.
int CardCellLeft(int row, int column, int dpi);
int CardCellTop(int row);

// --------------------------------------------------------------- holes page

struct HoleShot {
    int ShotNumber = 0;
    std::optional<int> ClubId;
    std::optional<int> PenId;
    std::optional<int> Length;  // metres
    double Latitude = 0, Longitude = 0;
};

struct HoleClub {
    std::string Name;
    int Type = 0;  // 9 putter
};

struct HolePageInput {
    std::vector<HoleShot> Shots;  // by shot number
    std::map<int, HoleClub> Clubs;
    bool HaveRoundHole = false;
    bool Fir = false, Gir = false, Quit = false;
    std::optional<int> ShotsTotal;
    int BunkerHits = 0;
    std::optional<int> Par;
    std::string IsMeter = "true";
};

struct HolePage {
    static constexpr int LabelRows = 40;
    static constexpr int MaxShownShots = LabelRows - 3;
    std::vector<std::array<std::string, 4>> Rows;  // one per shown shot
    std::vector<std::string> ShotTexts;            // scene texts, one per shot
    int ShotCount = 0;
    int PenaltyStrokes = 0;
    std::string Total;
    std::string Result;
    bool ShowSand = false;
    int SandCount = 0;
    bool ManyShots = false;  // more than 16 shots: the note is shown
};

struct PenaltyRule {
    std::string Note;  // "" for none
    int Strokes = 0;
};
PenaltyRule HolePenalty(int penId);
// Result word from shots, penalty strokes and par, then the corrections.
std::string HoleResultWord(int shots, int penaltyStrokes, std::optional<int> par,
                           std::optional<int> shotsTotal, bool quitShot);
HolePage BuildHolePage(const HolePageInput& in);

struct CoursePoint {
    std::optional<int> Type;
    std::optional<int> Tee;
    double Latitude = 0, Longitude = 0;
    std::string Name;
};
// Scene entries of a hole's course points (the played tee keeps its name, the
// others get a leading blank unless none is the played tee).
std::vector<MarkPointType> CoursePointMarks(const std::vector<CoursePoint>& points,
                                            const std::array<std::optional<int>, 6>& teeColors,
                                            int roundTee);

// --------------------------------------------------------------- statistics

struct StatsHole {
    int ShotsTotal = 0;
    int ShotsPutter = 0;
    int Par = 0;
    int BunkerHits = 0;
    bool Fir = false, Gir = false;
    int Shots = 0;  // RoundShots rows of the hole
};
struct StatsTexts {
    std::string Fir, Gir, Puts, Bunker;
};
StatsTexts RoundStatsTexts(const std::vector<StatsHole>& holes);

// ------------------------------------------------------------ round card file

struct CardPrintInput {
    std::string Name, Title, Datum, Player, Hcp, Marker, Bag, Tee, Fir, Gir, Puts, Bir;
    int Rows = 22;
    int Tees = 1;
    int PlayingHcp = 0;
    std::function<std::string(int row, int column)> Cell;  // "" where there is none
    std::function<std::string(int row, int column)> Hint;
    std::function<int(int tee)> TeeRgb;  // 0xRRGGBB of cell (0, tee)
    std::function<bool(int row)> StrokesChanged;
};
// Values as Latin-1 bytes with &, < and > escaped; characters beyond Latin-1
// as character references. The input is UTF-8.
std::string CardValue(const std::string& utf8);
// The lines of "scorecard.xml", without line ends; values escaped.
std::vector<std::string> ScorecardLines(const CardPrintInput& in);

// ------------------------------------------------------------------ editors

// The description column of a shot: its own text, else its penalty in words.
std::string ShotDescriptionText(const std::string& description, std::optional<int> penId);
// "N 60.1000000" / "W 3.5000000" (the locale's decimal separator); both empty when the position rounds to 0, 0.
std::string ShotLatitudeText(double latitude, double longitude);
std::string ShotLongitudeText(double latitude, double longitude);
// The handicap box bounded: above 54 "54", below -10 "-10", not a number
// "0", else unchanged.
std::string BoundHcpText(const std::string& text);
// A degree box bounded to 0..max; not a number "0".
std::string BoundDegreeText(const std::string& text, double max);
std::optional<int> ParseWhole(const std::string& text);
// Penalty list index and stored code.
int PenaltyIdForIndex(int index);
int PenaltyIndexForId(std::optional<int> penId);
extern const char* const PenaltyItems[15];

// ------------------------------------------------------------- renumbering

struct ShotSlot {
    long long ShotId = 0;
    int HoleId = 0;
    int ShotNumber = 0;
};
// New shot numbers, parallel to rows (the round's shots by hole and number),
// after the shot storedId was stored at place s of its hole: every hole counts
// 1, 2, 3 ... in its old order and the shot that held place s moves aside.
std::vector<int> RenumberAfterStore(const std::vector<ShotSlot>& rows, long long storedId, int s);
// New numbers of one hole's remaining shots (by number): 1..n.
std::vector<int> RenumberHole(const std::vector<ShotSlot>& rows);
