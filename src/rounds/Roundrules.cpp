#include "rounds/Roundrules.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/Table.h"
#include "platform/Textutil.h"
#include "common/Calculations.h"

namespace {

std::string Printf(const char* format, double a) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a);
    return buffer;
}

} // namespace

// ---------------------------------------------------------------- rounds list

std::string RoundsListFilter(int userId, const std::string& typed) {
    return "UserId = " + std::to_string(userId) + "and RoundStartDate Like " +
           QuotedStr("*" + typed + "*");
}

std::string ShortDateText(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return QLocale().toString(QDate(p.year, p.month, p.day), QLocale::ShortFormat).toStdString();
}

int ListTeeNumber(long long stored, bool isNull) {
    if (isNull || stored < 1 || stored > 6) return 0;
    return static_cast<int>(stored);
}

// ------------------------------------------------------------ playing handicap

double PlayingHandicap(double roundHcp, int slope, double rating, int coursePar,
                       bool nineHoleCourse) {
    const double m = nineHoleCourse ? 2 : 1;
    if (nineHoleCourse && rating < NineHoleRatingBelow) rating *= 2;
    const double h = roundHcp * slope / 113.0 + (rating - coursePar * m);
    return std::round(h * 1e6) / 1e6;
}

int HandicapInt(double h) { return WholeNumber(h); }

int RoundedHandicap(double h) { return HandicapInt(std::floor(h + 0.5)); }

int CardPlayingHcp(double h, int rows) { return RoundedHandicap(rows == 10 ? h / 2 : h); }

std::string HcpLabelText(double roundHcp, double playingHcp) {
    return DecimalText(roundHcp, 'g', 7) + " / " +
           std::to_string(RoundedHandicap(playingHcp));
}

std::optional<double> TeeRating(bool male, int tee, const std::array<std::optional<double>, 6>& men,
                                const std::array<std::optional<double>, 6>& women) {
    if (tee < 1 || tee > 6) return std::nullopt;
    const auto& own = male ? men[tee - 1] : women[tee - 1];
    if (own) return own;
    return men[tee - 1];
}

std::optional<int> TeeSlope(bool male, int tee, const std::array<std::optional<int>, 6>& men,
                            const std::array<std::optional<int>, 6>& women) {
    if (tee < 1 || tee > 6) return std::nullopt;
    return male ? men[tee - 1] : women[tee - 1];
}

// ------------------------------------------------------------------ scorecard

int CardRowCount(bool eighteenHoles, const std::map<int, CardRoundHole>& roundHoles, bool* nineAsEighteen) {
    if (nineAsEighteen) *nineAsEighteen = false;
    if (eighteenHoles) return 22;
    const auto back = roundHoles.upper_bound(9);
    const bool backPlayed = std::any_of(back, roundHoles.end(), [](const auto& hole) {
        return HolePlayed(hole.second.ShotsTotal.value_or(0), static_cast<int>(hole.second.PenIds.size()));
    });
    if (backPlayed) {
        if (nineAsEighteen) *nineAsEighteen = true;
        return 22;
    }
    return 10;
}

int RecountStrokes(const std::vector<std::optional<int>>& penIds) {
    long long count = 0;
    for (const auto& p : penIds) count += ShotStrokes(p.value_or(0));
    return WholeNumber(static_cast<double>(count));
}

int CardRowHole(int row) { return row < 9 ? row + 1 : row; }

int CardCellLeft(int row, int column, int dpi) {
    return 10 + 30 * column + (row > 9 ? 350 * dpi / 96 : 0);
}

int CardCellTop(int row) { return 40 + 20 * (row % 10) + (row > 19 ? 20 * (row / 2) : 0); }

CardModel BuildCard(const CardInput& in) {
    CardModel card;
    const int T = std::clamp(in.Tees, 1, 6);
    card.Rows = in.Rows == 22 ? 22 : 10;
    card.Tees = T;
    // Sums per half (0 first nine, 1 second nine).
    struct Half {
        // Wide enough for any stored values.
        long long length[6] = {};
        long long par = 0, strokes = 0, points = 0;
        bool strokesVoid = false;
    } half[2];

    const auto text = [](std::optional<int> v) { return v ? std::to_string(*v) : std::string(); };
    // A row shows the course hole of its number (the first nine again for
    // rows 10-18 of a 9-hole course); a hole the course lacks leaves it empty.
    const auto holeFor = [&](int row) -> const CardCourseHole* {
        int number = CardRowHole(row);
        if (in.NineAsEighteen && number > 9) number -= 9;
        for (const CardCourseHole& h : in.Holes)
            if (h.Number == number) return &h;
        return nullptr;
    };

    // A nine's holes are places 1 to 9 of its strokes in the order of their
    // indexes (then of their rows), whatever numbers the indexes are; played
    // as 18, place p is index 2p - 1 of the first nine and 2p of the second.
    std::array<int, 9> place{};
    if (card.Rows == 10 || in.NineAsEighteen) {
        std::vector<std::pair<int, int>> byIndex;  // index, row
        for (int r = 0; r < 9; ++r)
            if (const CardCourseHole* hole = holeFor(r); hole && hole->Index) byIndex.emplace_back(*hole->Index, r);
        std::sort(byIndex.begin(), byIndex.end());
        for (size_t k = 0; k < byIndex.size(); ++k) place[byIndex[k].second] = static_cast<int>(k) + 1;
    }

    for (int r = 0; r < card.Rows; ++r) {
        const bool totalRow = r == 9 || r >= 19;
        auto& cells = card.Cells[r];
        for (int c = 0; c <= T + 4; ++c) {
            if (totalRow && c == T + 2) continue;
            CardCell& cell = cells[c];
            cell.Exists = true;
            if (c == 0) cell.Color = in.HoleColor.value_or(0xFFFFFF);
            else if (c <= T) cell.Color = in.TeeColor[c - 1].value_or(0xFFFFFF);
        }
        if (!totalRow) {
            const CardCourseHole* hole = holeFor(r);
            Half& h = half[r < 9 ? 0 : 1];
            CardCourseHole none;
            const CardCourseHole& ch = hole ? *hole : none;
            if (ch.NameMissing)
                for (int c = 0; c <= T + 4; ++c) cells[c].Hint = "Hole:" + text(ch.Number);
            std::optional<int> number = ch.Number;
            if (number && in.NineAsEighteen && r >= 10) *number += 9;
            cells[0].Text = text(number);
            for (int t = 1; t <= T; ++t) {
                const auto& len = ch.Length[t - 1];
                if (len) {
                    cells[t].Text = std::to_string(MetresToDisplay(*len, in.IsMeter));
                    h.length[t - 1] += *len;
                }
            }
            cells[T + 1].Text = text(ch.Par);
            h.par += ch.Par.value_or(0);
            std::optional<int> index = ch.Index;
            if (index && in.NineAsEighteen) *index = r < 9 ? 2 * place[r] - 1 : 2 * place[r - 10];
            cells[T + 2].Text = text(index);

            // Strokes and points from the round's row of this hole number.
            const auto found = in.RoundHoles.find(CardRowHole(r));
            if (found != in.RoundHoles.end()) {
                const CardRoundHole& rh = found->second;
                const int recount = RecountStrokes(rh.PenIds);
                cells[T + 3].Changed = !rh.ShotsTotal || *rh.ShotsTotal != recount;
                cells[T + 3].Text = rh.Quit ? "-" : text(rh.ShotsTotal);
                h.strokes += rh.ShotsTotal.value_or(0);
                if (rh.Quit) {
                    cells[T + 4].Text = "0";
                    h.strokesVoid = true;
                } else if (rh.ShotsTotal && ch.Par && index) {
                    const int points = card.Rows == 10
                        ? StablefordPoints(in.PlayingHcp, *rh.ShotsTotal, place[r], *ch.Par, 9)
                        : StablefordPoints(in.PlayingHcp, *rh.ShotsTotal, *index, *ch.Par);
                    cells[T + 4].Text = std::to_string(points);
                    h.points += points;
                }
            }
            cells[T + 3].Hint += " shots";
        }
        for (int t = 1; t <= T; ++t)
            if (in.TeeName[t - 1]) cells[t].Hint += " Tee:" + *in.TeeName[t - 1];
    }

    const auto fillTotal = [&](int r, const char* label, bool first, bool second) {
        auto& cells = card.Cells[r];
        cells[0].Text = label;
        for (int t = 1; t <= T; ++t) {
            long long metres = (first ? half[0].length[t - 1] : 0) + (second ? half[1].length[t - 1] : 0);
            cells[t].Text =
                std::to_string(MetresToDisplay(WholeNumber(static_cast<double>(metres)), in.IsMeter));
        }
        cells[T + 1].Text =
            std::to_string((first ? half[0].par : 0) + (second ? half[1].par : 0));
        const bool isVoid = (first && half[0].strokesVoid) || (second && half[1].strokesVoid);
        cells[T + 3].Text = isVoid ? "-"
                                   : std::to_string((first ? half[0].strokes : 0) +
                                                    (second ? half[1].strokes : 0));
        const long long points = (first ? half[0].points : 0) + (second ? half[1].points : 0);
        cells[T + 4].Text = std::to_string(std::max(points, 0LL));
    };
    if (card.Rows == 10) {
        fillTotal(9, "Tot", true, false);
    } else {
        fillTotal(9, "Out", true, false);
        fillTotal(19, "In", false, true);
        fillTotal(20, "Out", true, false);
        fillTotal(21, "Tot", true, true);
    }
    return card;
}

// --------------------------------------------------------------- holes page

PenaltyRule HolePenalty(int penId) {
    switch (penId) {
        case 1: return {"+ Drop penalty", 1};
        case 2: return {"+ Water penalty", 1};
        case 3: return {"Rule violation", 2};
        case 4: return {"Wrong position", 2};
        case 9: return {"Quit hole", 0};
        default: break;
    }
    if (penId >= 10) return {"Provisional ball", 2 * (penId - 10)};
    return {"", 0};
}

std::string HoleResultWord(int shots, int penaltyStrokes, std::optional<int> par,
                           std::optional<int> shotsTotal, bool quitShot) {
    std::string word;
    if (par) {
        const int d = shots + penaltyStrokes - *par;
        switch (d) {
            case -3: word = "DOUBLE EAGLE"; break;
            case -2: word = "EAGLE"; break;
            case -1: word = "BIRDIE"; break;
            case 0: word = "PAR"; break;
            case 1: word = "BOGEY"; break;
            case 2: word = "DOUBLE BOGEY"; break;
            case 11: word = "PLEASE TAKE GOLF LESSONS"; break;
            default: word = "OTHER"; break;
        }
    }
    if (!shotsTotal || *shotsTotal != shots + penaltyStrokes) word = "ADJUST HOLE STROKES";
    if (shots == 1 && !quitShot) word = "HOLE IN ONE";
    if (shots == 0) word = "";
    return word;
}

HolePage BuildHolePage(const HolePageInput& in) {
    HolePage page;
    const int S = static_cast<int>(in.Shots.size());
    page.ShotCount = S;
    const int shown = std::min(S, HolePage::MaxShownShots);
    std::vector<std::array<std::string, 4>> rows(static_cast<size_t>(S));
    page.ShotTexts.assign(static_cast<size_t>(S), "");
    int putts = 0;
    bool quitShot = false;
    for (int i = 0; i < S; ++i) {
        const HoleShot& shot = in.Shots[static_cast<size_t>(i)];
        const int clubId = shot.ClubId.value_or(0);
        const auto club = in.Clubs.find(clubId);
        const bool known = club != in.Clubs.end();
        const bool putter = known && club->second.Type == 9;
        if (putter) {
            ++putts;
            page.ShotTexts[static_cast<size_t>(i)] = std::to_string(putts) + " Putt(s)";
            if (i > 0 && page.ShotTexts[static_cast<size_t>(i - 1)].find("Putt(s)") != std::string::npos)
                page.ShotTexts[static_cast<size_t>(i - 1)].clear();
        } else {
            page.ShotTexts[static_cast<size_t>(i)] = "Shot " + std::to_string(shot.ShotNumber);
        }
        auto& row = rows[static_cast<size_t>(i)];
        row[0] = std::to_string(shot.ShotNumber);
        row[1] = clubId == 15 ? "Penalty" : known ? club->second.Name : "Unknown";
        const int length = shot.Length.value_or(0);
        if (clubId != 15 && length != 0 && !putter)
            row[2] = std::to_string(MetresToDisplay(length, in.IsMeter));
        const auto noGps = [&] {
            if (row[2].empty()) row[2] = "No GPS";
            else row[3] = "No GPS coordinates";
        };
        if (!putter && shot.Latitude == 0 && shot.Longitude == 0) noGps();
        if (clubId != 15 && length == 0 && !putter) noGps();
        if (shot.PenId || in.Quit) {
            const int penId = shot.PenId.value_or(0);
            const PenaltyRule rule = HolePenalty(penId);
            if (penId == 9) {
                row[1].clear();
                row[2].clear();
                quitShot = true;
            }
            if (!rule.Note.empty()) row[3] = rule.Note;
            else if (row[3] != "No GPS coordinates") row[3].clear();
            page.PenaltyStrokes += rule.Strokes;
        } else {
            row[3].clear();
        }
        if (in.Fir && in.Par.value_or(0) > 3) rows[0][3] = "Fairway hit";
        if (i == S - 1 && in.Gir) {
            if (S == 1) {
                if (rows[0][3] != "Quit hole") rows[0][3] = "GIR";
            } else if (in.Par) {
                int k = *in.Par - 2;
                if (k > S) --k;
                if (k >= 1 && k <= S && rows[static_cast<size_t>(k - 1)][3] != "Quit hole")
                    rows[static_cast<size_t>(k - 1)][3] = "GIR";
            }
        }
        if (i > 15) page.ManyShots = true;
    }
    rows.resize(static_cast<size_t>(shown));
    page.Rows = std::move(rows);
    page.ShowSand = in.BunkerHits > 0;
    page.SandCount = in.BunkerHits;
    const int strokes = S + page.PenaltyStrokes;
    page.Total = quitShot ? "-" : std::to_string(strokes);
    if (S == 15) page.Total = "Over 15 strokes";
    if (strokes == 0) page.Total = "";
    page.Result = HoleResultWord(S, page.PenaltyStrokes, in.Par,
                                 in.HaveRoundHole ? in.ShotsTotal : std::nullopt, quitShot);
    return page;
}

std::vector<MarkPointType> CoursePointMarks(const std::vector<CoursePoint>& points,
                                            const std::array<std::optional<int>, 6>& teeColors,
                                            int roundTee) {
    std::vector<MarkPointType> marks(points.size());
    bool roundTeeFound = false;
    int lastOther = -1;
    for (size_t i = 0; i < points.size(); ++i) {
        const CoursePoint& p = points[i];
        MarkPointType& m = marks[i];
        m.X = p.Longitude;
        m.Y = p.Latitude;
        if (p.Type.value_or(0) == 1) {
            const int tee = p.Tee.value_or(0);
            m.Color = tee >= 1 && tee <= 6 ? teeColors[tee - 1].value_or(0xFFFFFF) : 0xFFFFFF;
            if (p.Tee && tee == roundTee) {
                m.Text = p.Name;
                roundTeeFound = true;
            } else {
                m.Text = " " + p.Name;
                lastOther = static_cast<int>(i);
            }
        } else {
            m.Text = p.Name;
        }
    }
    if (!roundTeeFound && lastOther >= 0) marks[static_cast<size_t>(lastOther)].Text = points[lastOther].Name;
    return marks;
}

// --------------------------------------------------------------- statistics

StatsTexts RoundStatsTexts(const std::vector<StatsHole>& holes) {
    int played = 0, greens = 0, fairways = 0, fairwayHoles = 0;
    long long putts = 0, bunkers = 0;  // sums of stored counts
    for (const StatsHole& h : holes) {
        putts += h.ShotsPutter;
        bunkers += h.BunkerHits;
        // Hits count on the holes played only, so that no rate passes 100 %.
        if (!HolePlayed(h.ShotsTotal, h.Shots)) continue;
        ++played;
        if (h.Gir) ++greens;
        if (h.Par > 3) {
            ++fairwayHoles;
            if (h.Fir) ++fairways;
        }
    }
    float fairwayPct = 0, greenPct = 0, puttsPerHole = 0;
    if (fairwayHoles > 0) fairwayPct = static_cast<float>(fairways) / fairwayHoles * 100;
    if (played > 0) {
        greenPct = static_cast<float>(greens) / played * 100;
        puttsPerHole = static_cast<float>(putts) / played;
    }
    char buffer[96];
    StatsTexts t;
    std::snprintf(buffer, sizeof buffer, "%i of %i (%.0f%%)", fairways, fairwayHoles,
                  static_cast<double>(fairwayPct));
    t.Fir = buffer;
    std::snprintf(buffer, sizeof buffer, "%i of %i (%.0f%%)", greens, played,
                  static_cast<double>(greenPct));
    t.Gir = buffer;
    std::snprintf(buffer, sizeof buffer, "%lld (%.2f)", putts, static_cast<double>(puttsPerHole));
    t.Puts = WithDecimalSeparator(buffer);
    t.Bunker = std::to_string(bunkers);
    return t;
}

// ------------------------------------------------------------ round card file

std::string CardValue(const std::string& utf8) {
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::string out;
    for (const char32_t c : s.toUcs4()) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c < 0x20 && c != '\t') out += ' ';  // no control characters in XML 1.0
        else if (c <= 0xFF) out += static_cast<char>(c);
        else out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    return out;
}

std::vector<std::string> ScorecardLines(const CardPrintInput& in) {
    std::vector<std::string> lines;
    const int T = in.Tees;
    const bool eighteen = in.Rows == 22;
    const int R = eighteen ? 21 : 9;
    const auto cell = [&](int r, int c) { return CardValue(in.Cell ? in.Cell(r, c) : ""); };
    const auto element = [&](const char* tag, const std::string& value) {
        lines.push_back(std::string("<") + tag + ">" + value + "</" + tag + ">");
    };
    lines.push_back("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>");
    lines.push_back("<?xml-stylesheet type=\"text/xsl\" href=\"scorecard.xsl\"?>");
    lines.push_back("<course>");
    element("name", CardValue(in.Name));
    element("title", CardValue(in.Title));
    element("datum", CardValue(in.Datum));
    element("player", CardValue(in.Player));
    element("hcp", CardValue(in.Hcp));
    element("marker", CardValue(in.Marker));
    element("bag", CardValue(in.Bag));
    element("tee", CardValue(in.Tee));
    element("fir", CardValue(in.Fir));
    element("gir", CardValue(in.Gir));
    element("puts", CardValue(in.Puts));
    element("bir", CardValue(in.Bir));
    element("holecount", eighteen ? "18" : "9");

    const auto holes = [&](int firstRow, int firstNumber) {
        for (int i = 0; i < 9; ++i) {
            const int r = firstRow + i;
            lines.push_back("<hole number=\"" + std::to_string(firstNumber + i) + "\">");
            element("par", cell(r, T + 1));
            element("shots", cell(r, T + 3));
            element("changed", in.StrokesChanged && in.StrokesChanged(r) ? "true" : "false");
            element("points", cell(r, T + 4));
            element("puts", "");
            element("handicap", cell(r, T + 2));
            lines.push_back("</hole>");
        }
    };
    const auto tees = [&](bool second) {
        lines.push_back("<tees>");
        for (int t = 1; t <= T; ++t) {
            lines.push_back("<tee nbr=\"" + std::to_string(t) + "\">");
            const std::string hint = in.Hint ? in.Hint(second ? 10 : 0, t) : "";
            const size_t at = hint.find("Tee:");
            element("name", at == std::string::npos ? "" : CardValue(hint.substr(at + 4)));
            char color[8];
            const int rgb = in.TeeRgb ? in.TeeRgb(t) : 0xFFFFFF;
            std::snprintf(color, sizeof color, "%06X", rgb & 0xFFFFFF);
            element("color", color);
            element("totlen", cell(second ? 19 : 9, t));
            if (second) element("totlenboth", cell(21, t));
            for (int i = 0; i < 9; ++i) element("len", cell((second ? 10 : 0) + i, t));
            lines.push_back("</tee>");
        }
        lines.push_back("</tees>");
    };
    const auto details = [&](int d) {
        lines.push_back("<details>");
        element("par", cell(d, T + 1));
        element("shots", cell(d, T + 3));
        element("points", cell(d, T + 4));
        lines.push_back("</details>");
    };

    lines.push_back("<holes-a>");
    holes(0, 1);
    tees(false);
    details(9);
    lines.push_back("</holes-a>");
    if (eighteen) {
        lines.push_back("<holes-b>");
        holes(10, 10);
        tees(true);
        details(19);
        lines.push_back("</holes-b>");
    }
    lines.push_back("<totals>");
    element("par", cell(R, T + 1));
    element("shots", cell(R, T + 3));
    element("points", cell(R, T + 4));
    element("totlen", cell(R, 1));
    element("hcp", std::to_string(in.PlayingHcp));
    const std::optional<int> strokes = ParseWhole(in.Cell ? in.Cell(R, T + 3) : "");
    element("net", strokes ? std::to_string(static_cast<long long>(*strokes) - in.PlayingHcp) : "-");
    lines.push_back("</totals>");
    lines.push_back("</course>");
    return lines;
}

// ------------------------------------------------------------------ editors

const char* const PenaltyItems[15] = {"No penalty", "Drop", "Water", "Rule viol.", "Wrong pos.",
                                      "Quit hole", "1 new ball", "2 new balls", "3 new balls",
                                      "4 new balls", "5 new balls", "6 new balls", "7 new balls",
                                      "8 new balls", "9 new balls"};

std::string ShotDescriptionText(const std::string& description, std::optional<int> penId) {
    if (!description.empty()) return description;
    if (!penId) return "";
    switch (*penId) {
        case 0: return "";
        case 1: return "Drop";
        case 2: return "Water";
        case 3: return "Rule violation";
        case 4: return "Wrong position";
        case 9: return "Quit hole";
        default: return std::to_string(*penId - 10) + " new balls used";
    }
}

namespace {
bool NoPosition(double latitude, double longitude) {
    return std::nearbyint(latitude) == 0 && std::nearbyint(longitude) == 0;
}
} // namespace

std::string ShotLatitudeText(double latitude, double longitude) {
    return NoPosition(latitude, longitude) ? "" : WithDecimalSeparator(FormatCoordinate(latitude, 1));
}

std::string ShotLongitudeText(double latitude, double longitude) {
    return NoPosition(latitude, longitude) ? "" : WithDecimalSeparator(FormatCoordinate(longitude, 0));
}

std::optional<int> ParseWhole(const std::string& text) {
    if (text.empty()) return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return std::nullopt;
    return static_cast<int>(v);
}

std::string BoundHcpText(const std::string& text) {
    const std::optional<double> v = ReadDecimal(text);
    if (!v) return "0";
    if (*v > 54) return "54";
    if (*v < -10) return "-10";
    return text;
}

std::string BoundDegreeText(const std::string& text, double max) {
    const std::optional<double> v = ReadDecimal(text);
    if (!v) return "0";
    if (*v > max) return Printf("%.0f", max);
    if (*v < 0) return "0";
    return text;
}

int PenaltyIdForIndex(int index) {
    if (index <= 4) return std::max(index, 0);
    if (index == 5) return 9;
    return index + 5;
}

int PenaltyIndexForId(std::optional<int> penId) {
    const int p = penId.value_or(0);
    if (p >= 0 && p <= 4) return p;
    if (p == 9) return 5;
    if (p >= 11 && p <= 19) return p - 5;
    return 0;
}

// ------------------------------------------------------------- renumbering

std::vector<int> RenumberAfterStore(const std::vector<ShotSlot>& rows, long long storedId, int s) {
    std::vector<int> out(rows.size());
    int storedHole = 0;
    for (const ShotSlot& r : rows)
        if (r.ShotId == storedId) storedHole = r.HoleId;
    int n = 1;
    int hole = rows.empty() ? 0 : rows.front().HoleId;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ShotSlot& r = rows[i];
        if (r.ShotId == storedId) {
            if (n == s) ++n;
            out[i] = s;
        } else if (r.HoleId == storedHole && r.ShotNumber == s) {
            if (n == s) ++n;
            out[i] = n;
            n += n < s ? 2 : 1;
        } else {
            out[i] = n++;
        }
        if (i + 1 < rows.size() && rows[i + 1].HoleId != hole) {
            n = 1;
            hole = rows[i + 1].HoleId;
        }
    }
    return out;
}

std::vector<int> RenumberHole(const std::vector<ShotSlot>& rows) {
    std::vector<int> out(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) out[i] = static_cast<int>(i) + 1;
    return out;
}
