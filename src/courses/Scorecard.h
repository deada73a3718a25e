#pragma once
#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "db/Table.h"

// The course scorecard without widgets: what the grid of the course window
// shows, the checks its boxes make, and what a save writes. Grid rows: holes
// 1-9 on rows 0-8, then "Out" (9 holes: "Tot") on row 9; for 18 holes holes
// 10-18 on rows 10-18, "In" on 19, "Out" again on 20 and "Tot" on 21.
// Columns: 0 hole, 1..tees lengths, tees+1 par, tees+2 stroke index,
// tees+3 match index. Colours are Windows colour values (0x00BBGGRR).

constexpr int MaxGridRows = 22;
constexpr int MaxGridColumns = 10;
constexpr unsigned WhiteColour = 0xFFFFFF;

int GridRowCount(bool holes18);
// Hole number shown on a grid row; 0 on total rows.
int HoleOfRow(int row);
bool IsHoleRow(int row, bool holes18);
// Grid row of a hole number (1..18).
int RowOfHole(int hole);

// The integer of a text (optional sign, digits), or def when it is none.
int IntDef(const std::string& text, int def);
// Shortest text of a floating-point value ("72", "70.5"; the locale's
// decimal separator).
std::string FloatText(double value);

// Box checks: the text the box holds after leaving it. A rating that stays
// is shown as it was read, with the locale's decimal separator; a nine-hole
// course also takes a nine-hole rating (from 22.5).
std::string CheckPar(const std::string& text);
std::string CheckLength(const std::string& text, const std::string& isMeter);
std::string CheckRating(const std::string& text, bool nineHoles = false);
std::string CheckSlope(const std::string& text);
// Whether a rating or slope box keeps the stored value unchecked: it still
// holds the text it was built with, and the user never typed into it or
// that text is a value (not empty, not 0).
bool KeepsStored(const std::string& text, const std::string& built, bool typed);

// The index columns' rules. column holds the texts of one index column by
// grid row (GridRowCount entries); row is the box being left, entryValue the
// value it held when entered (updated as the rule says).
void StrokeIndexExit(std::vector<std::string>& column, int row, bool holes18, int& entryValue);
void MatchIndexExit(std::vector<std::string>& column, int row, bool holes18, int& entryValue);

// One course's scorecard as stored.
struct TScorecardHole {
    bool present = false;
    TVariant length[6];
    TVariant par, strokeIndex, matchIndex;
    std::string name;
};
struct TCourseScorecard {
    bool holes18 = false;
    int tees = 1;
    unsigned holeColour = WhiteColour;
    unsigned teeColour[6] = {WhiteColour, WhiteColour, WhiteColour,
                             WhiteColour, WhiteColour, WhiteColour};
    std::string teeName[6];
    TVariant rating[12]; // men tees 1-6, then women tees 1-6
    TVariant slope[12];
    TScorecardHole hole[18]; // by hole number - 1
};

// Reads the course row, its score card row and its holes from the three
// tables, which stand filtered to the course; they are closed again. A hole
// row is placed by its HoleNumber, whatever order the table gives. A tee
// count the grid cannot show throws (StoredTeeCount).
TCourseScorecard ReadScorecard(TTable& courseGeneral, TTable& scorecard, TTable& holes);

// A stored colour value; null is white.
unsigned ColourOf(const TVariant& v);
// The value stored for a colour the user chose: a stored tee colour of 0
// means none (the tee's default), so black is kept as the nearest colour
// that is not 0.
constexpr unsigned ChosenBlack = 0x000001;
constexpr unsigned StoredChosenColour(unsigned colour) {
    return (colour & 0xFFFFFFu) == 0 ? ChosenBlack : colour & 0xFFFFFFu;
}
// Tee count within 1..6.
int ClampTees(int tees);
// The tee count a course row holds (its Tees field). A count outside 1..6, or
// a text that is no number, throws EDatabaseError naming the field and the
// value: a course whose tees cannot be shown is not loaded, nor written.
// Null reads as one tee.
int StoredTeeCount(const TField& tees);

// What the grid shows, cell by cell.
struct TGridCell {
    bool exists = false;
    std::string text;
    std::string hint;
    unsigned colour = WhiteColour;
    bool editable = false;
    bool visible = true;
};
struct TGridBox { // a rating or slope box
    bool exists = false;
    std::string text;
    unsigned colour = WhiteColour;
    bool editable = false;
    bool visible = true;
};
struct TScorecardGrid {
    int rows = 10;
    int tees = 1;
    std::array<std::array<TGridCell, MaxGridColumns>, MaxGridRows> cell;
    std::array<TGridBox, 12> rating;
    std::array<TGridBox, 12> slope;
};
TScorecardGrid BuildGrid(const TCourseScorecard& card, const std::string& isMeter, bool editMode);

// The texts of a grid as the user left them, to be saved.
struct TScorecardTexts {
    int rows = 10;
    int tees = 1;
    // The course's stored tee count when it is below the grid's: lengths,
    // ratings and slopes are written for those tees only. 0: the grid's.
    int storedTees = 0;
    std::array<std::array<std::string, MaxGridColumns>, MaxGridRows> cell;
    std::array<bool, 12> hasRating{};
    std::array<std::string, 12> rating;
    std::array<std::string, 12> slope;
    // Boxes that keep the stored value (KeepsStored): nothing is written.
    std::array<bool, 12> keepRating{};
    std::array<bool, 12> keepSlope{};
};

// Writes hole lengths (display unit to metres), par and indexes of every hole
// row, and the ratings and slopes of the boxes that exist, each through its
// box check unless the box keeps the stored value; never for a tee above the
// stored count. A hole without its row is skipped. The caller holds the
// transaction; the tables stand filtered to the course and are closed after.
void WriteScorecard(TTable& scorecard, TTable& holes, const TScorecardTexts& texts,
                    const std::string& isMeter);

// Closes the tables when it goes, also when an exception passes: a pending
// edit is dropped, never left for the next user of the table.
class TTableCloser {
  public:
    TTableCloser(std::initializer_list<TTable*> tables) : tables_(tables) {}
    ~TTableCloser() {
        for (TTable* t : tables_) {
            try {
                t->Close();
            } catch (...) {
            }
        }
    }
    TTableCloser(const TTableCloser&) = delete;
    TTableCloser& operator=(const TTableCloser&) = delete;

  private:
    std::vector<TTable*> tables_;
};

// Column names of tee t (1..6).
std::string LengthField(int tee);
std::string RatingField(int index); // index 0..11 as the boxes
std::string SlopeField(int index);
