// The course search reply, the list's order, the download documents and the
// import of a download, with truncated and mutated replies.
#include <gtest/gtest.h>

#include <random>

#include "db/Dbfixture.h"
#include "sim/Webdouble.h"
#include "transfer/Transw33.h"
#include "transfer/Webdocument.h"
#include "transfer/Webexchange.h"
#include "transfer/Webquery.h"
#include "transfer/Webreply.h"
#include "transfer/Webupload.h"

using webdouble::WebDouble;

TEST(WebSearchReply, RowsAsTheListShowsThem) {
    const std::string longName(5000, 'n');
    const std::string reply =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\n<U8LOG>\n"
        "  <SAMPLE>\n\t\t<COURSEID>12</COURSEID>\n<COURSENAME>A&lt;B &amp; \xD6</COURSENAME>\n"
        "<RATE>10</RATE>\n<COUNTRY>SE</COUNTRY>\n<USER>bo</USER>\n<DATE>05.03.03</DATE>\n"
        "<SAMPLE>\n<NOID>1</NOID>\n"                                   // no row
        "<SAMPLE>\n<COURSEID>13</COURSEID>\n<OTHER>x</OTHER>\n"        // row without details
        "<SAMPLE>\n<COURSEID>1x</COURSEID>\n<COURSENAME>skip</COURSENAME>\n"  // no number
        "<SAMPLE>\r\n<COURSEID>14</COURSEID>\r\n<COURSENAME>" + longName + "</COURSENAME>\r\n"
        "<USER>bob</USER>\r\n<COUNTRY>NO</COUNTRY>\r\n<USER>al</USER>\r\n<DATE>05.03.2003</DATE>\r\n"
        "<SAMPLE>\n<COURSEID>15</COURSEID>\n<COURSENAME>Bad date</COURSENAME>\n<RATE></RATE>\n"
        "<COUNTRY></COUNTRY>\n<USER></USER>\n<DATE>31.02.03</DATE>\n</U8LOG>\n";
    const auto rows = ParseCourseTitles(reply);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].WebId, 12);
    EXPECT_EQ(rows[0].Name, "A<B & \xC3\x96");
    EXPECT_EQ(rows[0].Rate, "10");
    EXPECT_EQ(rows[0].Country, "SE");
    EXPECT_EQ(rows[0].User, "bo");
    ASSERT_TRUE(rows[0].Date);
    EXPECT_EQ(DateTimeToIso(*rows[0].Date), "2003-03-05 00:00:00");
    EXPECT_EQ(rows[1].WebId, 13);
    EXPECT_FALSE(rows[1].HasDetails);
    EXPECT_EQ(rows[2].WebId, 14);
    EXPECT_EQ(rows[2].Name, longName);
    EXPECT_EQ(rows[2].Rate, ">bob");  // a RATE line without its tag, by the span rule
    ASSERT_TRUE(rows[2].Date);
    EXPECT_EQ(DateTimeToIso(*rows[2].Date), "2003-03-05 00:00:00");
    EXPECT_FALSE(rows[3].Date);
    EXPECT_EQ(rows[3].DateText, "31.02.03");

    EXPECT_TRUE(IsNotOkReply("<replycode>NOTOK</replycode><errormsg>x</errormsg>"));
    EXPECT_FALSE(IsNotOkReply("<REPLYCODE>NOTOK</REPLYCODE>"));
    EXPECT_TRUE(ParseCourseTitles("<replycode>OK</replycode>").empty());
}

TEST(WebSearchReply, ListOrderPerColumn) {
    TCourseListRow a{"alpha", EncodeDateTime(2003, 3, 5), "SE", "bo", "10"};
    TCourseListRow b{"beta", EncodeDateTime(2002, 1, 1), "NO", "al", "9"};
    TCourseListRow bad{"gamma", std::nullopt, "", "", ""};
    EXPECT_EQ(CompareCourseRows(a, b, 0, true), -1);
    EXPECT_EQ(CompareCourseRows(a, b, 0, false), 1);
    EXPECT_EQ(CompareCourseRows(a, b, 1, true), 1);
    EXPECT_EQ(CompareCourseRows(bad, b, 1, true), -1);  // no date sorts first
    EXPECT_EQ(CompareCourseRows(bad, bad, 1, true), 0);
    EXPECT_EQ(CompareCourseRows(a, b, 2, true), 1);
    EXPECT_EQ(CompareCourseRows(a, b, 3, true), 1);
    EXPECT_EQ(CompareCourseRows(a, b, 4, true), -1);  // "10" before "9": text
    EXPECT_EQ(CompareCourseRows(a, a, 4, false), 0);
    TCourseListRow upper = a;
    upper.Name = "Alpha";
    EXPECT_NE(CompareCourseRows(a, upper, 0, true), 0);  // case-sensitive
}

TEST(WebQueryDocument, SearchAndDownloadRequests) {
    EXPECT_EQ(CourseTitlesQuery("578", "ann", "pw", "", "", ""),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\n<U8LOG>\n\t<HEADER>\n"
              "\t\t<KXBUILDNR>578</KXBUILDNR>\n\t\t<DATA>GETCOURSETITLES</DATA>\n"
              "\t\t<USER>ann</USER>\n\t\t<PWD>pw</PWD>\n\t\t<WID>U8</WID>\n"
              "\t\t<COUNTRY></COUNTRY>\n\t\t<STATE></STATE>\n\t\t<COURSENAME></COURSENAME>\n"
              "\t</HEADER>\n</U8LOG>\n");
    EXPECT_NE(CourseTitlesQuery("1", "a&b", "p", "CI", "AB", "St. Mary's <").find(
                  "\t\t<USER>a&amp;b</USER>\n\t\t<PWD>p</PWD>\n\t\t<WID>U8</WID>\n"
                  "\t\t<COUNTRY>CI</COUNTRY>\n\t\t<STATE>AB</STATE>\n"
                  "\t\t<COURSENAME>St. Mary's &lt;</COURSENAME>\n"),
              std::string::npos);
    EXPECT_EQ(CoursesQuery("ann", "p<w", {12, 7}),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\n<U8LOG>\n\t<HEADER>\n"
              "\t\t<DATA>GETCOURSES</DATA>\n\t\t<USER>ann</USER>\n\t\t<PWD>p&lt;w</PWD>\n"
              "\t\t<WID>U8</WID>\n\t</HEADER>\n\t<SAMPLE>\n\t\t<COURSEID>12</COURSEID>\n"
              "\t</SAMPLE>\n\t<SAMPLE>\n\t\t<COURSEID>7</COURSEID>\n\t</SAMPLE>\n</U8LOG>\n");
    EXPECT_EQ(BuildNumber("1.1.4.578"), "578");
    EXPECT_EQ(BuildNumber("1.0.0"), "");
}

class WebImportTest : public DbTest {
protected:
    // The double's download reply for its courses with the given web ids.
    std::string Download(const std::vector<int>& ids) {
        return web.Handle(CoursesQuery("u", "p", ids));
    }
    int Course(const std::string& column, int webId) {
        TTable t(&db, "Course_General");
        t.SetFilter("Web_Id=" + std::to_string(webId));
        t.Open();
        return t.IsEmpty() ? -1 : t.FieldByName(column).AsInteger();
    }
    std::string Text(const std::string& table, const std::string& filter, const std::string& column) {
        TTable t(&db, table);
        t.SetFilter(filter);
        t.Open();
        return t.IsEmpty() ? "<none>" : t.FieldByName(column).AsString();
    }
    // Lines of a reply with one line changed.
    static std::string Replace(const std::string& reply, const std::string& from,
                               const std::string& to) {
        std::string r = reply;
        const size_t p = r.find(from);
        if (p != std::string::npos) r.replace(p, from.size(), to);
        return r;
    }
    WebDouble web{3};
};

TEST_F(WebImportTest, CourseWithHolesTeesPinsAndPoints) {
    auto c = WebDouble::SampleCourse("Lakeside Golf Club", 18, 3);
    c.header["COURSENAME"] = "A<B & \xC3\x96 Lakeside";
    c.webId = 812;
    web.AddCourse(c);
    const auto names = TWebCourseImport(db).Import(Download({812}));
    EXPECT_EQ(names, (std::vector<std::string>{"A<B & \xC3\x96 Lakeside"}));
    const int id = Course("CourseId", 812);
    ASSERT_GT(id, 0);
    const std::string cid = "CourseId=" + std::to_string(id);
    EXPECT_EQ(Text("Course_General", cid, "Course_Name"), "A<B & \xC3\x96 Lakeside");
    EXPECT_EQ(Text("Course_General", cid, "U8_Name"), "A<B & \xC3\x96");
    EXPECT_EQ(Text("Course_General", cid, "Description"), "Parkland course\nby the lake");
    EXPECT_EQ(Text("Course_General", cid, "Address2"), "Lakeside");
    EXPECT_EQ(Course("Tees", 812), 2);
    EXPECT_EQ(Course("18Holes", 812), 1);
    EXPECT_EQ(Text("ScoreCard", cid, "CR1M"), "71.5");
    EXPECT_EQ(Text("ScoreCard", cid, "Tee1Col"), "65535");  // FFFF00 yellow
    EXPECT_EQ(Text("ScoreCard", cid, "Tee2Col"), "255");    // FF0000 red
    EXPECT_EQ(Text("ScoreCard", cid, "Tee3Col"), "");
    EXPECT_EQ(Text("ScoreCard", cid, "S1M"), "128");
    EXPECT_EQ(Text("ScoreCard", cid, "HoleCol"), "16777215");
    EXPECT_EQ(Count("Holes", cid), 18);
    EXPECT_EQ(Text("Holes", cid + " and HoleNumber=7", "HoleHCP2"), "12");
    const std::string hole7 = Text("Holes", cid + " and HoleNumber=7", "HoleId");
    EXPECT_EQ(Count("Waypoints", "HoleId=" + hole7 + " and Type=2 and Tee=0 and Name='Pin'"), 1);
    EXPECT_EQ(Count("Waypoints", "HoleId=" + hole7 + " and Type=1"), 2);
    EXPECT_EQ(Count("Waypoints", "HoleId=" + hole7 + " and Type>2"), 3);
    EXPECT_EQ(Count("Waypoints", cid), 18 * 6);

    // A second download updates in place.
    TWebCourseImport(db).Import(Download({812}));
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("ScoreCard"), 1);
    EXPECT_EQ(Count("Holes"), 18);
    EXPECT_EQ(Count("Waypoints"), 18 * 6);
}

TEST_F(WebImportTest, LongLinesArriveWhole) {
    auto c = WebDouble::SampleCourse("Links", 9, 1);
    c.header["COURSED"] = std::string(5000, 'd') + "\n" + std::string(10, 'e');
    c.holes[0]["HOLEDESC"] = std::string(4500, 'h');
    c.points[0]["DESCRIPTION"] = std::string(150, 'p');
    web.AddCourse(c);
    TWebCourseImport(db).Import(Download({1000}));
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Text("Course_General", cid, "Description"),
              std::string(5000, 'd') + "\n" + std::string(10, 'e'));
    EXPECT_EQ(Text("Holes", cid + " and HoleNumber=1", "HoleDesc"), std::string(4500, 'h'));
    EXPECT_EQ(Text("Waypoints", cid + " and Type=3", "Description"), std::string(150, 'p'));
}

TEST_F(WebImportTest, UploadAndDownloadRoundTrip) {
    // A course uploaded with an awkward name comes back unchanged.
    TempHome home;
    TWebExchange http;
    TTransWiz4::CourseHeader c;
    c.CourseName = "A<B & \xC3\x96";
    c.Country = "SE";
    c.Description = "One\nTwo";
    c.HoleCount = 9;
    for (auto& h : c.Holes) h.HolePar = 4;
    c.CRM[0] = 71.5;
    TUploadAccount account{"1", "u", "p"};
    const std::string reply =
        http.Post(ServiceUrl(web.Address()), CourseUploadDocument(c, account, [](int) { return 1; }));
    ASSERT_TRUE(CourseAccepted(reply));
    const int webId = web.Courses().at(0).webId;
    const std::string download = http.Post(ServiceUrl(web.Address()), CoursesQuery("u", "p", {webId}));
    TWebCourseImport(db).Import(download);
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", webId));
    EXPECT_EQ(Text("Course_General", cid, "Course_Name"), "A<B & \xC3\x96");
    EXPECT_EQ(Text("Course_General", cid, "Description"), "One\nTwo");
    EXPECT_EQ(Text("ScoreCard", cid, "CR1M"), "71.5");
    EXPECT_EQ(Course("18Holes", webId), 0);
}

TEST_F(WebImportTest, FaultsOfTheReplyLeaveNothing) {
    web.AddCourse(WebDouble::SampleCourse("Links", 9, 2));
    web.AddCourse(WebDouble::SampleCourse("Park", 9, 0));
    const std::string good = Download({1000, 1001});
    const std::vector<std::string> bad = {
        Replace(good, "<WEBID>1001</WEBID>", "<WEBID>0</WEBID>"),
        Replace(good, "<WEBID>1001</WEBID>", "<WEBID>-4</WEBID>"),
        Replace(good, "<TEECOUNT>2</TEECOUNT>", "<TEECOUNT></TEECOUNT>"),
        // Tee counts no course window can show.
        Replace(good, "<TEECOUNT>2</TEECOUNT>", "<TEECOUNT>9</TEECOUNT>"),
        Replace(good, "<TEECOUNT>2</TEECOUNT>", "<TEECOUNT>0</TEECOUNT>"),
        Replace(good, "<HOLEPAR>", "<HOLEPAR>x"),
        Replace(good, "<HOLE>3</HOLE>", "<HOLE>3 or 1=1</HOLE>"),
        Replace(good, "<POINTWEBID>", "<POINTWEBID>q"),
        Replace(good, "<TYPE>", "<TYPE>z"),
        Replace(good, "<LATITUDE>", "<LATITUDE>n"),
        good.substr(0, good.find("<HOLELENGTH3>") + 5),  // cut inside a hole block
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        const std::string& reply = bad[i];
        EXPECT_THROW(TWebCourseImport(db).Import(reply), std::exception) << i;
        EXPECT_EQ(Count("Course_General"), 0);
        EXPECT_EQ(Count("Holes"), 0);
        EXPECT_EQ(Count("Waypoints"), 0);
        EXPECT_EQ(Count("ScoreCard"), 0);
    }
    EXPECT_EQ(TWebCourseImport(db).Import(good), (std::vector<std::string>{"Links", "Park"}));
}

TEST_F(WebImportTest, ACourseCutBetweenHoleBlocksIsNotStored) {
    web.AddCourse(WebDouble::SampleCourse("Links", 9, 1));
    web.AddCourse(WebDouble::SampleCourse("Park", 18, 0));
    const std::string good = Download({1000, 1001});
    // After the fifth hole block of the first course; then with the second
    // course's header following at once.
    size_t at = 0;
    for (int i = 0; i < 5; ++i) at = good.find("</SAMPLE>", at) + 1;
    at = good.find('\n', at) + 1;
    const size_t second = good.find("<HEADER>", at);
    const std::string headerLine = good.substr(good.rfind('\n', second) + 1);
    for (const std::string& reply : {good.substr(0, at), good.substr(0, at) + headerLine}) {
        EXPECT_THROW(TWebCourseImport(db).Import(reply), EWebReplyError);
        EXPECT_EQ(Count("Course_General"), 0);
        EXPECT_EQ(Count("Holes"), 0);
        EXPECT_EQ(Count("ScoreCard"), 0);
    }
    // The 18-hole course with only nine of its blocks.
    size_t last = good.rfind("<SAMPLE>");
    for (int i = 0; i < 8; ++i) last = good.rfind("<SAMPLE>", last - 1);
    EXPECT_THROW(TWebCourseImport(db).Import(good.substr(0, good.rfind('\n', last) + 1)), EWebReplyError);
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(TWebCourseImport(db).Import(good), (std::vector<std::string>{"Links", "Park"}));
}

TEST_F(WebImportTest, ControlCharactersOfTheReplyAreDropped) {
    web.AddCourse(WebDouble::SampleCourse("Koivu", 9, 0));
    std::string reply = Download({1000});
    reply = Replace(reply, "<COURSENAME>Koivu<", std::string("<COURSENAME>Ko") + '\0' + "ivu\x01Golf&#13;\t<");
    reply = Replace(reply, "<EMAIL>club@", "<EMAIL>cl\rub\x1F@");
    EXPECT_EQ(TWebCourseImport(db).Import(reply), (std::vector<std::string>{"KoivuGolf\t"}));
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Text("Course_General", cid, "Course_Name"), "KoivuGolf\t");
    EXPECT_EQ(Text("Course_General", cid, "Email"), "club@example.org");
    EXPECT_EQ(XmlText(std::string("a") + '\0' + "b\x7\x0B\n&#0;&#1;\xA4"), "ab\n&#0;&#1;\xE2\x82\xAC");
}

TEST_F(WebImportTest, GuardedFieldsAndFixedPoints) {
    web.AddCourse(WebDouble::SampleCourse("Links", 9, 0));
    std::string reply = Download({1000});
    reply = Replace(reply, "<CRM1>71.5</CRM1>", "<CRM1>7l.5</CRM1>");
    reply = Replace(reply, "<TEE1COL>FFFF00</TEE1COL>", "<TEE1COL>yellow</TEE1COL>");
    reply = Replace(reply, "<HOLELENGTH1>310</HOLELENGTH1>", "<HOLELENGTH1>far</HOLELENGTH1>");
    // "abc" in the first hole's LATH cancels its pin only; its tees still read right.
    reply = Replace(reply, "<LATH>", "<LATH>abc");
    reply = Replace(reply, "<HCP2>9</HCP2>", "<HCP2></HCP2>");
    // A hole block before any course block is skipped.
    std::string before = "<SAMPLE>\n";
    for (int i = 0; i < 36; ++i) before += "<HOLE>x</HOLE>\n";
    reply = before + reply;
    TWebCourseImport(db).Import(reply);
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Text("ScoreCard", cid, "CR1M"), "");
    EXPECT_EQ(Text("ScoreCard", cid, "Tee1Col"), "");
    EXPECT_EQ(Text("ScoreCard", cid, "Tee2Col"), "255");
    const std::string hole1 = Text("Holes", cid + " and HoleNumber=1", "HoleId");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleLength1"), "");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleLength2"), "290");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleHCP2"), "0");
    EXPECT_EQ(Count("Waypoints", "HoleId=" + hole1 + " and Type=2"), 0);
    EXPECT_EQ(Text("Waypoints", "HoleId=" + hole1 + " and Type=1 and Tee=2", "Latitude"),
              "59.301");
    EXPECT_EQ(Text("Waypoints", "HoleId=" + hole1 + " and Type=1 and Tee=2", "Description"),
              "Red tee");
    EXPECT_EQ(Count("Waypoints", "Type=2"), 8);
    EXPECT_EQ(Count("Course_General"), 1);
}

TEST_F(WebImportTest, TruncatedAndMutatedRepliesNeverHalfWrite) {
    web.AddCourse(WebDouble::SampleCourse("Links", 9, 2));
    const std::string good = Download({1000});
    std::vector<size_t> ends;
    for (size_t p = good.find('\n'); p != std::string::npos; p = good.find('\n', p + 1))
        ends.push_back(p + 1);
    // Cut at every line end: either the whole course or nothing.
    // Cut at every line end and inside every line: whole blocks or nothing.
    for (size_t cut : ends) {
        for (size_t at : {cut, cut - 3}) {
            const int courses = Count("Course_General"), holes = Count("Holes"),
                      points = Count("Waypoints");
            try {
                TWebCourseImport(db).Import(good.substr(0, at));
            } catch (const std::exception&) {
                EXPECT_EQ(Count("Course_General"), courses) << at;
                EXPECT_EQ(Count("Holes"), holes) << at;
                EXPECT_EQ(Count("Waypoints"), points) << at;
            }
        }
    }
    std::mt19937 rng(11);
    for (int i = 0; i < 200; ++i) {
        std::string m = good;
        for (int k = 0; k < 4; ++k) m[rng() % m.size()] = static_cast<char>(rng() % 256);
        try {
            TWebCourseImport(db).Import(m);
        } catch (const std::exception&) {
        }
        // The readers of the other replies take the same bytes.
        ParseCourseTitles(m);
        try {
            BagOrRoundAccepted(m);
            CourseAccepted(m);
        } catch (const EWebReplyError&) {
        }
        RefusalText(m);
        XmlText(m);
    }
    EXPECT_LE(Count("Course_General"), 1);
}

TEST_F(WebImportTest, BlocksFoundByTheirKeys) {
    auto c = WebDouble::SampleCourse("Links", 9, 1);
    c.header["COURSED"] = "a" + std::string(10, ' ') + "b";
    c.header["TEE2COL"] = "0000FF";
    c.points[0]["HOLENUMBER"] = "12";  // no such hole
    web.AddCourse(c);
    std::string reply = Download({1000});
    // The point without a web id, and the first hole sent a second time.
    const size_t point = reply.find("<POINTWEBID>");
    reply.replace(point, reply.find("</POINTWEBID>") - point, "<POINTWEBID>0");
    const size_t hole = reply.find("<SAMPLE>");
    const size_t holeEnd = reply.find("</SAMPLE>", hole);
    reply.insert(reply.rfind("</U8LOG>"), reply.substr(hole, holeEnd - hole) + "\n");
    TWebCourseImport(db).Import(reply);
    TWebCourseImport(db).Import(reply);
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Text("Course_General", cid, "Description"), "a\n\nb");
    EXPECT_EQ(Text("ScoreCard", cid, "Tee2Col"), "16711680");
    EXPECT_EQ(Count("Holes", cid), 9);
    EXPECT_EQ(Count("Waypoints", cid + " and Type=2"), 9);
    // Points without a web id are appended on every download.
    EXPECT_EQ(Count("Waypoints", cid + " and PointWebId=0"), 2);
    EXPECT_EQ(Text("Waypoints", cid + " and PointWebId=0", "HoleId"), "0");
    EXPECT_EQ(Count("Waypoints", cid + " and Type>2 and PointWebId>0"), 8);
}

TEST_F(WebImportTest, LongValuesAreCutToTheirColumns) {
    // Texts longer than their columns and numbers beyond a SMALLINT column:
    // cut or (guarded) left empty, never a failed import.
    std::string longName;
    for (int i = 0; i < 30; ++i) longName += "\xC3\x96stra ";  // 180 characters
    auto c = WebDouble::SampleCourse(longName, 9, 1);
    c.header["COUNTRY"] = "Sweden";
    c.header["STATE"] = "Stockholm";
    c.header["EMAIL"] = std::string(150, 'e') + "@example.org";
    c.header["TEENAME1"] = std::string(80, 'y');
    c.header["SM1"] = "70000";
    c.holes[0]["HWDESC"] = std::string(300, 'w');
    c.holes[0]["HOLELENGTH1"] = "40000";
    c.holes[0]["HCP1"] = "99999";
    c.points[0]["NAME"] = std::string(80, 'n');
    c.points[0]["DESCRIPTION"] = std::string(300, 'd');
    // Memos: a megabyte of text is kept to the memo bound.
    c.header["COURSED"] = std::string(1 << 20, 'c');
    std::string holeDesc;
    while (holeDesc.size() < (1u << 20)) holeDesc += "\xC3\xA9";
    c.holes[1]["HOLEDESC"] = holeDesc;
    web.AddCourse(c);
    const auto names = TWebCourseImport(db).Import(Download({1000}));
    std::string cut;
    for (int i = 0; i < 16; ++i) cut += "\xC3\x96stra ";
    cut += "\xC3\x96str";  // the first 100 characters
    EXPECT_EQ(names, (std::vector<std::string>{cut}));
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Text("Course_General", cid, "Course_Name"), cut);
    EXPECT_EQ(Text("Course_General", cid, "U8_Name"), "\xC3\x96stra \xC3\x96");
    EXPECT_EQ(Text("Course_General", cid, "Country"), "Swed");
    EXPECT_EQ(Text("Course_General", cid, "State"), "St");
    EXPECT_EQ(Text("Course_General", cid, "Email").size(), 100u);
    EXPECT_EQ(Text("ScoreCard", cid, "Tee1Name"), std::string(50, 'y'));
    EXPECT_EQ(Text("ScoreCard", cid, "S1M"), "");
    EXPECT_EQ(Text("ScoreCard", cid, "S1F"), "131");
    const std::string hole1 = Text("Holes", cid + " and HoleNumber=1", "HoleId");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleLength1"), "");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleLength2"), "290");
    EXPECT_EQ(Text("Holes", "HoleId=" + hole1, "HoleHCP1"), "0");
    EXPECT_EQ(Text("Waypoints", "HoleId=" + hole1 + " and Type=2", "Description"),
              std::string(200, 'w'));
    EXPECT_EQ(Text("Waypoints", "HoleId=" + hole1 + " and Type>2", "Name"), std::string(50, 'n'));
    EXPECT_EQ(Text("Waypoints", "HoleId=" + hole1 + " and Type>2", "Description"),
              std::string(200, 'd'));
    EXPECT_EQ(Text("Course_General", cid, "Description"), std::string(TTable::MemoLimit, 'c'));
    EXPECT_EQ(Text("Holes", cid + " and HoleNumber=2", "HoleDesc"), holeDesc.substr(0, 2 * TTable::MemoLimit));
}

TEST_F(WebImportTest, PointWithoutWebIdWhenNoHoleHasFixedPoints) {
    // No pin or tee position in any hole, so no point was looked up before
    // the point block appends its row.
    auto c = WebDouble::SampleCourse("Links", 9, 1);
    for (auto& h : c.holes)
        for (const char* k : {"LATH", "LONH", "LATT1", "LONT1", "LATT2", "LONT2"}) h[k] = "";
    web.AddCourse(c);
    std::string reply = Download({1000});
    const size_t point = reply.find("<POINTWEBID>");
    reply.replace(point, reply.find("</POINTWEBID>") - point, "<POINTWEBID>0");
    EXPECT_EQ(TWebCourseImport(db).Import(reply), (std::vector<std::string>{"Links"}));
    const std::string cid = "CourseId=" + std::to_string(Course("CourseId", 1000));
    EXPECT_EQ(Count("Waypoints", cid + " and Type<3"), 0);
    EXPECT_EQ(Count("Waypoints", cid + " and PointWebId=0"), 1);
    EXPECT_EQ(Count("Waypoints", cid), 9);
}

TEST_F(WebImportTest, HeaderWithoutCourseNameAndHolesOfOneNumber) {
    web.AddCourse(WebDouble::SampleCourse("Links", 9, 0));
    std::string reply = Download({1000});
    const size_t hole = reply.find("<SAMPLE>");
    std::string tenth = reply.substr(hole, reply.find("</SAMPLE>", hole) - hole);
    tenth.replace(tenth.find("<HOLE>1</HOLE>"), 14, "<HOLE>10</HOLE>");
    // A HEADER line whose next line starts a hole block: no course, the hole
    // joins the course before it.
    reply.insert(reply.rfind("</U8LOG>"), "<HEADER>\n" + tenth + "\n");
    TWebCourseImport(db).Import(reply);
    const long long id = Course("CourseId", 1000);
    const std::string cid = "CourseId=" + std::to_string(id);
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("Holes", cid), 10);
    // Two stored rows of one hole number: the download appends a third.
    AppendRow("Holes", {{"CourseId", id}, {"HoleNumber", 3}, {"HoleHCP1", 1}});
    TWebCourseImport(db).Import(reply);
    EXPECT_EQ(Count("Holes", cid + " and HoleNumber=3"), 3);
    EXPECT_EQ(Count("Holes", cid + " and HoleNumber=4"), 1);
}
