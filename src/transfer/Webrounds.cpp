#include "transfer/Webrounds.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <map>

#include "common/Calculations.h"
#include "db/Table.h"
#include "rounds/Roundrules.h"

namespace {
std::optional<TDateTime> DateOf(const TVariant& v) {
    if (v.IsNull()) return std::nullopt;
    if (v.IsText()) return IsoToDateTime(v.AsString());
    try {
        return v.AsDateTime();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QDate QDateOf(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    return QDate(p.year, p.month, p.day);
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
} // namespace

std::string WebDate(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    return std::to_string(p.day) + "." + std::to_string(p.month) + "." + std::to_string(p.year);
}

std::string LongTime(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression("\\s*\\bt+\\b"));
    return QLocale().toString(QTime(p.hour, p.minute, p.second), format.trimmed()).toStdString();
}

std::vector<TRoundListRow> RoundListRows(TDatabase& db, int userId) {
    std::vector<TRoundListRow> rows;
    TTable t(&db);
    t.SetSQL("SELECT r.RoundId AS RoundId, r.UserId AS UserId, r.RoundStartDate AS "
             "RoundStartDate, r.RoundTitle AS RoundTitle, r.Score AS Score, c.Course_Name AS "
             "Course_Name FROM Round r LEFT JOIN Course_General c ON c.CourseId = r.CourseId");
    t.SetFilter("UserId=" + std::to_string(userId));
    t.AddSort("[RoundStartDate] ASC");
    t.Open();
    rows.reserve(static_cast<size_t>(t.RecordCount()));
    for (t.First(); !t.Eof(); t.Next()) {
        TRoundListRow r;
        r.RoundId = t.FieldByName("RoundId").AsInteger();
        r.Start = DateOf(t.FieldByName("RoundStartDate").Value());
        r.Date = r.Start ? QLocale().toString(QDateOf(*r.Start), QLocale::ShortFormat).toStdString()
                         : t.FieldByName("RoundStartDate").AsString();
        r.Course = t.FieldByName("Course_Name").AsString();
        r.Title = t.FieldByName("RoundTitle").AsString();
        r.Score = t.FieldByName("Score").AsString();
        rows.push_back(std::move(r));
    }
    return rows;
}

namespace {
// The shots of each hole of a round (HoleId -> shots).
std::map<int, int> ShotsPerHole(TDatabase& db, int roundId) {
    TTable shots(&db, "RoundShots");
    shots.SetFilter("RoundId = " + std::to_string(roundId));
    shots.Open();
    std::map<int, int> shotsOf;
    for (shots.First(); !shots.Eof(); shots.Next()) ++shotsOf[shots.FieldByName("HoleId").AsInteger()];
    return shotsOf;
}

// Hits count on the holes played only, as the round's statistics count them.
void CountHits(TDatabase& db, int roundId, const std::map<int, int>& shotsOf, TTransWiz4::RoundHeader& r) {
    TTable holes(&db, "RoundHoles");
    holes.SetFilter("RoundId = " + std::to_string(roundId));
    holes.AddSort("[HoleId] ASC");
    holes.Open();
    int fir = 0, bir = 0, gir = 0, putts = 0;
    for (holes.First(); !holes.Eof(); holes.Next()) {
        const auto shots = shotsOf.find(holes.FieldByName("HoleId").AsInteger());
        const bool played = HolePlayed(holes.FieldByName("HoleShotsTotal").AsInteger(),
                                       shots == shotsOf.end() ? 0 : shots->second);
        if (played && holes.FieldByName("GIR").AsBoolean()) ++gir;
        if (played && holes.FieldByName("FIR").AsBoolean() && holes.FieldByName("HolePar").AsInteger() > 3)
            ++fir;
        putts += holes.FieldByName("HoleShotsPutter").AsInteger();
        bir += holes.FieldByName("BunkerHits").AsInteger();
    }
    r.FIR = fir;
    r.BIR = bir;
    r.GIR = gir;
    r.Putts = putts;
}
} // namespace

void ComputeRoundStatistics(TDatabase& db, int roundId, TTransWiz4::RoundHeader& r) {
    CountHits(db, roundId, ShotsPerHole(db, roundId), r);
}

TFillResult FillRound(TDatabase& db, int roundId, int userId, TTransWiz4::RoundHeader& r,
                      std::string& courseName) {
    TTable round(&db, "Round");
    round.SetFilter("RoundId=" + std::to_string(roundId));
    round.Open();
    courseName.clear();
    if (round.IsEmpty()) return RoundMissing;
    TTable course(&db, "Course_General");
    course.SetFilter("CourseId=" + std::to_string(round.FieldByName("CourseId").AsInteger()));
    course.Open();
    if (course.IsEmpty()) return RoundWithoutCourse;
    const int courseWebId = course.FieldByName("Web_Id").AsInteger();
    courseName = course.FieldByName("Course_Name").AsString();
    if (courseWebId == 0) return RoundRefused;

    r.RoundId = roundId;
    r.CourseWebId = courseWebId;
    const auto start = DateOf(round.FieldByName("RoundStartDate").Value());
    r.Date1 = start ? WebDate(*start) : std::string();
    r.Time1 = start ? LongTime(*start) : std::string();
    const auto end = DateOf(round.FieldByName("RoundEndDate").Value());
    r.Date2 = end ? QLocale().toString(QDateOf(*end), QLocale::ShortFormat).toStdString()
                  : std::string();
    r.Time2 = end ? LongTime(*end) : std::string();

    TTable bag(&db, "GolfBag");
    bag.SetFilter("BagId=" + std::to_string(round.FieldByName("BagId").AsInteger()));
    bag.Open();
    r.BagWebId = bag.IsEmpty() ? 0 : bag.FieldByName("BagWebId").AsInteger();
    r.WebId = round.FieldByName("Web_Id").AsInteger();
    r.TeeNumber = round.FieldByName("TeeNumber").AsInteger();
    r.Score = round.FieldByName("Score").AsInteger();
    r.RoundHCP = round.FieldByName("RoundHCP").AsInteger();
    TTable player(&db, "PlayerDetail");
    player.SetFilter("UserId=" + std::to_string(userId));
    player.Open();
    r.HCP = player.IsEmpty() ? 0.0 : player.FieldByName("HCP").AsFloat();
    r.Title = round.FieldByName("RoundTitle").AsString();
    if (r.Title.empty()) r.Title = r.Date1;
    r.Desc = round.FieldByName("RoundDesc").AsString();
    r.Marker = round.FieldByName("MarkerName").AsString();

    // The holes in order with their texts, and by number for the card's
    // decision whether the round is a nine.
    const std::map<int, int> shotsOf = ShotsPerHole(db, roundId);
    TTable holes(&db, "RoundHoles");
    holes.SetFilter("RoundId=" + std::to_string(roundId));
    holes.AddSort("[HoleId] ASC");
    holes.Open();
    std::vector<std::pair<int, std::string>> totals;
    std::map<int, CardRoundHole> byNumber;
    for (holes.First(); !holes.Eof(); holes.Next()) {
        const int number = holes.FieldByName("HoleId").AsInteger();
        const bool quit = holes.FieldByName("Quit").AsBoolean();
        totals.emplace_back(number, quit ? "-" : holes.FieldByName("HoleShotsTotal").AsString());
        if (byNumber.count(number)) continue;
        byNumber[number].ShotsTotal = holes.FieldByName("HoleShotsTotal").AsInteger();
        if (const auto shots = shotsOf.find(number); shots != shotsOf.end())
            byNumber[number].PenIds.resize(size_t(shots->second));
    }
    // A nine sends its nine holes, however many the watch stored.
    const bool nine = CardRowCount(course.FieldByName("18Holes").AsBoolean(), byNumber, nullptr) == 10;
    r.HoleShotsTotal.clear();
    for (const auto& [number, text] : totals) {
        if (nine && number > 9) continue;
        if (!r.HoleShotsTotal.empty()) r.HoleShotsTotal += ", ";
        r.HoleShotsTotal += text;
    }
    CountHits(db, roundId, shotsOf, r);

    TTable shots(&db, "RoundShots");
    shots.SetFilter("RoundId=" + std::to_string(roundId));
    shots.AddSort("[HoleId] ASC");
    shots.AddSort("[ShotNumber] ASC");
    shots.Open();
    TTable club(&db, "ClubDetail");
    std::map<int, std::pair<int, int>> clubs;  // ClubId -> (ClubWebId, Type)
    // The record holds MaxRoundShots shots; a longer round is sent cut there.
    if (r.Shots.size() < static_cast<size_t>(TTransWiz4::MaxRoundShots))
        r.Shots.resize(TTransWiz4::MaxRoundShots);
    int k = 0;
    for (shots.First(); !shots.Eof() && k < TTransWiz4::MaxRoundShots; shots.Next(), ++k) {
        TTransWiz4::RoundSample& s = r.Shots[static_cast<size_t>(k)];
        s = TTransWiz4::RoundSample();
        s.Hole = shots.FieldByName("HoleId").AsInteger();
        s.Lat = shots.FieldByName("Latitude").AsFloat();
        s.Lon = shots.FieldByName("Longitude").AsFloat();
        const int clubId = shots.FieldByName("ClubId").AsInteger();
        auto it = clubs.find(clubId);
        if (it == clubs.end()) {
            club.SetFilter("ClubId=" + std::to_string(clubId));
            if (!club.Active()) club.Open();
            const std::pair<int, int> c =
                club.IsEmpty() ? std::pair<int, int>{0, 0}
                               : std::pair<int, int>{club.FieldByName("ClubWebId").AsInteger(),
                                                     club.FieldByName("Type").AsInteger()};
            it = clubs.emplace(clubId, c).first;
        }
        s.Club = it->second.first;
        s.ClubType = it->second.second;
        s.Pen = shots.FieldByName("PenId").AsInteger();
        s.Sha = 0;
        s.Length = shots.FieldByName("ShotLength").AsInteger();
        s.Note = shots.FieldByName("Description").AsString();
    }
    r.ShotCount = k;
    return RoundFilled;
}

int CompareRoundRows(const TRoundSortKey& a, const TRoundSortKey& b, int column, bool ascending) {
    int c = 0;
    if (column == 0) {
        if (a.Date && b.Date) c = *a.Date < *b.Date ? -1 : *a.Date > *b.Date ? 1 : 0;
        else c = a.Date ? 1 : b.Date ? -1 : 0;
    } else {
        const std::string& x = column == 1 ? a.Course : column == 2 ? a.Title : a.Score;
        const std::string& y = column == 1 ? b.Course : column == 2 ? b.Title : b.Score;
        c = Sign(QString::localeAwareCompare(QString::fromStdString(x), QString::fromStdString(y)));
        if (c == 0 && x != y) c = x < y ? -1 : 1;
    }
    return ascending ? c : -c;
}
