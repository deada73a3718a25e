#include "transfer/Webquery.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <optional>
#include <set>

#include "courses/Coursestore.h"
#include "db/Database.h"
#include "db/Table.h"
#include "platform/Textutil.h"
#include "transfer/Webdocument.h"
#include "transfer/Webreply.h"

std::string BuildNumber(const std::string& fileVersion) {
    return fileVersion.size() > 6 ? fileVersion.substr(6) : std::string();
}

namespace {
void Head(TRequestDocument& d) {
    d.Raw("<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>");
    d.Raw("<U8LOG>");
    d.Raw("\t<HEADER>");
}
} // namespace

std::string CourseTitlesQuery(const std::string& buildNr, const std::string& user,
                              const std::string& password, const std::string& countryId,
                              const std::string& stateId, const std::string& courseName) {
    TRequestDocument d;
    Head(d);
    d.Text(2, "KXBUILDNR", buildNr);
    d.Raw("\t\t<DATA>GETCOURSETITLES</DATA>");
    d.Text(2, "USER", user);
    d.Text(2, "PWD", password);
    d.Raw("\t\t<WID>U8</WID>");
    d.Text(2, "COUNTRY", countryId);
    d.Text(2, "STATE", stateId);
    d.Text(2, "COURSENAME", courseName);
    d.Raw("\t</HEADER>");
    d.Raw("</U8LOG>");
    return d.Lf();
}

std::string CoursesQuery(const std::string& user, const std::string& password,
                         const std::vector<int>& webIds) {
    TRequestDocument d;
    Head(d);
    d.Raw("\t\t<DATA>GETCOURSES</DATA>");
    d.Text(2, "USER", user);
    d.Text(2, "PWD", password);
    d.Raw("\t\t<WID>U8</WID>");
    d.Raw("\t</HEADER>");
    for (int id : webIds) {
        d.Raw("\t<SAMPLE>");
        d.Int(2, "COURSEID", id);
        d.Raw("\t</SAMPLE>");
    }
    d.Raw("</U8LOG>");
    return d.Lf();
}

namespace {
bool Contains(const std::string& line, const char* tag) {
    return line.find(tag) != std::string::npos;
}

std::string Value(const std::string& line, const std::string& tag) {
    return XmlText(GetLineValue(line, tag));
}

std::optional<double> Float(const std::string& text) {
    auto v = ParseReplyFloat(TrimLine(text));
    if (v && !std::isfinite(*v)) return std::nullopt;
    return v;
}

std::optional<long long> Integer(const std::string& text) {
    auto v = ParseReplyInteger(TrimLine(text));
    if (v && (*v < -2147483647LL - 1 || *v > 2147483647LL)) return std::nullopt;
    return v;
}

// A number for a SMALLINT column; none when it does not fit.
std::optional<long long> Small(const std::string& text) {
    auto v = Integer(text);
    if (v && (*v < -32768 || *v > 32767)) return std::nullopt;
    return v;
}

// Opened on no row when nothing has opened it yet: Append needs an open table,
// and a large table is never read whole.
void Ready(TTable& t, const std::string& key) {
    if (t.Active()) return;
    t.SetFilter(key + "=0");
    t.Open();
}

long long NeedInteger(const std::string& text, const char* what) {
    auto v = Integer(text);
    if (!v) throw EWebReplyError("'" + text + "' is not a valid integer value (" + what + ").");
    return *v;
}

double NeedFloat(const std::string& text, const char* what) {
    auto v = Float(text);
    if (!v) throw EWebReplyError("'" + text + "' is not a valid floating point value (" + what +
                                 ").");
    return *v;
}

// Runs of five blanks stand for line breaks in a course description.
std::string Breaks(const std::string& line) {
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        if (line.compare(i, 5, "     ") == 0) {
            out += '\n';
            i += 5;
        } else {
            out += line[i++];
        }
    }
    return out;
}

// A web colour RRGGBB as the table's colour (red in the low byte).
std::optional<long long> WebColour(const std::string& text) {
    const std::string t = TrimLine(text);
    if (t.empty() || t.size() > 8) return std::nullopt;
    long long v = 0;
    for (char c : t) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        v = v * 16 + d;
    }
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

TColumn ValueOrNull(const std::optional<double>& v) {
    return v ? TColumn(*v) : TColumn(TVariant());
}
TColumn ValueOrNull(const std::optional<long long>& v) {
    return v ? TColumn(*v) : TColumn(TVariant());
}

// Reads the reply block by block into course records; the course writer
// stores them. The tables here find the course and hole a block updates and
// give the columns' sizes; the writer finds the points itself.
class Importer {
public:
    Importer(TDatabase& db, const std::string& reply, const std::vector<int>* asked)
        : r_(reply), writer_(db), courses_(&db, "Course_General"), scorecard_(&db, "ScoreCard"),
          holes_(&db, "Holes"), points_(&db, "Waypoints") {
        if (asked) asked_ = std::set<long long>(asked->begin(), asked->end());
    }

    std::vector<std::string> Run() {
        std::string line;
        while (r_.Next(line)) {
            if (Contains(line, "<HEADER>")) line = CourseBlock();
            if (Contains(line, "<SAMPLE>")) line = HoleBlock();
            if (Contains(line, "<WAYPOINT>")) line = PointBlock();
        }
        CourseWhole();
        return names_;
    }

    const std::vector<int>& Stored() const { return stored_; }

private:
    std::string Need() {
        std::string line;
        // A block's line must be whole: the last line of a cut reply has no line end.
        if (!r_.Next(line) || !r_.Terminated())
            throw EWebReplyError("The reply ends inside a block.");
        return line;
    }

    static int Count(TTable& t, const std::string& filter) {
        t.SetFilter(filter);
        if (!t.Active()) t.Open();
        return t.RecordCount();
    }

    // A text from the reply, cut to its column so that a long value never
    // fails the import.
    static TColumn Fit(TTable& t, const char* key, const std::string& field,
                       const std::string& text) {
        Ready(t, key);
        return t.FitToField(field, text);
    }

    std::string Skip(int lines) {
        std::string line;
        for (int i = 0; i < lines; ++i) line = Need();
        return line;
    }

    // A course is whole with one hole block per hole; a reply cut between two
    // blocks lacks the last ones.
    void CourseWhole() const {
        if (courseId_ != 0 && holeBlocks_ < courseHoles_)
            throw EWebReplyError("A course of the reply lacks hole blocks.");
    }

    std::string CourseBlock() {
        std::string line = Need();
        if (!Contains(line, "<COURSENAME>")) return line;
        CourseWhole();
        const std::string name = Value(line, "<COURSENAME>");
        line = Need();
        const long long webId = NeedInteger(Value(line, "<WEBID>"), "WEBID");
        if (asked_ && !asked_->count(webId)) {
            // Not asked for: its lines, holes and points go by unstored.
            courseId_ = 0;
            return Skip(54);
        }
        // A course without a web id would be any never-uploaded local course.
        if (webId <= 0) throw EWebReplyError("A course of the reply has no web id.");
        int courseId = 0;
        if (Count(courses_, "Web_Id=" + std::to_string(webId)) > 0) {
            courses_.First();
            courseId = courses_.FieldByName("CourseId").AsInteger();
        }
        TCourseRecord c;
        const std::string stored = courses_.FitToField("Course_Name", name);
        c.webId = webId;
        c.name = stored;
        line = Need();
        c.email = Fit(courses_, "CourseId", "Email", Value(line, "<EMAIL>"));
        c.u8Name = Fit(courses_, "CourseId", "U8_Name", FirstChars(stored, 7));
        line = Need();
        c.country = Fit(courses_, "CourseId", "Country", Value(line, "<COUNTRY>"));
        line = Need();
        c.state = Fit(courses_, "CourseId", "State", Value(line, "<STATE>"));
        line = Need();
        c.description = Fit(courses_, "CourseId", "Description", Value(Breaks(line), "<COURSED>"));
        const std::pair<const char*, TColumn*> texts[] = {
            {"<URL>", &c.link},         {"<ADDRESS>", &c.address1}, {"<ZIPCODE>", &c.zip},
            {"<TELEPHONE>", &c.telephone}, {"<FAX>", &c.fax},       {"<CITY>", &c.address2}};
        static const char* const fields[] = {"Link", "Address1", "Zip_Code", "Telephone", "Fax",
                                             "Address2"};
        for (size_t i = 0; i < std::size(texts); ++i) {
            line = Need();
            *texts[i].second = Fit(courses_, "CourseId", fields[i], Value(line, texts[i].first));
        }
        line = Need();
        const std::string teeText = Value(line, "<TEECOUNT>");
        const long long tees = NeedInteger(teeText, "TEECOUNT");
        // A course has one to six tees; another count would make a course no
        // window can open.
        if (tees < 1 || tees > 6) throw EWebReplyError("'" + teeText + "' is not a valid tee count (TEECOUNT).");
        c.tees = tees;
        line = Need();
        std::string holes = Value(line, "<EIGHTEENHOLES>");
        for (char& ch : holes) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (holes != "true" && holes != "false")
            throw EWebReplyError("'" + holes + "' is not a valid boolean value.");
        c.holes18 = holes == "true";
        courseId_ = writer_.PutCourse(courseId, c);
        courseHoles_ = holes == "true" ? 18 : 9;
        holeBlocks_ = 0;

        TScoreCardRecord card;
        for (int g = 0; g < 2; ++g)
            for (int n = 1; n <= 6; ++n) {
                line = Need();
                const std::string tag = std::string("<CR") + (g == 0 ? "M" : "F") + std::to_string(n) + ">";
                card.rating[g * 6 + n - 1] = ValueOrNull(Float(XmlText(GetLineNumber(line, tag))));
            }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            card.teeLength[n - 1] = ValueOrNull(Float(Value(line, "<TL" + std::to_string(n) + ">")));
        }
        for (int g = 0; g < 2; ++g)
            for (int n = 1; n <= 6; ++n) {
                line = Need();
                const std::string tag = std::string("<S") + (g == 0 ? "M" : "F") + std::to_string(n) + ">";
                card.slope[g * 6 + n - 1] = ValueOrNull(Small(Value(line, tag)));
            }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            card.teeColour[n - 1] =
                ValueOrNull(WebColour(Value(line, "<TEE" + std::to_string(n) + "COL>")));
        }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            card.teeName[n - 1] = Fit(scorecard_, "ScoreCardId", "Tee" + std::to_string(n) + "Name",
                                      Value(line, "<TEENAME" + std::to_string(n) + ">"));
        }
        card.holeColour = 16777215;
        writer_.PutScoreCard(courseId_, card);
        names_.push_back(stored);
        stored_.push_back(static_cast<int>(webId));
        return line;
    }

    std::string HoleBlock() {
        if (courseId_ == 0) return Skip(36);
        ++holeBlocks_;
        std::string line = Need();
        const long long number = NeedInteger(Value(line, "<HOLE>"), "HOLE");
        int holeId = 0;
        if (Count(holes_, "HoleNumber=" + std::to_string(number) +
                              " and CourseId=" + std::to_string(courseId_)) == 1) {
            holes_.First();
            holeId = holes_.FieldByName("HoleId").AsInteger();
        }
        THoleRecord h;
        h.number = static_cast<int>(number);
        line = Need();
        h.par = NeedInteger(Value(line, "<HOLEPAR>"), "HOLEPAR");
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            h.length[n - 1] = ValueOrNull(Small(Value(line, "<HOLELENGTH" + std::to_string(n) + ">")));
        }
        const std::pair<const char*, TColumn*> positions[] = {
            {"<LAT1>", &h.latitudeM1}, {"<LON1>", &h.longitudeM1},
            {"<LAT2>", &h.latitudeM2}, {"<LON2>", &h.longitudeM2}};
        for (const auto& [tag, column] : positions) {
            line = Need();
            *column = ValueOrNull(Float(Value(line, tag)));
        }
        // The pin's and tees' lines come before the hole's last values.
        std::string fixed[7][3];
        for (auto& lines : fixed)
            for (std::string& l : lines) l = Need();
        line = Need();
        h.hcp1 = Small(Value(line, "<HCP1>")).value_or(0);
        line = Need();
        h.hcp2 = Small(Value(line, "<HCP2>")).value_or(0);
        line = Need();
        h.description = Fit(holes_, "HoleId", "HoleDesc", Value(line, "<HOLEDESC>"));
        holeId_ = writer_.PutHole(courseId_, holeId, h);
        holeNumber_ = h.number;

        FixedPoint(2, 0, "Pin", fixed[0], "<LATH>", "<LONH>", "<HWDESC>");
        for (int t = 1; t <= 6; ++t) {
            const std::string n = std::to_string(t);
            FixedPoint(1, t, "Tee", fixed[t], "<LATT" + n + ">", "<LONT" + n + ">",
                       "<T" + n + "DESC>");
        }
        return line;
    }

    // A pin or tee of the hole, from its three lines, when both coordinates
    // are numbers; a point the table refuses is left out.
    void FixedPoint(int type, int tee, const char* name, const std::string (&l)[3],
                    const std::string& latTag, const std::string& lonTag,
                    const std::string& descTag) {
        const std::string latText = XmlText(GetLineNumber(l[0], latTag));
        if (latText.empty()) return;
        const auto lat = Float(latText);
        if (!lat) return;
        const std::string lonText = XmlText(GetLineNumber(l[1], lonTag));
        if (lonText.empty()) return;
        const auto lon = Float(lonText);
        if (!lon) return;
        const int pointId = writer_.FixedPointId(courseId_, holeId_, type, tee);
        TPointRecord p;
        p.hole = holeNumber_;
        p.type = type;
        p.name = name;
        p.tee = tee;
        p.latitude = *lat;
        p.longitude = *lon;
        p.description = Fit(points_, "PointId", "Description", Value(l[2], descTag));
        try {
            writer_.PutPoint(courseId_, pointId, p);
        } catch (const EDatabaseError&) {
        }
    }

    std::string PointBlock() {
        if (courseId_ == 0) return Skip(7);
        std::string line = Need();
        const long long webId = NeedInteger(Value(line, "<POINTWEBID>"), "POINTWEBID");
        const int pointId = webId != 0 ? writer_.PointOfWebId(webId) : 0;
        TPointRecord p;
        p.webId = webId;
        line = Need();
        p.hole = static_cast<int>(NeedInteger(Value(line, "<HOLENUMBER>"), "HOLENUMBER"));
        line = Need();
        p.name = Fit(points_, "PointId", "Name", Value(line, "<NAME>"));
        line = Need();
        p.type = NeedInteger(Value(line, "<TYPE>"), "TYPE");
        line = Need();
        p.latitude = NeedFloat(XmlText(GetLineNumber(line, "<LATITUDE>")), "LATITUDE");
        line = Need();
        p.longitude = NeedFloat(XmlText(GetLineNumber(line, "<LONGITUDE>")), "LONGITUDE");
        line = Need();
        p.description = Fit(points_, "PointId", "Description", Value(line, "<DESCRIPTION>"));
        writer_.PutPoint(courseId_, pointId, p);
        return line;
    }

    TReplyReader r_;
    TCourseWriter writer_;
    TTable courses_, scorecard_, holes_, points_;
    int courseId_ = 0;
    int courseHoles_ = 0;
    int holeBlocks_ = 0;
    int holeId_ = 0;
    int holeNumber_ = 0;
    std::vector<std::string> names_;
    std::vector<int> stored_;
    std::optional<std::set<long long>> asked_;
};
} // namespace

std::vector<std::string> TWebCourseImport::Import(const std::string& reply) {
    return Run(reply, nullptr);
}

std::vector<std::string> TWebCourseImport::Import(const std::string& reply,
                                                  const std::vector<int>& asked) {
    return Run(reply, &asked);
}

std::vector<std::string> TWebCourseImport::Run(const std::string& reply,
                                               const std::vector<int>* asked) {
    stored_.clear();
    TTransaction tx(db_);
    std::vector<std::string> names;
    std::vector<int> stored;
    {
        Importer importer(db_, reply, asked);
        names = importer.Run();
        stored = importer.Stored();
    }
    tx.Commit();
    stored_ = std::move(stored);
    return names;
}

std::vector<std::string> MissingCourses(const std::vector<std::pair<int, std::string>>& asked,
                                        const std::vector<int>& stored) {
    std::vector<std::string> missing;
    for (const auto& [webId, name] : asked)
        if (std::find(stored.begin(), stored.end(), webId) == stored.end())
            missing.push_back(name);
    return missing;
}
