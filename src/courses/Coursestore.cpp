#include "courses/Coursestore.h"

#include <cmath>
#include <map>

#include "courses/Scorecard.h"
#include "common/Calculations.h"
#include "platform/Textutil.h"

const unsigned DefaultTeeColour[6] = {0xFFFFFF, 0x00FFFF, 0xFF8000, 0x0000FF, 0xFF00FF, 0x0080FF};
const char* const PointTypeItems[7] = {"Tee", "Pin", "Green", "Lay up", "Water", "Bunker", "Rough"};

namespace {
std::string CourseFilter(int courseId) {
    return "CourseId = " + std::to_string(courseId);
}

void DeleteAll(TTable& t) {
    t.Open();
    while (!t.IsEmpty()) {
        t.First();
        t.Delete();
    }
    t.Close();
}

int NumberOr(const TVariant& v, int def) {
    try {
        if (v.IsNull()) return def;
        if (v.IsFloat()) return static_cast<int>(std::lround(v.AsFloat()));
        return static_cast<int>(v.AsInteger());
    } catch (const EDatabaseError&) {
        return def;
    }
}

double FloatOr(const TVariant& v, double def) {
    try {
        return v.IsNull() ? def : v.AsFloat();
    } catch (const EDatabaseError&) {
        return def;
    }
}

unsigned TeeColourOrDefault(const TVariant& v, int tee) {
    const unsigned c = v.IsNull() ? 0 : ColourOf(v);
    return c == 0 ? DefaultTeeColour[tee] : c;
}
} // namespace

namespace {
// True when the table stands on the row whose key is id, as a lookup of the
// writer leaves it.
bool StandsOn(TTable& t, const char* key, int id) {
    return t.Active() && t.State() == TDataSetState::Browse && t.RecNo() >= 0 &&
           t.FieldByName(key).AsInteger() == id;
}

// Puts the table on the row whose key is id to change it, or on a new row
// when id is 0; fill sets the values, and the row is posted. A failure leaves
// nothing pending. Returns the row's key.
template <class Fill>
int WriteRow(TTable& t, const char* key, int id, Fill fill) {
    if (id == 0) {
        // A new row joins the table as it stands: a large table is never read
        // whole, nor read again for each row.
        if (!t.Active()) {
            t.SetFilter(std::string(key) + " = 0");
            t.Open();
        }
        t.Append();
    } else {
        // The row a lookup just found is not read a second time.
        if (!StandsOn(t, key, id)) {
            t.SetFilter(std::string(key) + " = " + std::to_string(id));
            if (!t.Active()) t.Open();
            if (t.IsEmpty())
                throw EDatabaseError("The row " + std::string(key) + " = " + std::to_string(id) +
                                     " of " + t.TableName() + " was not found.");
            t.First();
        }
        t.Edit();
    }
    PostFilled(t, fill);
    return t.FieldByName(key).AsInteger();
}

void FillCourse(TTable& t, const TCourseRecord& r) {
    PutColumns(t, {{"Course_Name", r.name}, {"U8_Name", r.u8Name}, {"Address1", r.address1},
                   {"Address2", r.address2}, {"Zip_Code", r.zip}, {"State", r.state},
                   {"Country", r.country}, {"Telephone", r.telephone}, {"Fax", r.fax},
                   {"Link", r.link}, {"Email", r.email}, {"Image_Id", r.imageId},
                   {"18Holes", r.holes18}, {"Tees", r.tees}, {"Description", r.description},
                   {"Web_Id", r.webId}});
}

void FillScoreCard(TTable& t, int courseId, const TScoreCardRecord& r) {
    t.FieldByName("CourseId").SetAsInteger(courseId);
    for (int i = 0; i < 12; ++i) {
        PutColumn(t, RatingField(i), r.rating[i]);
        PutColumn(t, SlopeField(i), r.slope[i]);
    }
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i + 1);
        PutColumn(t, "TL" + n, r.teeLength[i]);
        PutColumn(t, "Tee" + n + "Col", r.teeColour[i]);
        PutColumn(t, "Tee" + n + "Name", r.teeName[i]);
    }
    PutColumn(t, "HoleCol", r.holeColour);
}

void FillHole(TTable& t, int courseId, const THoleRecord& r) {
    t.FieldByName("CourseId").SetAsInteger(courseId);
    t.FieldByName("HoleNumber").SetAsInteger(r.number);
    PutColumn(t, "HolePar", r.par);
    for (int i = 0; i < 6; ++i)
        PutColumn(t, LengthField(i + 1), r.length[i]);
    PutColumns(t, {{"HoleHCP1", r.hcp1}, {"HoleHCP2", r.hcp2}, {"HoleName", r.name},
                   {"HoleDesc", r.description}, {"LatitudeM1", r.latitudeM1},
                   {"LongitudeM1", r.longitudeM1}, {"LatitudeM2", r.latitudeM2},
                   {"LongitudeM2", r.longitudeM2}});
}

void FillPoint(TTable& t, int courseId, int holeId, const TPointRecord& r) {
    t.FieldByName("CourseId").SetAsInteger(courseId);
    t.FieldByName("HoleId").SetAsInteger(holeId);
    PutColumns(t, {{"Name", r.name}, {"Type", r.type}, {"Tee", r.tee}, {"Latitude", r.latitude},
                   {"Longitude", r.longitude}, {"Description", r.description},
                   {"PointWebId", r.webId}});
}
} // namespace

TCourseWriter::TCourseWriter(TDatabase& db)
    : course_(&db, "Course_General"), card_(&db, "ScoreCard"), holes_(&db, "Holes"),
      points_(&db, "Waypoints"), holeLookup_(&db, "Holes") {}

int TCourseWriter::AddCourse(const TNewCourse& c) {
    const int courseId = PutCourse(0, c.course);
    PutScoreCard(courseId, c.card);
    std::map<int, int> holeIds;
    for (const THoleRecord& h : c.holes)
        holeIds.emplace(h.number, PutHole(courseId, 0, h));
    for (const TPointRecord& p : c.points) {
        const auto found = holeIds.find(p.hole);
        const int holeId = found == holeIds.end() ? 0 : found->second;
        WriteRow(points_, "PointId", 0, [&] { FillPoint(points_, courseId, holeId, p); });
    }
    return courseId;
}

int TCourseWriter::PutCourse(int courseId, const TCourseRecord& r) {
    return WriteRow(course_, "CourseId", courseId, [&] { FillCourse(course_, r); });
}

void TCourseWriter::PutScoreCard(int courseId, const TScoreCardRecord& r) {
    card_.SetFilter(CourseFilter(courseId));
    if (!card_.Active()) card_.Open();
    const int cardId = card_.IsEmpty() ? 0 : (card_.First(), card_.FieldByName("ScoreCardId").AsInteger());
    WriteRow(card_, "ScoreCardId", cardId, [&] { FillScoreCard(card_, courseId, r); });
}

int TCourseWriter::PutHole(int courseId, int holeId, const THoleRecord& r) {
    lastCourse_ = 0;
    const int id = WriteRow(holes_, "HoleId", holeId, [&] { FillHole(holes_, courseId, r); });
    lastCourse_ = courseId;
    lastNumber_ = r.number;
    lastHole_ = id;
    return id;
}

int TCourseWriter::HoleId(int courseId, int number) {
    holeLookup_.SetFilter(CourseFilter(courseId) + " and HoleNumber = " + std::to_string(number));
    if (!holeLookup_.Active()) holeLookup_.Open();
    if (holeLookup_.IsEmpty()) return 0;
    holeLookup_.First();
    return holeLookup_.FieldByName("HoleId").AsInteger();
}

int TCourseWriter::PointOfWebId(long long webId) {
    points_.SetFilter("PointWebId = " + std::to_string(webId));
    if (!points_.Active()) points_.Open();
    if (points_.IsEmpty()) return 0;
    points_.First();
    return points_.FieldByName("PointId").AsInteger();
}

int TCourseWriter::FixedPointId(int courseId, int holeId, int type, int tee) {
    points_.SetFilter(CourseFilter(courseId) + " and HoleId = " + std::to_string(holeId) +
                      " and Type = " + std::to_string(type) + " and Tee = " + std::to_string(tee));
    if (!points_.Active()) points_.Open();
    if (points_.RecordCount() != 1) return 0;
    points_.First();
    return points_.FieldByName("PointId").AsInteger();
}

int TCourseWriter::PutPoint(int courseId, int pointId, const TPointRecord& r) {
    const int holeId = r.hole == 0                                       ? 0
                       : courseId == lastCourse_ && r.hole == lastNumber_ ? lastHole_
                                                                           : HoleId(courseId, r.hole);
    return WriteRow(points_, "PointId", pointId, [&] { FillPoint(points_, courseId, holeId, r); });
}

std::string CourseListSql() {
    return "SELECT c.CourseId AS CourseId, c.Course_Name AS Course_Name, c.\"18Holes\" AS "
           "\"18Holes\", "
           "c.Tees AS Tees, COALESCE(p.Par, 0) AS Par FROM Course_General c LEFT JOIN "
           "(SELECT CourseId, SUM(HolePar) AS Par FROM Holes GROUP BY CourseId) p "
           "ON p.CourseId = c.CourseId";
}

bool CourseHasRounds(TDatabase& db, int courseId) {
    TTable rounds(&db, "Round");
    rounds.SetFilter(CourseFilter(courseId));
    rounds.Open();
    return !rounds.IsEmpty();
}

void DeleteCourse(TDatabase& db, int courseId) {
    TTransaction tx(db);
    for (const char* name : {"Waypoints", "ScoreCard", "Holes", "Course_General"}) {
        TTable t(&db, name);
        t.SetFilter(CourseFilter(courseId));
        DeleteAll(t);
    }
    tx.Commit();
}

int CreateCourse(TDatabase& db, const TCourseSetup& s) {
    const int tees = ClampTees(s.tees);
    TNewCourse c;
    c.course.holes18 = s.holes18;
    c.course.tees = tees;
    c.course.name = "Course name";
    c.course.u8Name = "U8 name";
    c.course.country = "US";
    for (int t = 0; t < tees; ++t) {
        c.card.teeColour[t] = static_cast<long long>(s.teeColour[t]);
        c.card.teeName[t] = s.teeName[t];
        for (int i : {t, t + 6}) {
            c.card.rating[i] = 72.0;
            c.card.slope[i] = 113;
        }
    }
    c.card.holeColour = static_cast<long long>(s.holeColour);
    for (int i = 1; i <= (s.holes18 ? 18 : 9); ++i) {
        THoleRecord h;
        h.number = i;
        h.hcp1 = i;
        h.par = 4;
        for (int t = 0; t < tees; ++t)
            h.length[t] = 300;
        h.name = s.holeName[i - 1];
        c.holes.push_back(std::move(h));
    }
    TTransaction tx(db);
    const int id = TCourseWriter(db).AddCourse(c);
    tx.Commit();
    return id;
}

void ChangeCourseSetup(TDatabase& db, int courseId, const TCourseSetup& s) {
    const int tees = ClampTees(s.tees);
    TTransaction tx(db);
    TTable course(&db, "Course_General");
    course.SetFilter(CourseFilter(courseId));
    course.Open();
    if (course.IsEmpty())
        throw EDatabaseError("The course " + std::to_string(courseId) + " was not found.");
    course.First();
    course.Edit();
    course.FieldByName("Tees").SetAsInteger(tees);
    course.Post();
    const bool holes18 = course.FieldByName("18Holes").AsBoolean();
    course.Close();

    // Tees within the count keep their ratings and slopes where set; a course
    // without its ScoreCard row gets one.
    TScoreCardRecord card;
    {
        TTable stored(&db, "ScoreCard");
        stored.SetFilter(CourseFilter(courseId));
        stored.Open();
        const bool has = !stored.IsEmpty();
        if (has) stored.First();
        for (int t = 0; t < 6; ++t) {
            if (t >= tees) {
                card.teeColour[t] = card.teeName[t] = TVariant();
                for (int i : {t, t + 6}) card.rating[i] = card.slope[i] = TVariant();
                continue;
            }
            card.teeColour[t] = static_cast<long long>(s.teeColour[t]);
            card.teeName[t] = s.teeName[t];
            for (int i : {t, t + 6}) {
                if (!has || std::lround(FloatOr(stored.FieldByName(RatingField(i)).Value(), 0)) == 0)
                    card.rating[i] = 72.0;
                if (!has || NumberOr(stored.FieldByName(SlopeField(i)).Value(), 0) == 0)
                    card.slope[i] = 113;
            }
        }
    }
    card.holeColour = static_cast<long long>(s.holeColour);
    TCourseWriter(db).PutScoreCard(courseId, card);

    TTable holes(&db, "Holes");
    holes.SetFilter(CourseFilter(courseId));
    holes.Open();
    for (holes.First(); !holes.Eof(); holes.Next()) {
        const int number = NumberOr(holes.FieldByName("HoleNumber").Value(), 0);
        if (number < 1 || number > (holes18 ? 18 : 9)) continue;
        holes.Edit();
        for (int t = tees + 1; t <= 6; ++t)
            holes.FieldByName(LengthField(t)).Clear();
        for (int t = 1; t <= tees; ++t) {
            TField f = holes.FieldByName(LengthField(t));
            if (NumberOr(f.Value(), 0) == 0) f.SetAsInteger(300);
        }
        holes.FieldByName("HoleName").SetAsString(s.holeName[number - 1]);
        holes.Post();
    }
    holes.Close();
    tx.Commit();
}

TCourseSetup ReadCourseSetup(TDatabase& db, int courseId) {
    TCourseSetup s;
    for (int t = 0; t < 6; ++t)
        s.teeColour[t] = DefaultTeeColour[t];
    TTable course(&db, "Course_General");
    course.SetFilter(CourseFilter(courseId));
    course.Open();
    if (!course.IsEmpty()) {
        course.First();
        s.holes18 = course.FieldByName("18Holes").AsBoolean();
        s.tees = StoredTeeCount(course.FieldByName("Tees"));
    }
    course.Close();
    TTable card(&db, "ScoreCard");
    card.SetFilter(CourseFilter(courseId));
    card.Open();
    if (!card.IsEmpty()) {
        card.First();
        const TVariant hole = card.FieldByName("HoleCol").Value();
        s.holeColour = hole.IsNull() ? WhiteColour : ColourOf(hole);
        for (int t = 0; t < 6; ++t) {
            const std::string n = std::to_string(t + 1);
            s.teeName[t] = card.FieldByName("Tee" + n + "Name").AsString();
            s.teeColour[t] = TeeColourOrDefault(card.FieldByName("Tee" + n + "Col").Value(), t);
        }
    }
    card.Close();
    TTable holes(&db, "Holes");
    holes.SetFilter(CourseFilter(courseId));
    holes.Open();
    for (holes.First(); !holes.Eof(); holes.Next()) {
        const int number = NumberOr(holes.FieldByName("HoleNumber").Value(), 0);
        if (number >= 1 && number <= 18)
            s.holeName[number - 1] = holes.FieldByName("HoleName").AsString();
    }
    holes.Close();
    return s;
}

bool TeesInUse(TDatabase& db, int courseId, int tees) {
    TTable rounds(&db, "Round");
    rounds.SetFilter(CourseFilter(courseId) + " and TeeNumber > " + std::to_string(tees));
    rounds.Open();
    return !rounds.IsEmpty();
}

std::string PointTypeText(int type, int tee, const std::string& name) {
    switch (type) {
    case 1:
        return tee != 0 ? "Tee " + std::to_string(tee) : "Undefine tee";
    case 2:
        return "Pin";
    case 3:
        return "Green";
    case 4:
        return "Lay Up";
    case 5:
        return "Water";
    case 6:
        return "Bunker";
    case 7:
        return "Rough";
    default:
        return name;
    }
}

std::vector<TPointRow> ReadPointList(TTable& waypoints, TTable& holes) {
    std::map<long long, int> holeNumber;
    {
        TTableCloser closeHoles{&holes};
        holes.Open();
        const int idIndex = holes.FieldIndex("HoleId");
        const int numberIndex = holes.FieldIndex("HoleNumber");
        for (int r = 0; r < holes.RecordCount(); ++r)
            holeNumber.emplace(NumberOr(holes.CellValue(r, idIndex), 0),
                               NumberOr(holes.CellValue(r, numberIndex), 0));
    }

    std::vector<TPointRow> rows;
    TTableCloser closer{&waypoints};
    waypoints.Open();
    const int n = waypoints.RecordCount();
    rows.reserve(static_cast<size_t>(n));
    const int cPoint = waypoints.FieldIndex("PointId"), cHole = waypoints.FieldIndex("HoleId"),
              cType = waypoints.FieldIndex("Type"), cTee = waypoints.FieldIndex("Tee"),
              cName = waypoints.FieldIndex("Name"), cDesc = waypoints.FieldIndex("Description"),
              cLat = waypoints.FieldIndex("Latitude"), cLon = waypoints.FieldIndex("Longitude");
    for (int r = 0; r < n; ++r) {
        TPointRow row;
        row.pointId = NumberOr(waypoints.CellValue(r, cPoint), 0);
        const auto found = holeNumber.find(NumberOr(waypoints.CellValue(r, cHole), 0));
        const int number = found == holeNumber.end() ? 0 : found->second;
        row.hole = number == 0 ? "No hole" : std::to_string(number);
        row.type = PointTypeText(NumberOr(waypoints.CellValue(r, cType), 0),
                                 NumberOr(waypoints.CellValue(r, cTee), 0),
                                 waypoints.CellValue(r, cName).AsString());
        row.description = waypoints.CellValue(r, cDesc).AsString();
        row.latitude = WithDecimalSeparator(FormatCoordinate(FloatOr(waypoints.CellValue(r, cLat), 0), 1));
        row.longitude = WithDecimalSeparator(FormatCoordinate(FloatOr(waypoints.CellValue(r, cLon), 0), 0));
        rows.push_back(std::move(row));
    }
    waypoints.Close();
    return rows;
}

std::string ClampCoordinateText(const std::string& text, int limit) {
    const std::optional<double> v = ReadDecimal(text);
    if (!v) return "0";
    if (*v > limit) return std::to_string(limit);
    if (*v < 0) return "0";
    return text;
}

double CoordinateOf(const std::string& text, char letter, int limit) {
    const std::optional<double> v = ReadDecimal(ClampCoordinateText(text, limit));
    return v ? ParseCoordinate(letter, *v) : 0.0;
}

std::string CoordinateBoxText(double degrees) {
    return DecimalText(std::fabs(degrees), 'g', 15);
}

bool StorePoint(TDatabase& db, int courseId, int pointId, const TPointInput& in) {
    TTransaction tx(db);
    int type = 0;
    TPointRecord p;
    p.hole = in.holeNumber;
    if (in.typeIndex >= 0 && in.typeIndex < 7) {
        type = in.typeIndex + 1;
        p.type = type;
        p.name = PointTypeItems[in.typeIndex];
    }
    if (pointId != 0) {
        TTable points(&db, "Waypoints");
        points.SetFilter(CourseFilter(courseId));
        points.Open();
        if (!points.Locate("PointId", TVariant(pointId))) return false;
        if (type == 0) type = NumberOr(points.FieldByName("Type").Value(), 0);
    }
    p.description = in.description;
    p.tee = type == 1 && in.typeIndex == 0 ? (in.teeIndex < 0 ? 1 : in.teeIndex + 1) : 0;
    p.latitude = CoordinateOf(in.latitudeText, in.latitudeLetter, 90);
    p.longitude = CoordinateOf(in.longitudeText, in.longitudeLetter, 180);
    TCourseWriter(db).PutPoint(courseId, pointId, p);
    tx.Commit();
    return true;
}

bool DeletePoint(TDatabase& db, int pointId) {
    TTable points(&db, "Waypoints");
    points.SetFilter("PointId = " + std::to_string(pointId));
    points.Open();
    if (points.IsEmpty()) return false;
    points.First();
    points.Delete();
    return true;
}

void WriteCourseDetails(TTable& course, TTable& country, TTable& states, const TCourseDetails& d) {
    TTableCloser closer{&course, &country, &states};
    country.Open();
    states.Open();
    course.Open();
    course.First();
    if (course.IsEmpty()) {
        course.Close();
        throw EDatabaseError("The course was not found.");
    }
    course.Edit();
    course.FieldByName("Course_Name").SetAsString(d.name.empty() ? "No name" : d.name);
    course.FieldByName("Zip_Code").SetAsString(d.zip);
    course.FieldByName("Telephone").SetAsString(d.telephone);
    course.FieldByName("Fax").SetAsString(d.fax);
    course.FieldByName("Link").SetAsString(d.link);
    course.FieldByName("Email").SetAsString(d.email);
    course.FieldByName("Address1").SetAsString(d.address1);
    course.FieldByName("Address2").SetAsString(d.address2);
    course.FieldByName("Description").SetAsString(d.description);
    course.FieldByName("U8_Name").SetAsString(d.u8Name.empty() ? "No name" : d.u8Name);
    if (!d.country.empty()) {
        const TVariant countryId = country.Lookup("Country", {TVariant(d.country)}, "CountryId");
        if (!countryId.IsNull()) {
            course.FieldByName("Country").SetAsString(countryId.AsString());
            if (!d.state.empty()) {
                const TVariant stateId =
                    states.Lookup("CountryId;StateName", {countryId, TVariant(d.state)}, "StateId");
                if (!stateId.IsNull()) course.FieldByName("State").SetAsString(stateId.AsString());
            }
        }
    }
    course.Post();
    course.Close();
    country.Close();
    states.Close();
}
