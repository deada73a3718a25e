#include "courses/Scorecard.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Textutil.h"
#include "common/Calculations.h"

int GridRowCount(bool holes18) {
    return holes18 ? 22 : 10;
}

int HoleOfRow(int row) {
    if (row >= 0 && row <= 8) return row + 1;
    if (row >= 10 && row <= 18) return row;
    return 0;
}

bool IsHoleRow(int row, bool holes18) {
    if (row >= 0 && row <= 8) return true;
    return holes18 && row >= 10 && row <= 18;
}

int RowOfHole(int hole) {
    return hole <= 9 ? hole - 1 : hole;
}

int IntDef(const std::string& text, int def) {
    try {
        return StrToInt(text);
    } catch (const EConvertError&) {
        return def;
    }
}

std::string FloatText(double value) {
    return DecimalText(value, 'g', 15);
}

namespace {
// A whole stored text as a floating-point number.
bool ParseFloat(const std::string& text, double* out) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

std::string Clamp(const std::string& text, int def, int low, int high) {
    const int v = IntDef(text, def);
    if (v < low) return std::to_string(low);
    if (v > high) return std::to_string(high);
    return text;
}

const char* const TotalLabel18[] = {"Out", "", "", "", "", "", "", "", "", "", "In", "Out", "Tot"};
} // namespace

std::string CheckPar(const std::string& text) {
    return Clamp(text, 0, 3, 5);
}

std::string CheckLength(const std::string& text, const std::string& isMeter) {
    return Clamp(text, 0, MetresToDisplay(70, isMeter), MetresToDisplay(650, isMeter));
}

std::string CheckRating(const std::string& text, bool nineHoles) {
    const std::optional<double> v = ReadDecimal(text);
    if (!v || *v < (nineHoles ? 22.5 : 45.0) || *v > 100.0) return "72";
    return DecimalText(*v, 'g', -1);
}

std::string CheckSlope(const std::string& text) {
    const int v = IntDef(text, 0);
    if (v < 55 || v > 180) return "113";
    return text;
}

bool KeepsStored(const std::string& text, const std::string& built, bool typed) {
    return text == built && (!typed || ReadDecimal(text).value_or(0.0) != 0.0);
}

void StrokeIndexExit(std::vector<std::string>& column, int row, bool holes18, int& entryValue) {
    const int rows = GridRowCount(holes18);
    if (row < 0 || row >= rows || static_cast<int>(column.size()) < rows) return;
    const int top = holes18 ? 18 : 9;
    int v = IntDef(column[row], 0);
    if (v < 1) {
        column[row] = "1";
        v = 1;
    } else if (v > top) {
        column[row] = std::to_string(top);
        v = top;
    }
    // The hole that held the new index takes the old one: the two swap.
    // A box without a number matches nothing.
    for (int r = 0; r < rows; ++r) {
        if (r == row || !IsHoleRow(r, holes18)) continue;
        if (IntDef(column[r], v - 1) == v) column[r] = std::to_string(entryValue);
    }
    entryValue = v;
}

void MatchIndexExit(std::vector<std::string>& column, int row, bool holes18, int& entryValue) {
    const int rows = GridRowCount(holes18);
    if (row < 0 || row >= rows || static_cast<int>(column.size()) < rows) return;
    const int top = holes18 ? 18 : 9;
    const int first = IntDef(column[row], 1);
    if (first < 1)
        column[row] = "";
    else if (first > top)
        column[row] = std::to_string(top);
    const int v = IntDef(column[row], 0);
    if (v == 0) {
        // Match indexes are all or none.
        for (int r = 0; r < rows; ++r)
            if (IsHoleRow(r, holes18)) column[r] = "";
    } else if (entryValue != 0) {
        for (int r = 0; r < rows; ++r) {
            if (r == row || !IsHoleRow(r, holes18)) continue;
            if (IntDef(column[r], 0) == v) column[r] = std::to_string(entryValue);
        }
        entryValue = v;
    } else {
        for (int r = 0; r < rows; ++r)
            if (IsHoleRow(r, holes18)) column[r] = std::to_string(HoleOfRow(r));
    }
}

unsigned ColourOf(const TVariant& v) {
    if (v.IsNull()) return WhiteColour;
    try {
        return static_cast<unsigned>(v.AsInteger()) & 0xFFFFFFu;
    } catch (const EDatabaseError&) {
        return WhiteColour;
    }
}

int ClampTees(int tees) {
    return tees < 1 ? 1 : tees > 6 ? 6 : tees;
}

int StoredTeeCount(const TField& tees) {
    const TVariant v = tees.Value();
    if (v.IsNull()) return 1;
    tees.AsInteger(); // a text that is no number: the field's own conversion error
    const long long n = v.AsInteger();
    if (n < 1 || n > 6)
        throw EDatabaseError("'" + v.AsString() + "' is not a valid tee count for field '" +
                             tees.FieldName() + "' of Course_General.");
    return static_cast<int>(n);
}

std::string LengthField(int tee) {
    return "HoleLength" + std::to_string(tee);
}
std::string RatingField(int index) {
    return "CR" + std::to_string(index % 6 + 1) + (index < 6 ? "M" : "F");
}
std::string SlopeField(int index) {
    return "S" + std::to_string(index % 6 + 1) + (index < 6 ? "M" : "F");
}

namespace {
// A number field as the grid reads it; a text that is not one counts as null.
TVariant NumberOf(const TVariant& v) {
    if (v.IsText()) {
        double d = 0;
        if (!ParseFloat(v.AsString(), &d)) return TVariant();
        return TVariant(d);
    }
    return v;
}

// An integer as stored; a fraction rounded and held to the int range.
long long IntOf(const TVariant& v) {
    const TVariant n = NumberOf(v);
    if (n.IsNull()) return 0;
    if (n.IsFloat()) return WholeNumber(std::round(n.AsFloat()));
    return n.AsInteger();
}

std::string TextOf(const TVariant& v) {
    const TVariant n = NumberOf(v);
    if (n.IsNull()) return "";
    if (n.IsFloat()) return FloatText(n.AsFloat());
    return std::to_string(n.AsInteger());
}

std::string DisplayLengthText(const TVariant& metres, const std::string& isMeter) {
    const TVariant n = NumberOf(metres);
    if (n.IsNull()) return "";
    return std::to_string(MetresToDisplay(static_cast<int>(IntOf(n)), isMeter));
}
} // namespace

TCourseScorecard ReadScorecard(TTable& courseGeneral, TTable& scorecard, TTable& holes) {
    TCourseScorecard card;
    TTableCloser closer{&courseGeneral, &scorecard, &holes};
    courseGeneral.Open();
    courseGeneral.First();
    if (!courseGeneral.IsEmpty()) {
        card.holes18 = courseGeneral.FieldByName("18Holes").AsBoolean();
        card.tees = StoredTeeCount(courseGeneral.FieldByName("Tees"));
    }
    courseGeneral.Close();

    scorecard.Open();
    scorecard.First();
    if (!scorecard.IsEmpty()) {
        card.holeColour = ColourOf(scorecard.FieldByName("HoleCol").Value());
        for (int t = 0; t < 6; ++t) {
            const std::string n = std::to_string(t + 1);
            card.teeColour[t] = ColourOf(scorecard.FieldByName("Tee" + n + "Col").Value());
            card.teeName[t] = scorecard.FieldByName("Tee" + n + "Name").AsString();
        }
        for (int i = 0; i < 12; ++i) {
            card.rating[i] = NumberOf(scorecard.FieldByName(RatingField(i)).Value());
            card.slope[i] = NumberOf(scorecard.FieldByName(SlopeField(i)).Value());
        }
    }
    scorecard.Close();

    holes.Open();
    for (holes.First(); !holes.Eof(); holes.Next()) {
        const long long number = IntOf(holes.FieldByName("HoleNumber").Value());
        if (number < 1 || number > 18) continue;
        TScorecardHole& h = card.hole[number - 1];
        if (h.present) continue; // the first row of a number counts
        h.present = true;
        for (int t = 0; t < 6; ++t)
            h.length[t] = NumberOf(holes.FieldByName(LengthField(t + 1)).Value());
        h.par = NumberOf(holes.FieldByName("HolePar").Value());
        h.strokeIndex = NumberOf(holes.FieldByName("HoleHCP1").Value());
        h.matchIndex = NumberOf(holes.FieldByName("HoleHCP2").Value());
        h.name = holes.FieldByName("HoleName").AsString();
    }
    holes.Close();
    return card;
}

TScorecardGrid BuildGrid(const TCourseScorecard& card, const std::string& isMeter, bool editMode) {
    TScorecardGrid g;
    g.rows = GridRowCount(card.holes18);
    g.tees = ClampTees(card.tees);
    const int tees = g.tees;
    const auto teeHint = [&](int t) {
        const std::string& name = card.teeName[t - 1];
        return " Tee:" + (name.empty() ? std::to_string(t) : name);
    };
    for (int r = 0; r < g.rows; ++r) {
        const bool holeRow = IsHoleRow(r, card.holes18);
        const int number = HoleOfRow(r);
        const TScorecardHole* h = holeRow ? &card.hole[number - 1] : nullptr;
        std::string rowHint;
        if (h) rowHint = "Hole:" + (h->name.empty() ? std::to_string(number) : h->name);
        for (int c = 0; c <= tees + 3; ++c) {
            TGridCell& cell = g.cell[r][c];
            cell.exists = true;
            cell.hint = rowHint;
            if (c >= 1 && c <= tees) cell.hint += teeHint(c);
            if (holeRow && c == tees + 2) cell.hint = "Stroke Play";
            if (holeRow && c == tees + 3) cell.hint = "Match Play";
            cell.colour = c == 0      ? card.holeColour
                          : c <= tees ? card.teeColour[c - 1]
                                      : WhiteColour;
            cell.editable = editMode && holeRow && c >= 1;
            if (holeRow) {
                if (c == 0)
                    cell.text = std::to_string(number);
                else if (!h->present)
                    cell.text = "";
                else if (c <= tees)
                    cell.text = DisplayLengthText(h->length[c - 1], isMeter);
                else if (c == tees + 1)
                    cell.text = TextOf(h->par);
                else if (c == tees + 2)
                    cell.text = TextOf(h->strokeIndex);
                else
                    cell.text = TextOf(h->matchIndex);
            } else {
                // Out: holes 1-9; In: 10-18; Tot: all (a 9-hole card's row 9).
                int from = 1, to = 9;
                if (card.holes18 && r == 19) from = 10, to = 18;
                if (card.holes18 && r == 21) to = 18;
                if (c == 0) cell.text = card.holes18 ? TotalLabel18[r - 9] : "Tot";
                if (c >= 1 && c <= tees + 1) {
                    // Each hole as an int, summed wide: no overflow.
                    long long sum = 0;
                    for (int n = from; n <= to; ++n)
                        sum += static_cast<int>(IntOf(c <= tees ? card.hole[n - 1].length[c - 1]
                                                                : card.hole[n - 1].par));
                    const int whole = WholeNumber(static_cast<double>(sum));
                    cell.text = std::to_string(c <= tees ? MetresToDisplay(whole, isMeter) : whole);
                }
                cell.visible = !editMode && c <= tees + 1;
            }
        }
    }
    for (int i = 0; i < 12; ++i) {
        const int tee = i % 6 + 1;
        if (tee > tees) continue;
        if (card.rating[i].IsNull() && !editMode) continue;
        const auto box = [&](TGridBox& b, const TVariant& v) {
            b.exists = true;
            b.text = TextOf(v);
            b.colour = card.teeColour[tee - 1];
            b.editable = editMode;
            const bool zero = !v.IsNull() && IntOf(v) == 0 && (!v.IsFloat() || v.AsFloat() == 0.0);
            b.visible = editMode || !zero;
        };
        box(g.rating[i], card.rating[i]);
        box(g.slope[i], card.slope[i]);
    }
    return g;
}

void WriteScorecard(TTable& scorecard, TTable& holes, const TScorecardTexts& texts,
                    const std::string& isMeter) {
    const bool holes18 = texts.rows > 10;
    const int tees = ClampTees(texts.tees);
    const int written = texts.storedTees > 0 ? std::min(tees, ClampTees(texts.storedTees)) : tees;
    TTableCloser closer{&scorecard, &holes};
    holes.Open();
    for (int r = 0; r < texts.rows && r < MaxGridRows; ++r) {
        if (!IsHoleRow(r, holes18)) continue;
        if (!holes.Locate("HoleNumber", TVariant(HoleOfRow(r)))) continue;
        holes.Edit();
        for (int t = 1; t <= written; ++t) {
            const std::string len = CheckLength(texts.cell[r][t], isMeter);
            holes.FieldByName(LengthField(t))
                .SetAsInteger(DisplayToMetres(IntDef(len, 0), isMeter));
        }
        holes.FieldByName("HolePar").SetAsInteger(IntDef(CheckPar(texts.cell[r][tees + 1]), 0));
        holes.FieldByName("HoleHCP1").SetAsInteger(IntDef(texts.cell[r][tees + 2], 0));
        holes.FieldByName("HoleHCP2").SetAsInteger(IntDef(texts.cell[r][tees + 3], 0));
        holes.Post();
    }
    holes.Close();

    scorecard.Open();
    scorecard.First();
    if (!scorecard.IsEmpty()) {
        scorecard.Edit();
        for (int i = 0; i < 12; ++i) {
            if (!texts.hasRating[i] || i % 6 + 1 > written) continue;
            if (!texts.keepRating[i])
                scorecard.FieldByName(RatingField(i))
                    .SetAsFloat(ReadDecimal(CheckRating(texts.rating[i], !holes18)).value_or(0.0));
            if (!texts.keepSlope[i])
                scorecard.FieldByName(SlopeField(i))
                    .SetAsInteger(IntDef(CheckSlope(texts.slope[i]), 0));
        }
        scorecard.Post();
    }
    scorecard.Close();
}
