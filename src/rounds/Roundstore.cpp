#include "rounds/Roundstore.h"

#include <algorithm>
#include <map>

#include "common/Calculations.h"
#include "rounds/Fieldvalues.h"

namespace {

std::string AndFilter(const std::string& base, const std::string& extra) {
    return base.empty() ? extra : base + " and " + extra;
}

// Filters of a table, put back when the scope ends.
class FilterRestore {
public:
    explicit FilterRestore(std::initializer_list<TTable*> tables) {
        for (TTable* t : tables) saved_.emplace_back(t, t->Filter());
    }
    ~FilterRestore() {
        for (auto& [t, f] : saved_) {
            try {
                t->SetFilter(f);
            } catch (...) {
            }
        }
    }

private:
    std::vector<std::pair<TTable*, std::string>> saved_;
};

// Appends a row to the open table; fill sets its values and the row is
// posted. A failure leaves nothing pending.
template <class Fill>
void AppendRow(TTable& t, Fill fill) {
    t.Append();
    PostFilled(t, fill);
}

void FillRound(TTable& t, const TRoundRecord& r) {
    PutColumns(t, {{"UserId", r.userId}, {"CourseId", r.courseId}, {"BagId", r.bagId},
                   {"RoundHCP", r.hcp}, {"TeeNumber", r.teeNumber}, {"Score", r.score},
                   {"StrokePlay", r.strokePlay}, {"Par", r.par}, {"ShotsTotal", r.shotsTotal},
                   {"ShotsDriver", r.shotsDriver}, {"ShotsPutter", r.shotsPutter},
                   {"Penalties", r.penalties}, {"RoundStartDate", r.startDate},
                   {"RoundEndDate", r.endDate}});
}

void FillRoundHole(TTable& t, int roundId, const TRoundHoleRecord& r) {
    t.FieldByName("HoleId").SetAsInteger(r.number);
    t.FieldByName("RoundId").SetAsInteger(roundId);
    PutColumns(t, {{"HoleFlags", r.flags}, {"HoleShotsTotal", r.shotsTotal},
                   {"HoleShotsDriver", r.shotsDriver}, {"HoleShotsPutter", r.shotsPutter},
                   {"HolePenalties", r.penalties}, {"HolePar", r.par}, {"GIR", r.gir},
                   {"FIR", r.fir}, {"BunkerHits", r.bunkerHits}, {"Quit", r.quit}});
}

void FillRoundShot(TTable& t, int roundId, int hole, const TRoundShotRecord& r) {
    t.FieldByName("RoundId").SetAsInteger(roundId);
    t.FieldByName("HoleId").SetAsInteger(hole);
    PutColumns(t, {{"ShotNumber", r.number}, {"ClubId", r.clubId}, {"PenId", r.penId},
                   {"Latitude", r.latitude}, {"Longitude", r.longitude},
                   {"ShotLength", r.length}});
}

} // namespace

TRoundWriter::TRoundWriter(TDatabase& db)
    : round_(&db, "Round"), holes_(&db, "RoundHoles"), shots_(&db, "RoundShots") {}

int TRoundWriter::AddRound(const TNewRound& r) {
    // Appended rows join tables opened on no rows; the stored ones stay unread.
    if (!round_.Active()) {
        round_.SetFilter("RoundId = 0");
        round_.Open();
    }
    AppendRow(round_, [&] { FillRound(round_, r.round); });
    const int roundId = round_.FieldByName("RoundId").AsInteger();
    const std::string filter = "RoundId = " + std::to_string(roundId);
    for (TTable* t : {&holes_, &shots_}) {
        t->SetFilter(filter);
        if (!t->Active()) t->Open();
    }
    for (const TRoundHoleRecord& hole : r.holes) {
        AppendRow(holes_, [&] { FillRoundHole(holes_, roundId, hole); });
        for (const TRoundShotRecord& shot : hole.shots)
            AppendRow(shots_, [&] { FillRoundShot(shots_, roundId, hole.number, shot); });
    }
    return roundId;
}

void AppendShotRow(TTable& shots, int roundId) {
    shots.Append();
    shots.FieldByName("RoundId").SetAsInteger(roundId);
}

void StoreShotNumbers(TTable& shots, const std::vector<ShotSlot>& rows, const std::vector<int>& numbers) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (numbers[i] == rows[i].ShotNumber) continue;
        shots.SetRecNo(static_cast<int>(i));
        shots.Edit();
        shots.FieldByName("ShotNumber").SetAsInteger(numbers[i]);
        shots.Post();
    }
}

TCourseCard ReadCourseCard(TTable& scoreCard, TTable& holes, CardInput& in) {
    TCourseCard c;
    for (int i = 1; i <= 6; ++i) {
        const std::string n = std::to_string(i);
        in.TeeColor[i - 1] = OptInt(scoreCard, "Tee" + n + "Col");
        in.TeeName[i - 1] = OptText(scoreCard, "Tee" + n + "Name");
        c.menRating[i - 1] = OptFloat(scoreCard, "CR" + n + "M");
        c.womenRating[i - 1] = OptFloat(scoreCard, "CR" + n + "F");
        c.menSlope[i - 1] = OptInt(scoreCard, "S" + n + "M");
        c.womenSlope[i - 1] = OptInt(scoreCard, "S" + n + "F");
    }
    in.HoleColor = OptInt(scoreCard, "HoleCol");

    // The course's holes by number, and its par (summed wide: any stored pars).
    long long par = 0;
    for (holes.First(); !holes.Eof(); holes.Next()) {
        CardCourseHole h;
        h.Number = OptInt(holes, "HoleNumber");
        for (int i = 1; i <= 6; ++i) h.Length[i - 1] = OptInt(holes, "HoleLength" + std::to_string(i));
        h.Par = OptInt(holes, "HolePar");
        h.Index = OptInt(holes, "HoleHCP1");
        h.NameMissing = holes.FieldByName("HoleName").IsNull();
        par += h.Par.value_or(0);
        in.Holes.push_back(h);
    }
    c.coursePar = WholeNumber(static_cast<double>(par));
    std::stable_sort(in.Holes.begin(), in.Holes.end(), [](const CardCourseHole& a, const CardCourseHole& b) {
        return a.Number.value_or(0) < b.Number.value_or(0);
    });
    return c;
}

void ReadRoundCardHoles(TTable& roundHoles, TTable& roundShots, CardInput& in) {
    for (roundHoles.First(); !roundHoles.Eof(); roundHoles.Next()) {
        const std::optional<int> hole = OptInt(roundHoles, "HoleId");
        if (!hole || in.RoundHoles.count(*hole)) continue;
        CardRoundHole rh;
        rh.ShotsTotal = OptInt(roundHoles, "HoleShotsTotal");
        rh.Quit = Flag(roundHoles, "Quit");
        in.RoundHoles[*hole] = rh;
    }
    for (roundShots.First(); !roundShots.Eof(); roundShots.Next()) {
        const auto found = in.RoundHoles.find(OptInt(roundShots, "HoleId").value_or(0));
        if (found != in.RoundHoles.end()) found->second.PenIds.push_back(OptInt(roundShots, "PenId"));
    }
}

int LastShotHole(TTable& shots) {
    shots.Open();
    const auto& sorts = shots.SortTerms();
    if (std::find(sorts.begin(), sorts.end(), "[HoleId] ASC") == sorts.end())
        shots.AddSort("[HoleId] ASC");
    shots.ApplySort();
    shots.Last();
    return OptInt(shots, "HoleId").value_or(0);
}

TCardHeader ReadCardHeader(TTable& player, TTable& round, TTable& bags) {
    TCardHeader c;
    c.player = Text(player, "FirstName") + " " + Text(player, "LastName");
    const std::string marker = Text(round, "MarkerName");
    c.marker = marker.empty() ? "-" : marker;
    std::string bag = "Undefined";
    if (const std::optional<int> bagId = OptInt(round, "BagId")) {
        bags.SetFilter("BagId = " + std::to_string(*bagId));
        bags.Open();
        bags.First();
        if (!bags.IsEmpty()) bag = Text(bags, "BagName");
    }
    c.bag = bag;
    if (!round.IsEmpty() && !round.FieldByName("RoundStartDate").IsNull()) {
        try {
            c.date = ShortDateText(round.FieldByName("RoundStartDate").AsDateTime());
        } catch (const EDatabaseError&) {
        }
    }
    const std::string title = Text(round, "RoundTitle");
    c.title = title.empty() ? "-" : title;
    return c;
}

std::vector<StatsHole> ReadStatsHoles(TTable& roundHoles, TTable& roundShots) {
    roundShots.Open();
    std::map<int, int> shots;  // by hole number
    for (roundShots.First(); !roundShots.Eof(); roundShots.Next())
        ++shots[OptInt(roundShots, "HoleId").value_or(0)];
    roundHoles.Open();
    const auto& sorts = roundHoles.SortTerms();
    if (std::find(sorts.begin(), sorts.end(), "[HoleId] ASC") == sorts.end()) {
        roundHoles.AddSort("[HoleId] ASC");
        roundHoles.ApplySort();
    }
    std::vector<StatsHole> holes;
    for (roundHoles.First(); !roundHoles.Eof(); roundHoles.Next()) {
        StatsHole s;
        s.ShotsTotal = OptInt(roundHoles, "HoleShotsTotal").value_or(0);
        s.ShotsPutter = OptInt(roundHoles, "HoleShotsPutter").value_or(0);
        s.Par = OptInt(roundHoles, "HolePar").value_or(0);
        s.BunkerHits = OptInt(roundHoles, "BunkerHits").value_or(0);
        s.Fir = Flag(roundHoles, "FIR");
        s.Gir = Flag(roundHoles, "GIR");
        s.Shots = shots[OptInt(roundHoles, "HoleId").value_or(0)];
        holes.push_back(s);
    }
    return holes;
}

std::vector<CoursePoint> ReadHolePoints(TTable& waypoints, std::optional<int> holeId) {
    std::vector<CoursePoint> points;
    if (holeId) {
        waypoints.SetFilter("HoleId = " + std::to_string(*holeId));
        waypoints.Open();
        for (waypoints.First(); !waypoints.Eof(); waypoints.Next()) {
            CoursePoint p;
            p.Type = OptInt(waypoints, "Type");
            p.Tee = OptInt(waypoints, "Tee");
            p.Latitude = OptFloat(waypoints, "Latitude").value_or(0);
            p.Longitude = OptFloat(waypoints, "Longitude").value_or(0);
            p.Name = Text(waypoints, "Name");
            points.push_back(std::move(p));
        }
    }
    return points;
}

void ReadHoleShots(TTable& roundHole, TTable& shots, TTable& clubs, HolePageInput& in) {
    in.HaveRoundHole = !roundHole.IsEmpty();
    in.Fir = Flag(roundHole, "FIR");
    in.Gir = Flag(roundHole, "GIR");
    in.Quit = Flag(roundHole, "Quit");
    in.ShotsTotal = OptInt(roundHole, "HoleShotsTotal");
    in.BunkerHits = OptInt(roundHole, "BunkerHits").value_or(0);
    clubs.Open();
    for (shots.First(); !shots.Eof(); shots.Next()) {
        HoleShot s;
        s.ShotNumber = OptInt(shots, "ShotNumber").value_or(0);
        s.ClubId = OptInt(shots, "ClubId");
        s.PenId = OptInt(shots, "PenId");
        s.Length = OptInt(shots, "ShotLength");
        s.Latitude = OptFloat(shots, "Latitude").value_or(0);
        s.Longitude = OptFloat(shots, "Longitude").value_or(0);
        if (s.ClubId && !in.Clubs.count(*s.ClubId) &&
            clubs.Locate("ClubId", TVariant(*s.ClubId)))
            in.Clubs[*s.ClubId] = {Text(clubs, "ClubName"),
                                   OptInt(clubs, "Type").value_or(0)};
        in.Shots.push_back(s);
    }
}

bool StoreRoundHeader(TTable& round, const TRoundHeaderInput& in) {
    round.Open();
    if (round.IsEmpty()) {
        round.Close();
        return false;
    }
    round.First();
    round.Edit();
    round.FieldByName("MarkerName").SetAsString(in.marker);
    round.FieldByName("RoundTitle").SetAsString(in.title);
    if (in.hcp) round.FieldByName("RoundHCP").SetAsFloat(*in.hcp);
    if (in.courseId) {
        round.FieldByName("CourseId").SetAsInteger(*in.courseId);
        round.FieldByName("TeeNumber").SetAsInteger(in.teeNumber);
    }
    round.FieldByName("BagId").SetAsInteger(in.bagId);
    round.Post();
    round.Close();
    return true;
}

void DeleteShot(TTable& shots, long long shotId, const std::function<void(int roundId)>& validate) {
    const std::string roundFilter = shots.Filter();
    shots.Open();
    if (shots.Locate("ShotId", TVariant(shotId))) {
        const int roundId = shots.FieldByName("RoundId").AsInteger();
        const int hole = shots.FieldByName("HoleId").AsInteger();
        // The shot goes, its hole counts 1..n again and the round is checked, together.
        TTransaction tx(*shots.Database());
        try {
            shots.Delete();
            shots.SetFilter(roundFilter.empty() ? "HoleId = " + std::to_string(hole)
                                                          : roundFilter + " and HoleId = " + std::to_string(hole));
            std::vector<ShotSlot> rows;
            for (shots.First(); !shots.Eof(); shots.Next())
                rows.push_back({shots.FieldByName("ShotId").Value().AsInteger(), hole,
                                 shots.FieldByName("ShotNumber").AsInteger()});
            StoreShotNumbers(shots, rows, RenumberHole(rows));
            if (validate) validate(roundId);
            tx.Commit();
        } catch (...) {
            // Nothing was stored: the list goes on showing the whole round.
            try {
                shots.Close();
                shots.SetFilter(roundFilter);
            } catch (...) {
            }
            throw;
        }
        shots.SetFilter(roundFilter);
    }
    shots.Close();
}

TCardRound ReadCardRound(const TRoundTables& t, TTable& player, CardInput& in) {
    for (TTable* table : {&t.scoreCard, &t.round, &player, &t.holes, &t.courseGeneral, &t.roundHoles, &t.roundShots})
        table->Open();
    t.courseGeneral.First();
    t.scoreCard.First();
    t.round.First();
    player.First();
    TCardRound c;
    c.tees = OptInt(t.courseGeneral, "Tees").value_or(0);
    c.eighteen = Flag(t.courseGeneral, "18Holes");
    c.course = ReadCourseCard(t.scoreCard, t.holes, in);
    c.male = Flag(player, "Sex");
    c.tee = OptInt(t.round, "TeeNumber");
    return c;
}

std::optional<double> ReadRoundHcp(TTable& round) { return OptFloat(round, "RoundHCP"); }

THoleData ReadHole(const TRoundTables& t, int n, int h, HolePageInput& in) {
    for (TTable* table : {&t.roundShots, &t.holes, &t.roundHoles, &t.round, &t.courseGeneral, &t.scoreCard})
        table->Open();
    FilterRestore restore{&t.holes, &t.roundShots, &t.roundHoles};
    const std::string holesFilter = t.holes.Filter();
    const std::string roundFilter = t.roundShots.Filter();

    THoleData d;
    t.holes.SetFilter(AndFilter(holesFilter, "HoleNumber = " + std::to_string(h)));
    t.holes.First();
    const std::string holeFilter = "HoleId = " + std::to_string(n);
    t.roundShots.SetFilter(AndFilter(roundFilter, holeFilter));
    t.roundHoles.SetFilter(AndFilter(roundFilter, holeFilter));
    t.roundHoles.First();
    d.par = OptInt(t.holes, "HolePar");
    d.index = OptInt(t.holes, "HoleHCP1");
    t.roundShots.ClearSort();
    t.roundShots.AddSort("[ShotNumber] ASC");
    t.roundShots.ApplySort();

    // Course points of the hole.
    t.round.First();
    t.courseGeneral.First();
    t.scoreCard.First();
    const int courseId = OptInt(t.round, "CourseId").value_or(0);
    const int m = Flag(t.courseGeneral, "18Holes") ? n : n > 9 ? n - 9 : n;
    t.holes.SetFilter("CourseId = " + std::to_string(courseId) + " and HoleNumber = " + std::to_string(m));
    t.holes.First();
    d.points = ReadHolePoints(t.waypoints, OptInt(t.holes, "HoleId"));
    for (int i = 1; i <= 6; ++i) d.teeColors[i - 1] = OptInt(t.scoreCard, "Tee" + std::to_string(i) + "Col");
    d.roundTee = OptInt(t.round, "TeeNumber");

    ReadHoleShots(t.roundHoles, t.roundShots, t.clubs, in);
    return d;
}

std::string ReadCourseName(TTable& courseGeneral) {
    courseGeneral.Open();
    courseGeneral.First();
    return courseGeneral.IsEmpty() ? "Unknown course" : Text(courseGeneral, "Course_Name");
}

std::optional<int> CourseToComplete(TTable& round, TTable& courseGeneral) {
    const int courseId = OptInt(round, "CourseId").value_or(0);
    if (!courseGeneral.Active() || courseGeneral.IsEmpty()) return std::nullopt;
    return courseId;
}

std::vector<std::string> ReadTeeNames(TTable& courseGeneral, TTable& scoreCard) {
    courseGeneral.First();
    scoreCard.First();
    const int tees = std::min(OptInt(courseGeneral, "Tees").value_or(0), 6);
    std::vector<std::string> names;
    for (int i = 1; i <= tees; ++i) {
        std::string name;
        if (!scoreCard.IsEmpty()) name = scoreCard.FieldByName("Tee" + std::to_string(i) + "Name").AsString();
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> ReadCourseTees(TTable& courseGeneral, TTable& scoreCard, int courseId) {
    const std::string filter = "CourseId = " + std::to_string(courseId);
    courseGeneral.SetFilter(filter);
    scoreCard.SetFilter(filter);
    courseGeneral.Open();
    scoreCard.Open();
    std::vector<std::string> names = ReadTeeNames(courseGeneral, scoreCard);
    courseGeneral.Close();
    scoreCard.Close();
    return names;
}

TEditorRound ReadEditorRound(TTable& scoreCard, TTable& courseGeneral, TTable& round, TTable& shots, TTable& clubs,
                             TTable& bags, int courseId) {
    for (TTable* t : {&scoreCard, &courseGeneral, &round, &shots, &clubs, &bags}) t->Open();
    round.First();
    TEditorRound r;
    for (bags.First(); !bags.Eof(); bags.Next())
        r.bags.emplace_back(bags.FieldByName("BagName").AsString(), bags.FieldByName("BagId").AsInteger());
    r.bagId = OptInt(round, "BagId");
    r.marker = round.IsEmpty() ? "" : round.FieldByName("MarkerName").AsString();
    r.title = round.IsEmpty() ? "" : round.FieldByName("RoundTitle").AsString();
    r.hcp = Float(round, "RoundHCP");

    // Courses (all), then the tees of the round's.
    courseGeneral.SetFilter("");
    for (courseGeneral.First(); !courseGeneral.Eof(); courseGeneral.Next())
        r.courses.emplace_back(courseGeneral.FieldByName("Course_Name").AsString(),
                               courseGeneral.FieldByName("CourseId").AsInteger());
    courseGeneral.SetFilter("CourseId = " + std::to_string(courseId));
    r.teeNames = ReadTeeNames(courseGeneral, scoreCard);
    r.tee = OptInt(round, "TeeNumber").value_or(0);

    // Shots, by hole and number.
    int hole = 1;
    for (shots.First(); !shots.Eof(); shots.Next()) {
        TEditorShot s;
        hole = std::max(hole, OptInt(shots, "HoleId").value_or(0));
        s.hole = hole;
        s.clubId = OptInt(shots, "ClubId").value_or(0);
        s.club = "Penalty";
        if (s.clubId != 15) {
            const TVariant name = clubs.Lookup("ClubId", {TVariant(s.clubId)}, "ClubName");
            s.club = name.IsNull() ? "Unknown" : name.AsString();
        }
        s.length = OptInt(shots, "ShotLength").value_or(0);
        s.latitude = Float(shots, "Latitude");
        s.longitude = Float(shots, "Longitude");
        s.number = OptInt(shots, "ShotNumber").value_or(0);
        s.description = shots.FieldByName("Description").AsString();
        s.penId = OptInt(shots, "PenId");
        s.shotId = shots.FieldByName("ShotId").AsInteger();
        r.shots.push_back(std::move(s));
    }

    for (TTable* t : {&scoreCard, &courseGeneral, &round, &shots, &clubs, &bags}) t->Close();
    return r;
}

bool ReadEighteenHoles(TTable& courseGeneral) {
    courseGeneral.Open();
    courseGeneral.First();
    const bool eighteen = !courseGeneral.IsEmpty() && courseGeneral.FieldByName("18Holes").AsBoolean();
    courseGeneral.Close();
    return eighteen;
}

TNamedIds ReadClubs(TTable& clubs) {
    TNamedIds list;
    clubs.Open();
    for (clubs.First(); !clubs.Eof(); clubs.Next())
        list.emplace_back(clubs.FieldByName("ClubName").AsString(), clubs.FieldByName("ClubId").AsInteger());
    clubs.Close();
    return list;
}

void TakeFilter(TTable& table, const TTable& from) {
    table.Close();
    table.SetFilter(from.Filter());
}

TShotPlace OpenShot(TTable& shots, const std::string& filter, long long shotId) {
    if (shots.Active()) shots.Cancel();
    shots.Close();
    shots.SetFilter(filter);
    shots.Open();
    TShotPlace p;
    for (int h = 1; h <= 18; ++h) p.counts[h] = 1;
    for (shots.First(); !shots.Eof(); shots.Next()) {
        const int h = OptInt(shots, "HoleId").value_or(0);
        if (h >= 1 && h <= 18) ++p.counts[h];
    }
    if (!shots.Locate("ShotId", TVariant(shotId))) {
        shots.Close();
        return p;
    }
    p.found = true;
    p.hole = OptInt(shots, "HoleId").value_or(0);
    p.number = OptInt(shots, "ShotNumber").value_or(0);
    return p;
}
