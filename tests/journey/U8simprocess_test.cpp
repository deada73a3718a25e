// A U8 to try without a U8: the simulator started as its own process, as the
// README says (its printed path put in caddora.ini as Port1=), and every
// device window and device road of the transfer wizard walked against it.
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableView>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstring>
#include <map>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "devicetools/Memorymanager.h"
#include "devicetools/Settings.h"
#include "journey/Journeyfixture.h"
#include "journey/U8simprocess.h"
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include "platform/Inifile.h"
#include "common/Calculations.h"
#include "rounds/Editround.h"
#include "rounds/Holescene.h"
#include "rounds/Holeviewfixture.h"
#include "rounds/Round.h"
#include "rounds/Rounds.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"
#include "transfer/Transw21.h"
#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw34.h"
#include "transfer/Transw35.h"
#include "transfer/Transw3.h"
#include "transfer/Transw4.h"
#include "transfer/Wizardpage.h"

namespace {
class U8simProcessTest : public U8simProcess {
protected:
    // Runs the wizard's steps from the main window's command.
    static size_t RunWizard(Steps& s) {
        // Nothing may wait for ever: whatever page is still up goes.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "the wizard did not end";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = dynamic_cast<TWizardPage*>(w); p && p->isVisible()) p->done(wizard::Cancelled);
        });
        watchdog.start(120000);
        const size_t done = s.Run([] { MainForm->TransferWizard1->trigger(); }, 60000);
        EXPECT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 60000));
        Flush();
        return done;
    }
    // A picture of the page drawn in many colours, not an empty frame.
    static void Pictured(QWidget* page, const char* name) {
        auto* label = page->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << page->objectName().toStdString() << " " << name;
        EXPECT_GT(Colours(label->pixmap().toImage()), 8) << page->objectName().toStdString() << " " << name;
        EXPECT_TRUE(label->isVisible());
    }
    static void Welcome(Steps& s, QRadioButton* (*choice)()) {
        s.Then([] { return Up(StartWiz); }, [] {
            Pictured(StartWiz, "SidePicture");
            Shot(StartWiz, "u8sim-welcome");
            StartWiz->NextButton->click();
        });
        s.Then([] { return Up(TransWiz1); }, [choice] {
            choice()->click();
            TransWiz1->NextButton->click();
        });
    }
    static void SelectAll(QTreeWidget* list) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) list->topLevelItem(i)->setSelected(true);
    }

    // The device's rounds as a golfer played them: every tee shot of a par 4
    // or 5 with the Driver, every putt with a putter, no club unknown, and
    // every shot on the ground of its hole, within its length of the tee.
    static void ExpectGolfersRounds() {
        TTable rounds(&MainForm->Database, "Round");
        rounds.Open();
        int drives = 0, shots = 0;
        for (rounds.First(); !rounds.Eof(); rounds.Next()) {
            const long long roundId = rounds.FieldByName("RoundId").AsInteger();
            const long long courseId = rounds.FieldByName("CourseId").AsInteger();
            ASSERT_EQ(Count("Course_General", "CourseId = " + std::to_string(courseId)), 1) << roundId;
            TTable holes(&MainForm->Database, "RoundHoles");
            holes.SetFilter("RoundId = " + std::to_string(roundId));
            holes.Open();
            for (holes.First(); !holes.Eof(); holes.Next()) {
                const int hole = int(holes.FieldByName("HoleId").AsInteger());
                if (holes.FieldByName("HoleShotsTotal").AsInteger() == 0) continue;  // left unplayed by a nine
                const int par = int(holes.FieldByName("HolePar").AsInteger());
                const int full = int(holes.FieldByName("HoleShotsDriver").AsInteger());
                const std::string courseHole =
                    "CourseId = " + std::to_string(courseId) + " and HoleNumber = " + std::to_string(hole);
                const int length = int(Value("Holes", courseHole, "HoleLength1").AsInteger());
                const std::string points =
                    "HoleId = " + std::to_string(Value("Holes", courseHole, "HoleId").AsInteger());
                const double teeLat = Value("Waypoints", points + " and Type = 1", "Latitude").AsFloat();
                const double teeLon = Value("Waypoints", points + " and Type = 1", "Longitude").AsFloat();
                const double pinLat = Value("Waypoints", points + " and Type = 2", "Latitude").AsFloat();
                const double pinLon = Value("Waypoints", points + " and Type = 2", "Longitude").AsFloat();
                ASSERT_NE(teeLat, 0.0) << courseHole;
                EXPECT_GE(length, 100) << courseHole;
                EXPECT_LE(length, 600) << courseHole;
                EXPECT_NEAR(GeodesicDistance(teeLat, teeLon, pinLat, pinLon, 0, 0), length, 15) << courseHole;
                TTable t(&MainForm->Database, "RoundShots");
                t.SetFilter("RoundId = " + std::to_string(roundId) + " and HoleId = " + std::to_string(hole));
                t.AddSort("[ShotNumber] ASC");
                t.Open();
                for (t.First(); !t.Eof(); t.Next()) {
                    const int number = int(t.FieldByName("ShotNumber").AsInteger());
                    const std::string club = "ClubId = " + std::to_string(t.FieldByName("ClubId").AsInteger());
                    const std::string at = courseHole + " shot " + std::to_string(number);
                    ASSERT_EQ(Count("ClubDetail", club), 1) << at;
                    if (number == 1 && par > 3) {
                        EXPECT_EQ(Value("ClubDetail", club, "ClubName").AsString(), "Driver") << at;
                        ++drives;
                    }
                    if (number > full) EXPECT_EQ(Value("ClubDetail", club, "Type").AsInteger(), 9) << at;
                    else EXPECT_NE(Value("ClubDetail", club, "Type").AsInteger(), 9) << at;
                    const double lat = t.FieldByName("Latitude").AsFloat(), lon = t.FieldByName("Longitude").AsFloat();
                    if (lat == 0.0 && lon == 0.0) continue;
                    ++shots;
                    EXPECT_LE(GeodesicDistance(teeLat, teeLon, lat, lon, 0, 0), length + 20) << at;
                    EXPECT_LE(GeodesicDistance(pinLat, pinLon, lat, lon, 0, 0), length) << at;
                    EXPECT_GT(t.FieldByName("ShotLength").AsInteger(), 0) << at;
                }
            }
        }
        EXPECT_GE(drives, 12 + 6);
        EXPECT_GT(shots, 60);
    }
    // The rounds list's first round on its holes page: the tee chosen first,
    // then hole 1 drawn with its course points and every positioned shot.
    void ExpectHoleDrawing() {
        MainForm->Rounds1->trigger();
        Flush();
        auto* list = Child<TRoundsForm>();
        ASSERT_NE(list, nullptr);
        list->SelectRow(0);
        list->Viewround1Click();
        Flush();
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please check the course and tee."});
        log.Clear();
        auto* editor = Child<TEditRoundForm>();
        ASSERT_NE(editor, nullptr);
        ASSERT_GT(editor->TeeComboBox->count(), 0);
        editor->TeeComboBox->setCurrentIndex(0);
        editor->OKBtn->click();
        Flush();
        list->SelectRow(0);
        list->Viewround1Click();
        Flush();
        EXPECT_TRUE(log.Empty()) << log.Texts().front();
        auto* round = Child<TRoundFrm>();
        ASSERT_NE(round, nullptr);
        round->PageControl->setCurrentIndex(1);
        ProcessEventsFor(300);
        for (int hole = 1; hole <= 3; ++hole) {
            round->ShowHole(hole);
            // Holes 1 and 3 are a par 4 and a par 5, hole 2 a par 3.
            const std::string club = round->ShotLabels[0][1]->text().toStdString();
            if (hole == 2) {
                EXPECT_NE(club, "Unknown");
                EXPECT_NE(club, "Driver");
            } else {
                EXPECT_EQ(club, "Driver") << hole;
            }
            int tees = 0, shots = 0, pins = 0;
            for (int i = 0; i < round->ScenePointCount; ++i) {
                const MarkPointType& p = round->ScenePoints[i];
                const bool positioned = p.X != 0 && p.Y != 0;
                if (p.Text.rfind("Tee", 0) == 0 && positioned) ++tees;
                if (p.Text == "PIN" && positioned) ++pins;
                if (p.Text.rfind("Shot", 0) == 0) {
                    EXPECT_TRUE(positioned) << hole << " " << p.Text;
                    ++shots;
                }
            }
            EXPECT_EQ(tees, 1) << hole;
            EXPECT_EQ(pins, 1) << hole;
            EXPECT_GT(shots, 0) << hole;
        }
        // Every label whole over the markers ("PIN" and "2 Putt(s)" over the
        // green, "BUNKER" over its bunker), on each hole of the round.
        for (int hole = 1; hole <= 9; ++hole) {
            round->ShowHole(hole);
            ProcessEventsFor(100);
            const LabelCheck labels = CheckLabelsWhole(*round->OpenGLAPPanel1, *round->Scene, round->ScenePoints);
            EXPECT_GT(labels.text, 100) << hole;
            EXPECT_EQ(labels.lost, 0) << labels.lost << " of " << labels.text << " label pixels erased on hole " << hole;
        }
        round->ShowHole(1);
        ProcessEventsFor(200);
        Shot(MainForm, "u8sim-round-hole");
        round->OKBtn->click();
        Flush();
        list->close();
        Flush();
    }

};
}  // namespace

TEST_F(U8simProcessTest, APopulatedU8ThroughEveryDeviceWindowAndRoad) {
    StartU8sim("full");
    // A bag of the player's own with three clubs, for the road to the device.
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    AppendRowBeforeStart("GolfBag", {{"UserId", 1}, {"BagName", "Sunday"}});
    AppendRowBeforeStart("ClubDetail", {{"UserId", 1}, {"ClubName", "Driver"}, {"U8_Name", "Driver"}, {"Type", 0}});
    AppendRowBeforeStart("ClubDetail", {{"UserId", 1}, {"ClubName", "Putter"}, {"U8_Name", "Putter"}, {"Type", 9}});
    AppendRowBeforeStart("ClubDetail", {{"UserId", 1}, {"ClubName", "Iron 7"}, {"U8_Name", "Iron 7"}, {"Type", 1}});
    Start();
    const long long bagId = Value("GolfBag", "BagName='Sunday'", "BagId").AsInteger();
    int holder = 0;
    for (const char* club : {"Driver", "Iron 7", "Putter"})
        AppendRow(MainForm->Database, "Clubs",
                  {{"ClubId", Value("ClubDetail", std::string("ClubName='") + club + "'", "ClubId")},
                   {"BagId", bagId},
                   {"OrderNumber", ++holder}});

    // Settings: read, one value changed and written, read back.
    auto* settings = OpenSettings(true);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    ASSERT_TRUE(settings->Connected());
    const int contrast = settings->Contrast->value();
    const int newContrast = contrast == settings->Contrast->maximum() ? contrast - 1 : contrast + 1;
    settings->Contrast->setValue(newContrast);
    settings->OKBtn->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    settings = OpenSettings(true);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->Contrast->value(), newContrast);
    settings->CancelBtn->click();
    Flush();

    // The memory manager lists what the device holds.
    TMemoryManagerForm* memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(memory->CoursesListView->count(), 3);
    EXPECT_EQ(memory->RoundsListView->count(), 2);
    EXPECT_EQ(memory->BagsListView->count(), 1);
    memory->Cancel->click();
    Flush();

    // U8 to Caddora, courses.
    Steps courses;
    Welcome(courses, [] { return TransWiz1->U8Button; });
    FromU8(courses, &TTransWiz21::CoursesButton);
    courses.Then([] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() == 3; }, [] {
        SelectAll(TransWiz31->CourseListBox);
        TransWiz31->NextButton->click();
    });
    EXPECT_EQ(RunWizard(courses), 4u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer of course(s) completed successfully!"});
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_GT(Count("Waypoints"), 0);
    log.Clear();

    // U8 to Caddora, rounds: the device list of games.
    Steps rounds;
    Welcome(rounds, [] { return TransWiz1->U8Button; });
    FromU8(rounds, &TTransWiz21::RoundsButton);
    rounds.Then([] { return Up(TransWiz35) && TransWiz35->RoundsListBox->topLevelItemCount() == 2; }, [] {
        // Every column in view, "Score" whole, no scroll bar.
        QTreeWidget* list = TransWiz35->RoundsListBox;
        QHeaderView* header = list->header();
        EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
        EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), list->viewport()->width());
        EXPECT_GE(header->sectionSize(3), header->sectionSizeHint(3));
        Shot(TransWiz35, "u8sim-device-rounds");
        SelectAll(TransWiz35->RoundsListBox);
        TransWiz35->NextButton->click();
    });
    EXPECT_EQ(RunWizard(rounds), 4u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer of round(s) completed successfully!"});
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_GT(Count("RoundShots"), 0);
    log.Clear();
    ExpectGolfersRounds();
    ExpectHoleDrawing();

    // All rounds, U8 to Caddora: nothing is stored twice.
    Steps all;
    Welcome(all, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(all), 2u);
    ASSERT_FALSE(log.Empty());
    EXPECT_EQ(log.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Round"), 2);
    log.Clear();

    // Caddora to U8, a course: room made on the device first.
    memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    const QString removed = memory->CoursesListView->item(2)->text();
    EXPECT_EQ(DeleteAndClose(memory, memory->CoursesListView, memory->CoursesListView->item(2), log), 2);
    log.Clear();
    Steps course;
    Welcome(course, [] { return TransWiz1->KXButton; });
    ToU8(course, &TTransWiz3::CoursesButton);
    course.Then([] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() == 3; }, [removed] {
        SelectCourse(removed);
        TransWiz31->NextButton->click();
    });
    course.Then([] { return Up(TransWiz4) && TransWiz4->InLoop() && TransWiz4->FinishButton->isEnabled(); }, [] { TransWiz4->FinishButton->click(); });
    EXPECT_EQ(RunWizard(course), 6u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    log.Clear();
    memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->CoursesListView->count(), 3);
    memory->Cancel->click();
    Flush();

    // Caddora to U8, the bag: the device's other bag removed first.
    memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->BagsListView->count() == 1; }, 30000));
    EXPECT_EQ(DeleteAndClose(memory, memory->BagsListView, memory->BagsListView->item(0), log), 0);
    log.Clear();
    Steps bag;
    Welcome(bag, [] { return TransWiz1->KXButton; });
    ToU8(bag, &TTransWiz3::BagsButton);
    bag.Then([] { return Up(TransWiz32) && TransWiz32->BagsListBox->count() > 0; }, [] {
        const auto sunday = TransWiz32->BagsListBox->findItems("Sunday", Qt::MatchExactly);
        EXPECT_EQ(sunday.size(), 1);
        Pictured(TransWiz32, "SidePicture");
        Shot(TransWiz32, "u8sim-bags");
        TransWiz32->BagsListBox->clearSelection();
        for (QListWidgetItem* item : sunday) item->setSelected(true);
        TransWiz32->NextButton->click();
    });
    bag.Then([] { return Up(TransWiz4) && TransWiz4->InLoop() && TransWiz4->FinishButton->isEnabled(); }, [] {
        Pictured(TransWiz4, "HeaderPicture");
        // The summary lies on the button face: a corner below its lines.
        QWidget* memo = TransWiz4->Memo1->viewport();
        const QImage summary = memo->grab().toImage();
        EXPECT_EQ(QColor(summary.pixel(summary.width() - 4, summary.height() - 4)),
                  TransWiz4->palette().color(QPalette::Button));
        Shot(TransWiz4, "u8sim-send");
        TransWiz4->FinishButton->click();
    });
    EXPECT_EQ(RunWizard(bag), 6u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    log.Clear();
    memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->BagsListView->count() > 0; }, 30000));
    EXPECT_FALSE(memory->BagsListView->findItems("Sunday", Qt::MatchExactly).isEmpty());
    memory->Cancel->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
}

TEST_F(U8simProcessTest, AnEmptyU8ListsNothingAndFetchesNothing) {
    StartU8sim("empty");
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    Start();

    auto* settings = OpenSettings(true);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->Connected());
    settings->CancelBtn->click();
    Flush();

    TMemoryManagerForm* memory = OpenMemoryManager(0);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->RoundsListView->count(), 0);
    memory->Cancel->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();

    Steps all;
    Welcome(all, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(all), 2u);
    EXPECT_EQ(Count("Round"), 0);
    EXPECT_EQ(Count("Course_General"), 0);
    log.Clear();

    // The query page of the web road, with its picture.
    Steps query;
    Welcome(query, [] { return TransWiz1->DownloadButton; });
    query.Then([] { return Up(TransWiz34); }, [] {
        Pictured(TransWiz34, "SidePicture");
        Shot(TransWiz34, "u8sim-query");
        TransWiz34->CancelButton->click();
    });
    EXPECT_EQ(RunWizard(query), 3u);

    Steps rounds;
    Welcome(rounds, [] { return TransWiz1->U8Button; });
    FromU8(rounds, &TTransWiz21::RoundsButton);
    rounds.Then([] { return Up(TransWiz35); }, [] {
        ProcessEventsFor(50);
        EXPECT_EQ(TransWiz35->RoundsListBox->topLevelItemCount(), 0);
        TransWiz35->CancelButton->click();
    });
    EXPECT_EQ(RunWizard(rounds), 4u);
}

// A U8 that was used with another database (its course numbers 7, 6 and 5
// are numbers this database gives anew) and that stays silent on the first
// game-header write: every device course becomes a course of its own with
// its own points, every round lands on the course it was played on, the
// road says that a course failed, and a second run adds nothing.
TEST_F(U8simProcessTest, AllRoundsFromAU8OfAnotherDatabase) {
    // Three entries of four writes each, then the first header.
    StartU8sim("colliding", {"--silent-write", "13"});
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    for (const char* name : {"Links A", "Links B", "Links C"})
        AppendRowBeforeStart("Course_General", {{"Course_Name", name}, {"U8_Name", ""}, {"18Holes", false}, {"Tees", 1}});
    Start();

    Steps all;
    Welcome(all, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(all), 2u);
    const std::vector<std::string> texts = log.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Transfer of course TESTGC failed! Please try again.\n", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1], "Transfer completed with errors!");
    log.Clear();

    auto course = [](const char* name) {
        return Value("Course_General", std::string("Course_Name = '") + name + "'", "CourseId").AsInteger();
    };
    auto points = [](int id) { return Count("Waypoints", "CourseId = " + std::to_string(id)); };
    EXPECT_EQ(Count("Course_General"), 6);
    const int home = course("HOMECRS"), second = course("SECOND"), testgc = course("TESTGC");
    EXPECT_EQ(points(home), 90);
    EXPECT_EQ(points(second), 45);
    EXPECT_EQ(points(testgc), 90);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Value("Round", "RoundStartDate = '2024-05-17 09:30:00'", "CourseId").AsInteger(), testgc);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(second)), 1);

    Steps again;
    Welcome(again, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(again), 2u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    EXPECT_EQ(Count("Course_General"), 6);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Waypoints"), 90 + 45 + 90);

    // The device's directory holds the three courses' distinct numbers.
    TMemoryManagerForm* memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->CoursesListView->count(), 3);
    memory->Cancel->click();
    Flush();
}

// A U8 that leaves the first point read of each course unanswered: "All
// Rounds" fails the three courses and stores the rounds without a course.
// A clean second run stores the courses, and the rounds, already there,
// lie on them: the open rounds list names their courses.
TEST_F(U8simProcessTest, AllRoundsFindTheirCoursesOnACleanSecondRun) {
    StartU8sim("full", {"--silent-points", "3"});
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    Start();
    MainForm->Rounds1->trigger();
    Flush();
    auto* list = Child<TRoundsForm>();
    ASSERT_NE(list, nullptr);
    auto courses = [list] {
        std::vector<std::string> names;
        QAbstractItemModel* model = list->RoundsGrid->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.push_back(model->index(row, 1).data().toString().toStdString());
        std::sort(names.begin(), names.end());
        return names;
    };

    Steps first;
    Welcome(first, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(first), 2u);
    const std::vector<std::string> texts = log.Texts();
    ASSERT_EQ(texts.size(), 4u);
    for (const char* course : {"Oak Hill", "Pine Vly", "Sea Links"})
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [course](const std::string& t) {
                      return t.rfind(std::string("Transfer of course ") + course + " failed! Please try again.", 0) == 0;
                  }),
                  1)
            << course;
    EXPECT_EQ(texts.back(), "Transfer completed with errors!");
    log.Clear();
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(Count("Round", "CourseId = 0"), 2);
    EXPECT_EQ(courses(), (std::vector<std::string>{"Unknown course", "Unknown course"}));

    Steps again;
    Welcome(again, [] { return TransWiz1->DownloadAllRoundsU8Button; });
    EXPECT_EQ(RunWizard(again), 2u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    log.Clear();
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    const long long oak = Value("Course_General", "Course_Name = 'Oak Hill'", "CourseId").AsInteger();
    const long long pine = Value("Course_General", "Course_Name = 'Pine Vly'", "CourseId").AsInteger();
    EXPECT_EQ(Value("Round", "RoundStartDate = '2024-05-17 09:30:00'", "CourseId").AsInteger(), oak);
    EXPECT_EQ(Value("Round", "RoundStartDate = '2024-06-17 09:30:00'", "CourseId").AsInteger(), pine);
    EXPECT_EQ(courses(), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    list->close();
    Flush();
}

namespace {
// A course slot as the U8 holds it, read through the device link: its
// directory entry and the points of its id block (id to name).
struct DeviceSlot {
    CourseEntry Entry{};
    std::map<int, std::string> Points;
};

DeviceSlot ReadSlot(int slot) {
    HeldOnDevice held = ReadHeldOnDevice(u8::FirstCoursePointId(slot), u8::LastCoursePointId(slot));
    return {held.Directory[slot], std::move(held.Points)};
}

// Each hole's flags and counts tell the points its ids hold; a hole the
// course does not have holds none.
void ExpectFlagsMatchPoints(const DeviceSlot& d, int slot) {
    for (int h = 0; h < 18; ++h) {
        const CourseHoleEntry& he = d.Entry.Hole[h];
        auto has = [&](int k) { return d.Points.count(u8::PointsPerCourse * slot + u8::PointsPerHole * h + k) != 0; };
        if (h >= d.Entry.Holes) {
            for (int k = 1; k <= 9; ++k) EXPECT_FALSE(has(k)) << h << " " << k;
            continue;
        }
        for (int k = 1; k <= 4; ++k) EXPECT_EQ((he.Flags >> (k - 1)) & 1, has(k) ? 1 : 0) << h << " " << k;
        int hazards = 0;
        for (int k = 5; k <= 9; ++k) hazards += has(k);
        EXPECT_EQ(+he.PointSum, hazards) << h;
        EXPECT_EQ(he.Counts[0] + he.Counts[1] + he.Counts[2], hazards) << h;
    }
}

// A nine-hole course of this database with a point of each of the kinds on
// every hole (kinds being point types, 1 the tee of tee 1); returns its number.
long long AddNineHoles(const char* name, std::initializer_list<std::pair<int, const char*>> kinds) {
    TDatabase& db = MainForm->Database;
    const long long course = AppendRow(db, "Course_General", {{"Course_Name", name}, {"U8_Name", ""},
                                                             {"18Holes", false}, {"Tees", 1}});
    for (int h = 1; h <= 9; ++h) {
        const long long hole = AppendRow(db, "Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                                       {"HoleLength1", 300 + h}, {"HoleHCP1", h}});
        int n = 0;
        for (auto [type, text] : kinds)
            AppendRow(db, "Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", type}, {"Tee", 1},
                                        {"Latitude", 59.3 + h * 0.002 + ++n * 0.0002}, {"Longitude", 18.1},
                                        {"Name", text}});
    }
    return course;
}

// The same points on each of the nine holes of a slot.
std::map<int, std::string> OnNineHoles(int slot, std::initializer_list<std::pair<int, const char*>> kinds) {
    std::map<int, std::string> points;
    for (int h = 0; h < 9; ++h)
        for (auto [k, text] : kinds) points[u8::PointsPerCourse * slot + u8::PointsPerHole * h + k] = text;
    return points;
}

class U8simUploadTest : public U8simProcessTest {
protected:
    // Caddora to U8, the course of the name; then, when the upload fails,
    // the send page's Cancel. Returns the steps done.
    size_t Upload(const QString& name, int listed, bool fails = false) {
        Steps s;
        Welcome(s, [] { return TransWiz1->KXButton; });
        ToU8(s, &TTransWiz3::CoursesButton);
        s.Then([listed] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() == listed; },
               [name] {
                   SelectCourse(name);
                   TransWiz31->NextButton->click();
               });
        s.Then([] { return Up(TransWiz4) && TransWiz4->InLoop() && TransWiz4->FinishButton->isEnabled(); },
               [] { TransWiz4->FinishButton->click(); });
        if (fails) s.Then([this] { return !log.Empty(); }, [] { TransWiz4->CancelButton->click(); });
        return RunWizard(s);
    }
};
}  // namespace

// Slot 2 of a U8 used with another database holds TESTGC (18 holes with
// tee, pin, green, water and bunker) under number 5; this database's course
// 5 has tees only. Afterwards the slot holds the tees and nothing of TESTGC.
TEST_F(U8simUploadTest, ACourseReplacesWhatItsSlotHeld) {
    StartU8sim("colliding");
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    for (const char* name : {"Links A", "Links B", "Links C", "Links D"})
        AppendRowBeforeStart("Course_General", {{"Course_Name", name}, {"U8_Name", ""}, {"18Holes", false}, {"Tees", 1}});
    Start();
    ASSERT_EQ(AddNineHoles("Heath", {{1, "Tee"}}), 5);
    ASSERT_EQ(ReadSlot(2).Points.size(), 90u);

    EXPECT_EQ(Upload("Heath", 5), 6u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    const DeviceSlot slot = ReadSlot(2);
    EXPECT_EQ(+slot.Entry.CourseId, 5);
    EXPECT_EQ(+slot.Entry.Holes, 9);
    EXPECT_EQ(slot.Points, OnNineHoles(2, {{1, "Tee"}}));
    for (int h = 0; h < 9; ++h) EXPECT_EQ(+slot.Entry.Hole[h].Flags, 0x01) << h;
    ExpectFlagsMatchPoints(slot, 2);
    EXPECT_EQ(ReadSlot(0).Points.size(), 90u);  // HOMECRS is as it was
}

// The twentieth point write goes unanswered: the slot stays free and the
// twenty points written stay on the device. The next upload into that slot
// removes them.
TEST_F(U8simUploadTest, AGoodUploadClearsWhatAFailedOneLeftInItsSlot) {
    StartU8sim("empty", {"--silent-point-write", "20"});
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
    Start();
    AddNineHoles("Long Acre", {{1, "Tee"}, {2, "Pin"}, {3, "Green"}, {4, "Lay up"}, {5, "Water"}});
    const long long shortAcre = AddNineHoles("Short Acre", {{1, "Tee"}, {2, "Pin"}});

    EXPECT_EQ(Upload("Long Acre", 2, true), 7u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Error in updating course data.\nPlease try again."});
    log.Clear();
    DeviceSlot slot = ReadSlot(0);
    EXPECT_EQ(+slot.Entry.CourseId, u8::FreeSlot);
    EXPECT_EQ(slot.Points.size(), 20u);

    EXPECT_EQ(Upload("Short Acre", 2), 6u);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    slot = ReadSlot(0);
    EXPECT_EQ(+slot.Entry.CourseId, shortAcre);
    EXPECT_EQ(slot.Points, OnNineHoles(0, {{1, "Tee"}, {2, "Pin"}}));
    ExpectFlagsMatchPoints(slot, 0);
}
