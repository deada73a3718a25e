#include "players/Clubfigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "db/Database.h"
#include "db/Table.h"
#include "players/Bagclub.h"
#include "common/Calculations.h"
#include "platform/Textutil.h"

bool IsLengthShot(int shotLength) { return shotLength > 30 && shotLength < 600; }

namespace {
// The field holds exactly this number (not null, not text).
bool Holds(const TField& field, long long value) {
    const TVariant v = field.Value();
    return (v.IsInteger() || v.IsFloat()) && v.AsFloat() == static_cast<double>(value);
}

// Figures of every club with shots, from one aggregate query.
TClubFigureMap ComputeClubFigures(TDatabase& db) {
    TClubFigureMap figures;
    TTable shots(&db);
    shots.SetSQL(
        "SELECT ClubId, COUNT(*) AS Uses,"
        " SUM(CASE WHEN ShotLength > 30 AND ShotLength < 600 THEN 1 ELSE 0 END) AS Measured,"
        " SUM(CASE WHEN ShotLength > 30 AND ShotLength < 600 THEN ShotLength ELSE 0 END) AS Total,"
        " MAX(CASE WHEN ShotLength > 30 AND ShotLength < 600 THEN ShotLength ELSE 0 END) AS Longest"
        " FROM RoundShots WHERE ClubId IS NOT NULL GROUP BY ClubId");
    shots.Open();
    for (shots.First(); !shots.Eof(); shots.Next()) {
        TClubFigures& f = figures[shots.Fields(0).Value().AsInteger()];
        f.Shots = std::min<long long>(shots.Fields(1).Value().AsInteger(), 32767);
        f.ShotsWithLength = shots.Fields(2).Value().AsInteger();
        f.ShotsLength = shots.Fields(3).Value().AsInteger();
        f.LongestShot = shots.Fields(4).Value().AsInteger();
    }
    return figures;
}

// Computes and stores the figures in one transaction.
TClubFigureMap StoreClubFigures(TDatabase& db) {
    TTransaction transaction(db);
    const TClubFigureMap figures = ComputeClubFigures(db);
    TTable clubs(&db, "ClubDetail");
    clubs.Open();
    for (clubs.First(); !clubs.Eof(); clubs.Next()) {
        TClubFigures f;
        if (auto it = figures.find(clubs.FieldByName("ClubId").Value().AsInteger()); it != figures.end())
            f = it->second;
        // Rows whose figures did not change are left alone.
        if (Holds(clubs.FieldByName("Shots"), f.Shots) &&
            Holds(clubs.FieldByName("ShotsWithLength"), f.ShotsWithLength) &&
            Holds(clubs.FieldByName("ShotsLength"), f.ShotsLength) &&
            Holds(clubs.FieldByName("LongestShot"), f.LongestShot))
            continue;
        clubs.Edit();
        clubs.FieldByName("Shots").SetAsInteger(f.Shots);
        clubs.FieldByName("ShotsWithLength").SetAsInteger(f.ShotsWithLength);
        clubs.FieldByName("ShotsLength").SetAsFloat(static_cast<double>(f.ShotsLength));
        clubs.FieldByName("LongestShot").SetAsFloat(static_cast<double>(f.LongestShot));
        clubs.Post();
    }
    clubs.Close();
    transaction.Commit();
    return figures;
}
}  // namespace

TClubFigureMap UpdateClubStatistics(TDatabase& db) {
    if (db.ReadOnly()) return ComputeClubFigures(db);
    try {
        return StoreClubFigures(db);
    } catch (const EDatabaseError&) {
        // Not stored: the figures are computed again outside the transaction,
        // where a read that fails is the caller's error.
        return ComputeClubFigures(db);
    }
}

void PutClubFigures(MClub& club, const TClubFigureMap& figures) {
    const auto it = figures.find(club.GetClubId());
    const TClubFigures f = it == figures.end() ? TClubFigures() : it->second;
    club.SetShots(static_cast<int>(f.Shots));
    club.SetShotsWithLength(static_cast<int>(f.ShotsWithLength));
    club.SetShotsLength(static_cast<double>(f.ShotsLength));
    club.SetLongestShot(static_cast<double>(f.LongestShot));
}

TAllRoundsCounters CountAllRounds(TDatabase& db) {
    TTable holes(&db);
    holes.SetSQL(std::string("SELECT COUNT(*),"
                             " SUM(CASE WHEN h.FIR <> 0 THEN 1 ELSE 0 END),"
                             " SUM(CASE WHEN h.GIR <> 0 THEN 1 ELSE 0 END),"
                             " SUM(CASE WHEN h.BunkerHits <> 0 THEN h.BunkerHits ELSE 0 END),"
                             " SUM(CASE WHEN h.HoleShotsPutter <> 0 THEN h.HoleShotsPutter ELSE 0 END)"
                             " FROM RoundHoles h WHERE ") +
                 PlayedHoleCondition);
    holes.Open();
    TAllRoundsCounters c;
    if (!holes.IsEmpty()) {
        holes.First();
        c.Holes = holes.Fields(0).AsInteger();
        c.FairwayHits = holes.Fields(1).AsInteger();
        c.GirCount = holes.Fields(2).AsInteger();
        c.BunkerHits = holes.Fields(3).AsInteger();
        c.Putts = holes.Fields(4).AsInteger();
    }
    return c;
}

std::string FormatGeneral(double value, int digits) {
    if (!std::isfinite(value) || value == 0.0 || digits < 1) return "0";
    const int before = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    const int decimals = digits - before;
    double rounded;
    if (decimals >= 0) {
        const double scale = std::pow(10.0, decimals);
        rounded = std::round(value * scale) / scale;
    } else {
        const double scale = std::pow(10.0, -decimals);
        rounded = std::round(value / scale) * scale;
    }
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals > 0 ? decimals : 0, rounded);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return WithDecimalSeparator(text);
}

long long RoundHalfUp(double value) { return static_cast<long long>(std::floor(value + 0.5)); }

int StatsPictureIndex(int type) {
    switch (type) {
    case 0: return 0;
    case 1: return 3;
    case 2: return 2;
    default: return 1;
    }
}

TClubRowTexts ClubRowTexts(const MClub& club, const std::string& isMeter, bool bagView) {
    const std::string unit = isMeter == "false" ? "yard(s)" : "meter(s)";
    const int total = MetresToDisplay(WholeNumber(club.GetShotsLength()), isMeter);
    const int longest = MetresToDisplay(WholeNumber(club.GetLongestShot()), isMeter);
    const int measured = club.GetShotsWithLength();
    const double average = measured == 0 ? 0.0 : static_cast<double>(total) / measured;
    TClubRowTexts row;
    row.Name = club.GetName();
    row.Picture = StatsPictureIndex(club.GetType());
    row.ShowLengths = row.Picture != 1;
    row.Shots = "Club used:" + std::to_string(club.GetShots()) + " times";
    if (average == 0.0)
        row.Average = "Average:0 " + unit;
    else
        row.Average = "Average:" +
                      (bagView ? FormatGeneral(average, 3) : std::to_string(RoundHalfUp(average))) +
                      " " + unit;
    row.Longest = "Longest:" + std::to_string(longest) + " " + unit;
    return row;
}

TAllRoundsTexts AllRoundsTexts(const TAllRoundsCounters& c) {
    const auto rate = [&](int count) {
        return c.Holes == 0 ? std::string("0") : FormatGeneral(count * 100.0 / c.Holes, 2);
    };
    const std::string holes = std::to_string(c.Holes);
    TAllRoundsTexts t;
    t.Fairway = "Fairway hits: " + std::to_string(c.FairwayHits) + " of " + holes + " (" +
                rate(c.FairwayHits) + "%)";
    t.Bunker = "Bunker hits: " + std::to_string(c.BunkerHits);
    t.Gir = "GIR: " + std::to_string(c.GirCount) + " of " + holes + " (" + rate(c.GirCount) + "%)";
    t.Putts = "Putts: " + std::to_string(c.Putts) + " (" +
              (c.Holes == 0 ? std::string("0") : FormatGeneral(static_cast<double>(c.Putts) / c.Holes, 3)) +
              ")";
    return t;
}
