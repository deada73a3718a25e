// The upload documents, the verdicts and write-backs, and the upload loop
// against the web-service double.
#include <gtest/gtest.h>


#include <optional>
#include <random>

#include "db/Dbfixture.h"
#include "platform/Registry.h"
#include "sim/Webdouble.h"
#include "transfer/Transw31.h"
#include "transfer/Transw4.h"
#include "transfer/Webexchange.h"
#include "transfer/Webreply.h"
#include "transfer/Webupload.h"

using webdouble::Fault;
using webdouble::WebDouble;
using Page = TTransferBuffers;

namespace {
std::string E(const std::string& tag, const std::string& value = "") {
    return "\t\t<" + tag + ">" + value + "</" + tag + ">\r\n";
}
const TUploadAccount kAccount{"1", "ann&co", "p<w"};
const std::string kHead = "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\r\n<U8LOG>\r\n"
                          "\t<HEADER>\r\n" + E("KXBUILDNR", "1");
const std::string kWho = E("USER", "ann&amp;co") + E("PWD", "p&lt;w") + E("WID", "U8");

std::string EmptyHole(int number) {
    std::string s = "\t<SAMPLE>\r\n" + E("HOLE", std::to_string(number)) + E("HOLEPAR");
    for (int n = 1; n <= 6; ++n) s += E("HOLELENGTH" + std::to_string(n));
    for (const char* t : {"LAT1", "LON1", "LAT2", "LON2", "LATH", "LONH", "HWDESC"}) s += E(t);
    for (int n = 1; n <= 6; ++n) {
        const std::string k = std::to_string(n);
        s += E("LATT" + k) + E("LONT" + k) + E("T" + k + "DESC");
    }
    return s + E("HCP1") + E("HCP2") + E("HOLEDESC") + "\t</SAMPLE>\r\n";
}


size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}
} // namespace

TEST(WebUploadDocument, CourseOfNineHolesElementByElement) {
    Page::CourseHeader c;
    c.CourseName = "A<B & \xC3\x96";
    c.Country = "SE";
    c.CRM = {71.5, 72.0, 0, 0, 0, 0};
    c.CRF[5] = 70.1;
    c.TL[0] = 5800;
    c.SM[1] = 128;
    c.SF[2] = 131;
    c.TeeCol = {255, 65280, 0, 16711680, 0, 0};
    c.TeeName = {"Yellow", "0", "", "Red", "", ""};
    c.Description = "Line one\nLine 50% & more";
    c.Link = "http://x/?a=1&b=2";
    c.HoleCount = 9;
    for (int h = 0; h < 9; ++h) c.Holes[h].HoleId = 100 + h;
    Page::CourseSample& s = c.Holes[0];
    s.HolePar = 4;
    s.HoleLength = {350, 0, 0, 0, 0, 310};
    s.LatitudeM1 = 59.5;
    s.LongitudeM2 = -18.25;
    s.LatitudeH = 59.500001;
    s.LongitudeH = 18.1;
    s.PinDesc = "Back";
    s.LatitudeT[1] = 59.4;
    s.LongitudeT[1] = 18.2;
    s.TeeDesc[1] = "Red tee";
    s.HoleHCP1 = 7;
    s.HoleDesc = "Dog<leg";
    s.PointCount = 1;
    s.PointId[0] = 55;
    s.PointName[0] = "Pond";
    s.PointType[0] = 5;
    s.Latitude[0] = 59.45;
    s.Longitude[0] = 18.15;
    c.Holes[3].PointCount = 1;
    c.Holes[3].PointId[0] = 56;
    c.Holes[3].PointWebId[0] = 901;
    c.Holes[3].PointType[0] = 3;

    const std::string doc =
        CourseUploadDocument(c, kAccount, [](int holeId) { return holeId == 105 ? 0 : holeId - 99; });

    std::string header = kHead + E("TYPE", "1") + kWho + E("DATA", "COURSES") + E("COURSE") +
                         E("COURSENAME", "A&lt;B &amp; \xD6") + E("WEBID") + E("COUNTRY", "SE") +
                         E("EMAIL") + E("STATE") + E("CRM1", "71.5") + E("CRM2", "72");
    for (int n = 3; n <= 6; ++n) header += E("CRM" + std::to_string(n));
    for (int n = 1; n <= 5; ++n) header += E("CRF" + std::to_string(n));
    header += E("CRF6", "70.1") + E("TL1", "5800");
    for (int n = 2; n <= 6; ++n) header += E("TL" + std::to_string(n));
    header += E("SM1") + E("SM2", "128") + E("SM3") + E("SM4") + E("SM5") + E("SM6");
    header += E("SF1") + E("SF2") + E("SF3", "131") + E("SF4") + E("SF5") + E("SF6");
    header += E("TEE1COL", "FF0000") + E("TEE2COL", "00FF00") + E("TEE3COL") +
              E("TEE4COL", "0000FF") + E("TEE5COL") + E("TEE6COL");
    header += E("TEENAME1", "Yellow") + E("TEENAME2") + E("TEENAME3") + E("TEENAME4", "Red") +
              E("TEENAME5") + E("TEENAME6");
    // A memo's line break becomes a line end of the file.
    header += "\t\t<COURSED>Line one\r\nLine 50% &amp; more</COURSED>\r\n" +
              E("URL", "http://x/?a=1&amp;b=2") + E("ADDRESS") + E("ZIPCODE") + E("TELEPHONE") +
              E("FAX") + E("ADDRESS2") + "\t</HEADER>\r\n";
    std::string hole1 = "\t<SAMPLE>\r\n" + E("HOLE", "1") + E("HOLEPAR", "4") +
                        E("HOLELENGTH1", "350") + E("HOLELENGTH2") + E("HOLELENGTH3") +
                        E("HOLELENGTH4") + E("HOLELENGTH5") + E("HOLELENGTH6", "310") +
                        E("LAT1", "59.500000") + E("LON1") + E("LAT2") + E("LON2", "-18.250000") +
                        E("LATH", "59.500001") + E("LONH", "18.100000") + E("HWDESC", "Back") +
                        E("LATT1") + E("LONT1") + E("T1DESC") + E("LATT2", "59.400000") +
                        E("LONT2", "18.200000") + E("T2DESC", "Red tee");
    for (int n = 3; n <= 6; ++n) {
        const std::string k = std::to_string(n);
        hole1 += E("LATT" + k) + E("LONT" + k) + E("T" + k + "DESC");
    }
    hole1 += E("HCP1", "7") + E("HCP2") + E("HOLEDESC", "Dog&lt;leg") + "\t</SAMPLE>\r\n";
    std::string holes = hole1;
    for (int h = 2; h <= 9; ++h) holes += EmptyHole(h == 6 ? 0 : h);
    const std::string points =
        "\t<WAYPOINT>\r\n" + E("POINTID", "55") + E("POINTWEBID") + E("HOLENUMBER", "1") +
        E("NAME", "Pond") + E("TYPE", "5") + E("LATITUDE", "59.450000") +
        E("LONGITUDE", "18.150000") + E("DESCRIPTION") + "\t</WAYPOINT>\r\n" +
        "\t<WAYPOINT>\r\n" + E("POINTID", "56") + E("POINTWEBID", "901") +
        E("HOLENUMBER", "4") + E("NAME") + E("TYPE", "3") + E("LATITUDE") + E("LONGITUDE") +
        E("DESCRIPTION") + "\t</WAYPOINT>\r\n";
    EXPECT_EQ(doc, header + holes + points + "</U8LOG>\r\n");
}

TEST(WebUploadDocument, EighteenHolesAndAWebId) {
    Page::CourseHeader c;
    c.CourseName = "Links";
    c.WebId = 345;
    c.HoleCount = 18;
    for (int h = 0; h < 18; ++h) c.Holes[h].HoleId = h + 1;
    const std::string doc = CourseUploadDocument(c, kAccount, [](int id) { return id; });
    EXPECT_EQ(CountOf(doc, "\t<SAMPLE>\r\n"), 18u);
    EXPECT_EQ(CountOf(doc, "<WAYPOINT>"), 0u);
    EXPECT_NE(doc.find(E("WEBID", "345")), std::string::npos);
    EXPECT_NE(doc.find(EmptyHole(18) + "</U8LOG>\r\n"), std::string::npos);
    // Every line ends with CR LF, and there is no bare LF.
    EXPECT_EQ(CountOf(doc, "\n"), CountOf(doc, "\r\n"));
}

TEST(WebUploadDocument, BagElementByElement) {
    Page::TBag b;
    b.BagName = "Sunday";
    b.BagId = 4;
    b.ClubCount = 2;
    b.Clubs[0] = {11, 0, 0, 1, "Driver", 12, 2400.5, 12};
    b.Clubs[1] = {12, 77, 9, 14, "Putter", 0, 0, 0};
    const std::string expected =
        kHead + kWho + E("DATA", "BAGS") + E("BAGID", "4") + E("BAGWEBID") +
        E("BAGNAME", "Sunday") + "\t</HEADER>\r\n" + "\t<SAMPLE>\r\n" + E("CLUBID", "11") +
        E("CLUBWEBID") + E("CLUBNAME", "Driver") + E("TYPE", "0") + E("ORDERNR", "1") +
        E("SHOTS", "12") + E("SHOTSLEN", "2400.500000") + "\t</SAMPLE>\r\n" +
        "\t<SAMPLE>\r\n" + E("CLUBID", "12") + E("CLUBWEBID", "77") + E("CLUBNAME", "Putter") +
        E("TYPE", "9") + E("ORDERNR", "14") + E("SHOTS") + E("SHOTSLEN") + "\t</SAMPLE>\r\n" +
        "</U8LOG>\r\n";
    EXPECT_EQ(BagUploadDocument(b, kAccount), expected);
    b.ClubCount = 0;
    EXPECT_EQ(CountOf(BagUploadDocument(b, kAccount), "<SAMPLE>"), 0u);
}

TEST(WebUploadDocument, RoundElementByElement) {
    Page::RoundHeader r;
    r.CourseWebId = 345;
    r.HoleShotsTotal = "5, 4, -, 6";
    r.Date1 = "5.7.2003";
    r.Time1 = "09:15:00";
    r.Date2 = "05/07/2003";
    r.Time2 = "13:00:00";
    r.TeeNumber = 2;
    r.Score = 88;
    r.RoundHCP = 18;
    r.Title = "5.7.2003";
    r.Marker = "Bo";
    r.FIR = 3;
    r.Putts = 31;
    r.ShotCount = 2;
    r.Shots[0] = {1, 59.5, 18.25, 0, 0, 0, 0, 210, ""};
    r.Shots[1] = {1, 0, 0, 88, 9, 2, 0, 0, "in & out"};
    const std::string expected =
        kHead + kWho + E("DATA", "ROUNDS") + E("COURSE", "345") +
        E("HOLESHOTSTOTAL", "5, 4, -, 6") + E("DATE1", "5.7.2003") + E("TIME1", "09:15:00") +
        E("DATE2", "05/07/2003") + E("TIME2", "13:00:00") + E("BAG", "0") + E("TEE", "2") +
        E("SCORE", "88") + E("SHCP", "18") + E("HCP", "0.000000") + E("TITLE", "5.7.2003") +
        E("WEBID") + E("DESC") + E("MARKER", "Bo") + E("FIR", "3") + E("BIR", "0") +
        E("GIR", "0") + E("PUTTS", "31") + "\t</HEADER>\r\n" + "\t<SAMPLE>\r\n" +
        E("HOLE", "1") + E("LAT", "59.500000") + E("LON", "18.250000") + E("CLUB") +
        E("CLUBTYPE", "0") + E("PEN") + E("SHA") + E("LENGTH", "210") + E("NOTE") +
        "\t</SAMPLE>\r\n" + "\t<SAMPLE>\r\n" + E("HOLE", "1") + E("LAT") + E("LON") +
        E("CLUB", "88") + E("CLUBTYPE", "9") + E("PEN", "2") + E("SHA") + E("LENGTH") +
        E("NOTE", "in &amp; out") + "\t</SAMPLE>\r\n" + "</U8LOG>\r\n";
    EXPECT_EQ(RoundUploadDocument(r, kAccount), expected);
}

TEST(WebVerdict, CourseOnLineTwoBagAndRoundAfterTheTag) {
    EXPECT_TRUE(CourseAccepted("a\nb\n<REPLYCODE>OK</REPLYCODE>\n"));
    EXPECT_FALSE(CourseAccepted("a\nb\n<REPLYCODE>NOTOK</REPLYCODE>"));
    // Line 2 without OK is a refusal, wherever else the code stands.
    EXPECT_FALSE(CourseAccepted("<REPLYCODE>OK</REPLYCODE>\nb\nc"));
    EXPECT_THROW(CourseAccepted("a\n<REPLYCODE>OK</REPLYCODE>"), EWebReplyError);
    EXPECT_TRUE(BagOrRoundAccepted("<U8LOG><REPLYCODE>OK</REPLYCODE><ROUNDID>77</ROUNDID>"));
    EXPECT_FALSE(BagOrRoundAccepted("<REPLYCODE>NOTOK</REPLYCODE>"));
    EXPECT_FALSE(BagOrRoundAccepted("<REPLYCODE>O"));
    // Without the tag the reply is malformed; characters 11-12 are not read.
    EXPECT_THROW(BagOrRoundAccepted("0123456789OK and more"), EWebReplyError);
    EXPECT_THROW(BagOrRoundAccepted(""), EWebReplyError);
}

TEST(WebVerdict, RefusalTextAddsAdviceForUsername) {
    EXPECT_EQ(RefusalText("<errormsg>Closed &amp; gone</errormsg>"), "Closed & gone");
    EXPECT_EQ(RefusalText("<errormsg>Bad Username</errormsg>"),
              "Bad Username.\nGo to settings and give your Peakrally\nusername and password. "
              "If you're not a \nmember of Peakrally, please register.");
    EXPECT_EQ(RefusalText("<errormsg>bad username</errormsg>"), "bad username");
    // No errormsg, or an empty one: the box says so rather than nothing.
    EXPECT_EQ(RefusalText("nothing"), "The web service gave no reason.");
    EXPECT_EQ(RefusalText("<errormsg> </errormsg>"), "The web service gave no reason.");
}

class WebWriteBackTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        courseId = AppendRow("Course_General", {{"Course_Name", "Links"}, {"U8_Name", "Links"},
                                                {"Tees", 1}});
        holeId = AppendRow("Holes", {{"CourseId", courseId}, {"HoleNumber", 1}, {"HoleHCP1", 1}});
        p1 = AppendRow("Waypoints", {{"CourseId", courseId}, {"HoleId", holeId}, {"Type", 3}});
        p2 = AppendRow("Waypoints", {{"CourseId", courseId}, {"HoleId", holeId}, {"Type", 5}});
        other = AppendRow("Waypoints", {{"CourseId", courseId}, {"HoleId", holeId}, {"Type", 6}});
        course.CourseId = static_cast<int>(courseId);
        course.HoleCount = 9;
        course.Holes[0].HoleId = static_cast<int>(holeId);
        course.Holes[0].PointCount = 2;
        course.Holes[0].PointId[0] = static_cast<int>(p1);
        course.Holes[0].PointId[1] = static_cast<int>(p2);
    }
    long long Web(const char* table, const char* key, long long id, const char* column) {
        TTable t(&db, table);
        t.SetFilter(std::string(key) + "=" + std::to_string(id));
        t.Open();
        return t.FieldByName(column).Value().IsNull() ? -1 : t.FieldByName(column).AsInteger();
    }
    std::string CourseReply(const std::string& webId, const std::vector<std::string>& pairs) {
        std::string r = "x\ny\n<REPLYCODE>OK</REPLYCODE>\nz\n<WEBID>" + webId + "</WEBID>\nw\n";
        for (size_t i = 0; i + 1 < pairs.size(); i += 2)
            r += "<POINTID>" + pairs[i] + "</POINTID>\n<POINTWEBID>" + pairs[i + 1] +
                 "</POINTWEBID>\n-\n-\n";
        return r;
    }
    long long courseId = 0, holeId = 0, p1 = 0, p2 = 0, other = 0;
    Page::CourseHeader course;
};

TEST_F(WebWriteBackTest, CourseAndItsSentPoints) {
    WriteBackCourse(db, course,
                    CourseReply("345", {std::to_string(p1), "901", std::to_string(p2), "",
                                        std::to_string(other), "903"}));
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), 345);
    EXPECT_EQ(Web("Waypoints", "PointId", p1, "PointWebId"), 901);
    EXPECT_EQ(Web("Waypoints", "PointId", p2, "PointWebId"), -1);     // empty: none given
    EXPECT_EQ(Web("Waypoints", "PointId", other, "PointWebId"), -1);  // not sent: not written
    // No further lines: the course id alone.
    WriteBackCourse(db, course, "a\nb\n<REPLYCODE>OK</REPLYCODE>\nc\n<WEBID>346</WEBID>");
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), 346);
}

TEST_F(WebWriteBackTest, MalformedCourseLinesKeepWhatCameBefore) {
    EXPECT_THROW(WriteBackCourse(db, course, CourseReply("", {})), EWebReplyError);
    EXPECT_THROW(WriteBackCourse(db, course, CourseReply("34x", {})), EWebReplyError);
    EXPECT_THROW(WriteBackCourse(db, course, "a\nb\n<REPLYCODE>OK</REPLYCODE>\nc"), EWebReplyError);
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), -1);
    // A quote in an echoed id never reaches a filter.
    EXPECT_THROW(WriteBackCourse(db, course,
                                 CourseReply("345", {std::to_string(p1), "901", "1 or 1=1", "5"})),
                 EWebReplyError);
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), 345);
    EXPECT_EQ(Web("Waypoints", "PointId", p1, "PointWebId"), 901);
    EXPECT_EQ(Web("Waypoints", "PointId", p2, "PointWebId"), -1);
    // A POINTID line without the line after it.
    std::string cut = CourseReply("345", {std::to_string(p2), "902"}) + "<POINTID>1</POINTID>";
    EXPECT_THROW(WriteBackCourse(db, course, cut), EWebReplyError);
    EXPECT_EQ(Web("Waypoints", "PointId", p2, "PointWebId"), 902);
    EXPECT_THROW(WriteBackCourse(db, course, CourseReply("345", {std::to_string(p1), "9x"})),
                 EWebReplyError);
}

TEST_F(WebWriteBackTest, BagClubsFirstThenTheBag) {
    const long long bag = AppendRow("GolfBag", {{"BagName", "Sunday"}, {"UserId", 1}});
    const long long c1 = AppendRow("ClubDetail", {{"ClubName", "Driver"}});
    const long long c2 = AppendRow("ClubDetail", {{"ClubName", "Putter"}});
    const long long c3 = AppendRow("ClubDetail", {{"ClubName", "Other"}});
    Page::TBag b;
    b.BagId = static_cast<int>(bag);
    b.ClubCount = 2;
    b.Clubs[0].ClubId = static_cast<int>(c1);
    b.Clubs[1].ClubId = static_cast<int>(c2);
    auto reply = [&](const std::string& bagId, const std::string& bagWeb,
                     const std::vector<std::string>& clubs) {
        std::string r = "<REPLYCODE>OK</REPLYCODE>\n1\n2\n3\n<BAGID>" + bagId + "</BAGID>\n<BAGWEBID>" +
                        bagWeb + "</BAGWEBID>\n6\n7\n";
        for (size_t i = 0; i + 1 < clubs.size(); i += 2)
            r += "<CLUBID>" + clubs[i] + "</CLUBID>\n<CLUBWEBID>" + clubs[i + 1] + "</CLUBWEBID>\n-\n-\n";
        return r;
    };
    WriteBackBag(db, b, reply(std::to_string(bag), "300",
                              {std::to_string(c1), "7001", std::to_string(c3), "7003",
                               std::to_string(c2), "7002"}));
    EXPECT_EQ(Web("GolfBag", "BagId", bag, "BagWebId"), 300);
    EXPECT_EQ(Web("ClubDetail", "ClubId", c1, "ClubWebId"), 7001);
    EXPECT_EQ(Web("ClubDetail", "ClubId", c2, "ClubWebId"), 7002);
    EXPECT_EQ(Web("ClubDetail", "ClubId", c3, "ClubWebId"), -1);
    // An echoed bag id that was not sent writes no bag.
    WriteBackBag(db, b, reply(std::to_string(bag + 1), "301", {}));
    EXPECT_EQ(Web("GolfBag", "BagId", bag, "BagWebId"), 300);
    // A non-numeric bag web id fails after the clubs are written.
    EXPECT_THROW(WriteBackBag(db, b, reply(std::to_string(bag), "x", {std::to_string(c1), "7011"})),
                 EWebReplyError);
    EXPECT_EQ(Web("ClubDetail", "ClubId", c1, "ClubWebId"), 7011);
    EXPECT_EQ(Web("GolfBag", "BagId", bag, "BagWebId"), 300);
    EXPECT_THROW(WriteBackBag(db, b, "<REPLYCODE>OK</REPLYCODE>\n1\n2\n3\n4"), EWebReplyError);
}

TEST_F(WebWriteBackTest, RoundIdFromAnywhere) {
    const long long round = AppendRow("Round", {{"UserId", 1}, {"Score", 80}});
    Page::RoundHeader r;
    r.RoundId = static_cast<int>(round);
    WriteBackRound(db, r, "<REPLYCODE>OK</REPLYCODE><ROUNDID>77</ROUNDID>");
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), 77);
    WriteBackRound(db, r, "<REPLYCODE>OK</REPLYCODE>");
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), 77);
    EXPECT_THROW(WriteBackRound(db, r, "<ROUNDID>7 7</ROUNDID>"), EWebReplyError);
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), 77);
}

// The upload loop against the double, with a real database and conf file.
class WebUploadLoopTest : public WebWriteBackTest {
protected:
    void SetUp() override {
        WebWriteBackTest::SetUp();
        RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address",
                       web.Address());
        RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "UserName", "ann");
        RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", "pw");
        web.SetAccount("ann", "pw");
        http.IdleTimeoutMs = 500;
        course2Id = AppendRow("Course_General", {{"Course_Name", "Park"}, {"U8_Name", "Park"},
                                                 {"Tees", 1}});
        page.Courses[0] = course;
        page.Courses[0].CourseName = "Links";
        page.Courses[1].CourseId = static_cast<int>(course2Id);
        page.Courses[1].CourseName = "Park";
        page.Courses[1].HoleCount = 9;
        page.Courses[1].Holes[0].HoleId = static_cast<int>(
            AppendRow("Holes", {{"CourseId", course2Id}, {"HoleNumber", 1}, {"HoleHCP1", 1}}));
    }
    void Run(int kind, int count) {
        TWebUpload upload(db, http, 1, "1.0.0.42");
        upload.OnMemo = [this](const std::vector<std::string>& lines) { memo = lines; };
        upload.Run(page, kind, count);
    }
    bool RequestFilesLeft() {
        for (int i = 1; i <= 3; ++i)
            if (::access(home_->File("transfer" + std::to_string(i) + ".xml").c_str(), F_OK) == 0)
                return true;
        return false;
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> out;
        for (const auto& m : log.Messages()) out.push_back(m.caption);
        return out;
    }
    WebDouble web{7};
    TWebExchange http;
    Page page;
    MessageLog log;
    std::vector<std::string> memo;
    long long course2Id = 0;
};

TEST_F(WebUploadLoopTest, TwoCoursesAcceptedThenSentAgainAsUpdates) {
    web.SetIdStarts(500, 8000, 30, 700, 900);
    Run(0, 2);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!", "Transfer ok!"}));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Transfer succeeded", "Transfer succeeded"}));
    EXPECT_EQ(memo, (std::vector<std::string>{"Transfered Courses:", "Links", "Park"}));
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), 500);
    EXPECT_EQ(Web("Course_General", "CourseId", course2Id, "Web_Id"), 501);
    EXPECT_EQ(Web("Waypoints", "PointId", p1, "PointWebId"), 8000);
    EXPECT_EQ(Web("Waypoints", "PointId", p2, "PointWebId"), 8001);
    EXPECT_FALSE(RequestFilesLeft());
    auto requests = web.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& r : requests) EXPECT_TRUE(r.wellFormed) << r.parseError;
    EXPECT_NE(requests[0].body.find("<KXBUILDNR>42</KXBUILDNR>"), std::string::npos);

    // The second time the records carry their web ids and the service updates.
    page.Courses[0].WebId = 500;
    page.Courses[0].Holes[0].PointWebId = {8000, 8001};
    page.Courses[1].WebId = 501;
    web.ClearRequests();
    Run(0, 2);
    EXPECT_EQ(web.CourseUploads(), 2);
    EXPECT_EQ(web.Courses().size(), 2u);
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), 500);
    EXPECT_EQ(Web("Waypoints", "PointId", p2, "PointWebId"), 8001);
    EXPECT_NE(web.Requests()[0].body.find("<POINTWEBID>8001</POINTWEBID>"), std::string::npos);
}

TEST_F(WebUploadLoopTest, ACourseWithoutHolesIsRefusedByName) {
    const long long bare = AppendRow("Course_General", {{"Course_Name", "Bare"}, {"U8_Name", "Bare"},
                                                        {"Tees", 1}});
    FillCourse(db, static_cast<int>(bare), "Bare", page.Courses[0]);
    ASSERT_EQ(page.Courses[0].HoleCount, 9);
    // Refused as the service refuses a course: the upload ends there, with no success text.
    Run(0, 2);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"The course Bare has no holes.\nIt was not transferred."}));
    EXPECT_EQ(Captions().front(), "Transfer not ok!");
    EXPECT_TRUE(memo.empty());
    EXPECT_TRUE(web.Requests().empty());
    EXPECT_EQ(Web("Course_General", "CourseId", bare, "Web_Id"), -1);
    EXPECT_FALSE(RequestFilesLeft());
}

TEST_F(WebUploadLoopTest, RefusedCourseEndsTheRun) {
    web.QueueFault(Fault::RefuseUsername);
    Run(0, 2);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Transfer not ok!");
    EXPECT_EQ(log.Messages()[0].text,
              "Invalid Username or password.\nGo to settings and give your Peakrally\nusername "
              "and password. If you're not a \nmember of Peakrally, please register.");
    EXPECT_EQ(web.Requests().size(), 1u);
    EXPECT_TRUE(memo.empty());
    EXPECT_FALSE(RequestFilesLeft());
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), -1);

    // A third line without OK is a refusal as well (here without an errormsg).
    log.Clear();
    web.ClearRequests();
    web.QueueFault(Fault::NoReplyCode);
    Run(0, 2);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Transfer not ok!");
    EXPECT_EQ(log.Messages()[0].text, "The web service gave no reason.");
    EXPECT_EQ(web.Requests().size(), 1u);
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), -1);
}

TEST_F(WebUploadLoopTest, NetworkErrorThenAcceptance) {
    web.QueueFault(Fault::Status500);
    Run(0, 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Network connection error", "Transfer succeeded"}));
    EXPECT_EQ(log.Messages()[0].text,
              "Network connection error. Please check\nyour firewall settings or that the "
              "ethernet\ncable isn't unplugged.\nThe web service answered with status 500.\n"
              "The web service may have received the record all the same.");
    EXPECT_EQ(memo, (std::vector<std::string>{"Transfered Courses:", "Park"}));
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), -1);
    EXPECT_FALSE(RequestFilesLeft());
}

TEST_F(WebUploadLoopTest, EveryFaultOfTheServiceEndsInItsMessage) {
    // Faults that leave the record without an acceptance: the network box and
    // no web id, or (refusals) the refusal box.
    const std::vector<std::pair<Fault, std::string>> cases = {
        {Fault::Short, "Network connection error"},
        {Fault::Malformed, "Network connection error"},
        {Fault::NonNumericId, "Network connection error"},
        {Fault::Status404, "Network connection error"},
        {Fault::EmptyBody, "Network connection error"},
        {Fault::DropAfterHeaders, "Network connection error"},
        {Fault::NoAnswer, "Network connection error"},
        {Fault::Refuse, "Transfer not ok!"},
    };
    web.ShortLines = 2;
    for (const auto& [fault, caption] : cases) {
        log.Clear();
        web.QueueFault(fault);
        Run(0, 1);
        ASSERT_EQ(log.Messages().size(), 1u) << static_cast<int>(fault);
        EXPECT_EQ(log.Messages()[0].caption, caption) << static_cast<int>(fault);
        EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), -1);
        EXPECT_FALSE(RequestFilesLeft());
    }
    // An echo of ids that were not sent: the course's own id is stored, no point.
    log.Clear();
    web.QueueFault(Fault::UnsentId);
    Run(0, 1);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    EXPECT_GT(Web("Course_General", "CourseId", courseId, "Web_Id"), 0);
    EXPECT_EQ(Web("Waypoints", "PointId", p1, "PointWebId"), -1);
}

// The network box names the exchange's cause on its last lines, and when the
// request went out whole but its reply was lost or an error status, that the
// service may have stored the record anyway (a second upload would then make
// a copy).
TEST_F(WebUploadLoopTest, ANetworkErrorSaysItsCause) {
    const std::string head = std::string(NetworkErrorText) + "\n";
    const std::string mayHave = "\nThe web service may have received the record all the same.";
    page.Rounds[0].RoundId = static_cast<int>(AppendRow("Round", {{"UserId", 1}, {"Score", 80}}));
    page.Rounds[0].Title = "Morning";
    auto once = [this](std::optional<Fault> f) {
        log.Clear();
        if (f) web.QueueFault(*f);
        Run(2, 1);
        EXPECT_EQ(Captions(), (std::vector<std::string>{"Network connection error"}));
        return log.Messages().empty() ? std::string() : log.Messages()[0].text;
    };
    EXPECT_EQ(once(Fault::Status500), head + "The web service answered with status 500." + mayHave);
    EXPECT_EQ(once(Fault::NoAnswer), head + "The web service stopped answering." + mayHave);
    const std::string dropped = once(Fault::DropAfterHeaders);
    EXPECT_EQ(dropped.rfind(head, 0), 0u) << dropped;
    ASSERT_GT(dropped.size(), head.size() + mayHave.size()) << dropped;
    EXPECT_EQ(dropped.substr(dropped.size() - mayHave.size()), mayHave) << dropped;
    http.MaxReplyBytes = 10;
    EXPECT_EQ(once(std::nullopt), head + "The reply is larger than 10 bytes." + mayHave);
    http.MaxReplyBytes = 16u << 20;
    // A reply the loop cannot read: the service had the request all the same.
    EXPECT_EQ(once(Fault::NoReplyCode), head + "The reply has no REPLYCODE." + mayHave);
    // No service at the address: nothing went out.
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address",
                   "127.0.0.1:" + std::to_string(webdouble::ClosedPort()));
    const std::string refused = once(std::nullopt);
    EXPECT_EQ(refused.rfind(head, 0), 0u) << refused;
    EXPECT_GT(refused.size(), head.size()) << refused;
    EXPECT_EQ(refused.find(mayHave), std::string::npos) << refused;
    EXPECT_EQ(Web("Round", "RoundId", page.Rounds[0].RoundId, "Web_Id"), -1);
}

TEST_F(WebUploadLoopTest, BagsAndRounds) {
    const long long bag = AppendRow("GolfBag", {{"BagName", "Sunday"}, {"UserId", 1}});
    const long long club = AppendRow("ClubDetail", {{"ClubName", "Driver"}});
    page.Bags[0].BagId = static_cast<int>(bag);
    page.Bags[0].BagName = "Sunday";
    page.Bags[0].ClubCount = 1;
    page.Bags[0].Clubs[0].ClubId = static_cast<int>(club);
    page.Bags[1] = page.Bags[0];
    page.Bags[1].BagName = "Again";
    web.SetIdStarts(1, 1, 40, 600, 90);
    // The first refused, the second accepted: one "Transfer ok!".
    web.QueueFault(Fault::Refuse);
    Run(1, 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Transfer not ok!", "Transfer succeeded"}));
    EXPECT_EQ(log.Messages()[0].text, "The service is closed for maintenance");
    EXPECT_EQ(memo, (std::vector<std::string>{"Transfered Bags:", "Again"}));
    EXPECT_EQ(Web("GolfBag", "BagId", bag, "BagWebId"), 40);
    EXPECT_EQ(Web("ClubDetail", "ClubId", club, "ClubWebId"), 600);

    // A reply without REPLYCODE is malformed.
    log.Clear();
    web.QueueFault(Fault::NoReplyCode);
    Run(1, 1);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Network connection error"}));

    const long long round = AppendRow("Round", {{"UserId", 1}, {"Score", 80}});
    page.Rounds[0].RoundId = static_cast<int>(round);
    page.Rounds[0].Title = "Morning";
    page.Rounds[0].ShotCount = 1;
    log.Clear();
    Run(2, 1);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    EXPECT_EQ(memo, (std::vector<std::string>{"Transfered Rounds:", "Morning"}));
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), 90);
    log.Clear();
    web.QueueFault(Fault::NoReplyCode);
    Run(2, 1);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Network connection error"}));
}

TEST_F(WebUploadLoopTest, AReplyRoundIdOfZeroOrBelowIsStoredAsNone) {
    const long long round = AppendRow("Round", {{"UserId", 1}, {"Score", 80}});
    page.Rounds[0].RoundId = static_cast<int>(round);
    page.Rounds[0].Title = "Morning";
    page.Rounds[0].ShotCount = 1;
    for (int given : {0, -5}) {
        web.SetIdStarts(1, 1, 1, 1, given);
        log.Clear();
        Run(2, 1);
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"})) << given;
        EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), -1) << given;
    }
    // A round stored with its id keeps it when a later reply gives none.
    web.SetIdStarts(1, 1, 1, 1, 31);
    Run(2, 1);
    ASSERT_EQ(Web("Round", "RoundId", round, "Web_Id"), 31);
    WriteBackRound(db, page.Rounds[0], "<REPLYCODE>OK</REPLYCODE><ROUNDID>0</ROUNDID>");
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), 31);
}

TEST_F(WebUploadLoopTest, PortNumberThatIsNoNumberSendsNothing) {
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Portnumber", "80x");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "FirewallAdress", "127.0.0.1");
    Run(0, 2);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].text.find("80x"), std::string::npos);
    EXPECT_TRUE(web.Requests().empty());
}

TEST_F(WebUploadLoopTest, ThroughTheProxy) {
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address",
                   "peakrally.invalid");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "FirewallAdress", "127.0.0.1");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Portnumber", std::to_string(web.Port()));
    Run(0, 1);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    ASSERT_EQ(web.Requests().size(), 1u);
    EXPECT_EQ(web.Requests()[0].target, "http://peakrally.invalid/loadu8/default.asp");
}

TEST_F(WebUploadLoopTest, TextsArriveAsWrittenThroughTheDeclaredEncoding) {
    // Read by the double's own XML parser from the ISO-8859-15 body.
    const std::string name = "\xC3\x85re <Golf> & \xE2\x82\xAC \xC5\x93 \xE4\xB8\xAD";
    page.Courses[0].CourseName = name;
    page.Courses[0].Description = "A<B & \xC3\x96";
    Run(0, 1);
    ASSERT_EQ(web.Courses().size(), 1u);
    EXPECT_EQ(web.Courses()[0].header.at("COURSENAME"), name);
    EXPECT_EQ(web.Courses()[0].header.at("COURSED"), "A<B & \xC3\x96");
    const auto requests = web.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].wellFormed) << requests[0].parseError;
    EXPECT_NE(requests[0].body.find("<COURSENAME>\xC5re &lt;Golf&gt; &amp; \xA4 \xBD &#20013;</COURSENAME>"),
              std::string::npos);
}

TEST_F(WebWriteBackTest, TruncatedAndMutatedRepliesToEveryReader) {
    const long long bag = AppendRow("GolfBag", {{"BagName", "Sunday"}, {"UserId", 1}});
    const long long round = AppendRow("Round", {{"UserId", 1}, {"Score", 80}});
    Page::TBag b;
    b.BagId = static_cast<int>(bag);
    b.ClubCount = 1;
    Page::RoundHeader r;
    r.RoundId = static_cast<int>(round);
    WebDouble web(9);
    Page::CourseHeader c = course;
    c.CourseName = "Links";
    const TUploadAccount account{"1", "u", "p"};
    const std::vector<std::string> replies = {
        web.Handle(CourseUploadDocument(c, account, [](int) { return 1; })),
        web.Handle(BagUploadDocument(b, account)),
        web.Handle(RoundUploadDocument(r, account))};
    std::mt19937 rng(5);
    for (int kind = 0; kind < 3; ++kind) {
        const std::string& good = replies[static_cast<size_t>(kind)];
        std::vector<std::string> inputs;
        for (size_t cut = 0; cut <= good.size(); cut += 3) inputs.push_back(good.substr(0, cut));
        for (int i = 0; i < 150; ++i) {
            std::string m = good;
            for (int k = 0; k < 3; ++k) m[rng() % m.size()] = static_cast<char>(rng() % 256);
            inputs.push_back(m);
        }
        for (const std::string& in : inputs) {
            try {
                if (kind == 0 && CourseAccepted(in)) WriteBackCourse(db, c, in);
                if (kind == 1 && BagOrRoundAccepted(in)) WriteBackBag(db, b, in);
                if (kind == 2 && BagOrRoundAccepted(in)) WriteBackRound(db, r, in);
            } catch (const EWebReplyError&) {
            }
        }
    }
    // Nothing crashed, and the whole replies still read as before.
    WriteBackCourse(db, c, replies[0]);
    WriteBackRound(db, r, replies[2]);
    EXPECT_EQ(Web("Course_General", "CourseId", courseId, "Web_Id"), web.Courses().at(0).webId);
    EXPECT_EQ(Web("Round", "RoundId", round, "Web_Id"), web.Rounds().at(0).webId);
}
