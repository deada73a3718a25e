#include "transfer/Webquery.h"

#include <cmath>
#include <optional>

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

// A text from the reply, cut to its column so that a long value never fails
// the import.
void PutText(TTable& t, const std::string& field, const std::string& text) {
    t.FieldByName(field).SetAsString(t.FitToField(field, text));
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

void SetOrClear(TField f, const std::optional<double>& v) {
    if (v) f.SetAsFloat(*v);
    else f.Clear();
}
void SetOrClear(TField f, const std::optional<long long>& v) {
    if (v) f.SetAsInteger(*v);
    else f.Clear();
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

class Importer {
public:
    Importer(TDatabase& db, const std::string& reply)
        : r_(reply), courses_(&db, "Course_General"), scorecard_(&db, "ScoreCard"),
          holes_(&db, "Holes"), holeLookup_(&db, "Holes"), points_(&db, "Waypoints") {}

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
        // A course without a web id would be any never-uploaded local course.
        if (webId <= 0) throw EWebReplyError("A course of the reply has no web id.");
        const std::string idText = std::to_string(webId);
        if (Count(courses_, "Web_Id=" + idText) > 0) {
            courses_.First();
            courses_.Edit();
        } else {
            courses_.Append();
        }
        const std::string stored = courses_.FitToField("Course_Name", name);
        courses_.FieldByName("Web_Id").SetAsInteger(webId);
        courses_.FieldByName("Course_Name").SetAsString(stored);
        line = Need();
        PutText(courses_, "Email", Value(line, "<EMAIL>"));
        PutText(courses_, "U8_Name", FirstChars(stored, 7));
        line = Need();
        PutText(courses_, "Country", Value(line, "<COUNTRY>"));
        line = Need();
        PutText(courses_, "State", Value(line, "<STATE>"));
        line = Need();
        PutText(courses_, "Description", Value(Breaks(line), "<COURSED>"));
        static const std::pair<const char*, const char*> texts[] = {
            {"<URL>", "Link"},         {"<ADDRESS>", "Address1"}, {"<ZIPCODE>", "Zip_Code"},
            {"<TELEPHONE>", "Telephone"}, {"<FAX>", "Fax"},       {"<CITY>", "Address2"}};
        for (const auto& [tag, field] : texts) {
            line = Need();
            PutText(courses_, field, Value(line, tag));
        }
        line = Need();
        courses_.FieldByName("Tees").SetAsInteger(NeedInteger(Value(line, "<TEECOUNT>"),
                                                              "TEECOUNT"));
        line = Need();
        std::string holes = Value(line, "<EIGHTEENHOLES>");
        for (char& c : holes) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (holes != "true" && holes != "false")
            throw EWebReplyError("'" + holes + "' is not a valid boolean value.");
        courses_.FieldByName("18Holes").SetAsBoolean(holes == "true");
        courses_.Post();
        if (Count(courses_, "Web_Id=" + idText) == 0) return line;
        courses_.First();
        courseId_ = courses_.FieldByName("CourseId").AsInteger();
        courseHoles_ = holes == "true" ? 18 : 9;
        holeBlocks_ = 0;

        const std::string cid = std::to_string(courseId_);
        if (Count(scorecard_, "CourseId=" + cid) > 0) {
            scorecard_.First();
            scorecard_.Edit();
        } else {
            scorecard_.Append();
        }
        scorecard_.FieldByName("CourseId").SetAsInteger(courseId_);
        for (const char* g : {"M", "F"})
            for (int n = 1; n <= 6; ++n) {
                line = Need();
                const std::string tag = std::string("<CR") + g + std::to_string(n) + ">";
                SetOrClear(scorecard_.FieldByName("CR" + std::to_string(n) + g),
                           Float(XmlText(GetLineNumber(line, tag))));
            }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            SetOrClear(scorecard_.FieldByName("TL" + std::to_string(n)),
                       Float(Value(line, "<TL" + std::to_string(n) + ">")));
        }
        for (const char* g : {"M", "F"})
            for (int n = 1; n <= 6; ++n) {
                line = Need();
                const std::string tag = std::string("<S") + g + std::to_string(n) + ">";
                SetOrClear(scorecard_.FieldByName("S" + std::to_string(n) + g),
                           Small(Value(line, tag)));
            }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            SetOrClear(scorecard_.FieldByName("Tee" + std::to_string(n) + "Col"),
                       WebColour(Value(line, "<TEE" + std::to_string(n) + "COL>")));
        }
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            PutText(scorecard_, "Tee" + std::to_string(n) + "Name",
                    Value(line, "<TEENAME" + std::to_string(n) + ">"));
        }
        scorecard_.FieldByName("HoleCol").SetAsInteger(16777215);
        scorecard_.Post();
        names_.push_back(stored);
        return line;
    }

    std::string HoleBlock() {
        if (courseId_ == 0) return Skip(36);
        ++holeBlocks_;
        std::string line = Need();
        const long long number = NeedInteger(Value(line, "<HOLE>"), "HOLE");
        const std::string cid = std::to_string(courseId_);
        if (Count(holes_, "HoleNumber=" + std::to_string(number) + " and CourseId=" + cid) == 1) {
            holes_.First();
            holes_.Edit();
        } else {
            holes_.Append();
        }
        holes_.FieldByName("HoleNumber").SetAsInteger(number);
        holes_.FieldByName("CourseId").SetAsInteger(courseId_);
        line = Need();
        holes_.FieldByName("HolePar").SetAsInteger(NeedInteger(Value(line, "<HOLEPAR>"),
                                                               "HOLEPAR"));
        for (int n = 1; n <= 6; ++n) {
            line = Need();
            SetOrClear(holes_.FieldByName("HoleLength" + std::to_string(n)),
                       Small(Value(line, "<HOLELENGTH" + std::to_string(n) + ">")));
        }
        static const std::pair<const char*, const char*> positions[] = {
            {"<LAT1>", "LatitudeM1"}, {"<LON1>", "LongitudeM1"},
            {"<LAT2>", "LatitudeM2"}, {"<LON2>", "LongitudeM2"}};
        for (const auto& [tag, field] : positions) {
            line = Need();
            SetOrClear(holes_.FieldByName(field), Float(Value(line, tag)));
        }
        holes_.FieldByName("HoleHCP1").SetAsInteger(0);
        holes_.FieldByName("HoleHCP2").SetAsInteger(0);
        holes_.Post();
        holes_.Edit();
        holeId_ = holes_.FieldByName("HoleId").AsInteger();

        // A pin's or tee's lines are all read before any is judged.
        std::string l1 = Need(), l2 = Need(), l3 = Need();
        FixedPoint(2, 0, "Pin", l1, l2, l3, "<LATH>", "<LONH>", "<HWDESC>");
        for (int t = 1; t <= 6; ++t) {
            const std::string n = std::to_string(t);
            l1 = Need();
            l2 = Need();
            l3 = Need();
            FixedPoint(1, t, "Tee", l1, l2, l3, "<LATT" + n + ">", "<LONT" + n + ">",
                       "<T" + n + "DESC>");
        }
        line = Need();
        holes_.FieldByName("HoleHCP1").SetAsInteger(Small(Value(line, "<HCP1>")).value_or(0));
        line = Need();
        holes_.FieldByName("HoleHCP2").SetAsInteger(Small(Value(line, "<HCP2>")).value_or(0));
        line = Need();
        PutText(holes_, "HoleDesc", Value(line, "<HOLEDESC>"));
        holes_.Post();
        return line;
    }

    void FixedPoint(int type, int tee, const char* name, const std::string& l1,
                    const std::string& l2, const std::string& l3, const std::string& latTag,
                    const std::string& lonTag, const std::string& descTag) {
        const std::string latText = XmlText(GetLineNumber(l1, latTag));
        if (latText.empty()) return;
        const auto lat = Float(latText);
        if (!lat) return;
        const std::string lonText = XmlText(GetLineNumber(l2, lonTag));
        if (lonText.empty()) return;
        const auto lon = Float(lonText);
        if (!lon) return;
        const std::string filter = "CourseId=" + std::to_string(courseId_) +
                                   " and HoleId=" + std::to_string(holeId_) +
                                   " and Type=" + std::to_string(type) +
                                   " and Tee=" + std::to_string(tee);
        if (Count(points_, filter) == 1) {
            points_.First();
            points_.Edit();
        } else {
            points_.Append();
        }
        try {
            points_.FieldByName("Type").SetAsInteger(type);
            points_.FieldByName("CourseId").SetAsInteger(courseId_);
            points_.FieldByName("HoleId").SetAsInteger(holeId_);
            points_.FieldByName("Name").SetAsString(name);
            points_.FieldByName("Tee").SetAsInteger(tee);
            points_.FieldByName("Latitude").SetAsFloat(*lat);
            points_.FieldByName("Longitude").SetAsFloat(*lon);
            PutText(points_, "Description", Value(l3, descTag));
            points_.Post();
        } catch (const EDatabaseError&) {
            points_.Cancel();
        }
    }

    std::string PointBlock() {
        if (courseId_ == 0) return Skip(7);
        std::string line = Need();
        const long long webId = NeedInteger(Value(line, "<POINTWEBID>"), "POINTWEBID");
        if (webId != 0 && Count(points_, "PointWebId=" + std::to_string(webId)) > 0) {
            points_.First();
            points_.Edit();
        } else {
            Ready(points_, "PointId");
            points_.Append();
        }
        points_.FieldByName("PointWebId").SetAsInteger(webId);
        points_.FieldByName("CourseId").SetAsInteger(courseId_);
        line = Need();
        const long long number = NeedInteger(Value(line, "<HOLENUMBER>"), "HOLENUMBER");
        int holeId = 0;
        if (Count(holeLookup_, "CourseId=" + std::to_string(courseId_) +
                                   " and HoleNumber=" + std::to_string(number)) > 0) {
            holeLookup_.First();
            holeId = holeLookup_.FieldByName("HoleId").AsInteger();
        }
        points_.FieldByName("HoleId").SetAsInteger(holeId);
        line = Need();
        PutText(points_, "Name", Value(line, "<NAME>"));
        line = Need();
        points_.FieldByName("Type").SetAsInteger(NeedInteger(Value(line, "<TYPE>"), "TYPE"));
        line = Need();
        points_.FieldByName("Latitude")
            .SetAsFloat(NeedFloat(XmlText(GetLineNumber(line, "<LATITUDE>")), "LATITUDE"));
        line = Need();
        points_.FieldByName("Longitude")
            .SetAsFloat(NeedFloat(XmlText(GetLineNumber(line, "<LONGITUDE>")), "LONGITUDE"));
        line = Need();
        PutText(points_, "Description", Value(line, "<DESCRIPTION>"));
        points_.Post();
        return line;
    }

    TReplyReader r_;
    TTable courses_, scorecard_, holes_, holeLookup_, points_;
    int courseId_ = 0;
    int courseHoles_ = 0;
    int holeBlocks_ = 0;
    int holeId_ = 0;
    std::vector<std::string> names_;
};
} // namespace

std::vector<std::string> TWebCourseImport::Import(const std::string& reply) {
    TTransaction tx(db_);
    std::vector<std::string> names;
    {
        Importer importer(db_, reply);
        names = importer.Run();
    }
    tx.Commit();
    return names;
}
