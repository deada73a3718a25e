#include "courses/Coursestore.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "courses/Scorecard.h"
#include "common/Calculations.h"

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
    TTransaction tx(db);
    TTable course(&db, "Course_General");
    course.Open();
    course.Append();
    course.FieldByName("18Holes").SetAsBoolean(s.holes18);
    course.FieldByName("Tees").SetAsInteger(tees);
    course.FieldByName("Course_Name").SetAsString("Course name");
    course.FieldByName("U8_Name").SetAsString("U8 name");
    course.FieldByName("Country").SetAsString("US");
    course.Post();
    const int id = course.FieldByName("CourseId").AsInteger();
    course.Close();

    TTable card(&db, "ScoreCard");
    card.Open();
    card.Append();
    card.FieldByName("CourseId").SetAsInteger(id);
    for (int t = tees; t >= 1; --t) {
        const std::string n = std::to_string(t);
        card.FieldByName("Tee" + n + "Col").SetAsInteger(s.teeColour[t - 1]);
        card.FieldByName("Tee" + n + "Name").SetAsString(s.teeName[t - 1]);
        card.FieldByName(RatingField(t - 1)).SetAsFloat(72);
        card.FieldByName(RatingField(t + 5)).SetAsFloat(72);
        card.FieldByName(SlopeField(t - 1)).SetAsInteger(113);
        card.FieldByName(SlopeField(t + 5)).SetAsInteger(113);
    }
    card.FieldByName("HoleCol").SetAsInteger(s.holeColour);
    card.Post();
    card.Close();

    TTable holes(&db, "Holes");
    holes.Open();
    for (int i = 1; i <= (s.holes18 ? 18 : 9); ++i) {
        holes.Append();
        holes.FieldByName("CourseId").SetAsInteger(id);
        holes.FieldByName("HoleNumber").SetAsInteger(i);
        holes.FieldByName("HoleHCP1").SetAsInteger(i);
        holes.FieldByName("HolePar").SetAsInteger(4);
        for (int t = 1; t <= tees; ++t)
            holes.FieldByName(LengthField(t)).SetAsInteger(300);
        holes.FieldByName("HoleName").SetAsString(s.holeName[i - 1]);
        holes.Post();
    }
    holes.Close();
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

    TTable card(&db, "ScoreCard");
    card.SetFilter(CourseFilter(courseId));
    card.Open();
    card.First();
    card.Edit(); // a course without its row gets one
    card.FieldByName("CourseId").SetAsInteger(courseId);
    for (int t = 1; t <= 6; ++t) {
        card.FieldByName("Tee" + std::to_string(t) + "Col").Clear();
        card.FieldByName("Tee" + std::to_string(t) + "Name").Clear();
    }
    for (int t = tees; t >= 1; --t) {
        const std::string n = std::to_string(t);
        card.FieldByName("Tee" + n + "Col").SetAsInteger(s.teeColour[t - 1]);
        card.FieldByName("Tee" + n + "Name").SetAsString(s.teeName[t - 1]);
        for (int i : {t - 1, t + 5}) {
            if (std::lround(FloatOr(card.FieldByName(RatingField(i)).Value(), 0)) == 0)
                card.FieldByName(RatingField(i)).SetAsFloat(72);
            if (NumberOr(card.FieldByName(SlopeField(i)).Value(), 0) == 0)
                card.FieldByName(SlopeField(i)).SetAsInteger(113);
        }
    }
    for (int t = tees + 1; t <= 6; ++t) {
        for (int i : {t - 1, t + 5}) {
            card.FieldByName(RatingField(i)).Clear();
            card.FieldByName(SlopeField(i)).Clear();
        }
    }
    card.FieldByName("HoleCol").SetAsInteger(s.holeColour);
    card.Post();
    card.Close();

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
        s.tees = ClampTees(NumberOr(course.FieldByName("Tees").Value(), 1));
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
        row.latitude = FormatCoordinate(FloatOr(waypoints.CellValue(r, cLat), 0), 1);
        row.longitude = FormatCoordinate(FloatOr(waypoints.CellValue(r, cLon), 0), 0);
        rows.push_back(std::move(row));
    }
    waypoints.Close();
    return rows;
}

namespace {
bool ParseDegrees(const std::string& text, double* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}
} // namespace

std::string ClampCoordinateText(const std::string& text, int limit) {
    double v = 0;
    if (!ParseDegrees(text, &v)) return "0";
    if (v > limit) return std::to_string(limit);
    if (v < 0) return "0";
    return text;
}

double CoordinateOf(const std::string& text, char letter, int limit) {
    double v = 0;
    if (!ParseDegrees(ClampCoordinateText(text, limit), &v)) return 0.0;
    return ParseCoordinate(letter, v);
}

std::string CoordinateBoxText(double degrees) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", std::fabs(degrees));
    return buffer;
}

bool StorePoint(TDatabase& db, int courseId, int pointId, const TPointInput& in) {
    TTransaction tx(db);
    TTable points(&db, "Waypoints");
    points.SetFilter(CourseFilter(courseId));
    points.Open();
    if (pointId == 0) {
        points.Append();
        points.FieldByName("CourseId").SetAsInteger(courseId);
    } else {
        if (!points.Locate("PointId", TVariant(pointId))) return false;
        points.Edit();
    }
    TTable holes(&db, "Holes");
    holes.SetFilter(CourseFilter(courseId) + " and HoleNumber = " + std::to_string(in.holeNumber));
    holes.Open();
    holes.First();
    points.FieldByName("HoleId").SetAsInteger(
        holes.IsEmpty() ? 0 : holes.FieldByName("HoleId").AsInteger());
    holes.Close();
    int type = 0;
    if (in.typeIndex >= 0 && in.typeIndex < 7) {
        type = in.typeIndex + 1;
        points.FieldByName("Type").SetAsInteger(type);
        points.FieldByName("Name").SetAsString(PointTypeItems[in.typeIndex]);
    } else {
        type = NumberOr(points.FieldByName("Type").Value(), 0);
    }
    points.FieldByName("Description").SetAsString(in.description);
    points.FieldByName("Tee").SetAsInteger(
        type == 1 && in.typeIndex == 0 ? (in.teeIndex < 0 ? 1 : in.teeIndex + 1) : 0);
    points.FieldByName("Latitude").SetAsFloat(CoordinateOf(in.latitudeText, in.latitudeLetter, 90));
    points.FieldByName("Longitude")
        .SetAsFloat(CoordinateOf(in.longitudeText, in.longitudeLetter, 180));
    points.Post();
    points.Close();
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
