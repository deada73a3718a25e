// The wizard's web roads walked as a user would, under Xvfb, against the
// web-service double: uploads of courses, bags and rounds, and the course
// query, list and download.
#include <QDate>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLocale>
#include <QLineEdit>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QTreeWidget>
#include <unistd.h>
#include <fstream>

#include "db/Dbrows.h"
#include "platform/Registry.h"
#include "shell/Shellfixture.h"
#include "sim/Webdouble.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"
#include "transfer/Transw3.h"
#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw33.h"
#include "transfer/Transw34.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"
#include "transfer/Wizardstate.h"

using webdouble::Fault;
using webdouble::WebDouble;

namespace {
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
};

// Runs the wizard from its welcome page; each step acts once its page is up.
// Returns the number of steps done.
size_t RunWizard(const std::vector<Step>& steps, int timeoutMs = 30000) {
    size_t next = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (next < steps.size() && steps[next].ready()) {
            QTimer::singleShot(0, steps[next].act);
            ++next;
        } else if (clock.elapsed() > timeoutMs) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* page = dynamic_cast<TWizardPage*>(w); page && page->isVisible())
                    page->done(wizard::Cancelled);
        }
    });
    timer.start();
    StartWiz->exec();
    timer.stop();
    return next;
}

bool Up(QWidget* w) { return w && w->isVisible(); }

std::vector<std::string> MemoLines() {
    std::vector<std::string> out;
    for (const QString& l : TransWiz4->Memo1->toPlainText().split('\n'))
        out.push_back(l.toStdString());
    return out;
}

// The last page: its summary read into summary, then Finish.
Step SummaryThenFinish(std::vector<std::string>& summary) {
    return {[] { return Up(TransWiz4); },
            [&summary] {
                summary = MemoLines();
                TransWiz4->FinishButton->click();
            }};
}
} // namespace

class WebPagesTest : public ShellTest {
protected:
    void SetUp() override {
        AddPlayerBeforeStart(1);
        RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address",
                       web.Address());
        RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "UserName", "ann");
        RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", "pw");
        web.SetAccount("ann", "pw");
        Start();
    }
    TDatabase& Db() { return MainForm->Database; }
    long long Append(const std::string& table,
                     std::initializer_list<std::pair<const char*, TVariant>> values) {
        return AppendRow(Db(), table, values);
    }
    int Count(const std::string& table, const std::string& filter = "") { return CountRows(Db(), table, filter); }
    long long Value(const std::string& table, const std::string& filter, const std::string& column) {
        TTable t(&Db(), table);
        t.SetFilter(filter);
        t.Open();
        return t.IsEmpty() ? -1 : t.FieldByName(column).AsInteger();
    }
    long long AddCourse(const std::string& name) {
        const long long id = Append("Course_General", {{"Course_Name", name}, {"U8_Name", name.substr(0, 7)},
                                                       {"Tees", 1}, {"18Holes", false}});
        Append("ScoreCard", {{"CourseId", id}, {"CR1M", 71.5}, {"Tee1Col", 255}});
        for (int h = 1; h <= 9; ++h) {
            const long long hole = Append("Holes", {{"CourseId", id}, {"HoleNumber", h},
                                                    {"HolePar", 4}, {"HoleHCP1", h}});
            Append("Waypoints", {{"CourseId", id}, {"HoleId", hole}, {"Type", 2}, {"Tee", 0},
                                 {"Latitude", 59.3}, {"Longitude", 18.1}, {"Name", "Pin"}});
            Append("Waypoints", {{"CourseId", id}, {"HoleId", hole}, {"Type", 6},
                                 {"Latitude", 59.31}, {"Longitude", 18.11}, {"Name", "Bunker"}});
        }
        return id;
    }
    // The course download up to the query page's Next, then the given steps.
    static std::vector<Step> ToCourseList(std::vector<Step> then = {}) {
        std::vector<Step> steps = {{[] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); }},
                                   {[] { return Up(TransWiz1); },
                                    [] {
                                        TransWiz1->DownloadButton->click();
                                        TransWiz1->NextButton->click();
                                    }},
                                   {[] { return Up(TransWiz34); }, [] { TransWiz34->NextButton->click(); }}};
        steps.insert(steps.end(), then.begin(), then.end());
        return steps;
    }
    // Caddora -> Peakrally -> the kind's button.
    std::vector<Step> ToWeb(QRadioButton* TTransWiz3::*kind) {
        return {{[] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); }},
                {[] { return Up(TransWiz1); },
                 [] {
                     TransWiz1->KXButton->click();
                     TransWiz1->NextButton->click();
                 }},
                {[] { return Up(TransWiz2); },
                 [] {
                     TransWiz2->WebButton->click();
                     TransWiz2->NextButton->click();
                 }},
                {[] { return Up(TransWiz3); },
                 [kind] {
                     (TransWiz3->*kind)->click();
                     TransWiz3->NextButton->click();
                 }}};
    }
    WebDouble web{5};
};

TEST_F(WebPagesTest, CoursesUploadTwiceThenUpdates) {
    const long long a = AddCourse("Links");
    const long long b = AddCourse("Park");
    web.SetIdStarts(500, 8000, 30, 700, 900);
    for (int run = 0; run < 2; ++run) {
        log.Clear();
        std::vector<Step> steps = ToWeb(&TTransWiz3::CoursesButton);
        std::vector<std::string> summary;
        steps.push_back({[] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() >= 2; },
                         [] {
                             TransWiz31->CourseListBox->topLevelItem(0)->setSelected(true);
                             TransWiz31->CourseListBox->topLevelItem(1)->setSelected(true);
                             TransWiz31->NextButton->click();
                         }});
        steps.push_back(SummaryThenFinish(summary));
        ASSERT_EQ(RunWizard(steps), steps.size());
        EXPECT_EQ(summary.at(0), "You are about to transfer the following courses:");
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!", "Transfer ok!"}));
        EXPECT_EQ(MemoLines(), (std::vector<std::string>{"Transfered Courses:", "Links", "Park"}));
        EXPECT_EQ(Value("Course_General", "CourseId=" + std::to_string(a), "Web_Id"), 500);
        EXPECT_EQ(Value("Course_General", "CourseId=" + std::to_string(b), "Web_Id"), 501);
        EXPECT_EQ(Count("Waypoints", "PointWebId>=8000"), 18);
    }
    // The second run updated: no new course ids, the points kept theirs.
    EXPECT_EQ(web.CourseUploads(), 2);
    EXPECT_EQ(Count("Waypoints", "PointWebId>=8018"), 0);
    for (const auto& r : web.Requests()) EXPECT_TRUE(r.wellFormed) << r.parseError;
    EXPECT_NE(web.Requests().back().body.find("<WEBID>501</WEBID>"), std::string::npos);
}

TEST_F(WebPagesTest, BagsUpload) {
    const long long bag = Append("GolfBag", {{"BagName", "Sunday"}, {"UserId", 1}});
    const long long club = Append("ClubDetail", {{"ClubName", "Driver"}, {"UserId", 1}, {"Type", 0}});
    Append("Clubs", {{"ClubId", club}, {"BagId", bag}, {"OrderNumber", 1}});
    web.SetIdStarts(1, 1, 40, 600, 90);
    std::vector<Step> steps = ToWeb(&TTransWiz3::BagsButton);
    steps.push_back({[] { return Up(TransWiz32) && TransWiz32->BagsListBox->count() >= 1; },
                     [] {
                         TransWiz32->BagsListBox->findItems("Sunday", Qt::MatchExactly)
                             .at(0)
                             ->setSelected(true);
                         TransWiz32->NextButton->click();
                     }});
    steps.push_back({[] { return Up(TransWiz4); }, [] { TransWiz4->FinishButton->click(); }});
    ASSERT_EQ(RunWizard(steps), steps.size());
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    EXPECT_EQ(Value("GolfBag", "BagId=" + std::to_string(bag), "BagWebId"), 40);
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + std::to_string(club), "ClubWebId"), 600);
}

TEST_F(WebPagesTest, RoundsUploadWithARoundWhoseCourseIsNotThere) {
    const long long links = AddCourse("Links");
    const long long park = AddCourse("Park");
    {
        TTable t(&Db(), "Course_General");
        t.SetFilter("CourseId=" + std::to_string(links));
        t.Open();
        t.Edit();
        t.FieldByName("Web_Id").SetAsInteger(345);
        t.Post();
    }
    const long long r1 = Append("Round", {{"UserId", 1}, {"CourseId", links}, {"Score", 88},
                                          {"RoundStartDate", "2003-07-05 09:00:00"},
                                          {"RoundTitle", "Morning"}});
    Append("Round", {{"UserId", 1}, {"CourseId", park}, {"Score", 90},
                     {"RoundStartDate", "2003-07-06 09:00:00"}, {"RoundTitle", "Park round"}});
    web.SetIdStarts(1, 1, 1, 1, 77);
    std::vector<std::string> summary;
    std::vector<std::string> order;
    std::vector<Step> steps = ToWeb(&TTransWiz3::RoundsButton);
    steps.push_back({[] { return Up(TransWiz35) && TransWiz35->RoundsListBox->topLevelItemCount() == 2; },
                     [&] {
                         QTreeWidget* list = TransWiz35->RoundsListBox;
                         TransWiz35->RoundsListBoxColumnClick(0);  // same column: descending
                         order.push_back(list->topLevelItem(0)->text(2).toStdString());
                         TransWiz35->RoundsListBoxColumnClick(1);  // course, ascending
                         order.push_back(list->topLevelItem(0)->text(1).toStdString());
                         list->topLevelItem(0)->setSelected(true);
                         list->topLevelItem(1)->setSelected(true);
                         TransWiz35->NextButton->click();
                     }});
    steps.push_back(SummaryThenFinish(summary));
    ASSERT_EQ(RunWizard(steps), steps.size());
    EXPECT_EQ(order, (std::vector<std::string>{"Park round", "Links"}));
    EXPECT_EQ(summary, (std::vector<std::string>{"You are about to transfer the following rounds:",
                                                 "Morning"}));
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{
                               "You must first transfer the Course \nPark\nto Peakrally!",
                               "Transfer ok!"}));
    EXPECT_EQ(Value("Round", "RoundId=" + std::to_string(r1), "Web_Id"), 77);
    EXPECT_EQ(web.Rounds().size(), 1u);
}

TEST_F(WebPagesTest, QueryListSortDownloadAndAgain) {
    auto c1 = WebDouble::SampleCourse("Birch", 18, 3);
    c1.date = "01.02.03";
    c1.rate = "9";
    auto c2 = WebDouble::SampleCourse("alder", 9, 2, "NO");
    c2.date = "05.03.2003";
    c2.rate = "10";
    c2.user = "zed";
    web.AddCourse(c1);
    web.AddCourse(c2);
    web.AddCourse(WebDouble::SampleCourse("Cedar", 9, 0));
    std::vector<std::vector<std::string>> sorted;
    std::string caption;
    std::vector<std::string> summary;
    auto names = [] {
        std::vector<std::string> out;
        for (int i = 0; i < TransWiz33->CourseListBox->topLevelItemCount(); ++i)
            out.push_back(TransWiz33->CourseListBox->topLevelItem(i)->text(0).toStdString());
        return out;
    };
    for (int run = 0; run < 2; ++run) {
        log.Clear();
        sorted.clear();
        std::vector<Step> steps = ToCourseList({
            {[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 3; },
             [&] {
                 sorted.push_back(names());
                 for (int column : {0, 1, 2, 3, 4, 4}) {
                     TransWiz33->CourseListBoxColumnClick(column);
                     sorted.push_back(names());
                 }
                 TransWiz33->CourseListBoxColumnClick(0);  // by name again, ascending
                 TransWiz33->CourseListBox->topLevelItem(0)->setSelected(true);
                 TransWiz33->CourseListBox->topLevelItem(1)->setSelected(true);
                 TransWiz33->NextButton->click();
             }},
            {[] { return Up(TransWiz4); },
             [&] {
                 caption = TransWiz4->windowTitle().toStdString();
                 summary = MemoLines();
                 EXPECT_FALSE(TransWiz4->CancelButton->isEnabled());
                 TransWiz4->FinishButton->click();
             }}});
        ASSERT_EQ(RunWizard(steps), steps.size());
        EXPECT_EQ(caption, "Transfer Wizard - step 3");
        EXPECT_EQ(summary, (std::vector<std::string>{
                               "You have succesfully downloaded the following courses:", "Birch",
                               "Cedar"}));
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
        // Name ascending (case first in the C locale), name descending, date, country, user,
        // rate ascending then descending.
        ASSERT_EQ(sorted.size(), 7u);
        EXPECT_EQ(sorted[0], (std::vector<std::string>{"Birch", "Cedar", "alder"}));
        EXPECT_EQ(sorted[1], (std::vector<std::string>{"alder", "Cedar", "Birch"}));
        EXPECT_EQ(sorted[2].front(), "Birch");  // 2003-02-01 before 2003-03-05
        EXPECT_EQ(sorted[3].front(), "alder");  // NO before SE
        EXPECT_EQ(sorted[4].back(), "alder");   // zed last
        EXPECT_EQ(sorted[5].front(), "alder");  // "10" before "7" and "9"
        EXPECT_EQ(sorted[6].back(), "alder");
        EXPECT_EQ(Count("Course_General", "Web_Id>0"), 2);
        EXPECT_EQ(Count("Holes"), 27);
        EXPECT_EQ(Count("Waypoints", "Type>2"), 18 * 3);
        EXPECT_EQ(Count("Waypoints", "Type=2"), 27);
        EXPECT_EQ(Count("Waypoints", "Type=1"), 54);
    }
    for (const auto& r : web.Requests()) EXPECT_TRUE(r.wellFormed) << r.parseError;
}

// Every heading of the web course list shows whole: the room the style
// gives a section's label holds its text in the header's font, and the
// columns still end inside the list.
TEST_F(WebPagesTest, CourseListHeadingsAreWhole) {
    TransWiz33->show();
    ASSERT_TRUE(WaitFor([] { return TransWiz33->isVisible(); }, 2000));
    QApplication::processEvents();
    QTreeWidget* list = TransWiz33->CourseListBox;
    QHeaderView* header = list->header();
    const QFontMetrics fm(header->font());
    const QStringList headings = {"Course Name", "Create date", "Country", "User Name", "Rate"};
    ASSERT_EQ(header->count(), headings.size());
    for (int c = 0; c < header->count(); ++c) {
        QStyleOptionHeader opt;
        opt.initFrom(header);
        opt.rect = QRect(0, 0, header->sectionSize(c), header->height());
        opt.section = c;
        opt.text = list->headerItem()->text(c);
        opt.textAlignment = header->defaultAlignment();
        EXPECT_EQ(opt.text, headings[c]);
        const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &opt, header);
        EXPECT_GE(label.width(), fm.horizontalAdvance(opt.text)) << opt.text.toStdString() << " is cut";
    }
    EXPECT_LE(header->sectionViewportPosition(4) + header->sectionSize(4), list->viewport()->width());
    TransWiz33->hide();
}

TEST_F(WebPagesTest, ADownloadThatStoresNothingSaysSo) {
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 1));
    std::vector<std::string> summary;
    std::vector<Step> steps = ToCourseList({
        {[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 1; },
         [this] {
             web.RemoveCourse(web.Courses().front().webId);  // gone since the search
             TransWiz33->CourseListBox->topLevelItem(0)->setSelected(true);
             TransWiz33->NextButton->click();
         }},
        SummaryThenFinish(summary)});
    ASSERT_EQ(RunWizard(steps), steps.size());
    EXPECT_EQ(summary, (std::vector<std::string>{"No course was downloaded.",
                                                 "The web service did not send the following courses:",
                                                 "Birch"}));
    EXPECT_TRUE(log.Texts().empty()) << log.Texts().front();
    EXPECT_EQ(Count("Course_General"), 0);
}

// The reply names its courses by web id: a course nobody asked for is not
// stored, its holes and points do not land on the one before it, and the
// asked ones that did not come are named.
TEST_F(WebPagesTest, ADownloadStoresOnlyTheCoursesAskedFor) {
    web.SetIdStarts(17, 5000, 1, 1, 1);
    web.AddCourse(WebDouble::SampleCourse("Cedar Point", 9, 1));  // 17
    web.AddCourse(WebDouble::SampleCourse("Koivu Golf", 9, 2));   // 18
    web.AddCourse(WebDouble::SampleCourse("Alder", 9, 0));        // 19
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 0));        // 20
    auto download = [this](const std::vector<std::string>& chosen, int gone) {
        log.Clear();
        std::vector<std::string> summary;
        std::vector<Step> steps = ToCourseList({
            {[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() > 0; },
             [this, chosen, gone] {
                 if (gone) web.RemoveCourse(gone);  // since the search
                 web.QueueFault(Fault::AllCourses);
                 QTreeWidget* list = TransWiz33->CourseListBox;
                 for (int i = 0; i < list->topLevelItemCount(); ++i)
                     for (const std::string& name : chosen)
                         if (list->topLevelItem(i)->text(0).toStdString() == name)
                             list->topLevelItem(i)->setSelected(true);
                 TransWiz33->NextButton->click();
             }},
            SummaryThenFinish(summary)});
        EXPECT_EQ(RunWizard(steps), steps.size());
        return summary;
    };
    // Cedar Point asked, every course sent: Cedar Point alone, with its own
    // holes and points.
    EXPECT_EQ(download({"Cedar Point"}, 0),
              (std::vector<std::string>{"You have succesfully downloaded the following courses:",
                                        "Cedar Point"}));
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("Course_General", "Web_Id=17"), 1);
    EXPECT_EQ(Count("Holes"), 9);
    EXPECT_EQ(Count("Waypoints", "Type>2"), 9);

    // Koivu Golf and Alder asked, Alder gone: Koivu Golf stored, Alder named.
    EXPECT_EQ(download({"Koivu Golf", "Alder"}, 19),
              (std::vector<std::string>{"You have succesfully downloaded the following courses:",
                                        "Koivu Golf",
                                        "The web service did not send the following courses:",
                                        "Alder"}));
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Transfer ok!"}));
    EXPECT_EQ(Count("Course_General"), 2);
    EXPECT_EQ(Count("Course_General", "Web_Id=20"), 0);

    // Only Birch asked, and the reply holds only courses nobody asked for.
    EXPECT_EQ(download({"Birch"}, 20),
              (std::vector<std::string>{"No course was downloaded.",
                                        "The web service did not send the following courses:",
                                        "Birch"}));
    EXPECT_TRUE(log.Texts().empty()) << log.Texts().front();
    EXPECT_EQ(Count("Course_General"), 2);
    EXPECT_EQ(Count("Holes"), 18);
    EXPECT_EQ(Count("Waypoints", "Type>2"), 9 + 18);
}

// A reply that trickles in, a byte at a time but never silent, ends at the
// low-speed limit with the network message and its cause; nothing is stored.
TEST_F(WebPagesTest, ATrickledDownloadEnds) {
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 1));
    std::vector<Step> steps = ToCourseList(
        {{[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 1; },
          [this] {
              // The real window is 30 s; the rule is the same over half a second.
              TransWiz33->CourseHTTP.LowSpeedWindowMs = 500;
              TransWiz33->CourseHTTP.LowSpeedBytesPerSec = 2000;
              web.TrickleMs = 10;
              web.QueueFault(Fault::Trickle);
              TransWiz33->CourseListBox->topLevelItem(0)->setSelected(true);
              TransWiz33->NextButton->click();
          }}});
    ASSERT_EQ(RunWizard(steps), steps.size());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Network connection error");
    EXPECT_EQ(log.Messages()[0].text,
              "Network connection error. Please check\nyour firewall settings or that the "
              "ethernet\ncable isn't unplugged.\nThe web service stopped answering.");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_FALSE(Up(TransWiz33));
}

class StartTest : public ShellTest {};

TEST_F(StartTest, LeftoverRequestFilesGoAtStart) {
    const std::vector<std::string> gone = {"transfer.xml", "test.xml", "transfer3.xml", "transfer12.xml"};
    const std::vector<std::string> kept = {"transferx.xml", "transfer.xml.bak", "mytest.xml"};
    for (const auto& name : gone) std::ofstream(home.File(name)) << "<PWD>pw</PWD>";
    for (const auto& name : kept) std::ofstream(home.File(name)) << "x";
    Start();
    for (const auto& name : gone) EXPECT_EQ(::access(home.File(name).c_str(), F_OK), -1) << name;
    for (const auto& name : kept) EXPECT_EQ(::access(home.File(name).c_str(), F_OK), 0) << name;
}

TEST_F(WebPagesTest, RefusedQueryAndFailedDownloadCloseThePage) {
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 1));
    web.QueueFault(Fault::RefuseUsername);
    std::vector<Step> steps = ToCourseList();
    ASSERT_EQ(RunWizard(steps), steps.size());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Incorrect Peakrally settings");
    EXPECT_FALSE(Up(TransWiz33));
    EXPECT_FALSE(Up(TransWiz34));

    // A download whose reply cannot be imported: "Course update failed", nothing kept.
    log.Clear();
    web.QueueFault(Fault::Trickle);  // the query itself, slowly but whole
    web.TrickleMs = 1;
    steps.push_back({[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 1; },
                     [this] {
                         web.ShortLines = 40;
                         web.QueueFault(Fault::Short);
                         TransWiz33->CourseListBox->topLevelItem(0)->setSelected(true);
                         TransWiz33->NextButton->click();
                     }});
    ASSERT_EQ(RunWizard(steps), steps.size());
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Course update failed"}));
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_FALSE(Up(TransWiz33));
    EXPECT_EQ(::access(home.File("test.xml").c_str(), F_OK), -1);
    EXPECT_EQ(::access(home.File("transfer.xml").c_str(), F_OK), -1);

    // Too many courses: the page stays.
    log.Clear();
    web.AddCourse(WebDouble::SampleCourse("Cedar", 9, 0));
    web.AddCourse(WebDouble::SampleCourse("Dogwood", 9, 0));
    web.AddCourse(WebDouble::SampleCourse("Elm", 9, 0));
    steps.pop_back();
    steps.push_back({[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 4; },
                     [] {
                         for (int i = 0; i < 4; ++i)
                             TransWiz33->CourseListBox->topLevelItem(i)->setSelected(true);
                         TransWiz33->NextButton->click();
                         EXPECT_TRUE(Up(TransWiz33));
                         TransWiz33->CancelButton->click();
                     }});
    ASSERT_EQ(RunWizard(steps), steps.size());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Too many courses");
    EXPECT_EQ(log.Messages()[0].text, "You can only tranfer 3 courses at a time");
}

TEST_F(WebPagesTest, ADownloadOntoAFullDiskSaysWhatTheDatabaseSaid) {
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 2));
    // No page more than the file has, and the course tables' pages filled
    // with rows of no course.
    Db().Execute("PRAGMA max_page_count = 1");
    for (const char* insert : {"INSERT INTO Holes (CourseId, HoleNumber, HoleHCP1) VALUES (0, 1, 1)",
                               "INSERT INTO Waypoints (CourseId) VALUES (0)"}) {
        for (int i = 0; i < 100000; ++i) {
            try {
                Db().Execute(insert);
            } catch (const EDatabaseError&) {
                break;
            }
        }
    }
    std::vector<Step> steps = ToCourseList(
        {{[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 1; }, [] {
              TransWiz33->CourseListBox->topLevelItem(0)->setSelected(true);
              TransWiz33->NextButton->click();
          }}});
    ASSERT_EQ(RunWizard(steps), steps.size());
    ASSERT_EQ(log.Texts().size(), 1u);
    const std::string text = log.Texts()[0];
    EXPECT_EQ(text.rfind("Course update failed\n", 0), 0u) << text;
    EXPECT_NE(text.find("full"), std::string::npos) << text;
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_FALSE(Up(TransWiz33));
}

TEST_F(WebPagesTest, QueryPageStatesOfTheChosenCountry) {
    TransWiz34->Visited = 0;
    TransWiz34->FormShow();
    EXPECT_FALSE(TransWiz34->StateComboBox->isEnabled());
    const int ci = TransWiz34->CountryComboBox->findText(QString::fromUtf8("C\xC3\xB4te d'Ivoire"));
    ASSERT_GE(ci, 0);
    TransWiz34->CountryComboBox->setCurrentIndex(ci);
    EXPECT_EQ(TransWiz34->CountryComboBox->currentData().toString(), "CI");
    const int us = TransWiz34->CountryComboBox->findText("United States");
    ASSERT_GE(us, 0);
    TransWiz34->CountryComboBox->setCurrentIndex(us);
    EXPECT_TRUE(TransWiz34->StateComboBox->isEnabled());
    EXPECT_EQ(TransWiz34->StateComboBox->currentIndex(), -1);
    EXPECT_EQ(StateList(Db(), "CI").size(), 0u);
    EXPECT_EQ(StateList(Db(), "x' or 'a'='a").size(), 0u);
}

TEST_F(WebPagesTest, RoundsListSortsDeviceCaptionsThatAreNoDates) {
    QTreeWidget* list = TransWiz35->RoundsListBox;
    list->clear();
    const QString later = QLocale().toString(QDate(2003, 2, 1), QLocale::ShortFormat);
    const QString earlier = QLocale().toString(QDate(2002, 12, 31), QLocale::ShortFormat);
    for (const QString& caption : {later, QString("Invalid date"), earlier}) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, caption);
        item->setText(3, "80");
    }
    TransWiz35->SortColumn = 0;
    TransWiz35->SortAscending = 1;
    TransWiz35->RoundsListBoxColumnClick(0);  // descending
    TransWiz35->RoundsListBoxColumnClick(0);  // ascending
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Invalid date");
    EXPECT_EQ(list->topLevelItem(1)->text(0), earlier);
    EXPECT_EQ(list->topLevelItem(2)->text(0), later);
    TransWiz35->RoundsListBoxColumnClick(3);
    EXPECT_EQ(list->topLevelItemCount(), 3);
}

TEST_F(WebPagesTest, RoundsPageMessages) {
    TransWiz1->KXButton->setChecked(true);  // the database as the source
    ASSERT_FALSE(TransWiz35->DeviceMode());
    // No rounds: "No rounds available" and "Next >" off.
    TransWiz35->ShowDatabase();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"You don't have any rounds to tranfer"}));
    EXPECT_EQ(log.Messages()[0].caption, "No rounds available");
    EXPECT_FALSE(TransWiz35->NextButton->isEnabled());

    const long long park = AddCourse("Park");
    std::vector<long long> ids;
    for (int i = 0; i < 11; ++i)
        ids.push_back(Append("Round", {{"UserId", 1}, {"CourseId", park}, {"Score", 80 + i},
                                       {"RoundStartDate", "2003-07-05 09:00:00"}}));
    log.Clear();
    TransWiz35->ShowDatabase();
    QTreeWidget* list = TransWiz35->RoundsListBox;
    ASSERT_EQ(list->topLevelItemCount(), 11);
    EXPECT_TRUE(TransWiz35->NextButton->isEnabled());
    for (int i = 0; i < 11; ++i) list->topLevelItem(i)->setSelected(true);
    TransWiz35->NextButtonClick();
    EXPECT_TRUE(list->selectedItems().isEmpty());  // deselected afterwards
    TransWiz35->NextButtonClick();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"You can only transfer 10 rounds at a time",
                                                     "You must choose at least one round"}));
    EXPECT_EQ(log.Messages()[0].caption, "Too many rounds");
    EXPECT_EQ(log.Messages()[1].caption, "No rounds chosen");

    // Only refused rounds: their message and nothing more; a round gone meanwhile
    // says there is nothing valid to send.
    log.Clear();
    WizardState().Send.RoundCount = 7;
    list->topLevelItem(0)->setSelected(true);
    TransWiz35->NextButtonClick();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{
                               "You must first transfer the Course \nPark\nto Peakrally!"}));
    EXPECT_EQ(WizardState().Send.RoundCount, 7);  // the send page was not opened
    {
        TTable t(&Db(), "Round");
        t.SetFilter("RoundId=" + std::to_string(ids[1]));
        t.Open();
        t.Delete();
    }
    log.Clear();
    list->topLevelItem(1)->setSelected(true);
    TransWiz35->NextButtonClick();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"There is no valid rounds to tranfer"}));
    EXPECT_EQ(log.Messages()[0].caption, "No rounds to transfer");
}

TEST_F(WebPagesTest, NoCourseChosen) {
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 0));
    std::vector<Step> steps = ToCourseList({
        {[] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() == 1; },
         [] {
             TransWiz33->NextButton->click();
             EXPECT_TRUE(Up(TransWiz33));
             TransWiz33->BackButton->click();
         }},
        {[] { return Up(TransWiz34); }, [] { TransWiz34->CancelButton->click(); }}});
    ASSERT_EQ(RunWizard(steps), steps.size());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "You must choose at least one course");
    EXPECT_EQ(log.Messages()[0].caption, "No courses chosen");
}
