// The wizard as a user drives it: the program's windows under Xvfb, the
// simulated U8 on Port1, the message responder answering every box.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "db/Database.h"
#include "db/Dbrows.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "rounds/Rounds.h"
#include "courses/Mcourse.h"
#include "common/Helpwindow.h"
#include "shell/Mainform.h"
#include "common/Progresswin.h"
#include "shell/Splashform.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "support/Testsupport.h"
#include "transfer/Startwizard.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"
#include "transfer/Transw21.h"
#include "transfer/Transw3.h"
#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw34.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"
#include "transfer/Wizardstate.h"

namespace {

// Steps of a user: each waits until its page waits for the user, then acts.
class Script {
public:
    ~Script() {
        for (auto& t : timers_)
            if (t) delete t.data();
    }
    void Then(TWizardPage* page, std::function<void()> act) { steps_.push_back({page, std::move(act)}); }
    void Start() { Arm(0); }
    size_t Done() const { return done_; }

private:
    struct Step {
        TWizardPage* page;
        std::function<void()> act;
    };
    void Arm(size_t i) {
        if (i >= steps_.size()) return;
        auto* t = new QTimer;
        timers_.push_back(t);
        t->setInterval(10);
        QObject::connect(t, &QTimer::timeout, t, [this, t, i] {
            TWizardPage* p = steps_[i].page;
            if (!p->isVisible() || !p->InLoop()) return;
            t->stop();
            ++done_;
            Arm(i + 1);
            steps_[i].act();
        });
        t->start();
    }
    std::vector<Step> steps_;
    std::vector<QPointer<QTimer>> timers_;
    size_t done_ = 0;
};

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        sim.Device().LoadFull();
        UseSimPort(sim, 1);
        AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"Country", "SE"}});
        ASSERT_TRUE(CreateApplicationWindows());
        ASSERT_TRUE(WaitFor([] { return MainForm->FirstPaintDone(); }, 5000));
        log.Clear();
        // Nothing may wait for ever: whatever page is still up goes.
        watchdog_ = new QTimer;
        watchdog_->setSingleShot(true);
        QObject::connect(watchdog_, &QTimer::timeout, [] {
            ADD_FAILURE() << "the wizard did not end";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = dynamic_cast<TWizardPage*>(w); p && p->isVisible()) p->done(2);
        });
        watchdog_->start(60000);
    }
    void TearDown() override {
        delete watchdog_;
        DestroyApplicationWindows();
        HtmlHelp("", HH_CLOSE_ALL, 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<TSplash*>(w) || dynamic_cast<THelpWindow*>(w)) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        sim.Stop();
    }
    void Run(Script& script) {
        script.Start();
        MainForm->TransferWizard1Click();
    }
    int Count(const std::string& table, const std::string& filter = "") {
        return CountRows(MainForm->Database, table, filter);
    }
    std::string LastMessage() { return log.Empty() ? "" : log.Texts().back(); }
    static void Select(QTreeWidget* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int r : rows) list->topLevelItem(r)->setSelected(true);
    }
    // The steps up to the list of the device's courses.
    static void ToDeviceCourses(Script& s) {
        s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
        s.Then(TransWiz1, [] { TransWiz1->NextButton->click(); });
        s.Then(TransWiz21, [] {
            TransWiz21->CoursesButton->click();
            TransWiz21->NextButton->click();
        });
    }
    static bool NoPageVisible() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<TWizardPage*>(w) && w->isVisible()) return false;
        return true;
    }

    TempHome home;
    MessageLog log;
    u8sim::SimulatedU8 sim;
    QTimer* watchdog_ = nullptr;
};

TEST_F(WizardTest, ChoicesPositionsAndBack) {
    QPoint moved;
    Script s;
    s.Then(StartWiz, [] {
        EXPECT_EQ(StartWiz->windowTitle(), "Transfer Wizard");
        EXPECT_TRUE(StartWiz->NextButton->isEnabled());
        StartWiz->NextButton->click();
    });
    s.Then(TransWiz1, [] {
        EXPECT_EQ(TransWiz1->windowTitle(), "Transfer Wizard - step 1");
        EXPECT_TRUE(TransWiz1->U8Button->isChecked());
        EXPECT_EQ(TransWiz1->NextButton->text(), "Next >");
        TransWiz1->DownloadAllRoundsU8Button->click();
        EXPECT_EQ(TransWiz1->NextButton->text(), "Finish");
        TransWiz1->DownloadButton->click();
        EXPECT_EQ(TransWiz1->NextButton->text(), "Next >");
        TransWiz1->KXButton->click();
        TransWiz1->move(TransWiz1->pos() + QPoint(40, 30));
        TransWiz1->NextButton->click();
    });
    s.Then(TransWiz2, [&moved] {
        EXPECT_EQ(TransWiz2->pos(), TransWiz1->pos());  // opened where step 1 was
        EXPECT_TRUE(TransWiz2->U8Button->isChecked());
        TransWiz2->WebButton->click();
        TransWiz2->move(TransWiz2->pos() + QPoint(25, 15));
        moved = TransWiz2->pos();
        TransWiz2->NextButton->click();
    });
    s.Then(TransWiz3, [] {
        EXPECT_EQ(TransWiz3->windowTitle(), "Transfer Wizard - step 3");
        EXPECT_TRUE(TransWiz3->CoursesButton->isChecked());
        EXPECT_EQ(TransWiz3->BagsButton->text(), "Bags && Clubs");
        TransWiz3->BackButton->click();
    });
    s.Then(TransWiz2, [&moved] {
        EXPECT_EQ(TransWiz2->pos(), moved);
        EXPECT_TRUE(TransWiz2->WebButton->isChecked());  // kept on the way back
        TransWiz2->BackButton->click();
    });
    s.Then(TransWiz1, [&moved] {
        EXPECT_EQ(TransWiz1->pos(), moved);
        EXPECT_TRUE(TransWiz1->KXButton->isChecked());
        TransWiz1->CancelButton->setFocus();
        TransWiz1->CancelButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 6u);
    EXPECT_TRUE(NoPageVisible());

    // A new run starts on the defaults, with the focus on Next.
    Script again;
    again.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    again.Then(TransWiz1, [] {
        EXPECT_EQ(TransWiz1->focusWidget(), TransWiz1->NextButton);
        EXPECT_TRUE(TransWiz1->U8Button->isChecked());
        EXPECT_EQ(TransWiz1->NextButton->text(), "Next >");
        TransWiz1->NextButton->click();
    });
    again.Then(TransWiz21, [] {
        EXPECT_TRUE(TransWiz21->RoundsButton->isChecked());
        TransWiz21->CancelButton->click();
    });
    Run(again);
    EXPECT_EQ(again.Done(), 3u);
    EXPECT_TRUE(NoPageVisible());
}

// A choice page opened anew from step 1 has "Next >" as its default button
// and its focus, also when the user left the focus elsewhere on a run before;
// back on the page after "< Back", the focus is where the user left it.
TEST_F(WizardTest, NextHasTheFocusOfAChoicePageOpenedAnew) {
    auto nextReady = [](auto* page) {
        EXPECT_TRUE(page->NextButton->isDefault()) << page->objectName().toStdString();
        EXPECT_EQ(page->focusWidget(), page->NextButton) << page->objectName().toStdString();
    };
    auto fromDatabase = [] {
        TransWiz1->KXButton->click();
        TransWiz1->NextButton->click();
    };
    Script s;
    s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    s.Then(TransWiz1, fromDatabase);
    s.Then(TransWiz2, [nextReady] {
        nextReady(TransWiz2);
        TransWiz2->WebButton->click();
        TransWiz2->WebButton->setFocus();
        TransWiz2->NextButton->click();
    });
    s.Then(TransWiz3, [nextReady] {
        nextReady(TransWiz3);
        TransWiz3->BackButton->click();
    });
    s.Then(TransWiz2, [] {
        EXPECT_EQ(TransWiz2->focusWidget(), TransWiz2->WebButton);
        EXPECT_TRUE(TransWiz2->NextButton->isDefault());
        TransWiz2->BackButton->click();
    });
    s.Then(TransWiz1, fromDatabase);
    s.Then(TransWiz2, [nextReady] {
        nextReady(TransWiz2);
        EXPECT_TRUE(TransWiz2->U8Button->isChecked());
        TransWiz2->BackButton->click();
    });
    s.Then(TransWiz1, [] {
        TransWiz1->U8Button->click();
        TransWiz1->NextButton->click();
    });
    s.Then(TransWiz21, [nextReady] {
        nextReady(TransWiz21);
        TransWiz21->CoursesButton->setFocus();
        TransWiz21->BackButton->click();
    });
    s.Then(TransWiz1, [] { TransWiz1->NextButton->click(); });
    s.Then(TransWiz21, [nextReady] {
        nextReady(TransWiz21);
        TransWiz21->CancelButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 11u);
    EXPECT_TRUE(NoPageVisible());
}

// The two step-3 pages: the web road's offers rounds as well, the U8 road's
// only courses and bags, each with its own heading.
TEST_F(WizardTest, TheTwoStepThreePagesKeepTheirOwnTexts) {
    struct Expected {
        TTransWiz3* page;
        const char* name;
        const char* heading;
        const char* line;
        QStringList choices;
    };
    const Expected pages[] = {
        {TransWiz3, "TransWiz3", "Select file type", "Select the type of files to be transferred. ",
         {"CoursesButton:Courses", "RoundsButton:Rounds", "BagsButton:Bags && Clubs"}},
        {TransWiz36, "TransWiz36", "Choose What To Transfer", "Please choose what you want to transfer",
         {"CoursesButton:Courses", "BagsButton:Bags && Clubs"}},
    };
    for (const Expected& e : pages) {
        SCOPED_TRACE(e.name);
        ASSERT_NE(e.page, nullptr);
        EXPECT_EQ(e.page->objectName(), e.name);
        EXPECT_EQ(e.page->windowTitle(), "Transfer Wizard - step 3");
        auto* heading = e.page->findChild<QLabel*>("Heading");
        auto* line = e.page->findChild<QLabel*>("Explanation");
        ASSERT_TRUE(heading && line);
        EXPECT_EQ(heading->text(), e.heading);
        EXPECT_EQ(line->text(), e.line);
        QStringList choices;
        for (QRadioButton* b : e.page->findChildren<QRadioButton*>())
            choices << b->objectName() + ":" + b->text();
        EXPECT_EQ(choices, e.choices);
    }
    EXPECT_EQ(TransWiz36->RoundsButton, nullptr);
}

TEST_F(WizardTest, BackOnStepOneBringsTheWelcomePageWhereStepOneWas) {
    QPoint centred, moved;
    Script s;
    s.Then(StartWiz, [&centred] {
        centred = StartWiz->pos();
        StartWiz->move(centred + QPoint(50, 20));
        StartWiz->NextButton->click();
    });
    s.Then(TransWiz1, [&centred, &moved] {
        EXPECT_EQ(TransWiz1->pos(), centred + QPoint(50, 20));
        TransWiz1->move(TransWiz1->pos() + QPoint(-30, 10));
        moved = TransWiz1->pos();
        TransWiz1->BackButton->click();
    });
    s.Then(StartWiz, [&moved] {
        EXPECT_EQ(StartWiz->pos(), moved);
        StartWiz->CancelButton->setFocus();
        StartWiz->CancelButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 3u);
    // The next run starts centred again, with the focus on Next.
    Script again;
    again.Then(StartWiz, [&centred] {
        EXPECT_EQ(StartWiz->pos(), centred);
        EXPECT_EQ(StartWiz->focusWidget(), StartWiz->NextButton);
        StartWiz->CancelButton->click();
    });
    Run(again);
    EXPECT_EQ(again.Done(), 1u);
}

TEST_F(WizardTest, AllRoundsFromTheDevice) {
    MainForm->Course1Click();
    MainForm->Rounds1Click();
    TRoundsForm* rounds = nullptr;
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* r = dynamic_cast<TRoundsForm*>(w)) rounds = r;
    ASSERT_NE(rounds, nullptr);
    auto all = [](Script& s) {
        s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
        s.Then(TransWiz1, [] {
            TransWiz1->DownloadAllRoundsU8Button->click();
            TransWiz1->NextButton->click();
        });
    };
    Script s;
    all(s);
    Run(s);
    EXPECT_EQ(s.Done(), 2u);
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    EXPECT_EQ(log.Messages().back().caption, "Transfer completed!");
    EXPECT_TRUE(NoPageVisible());
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("RoundHoles"), 18 + 18);  // a nine's unplayed holes too
    EXPECT_GT(Count("RoundShots"), 60);
    EXPECT_EQ(rounds->RoundTable.RecordCount(), 2);  // the open list shows them
    // The device carries the new course numbers, and so do the rounds.
    TTable course(&MainForm->Database, "Course_General");
    course.SetFilter("Course_Name = 'Oak Hill'");
    course.Open();
    const int oak = course.FieldByName("CourseId").AsInteger();
    auto word = [this](int at) {
        auto b = sim.Device().Read(at, 2);
        return b[0] | b[1] << 8;
    };
    EXPECT_EQ(word(u8::CourseDirAddress), oak);
    EXPECT_EQ(word(u8::GameAreaAddress + 8), oak);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(oak)), 1);

    // A second run adds nothing.
    log.Clear();
    Script again;
    all(again);
    Run(again);
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("RoundHoles"), 18 + 18);  // a nine's unplayed holes too
}

TEST_F(WizardTest, AllRoundsWithoutADevice) {
    sim.Stop();
    // The stopped simulator's terminal number may go at once to a terminal
    // that another program opens: the unplugged port is a path that cannot be.
    MapPortsToSim("/nonexistent/caddora-tty1", 1);
    Script s;
    s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    s.Then(TransWiz1, [] {
        TransWiz1->DownloadAllRoundsU8Button->click();
        TransWiz1->NextButton->click();
    });
    Run(s);
    EXPECT_EQ(LastMessage(), CannotConnectU8Text);
    EXPECT_TRUE(NoPageVisible());
}

TEST_F(WizardTest, ProgressIsShownAboveThePage) {
    // The progress window opens while a page runs modally over the main
    // window; the user must see its text, not the page over it.
    bool onTop = false;
    int dark = 0;
    Script s;
    s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    s.Then(TransWiz1, [&] {
        // The page is the active window, as after the user's click on it.
        TransWiz1->activateWindow();
        ASSERT_TRUE(WaitFor([] { return TransWiz1->isActiveWindow(); }, 2000));
        {
            TProgressScope progress("Connecting...");
            QWidget* label = ProgressForm->findChild<QWidget*>("ProgressLabel");
            ASSERT_TRUE(TransWiz1->frameGeometry().intersects(ProgressForm->frameGeometry()));
            // The port's waits let events run while the device is sought.
            WaitFor([&] {
                onTop = QApplication::topLevelAt(label->mapToGlobal(label->rect().center())) == ProgressForm;
                return onTop && (dark = DarkPixels(ScreenPixels(label))) > 20;
            }, 10000);
        }
        TransWiz1->CancelButton->click();
    });
    Run(s);
    EXPECT_TRUE(onTop) << "the progress window opened under the page";
    EXPECT_GT(dark, 20) << "the progress text is not on the screen";
}

TEST_F(WizardTest, DeviceRoundsImportTheSelectedRowOnly) {
    Script s;
    s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    s.Then(TransWiz1, [] { TransWiz1->NextButton->click(); });
    s.Then(TransWiz21, [] { TransWiz21->NextButton->click(); });
    s.Then(TransWiz35, [] {
        EXPECT_EQ(TransWiz35->windowTitle(), "Transfer Wizard - step 4");
        ASSERT_EQ(TransWiz35->RoundsListBox->topLevelItemCount(), 2);
        EXPECT_EQ(TransWiz35->RoundsListBox->topLevelItem(1)->text(1), "Pine Vly");
        EXPECT_EQ(TransWiz35->RoundsListBox->topLevelItem(1)->text(2), "No title");
        EXPECT_EQ(TransWiz35->NextButton->text(), "Finish");
        TransWiz35->NextButton->click();  // nothing chosen
        EXPECT_EQ(TransWiz35->isVisible(), true);
        Select(TransWiz35->RoundsListBox, {1});
        TransWiz35->NextButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 4u);
    ASSERT_GE(log.Texts().size(), 2u);
    EXPECT_EQ(log.Texts()[0], "You must choose at least one round");
    EXPECT_EQ(LastMessage(), "Transfer of round(s) completed successfully!");
    EXPECT_EQ(Count("Round"), 1);
    EXPECT_EQ(Count("RoundHoles", "HoleShotsTotal > 0"), 9);
    EXPECT_FALSE(TransWiz35->SerialPort->GetPortOpen());
    EXPECT_EQ(TransWiz35->NextButton->text(), "Next >");
}

TEST_F(WizardTest, DeviceCoursesImportTheSelectedRowOnly) {
    Script s;
    ToDeviceCourses(s);
    s.Then(TransWiz31, [] {
        ASSERT_EQ(TransWiz31->CourseListBox->topLevelItemCount(), 3);
        EXPECT_EQ(TransWiz31->NextButton->text(), "Finish");
        Select(TransWiz31->CourseListBox, {1});
        EXPECT_FALSE(TransWiz31->TeeComboBox->isVisible());  // a course not imported yet
        TransWiz31->NextButton->click();
    });
    Run(s);
    EXPECT_EQ(LastMessage(), "Transfer of course(s) completed successfully!");
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("Course_General", "Course_Name = 'Pine Vly'"), 1);
}

TEST_F(WizardTest, AFreeDirectorySlotIsNoRowAndTheRowsKeepTheirSlots) {
    sim.Device().Fill(u8::CourseDirAddress + u8::CourseEntrySize, 2, 0xFF);  // slot 1 free
    Script s;
    ToDeviceCourses(s);
    s.Then(TransWiz31, [] {
        auto* list = TransWiz31->CourseListBox;
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Oak Hill");
        EXPECT_EQ(list->topLevelItem(1)->text(0), "Sea Links");
        EXPECT_EQ(list->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 2);
        Select(list, {1});
        TransWiz31->NextButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 4u);
    EXPECT_EQ(LastMessage(), "Transfer of course(s) completed successfully!");
    EXPECT_EQ(Count("Course_General"), 1);
    EXPECT_EQ(Count("Course_General", "Course_Name = 'Sea Links'"), 1);
    EXPECT_EQ(Count("Holes"), 18);
}

TEST_F(WizardTest, AGameHeaderNotReadThisRunIsNeverWrittenBack) {
    auto courses = [](Script& s, int row, std::function<void()> beforeFinish) {
        ToDeviceCourses(s);
        s.Then(TransWiz31, [row, beforeFinish] {
            Select(TransWiz31->CourseListBox, {row});
            beforeFinish();
            TransWiz31->NextButton->click();
        });
    };
    // The first run reads all four headers (game 2 refers to course 102).
    Script first;
    courses(first, 0, [] {});
    Run(first);
    EXPECT_EQ(LastMessage(), "Transfer of course(s) completed successfully!");
    const int game2 = u8::GameAreaAddress + u8::GameAreaSize;
    sim.Device().Write(game2 + 1, {99});  // the device's game 2 changes meanwhile
    sim.Device().ClearLogs();

    // The second run cannot read game 2's header: course 102 is stored, and
    // the copy of game 2 left by the first run does not go back.
    log.Clear();
    Script second;
    courses(second, 1, [this] { sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 1, 1}); });
    Run(second);
    EXPECT_EQ(second.Done(), 4u);
    EXPECT_EQ(Count("Course_General", "Course_Name = 'Pine Vly'"), 1);
    EXPECT_EQ(sim.Device().Byte(game2 + 1), 99);
    EXPECT_EQ(sim.Device().Byte(game2 + 8), 102);
    for (const auto& a : sim.Device().MemoryLog())
        EXPECT_FALSE(a.write && a.address < game2 + 30 && game2 < a.address + a.count);
}

TEST_F(WizardTest, NoRoundsOnTheDevice) {
    sim.Device().LoadEmpty();
    Script s;
    s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
    s.Then(TransWiz1, [] { TransWiz1->NextButton->click(); });
    s.Then(TransWiz21, [] { TransWiz21->NextButton->click(); });
    s.Then(TransWiz35, [] {
        EXPECT_EQ(TransWiz35->RoundsListBox->topLevelItemCount(), 0);
        EXPECT_FALSE(TransWiz35->NextButton->isEnabled());
        EXPECT_EQ(TransWiz35->NextButton->text(), "Finish");
        TransWiz35->CancelButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 4u);
    EXPECT_EQ(LastMessage(), "You don't have any rounds to tranfer");
    EXPECT_EQ(log.Messages().back().caption, "No rounds available");
}

// Rows of a small course and two bags, added before the wizard runs.
class SendWizardTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        TDatabase& db = MainForm->Database;
        auto append = [&db](const std::string& table,
                            std::initializer_list<std::pair<const char*, TVariant>> values) {
            return int(AppendRow(db, table, values));
        };
        course = append("Course_General", {{"Course_Name", "St. Mary's"}, {"U8_Name", ""}, {"18Holes", false}, {"Tees", 2}});
        append("ScoreCard", {{"CourseId", course}, {"Tee1Name", "Yellow"}});
        for (int h = 1; h <= 9; ++h) {
            const int hole = append("Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                              {"HoleLength1", 300}, {"HoleLength2", 250 + h}, {"HoleHCP1", h}});
            append("Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", 2}, {"Latitude", 55.0 + h},
                                 {"Longitude", 12.0}, {"Name", "Pin"}});
        }
        const int putter = append("ClubDetail", {{"UserId", 1}, {"ClubName", "Putter"}, {"Type", 9}});
        const int wood = append("ClubDetail", {{"UserId", 1}, {"ClubName", "Wood"}, {"Type", 0}});
        const int iron = append("ClubDetail", {{"UserId", 1}, {"ClubName", "Iron"}, {"Type", 1}});
        for (const char* name : {"Travel", "Spare"}) {
            const int bag = append("GolfBag", {{"UserId", 1}, {"BagName", name}});
            int order = 1;
            for (int club : {wood, iron, putter})
                append("Clubs", {{"ClubId", club}, {"BagId", bag}, {"OrderNumber", order++}});
        }
    }
    void ToDevice(Script& s, bool courses) {
        s.Then(StartWiz, [] { StartWiz->NextButton->click(); });
        s.Then(TransWiz1, [] {
            TransWiz1->KXButton->click();
            TransWiz1->NextButton->click();
        });
        s.Then(TransWiz2, [] { TransWiz2->NextButton->click(); });
        s.Then(TransWiz36, [courses] {
            (courses ? TransWiz36->CoursesButton : TransWiz36->BagsButton)->click();
            TransWiz36->NextButton->click();
        });
    }
    int course = 0;
};

TEST_F(SendWizardTest, OneCourseAndATeeToTheDevice) {
    sim.Device().LoadEmpty();
    // A tee count the course window refuses: no tee offered, nothing sent.
    AppendRow(MainForm->Database, "Course_General", {{"Course_Name", "Östra Ängen"}, {"U8_Name", ""}, {"18Holes", false}, {"Tees", 9}});
    for (const char* name : {"Ärtbag", "Éclair"})
        AppendRow(MainForm->Database, "Course_General", {{"Course_Name", name}, {"U8_Name", ""}, {"18Holes", false}, {"Tees", 1}});
    const std::string refused = "'9' is not a valid tee count for field 'Tees' of Course_General.";
    Script s;
    ToDevice(s, true);
    s.Then(TransWiz31, [this, refused] {
        EXPECT_EQ(TransWiz31->Label5->text(), "Select one course and one tee to be transferred.");
        EXPECT_TRUE(TransWiz31->TeeComboBox->isVisible());
        auto* list = TransWiz31->CourseListBox;
        const auto row = [list](const QString& name) {
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(0) == name) return list->topLevelItem(i);
            return static_cast<QTreeWidgetItem*>(nullptr);
        };
        QTreeWidgetItem* nine = row("Östra Ängen");
        ASSERT_NE(nine, nullptr);
        // Each row shows its capitals' dots and rings: its letters reach as
        // far up and down as the same text drawn on its own. And the row is
        // no taller than that needs (18 px at the default font).
        const auto inkRows = [](const QImage& image) {
            int top = image.height(), bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 128) top = std::min(top, y), bottom = std::max(bottom, y);
            return bottom - top + 1;
        };
        for (const char* name : {"Östra Ängen", "Ärtbag", "Éclair"}) {
            QTreeWidgetItem* item = row(name);
            ASSERT_NE(item, nullptr) << name;
            QImage alone(300, 60, QImage::Format_RGB32);
            alone.fill(Qt::white);
            QPainter painter(&alone);
            painter.setFont(list->font());
            painter.drawText(alone.rect(), Qt::AlignCenter, item->text(0));
            painter.end();
            const QRect rect = list->visualItemRect(item);
            EXPECT_EQ(inkRows(list->viewport()->grab(rect).toImage()), inkRows(alone)) << name;
            EXPECT_LE(rect.height(), 18) << name;
        }
        nine->setSelected(true);
        EXPECT_EQ(TransWiz31->TeeComboBox->count(), 0);
        EXPECT_EQ(LastMessage(), refused);
        log.Clear();
        TransWiz31->NextButton->click();
        EXPECT_EQ(LastMessage(), refused);
        EXPECT_TRUE(TransWiz31->isVisible());
        nine->setSelected(false);
        QTreeWidgetItem* item = row("St. Mary's");
        ASSERT_NE(item, nullptr);
        item->setSelected(true);
        ASSERT_EQ(TransWiz31->TeeComboBox->count(), 2);
        EXPECT_EQ(TransWiz31->TeeComboBox->itemText(0), "Yellow");
        EXPECT_EQ(TransWiz31->TeeComboBox->itemText(1), "Tee number: 2");
        TransWiz31->TeeComboBox->setCurrentIndex(1);
        TransWiz31->NextButton->click();
    });
    s.Then(TransWiz4, [] {
        EXPECT_EQ(TransWiz4->windowTitle(), "Transfer Wizard - step 5");
        EXPECT_EQ(TransWiz4->Memo1->toPlainText(),
                  "You are about to transfer the following courses:\nSt. Mary's");
        TransWiz4->FinishButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 6u);
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    EXPECT_TRUE(NoPageVisible());
    CourseEntry e;
    auto bytes = sim.Device().Read(u8::CourseDirAddress, u8::CourseEntrySize);
    std::memcpy(&e, bytes.data(), sizeof e);
    EXPECT_EQ(+e.CourseId, course);
    EXPECT_EQ(transfer::DeviceText(e.Name, 11), "St. Mary");  // the apostrophe is not written
    EXPECT_EQ(e.Holes, 9);
    EXPECT_EQ(+e.Hole[3].Length, 254);  // tee 2
    EXPECT_EQ(sim.Device().GetPoint(9 * 3 + 2).latitude, 590000000);
}

TEST_F(SendWizardTest, TwoBagsToTheDevice) {
    sim.Device().LoadEmpty();
    Script s;
    ToDevice(s, false);
    s.Then(TransWiz32, [] {
        auto* list = TransWiz32->BagsListBox;
        ASSERT_EQ(list->count(), 3);  // Default, Travel, Spare
        TransWiz32->NextButton->click();
        EXPECT_EQ(TransWiz32->isVisible(), true);
        for (int i = 0; i < 3; ++i) list->item(i)->setSelected(true);
        TransWiz32->NextButton->click();
        list->item(0)->setSelected(false);
        TransWiz32->NextButton->click();
    });
    s.Then(TransWiz4, [] {
        EXPECT_EQ(TransWiz4->Memo1->toPlainText(),
                  "You are about to transfer the following bags:\nTravel\nSpare");
        TransWiz4->FinishButton->click();
    });
    Run(s);
    EXPECT_EQ(s.Done(), 6u);
    ASSERT_GE(log.Messages().size(), 3u);
    EXPECT_EQ(log.Messages()[0].text, "You must choose at least one bag");
    EXPECT_EQ(log.Messages()[0].caption, "No bags chosen");
    EXPECT_EQ(log.Messages()[1].text, "You can only transfer 2 bags at a time");
    EXPECT_EQ(log.Messages()[1].caption, "Too many bags");
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    auto names = [this](int slot) {
        auto b = sim.Device().Read(u8::BagsAddress + u8::BagRecordSize * slot + 6, 8);
        return std::string(reinterpret_cast<const char*>(b.data()));
    };
    EXPECT_EQ(names(0), "Travel");
    EXPECT_EQ(names(1), "Spare");
}

TEST_F(SendWizardTest, BagAndQueryPagesKeepTheirMarginToTheRightEdge) {
    // Every text, list and box of the two picture pages ends where the buttons do.
    for (QDialog* page : {static_cast<QDialog*>(TransWiz32), static_cast<QDialog*>(TransWiz34)}) {
        page->show();
        ASSERT_TRUE(WaitFor([page] { return page->isVisible(); }, 2000));
        QApplication::processEvents();
        QWidget* cancel = page->findChild<QPushButton*>("CancelButton");
        ASSERT_NE(cancel, nullptr);
        const int edge = cancel->mapTo(page, QPoint(cancel->width(), 0)).x();
        EXPECT_LT(edge, page->width());
        std::vector<QWidget*> content;
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->objectName() != "SidePicture") content.push_back(label);
        if (page == TransWiz32) content.push_back(TransWiz32->BagsListBox);
        else content.insert(content.end(), {TransWiz34->StateComboBox, TransWiz34->CourseEdit});
        for (QWidget* w : content)
            EXPECT_LE(w->mapTo(page, QPoint(w->width(), 0)).x(), edge)
                << page->objectName().toStdString() << " " << w->metaObject()->className() << " "
                << w->objectName().toStdString();
        page->hide();
    }
}

TEST_F(SendWizardTest, U8IdReadsZero) {
    TTable& t = TransWiz4->WayPointTable;
    t.Open();
    ASSERT_EQ(t.RecordCount(), 9);
    for (t.First(); !t.Eof(); t.Next()) EXPECT_EQ(t.FieldByName("U8Id").AsInteger(), 0);
    t.Close();
}

TEST_F(SendWizardTest, SummaryListsOnlyTheCurrentKind) {
    WizardState().Send.CourseCount = 3;
    WizardState().Send.Courses[0].CourseName = "A";
    WizardState().Send.BagCount = 2;
    WizardState().Send.Bags[0].BagName = "One";
    WizardState().Send.Bags[1].BagName = "Two";
    WizardState().Send.TransferKind = 1;
    EXPECT_EQ(TransWiz4->SummaryLines(),
              (std::vector<std::string>{"You are about to transfer the following bags:", "One", "Two"}));
    WizardState().Send.TransferKind = 5;
    TransWiz4->FormShow();
    EXPECT_EQ(TransWiz4->windowTitle(), "Transfer Wizard - step 3");
    EXPECT_FALSE(TransWiz4->CancelButton->isEnabled());
    EXPECT_FALSE(TransWiz4->BackButton->isEnabled());
}

}  // namespace
