// After a round: the U8 on the cable, all rounds fetched with the transfer
// wizard, the round looked at page by page, a shot mended and the card
// printed; the device's own tools; then the program started again.
#include <QComboBox>
#include <QFileInfo>
#include <QPrinter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include "courses/Coursechild.h"
#include "courses/Mcourse.h"
#include "devicetools/Memorymanager.h"
#include "players/Childwin.h"
#include "players/Clubstats.h"
#include "players/Playereditor.h"
#include "shell/About.h"
#include "devicetools/Settings.h"
#include "journey/Simjourney.h"
#include "platform/Inifile.h"
#include "platform/Registry.h"
#include "rounds/Editround.h"
#include "rounds/Proctrls.h"
#include "rounds/Round.h"
#include "rounds/Rounds.h"
#include "rounds/Shotedit.h"
#include "rounds/Topenglappanel.h"
#include "common/Printform.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
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

using DeviceJourneyTest = SimJourney<>;

TEST_F(DeviceJourneyTest, AllRoundsThenTheRoundPageByPageAndRestart) {
    Start();
    ASSERT_EQ(MainForm->NewPlayerWindow, nullptr);
    MainForm->Rounds1->trigger();
    Flush();
    auto* rounds = Child<TRoundsForm>();
    ASSERT_NE(rounds, nullptr);
    EXPECT_EQ(rounds->RoundsGrid->model()->rowCount(), 0);

    FetchAllRounds();
    ASSERT_FALSE(log.Empty());
    EXPECT_EQ(log.Texts().back(), "Transfer completed successfully!");
    // The open list shows the new rounds.
    ASSERT_EQ(rounds->RoundsGrid->model()->rowCount(), 2);
    const int storedRounds = Count("Round");
    const int storedCourses = Count("Course_General");
    const int storedShots = Count("RoundShots");
    EXPECT_EQ(storedRounds, 2);
    EXPECT_GT(storedShots, 0);
    Shot(MainForm, "20-rounds-list");

    // The round window: scorecard, holes with the drawing, statistics.
    log.Clear();
    // A device round has no tee yet: the editor asks for it first.
    rounds->SelectRow(0);
    rounds->Viewround1Click();
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please check the course and tee."});
    EXPECT_EQ(ChildCount<TRoundFrm>(), 0);
    auto* editor = Child<TEditRoundForm>();
    ASSERT_NE(editor, nullptr);
    EXPECT_GT(Colours(Shot(MainForm, "21a-edit-round-tee")), 8);
    ASSERT_GT(editor->TeeComboBox->count(), 0);
    EXPECT_FALSE(editor->CourseComboBox->currentText().isEmpty());
    editor->TeeComboBox->setCurrentIndex(0);
    editor->OKBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TEditRoundForm>(), 0);
    rounds->SelectRow(0);
    log.Clear();
    rounds->Viewround1Click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    auto* round = Child<TRoundFrm>();
    ASSERT_NE(round, nullptr);
    EXPECT_EQ(round->PlayerLabel->text(), "Ann Berg");
    EXPECT_EQ(round->CardRows(), 10);  // the watch's nine, stored with holes 10-18 unplayed
    EXPECT_GT(Colours(Shot(MainForm, "21-round-scorecard")), 8);
    round->PageControl->setCurrentIndex(1);
    ProcessEventsFor(300);
    ASSERT_NE(round->OpenGLAPPanel1, nullptr);
    EXPECT_GT(round->OpenGLAPPanel1->width(), 50);
    EXPECT_GT(round->OpenGLAPPanel1->height(), 50);
    const QImage scene = round->OpenGLAPPanel1->grabFramebuffer();
    Shot(MainForm, "22-round-holes");
    if (const char* dir = std::getenv("JOURNEY_SHOTS"))
        scene.save(QString(dir) + "/22b-hole-scene.png");
    EXPECT_GT(Colours(scene), 4);
    // The shot rows show whole.
    int shotLabels = 0;
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 4; ++c)
            if (QLabel* l = round->ShotLabels[r][c]; l && l->isVisible() && !l->text().trimmed().isEmpty()) {
                ++shotLabels;
                EXPECT_TRUE(ShowsWhole(l)) << r << "," << c << " " << l->text().toStdString();
            }
    EXPECT_GT(shotLabels, 6);
    // Another hole with shots.
    int other = -1;
    for (int h = 1; h < 18 && other < 0; ++h)
        if (round->HoleButtons[h]->isEnabled()) other = h;
    ASSERT_GE(other, 0);
    round->HoleButtons[other]->click();
    ProcessEventsFor(200);
    EXPECT_EQ(round->HoleNro->text(), QString::number(other + 1));
    EXPECT_GT(Colours(round->OpenGLAPPanel1->grabFramebuffer()), 4);
    // The view's own buttons and the mouse each change the picture.
    auto picture = [round] {
        ProcessEventsFor(60);
        return round->OpenGLAPPanel1->grabFramebuffer();
    };
    QImage before = picture();
    for (TProSpeedButton* b : {round->ToolbtnZoomIN, round->ToolbtnRotLeft, round->ToolbtnZoomOUT}) {
        ASSERT_NE(b, nullptr);
        ClickAt(b, b->rect().center());
        const QImage after = picture();
        EXPECT_NE(after, before) << b->objectName().toStdString();
        before = after;
    }
    QWidget* gl = round->OpenGLAPPanel1;
    const QPoint from = gl->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, from, gl->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(gl, &press);
    for (int step = 1; step <= 5; ++step) {
        const QPoint at = from + QPoint(10 * step, 6 * step);
        QMouseEvent move(QEvent::MouseMove, at, gl->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(gl, &move);
    }
    const QPoint to = from + QPoint(50, 30);
    QMouseEvent release(QEvent::MouseButtonRelease, to, gl->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(gl, &release);
    EXPECT_NE(picture(), before);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();

    // The round card printed.
    Steps print;
    QString card;
    print.Then([] { return Up(PrintingForm); }, [&card] {
        ProcessEventsFor(200);
        card = PrintingForm->PrintWebBrowser->toPlainText();
        Shot(PrintingForm, "23-round-print");
        PrintingForm->CancelButton->click();
    });
    EXPECT_EQ(print.Run([round] { round->PrintButton->click(); }), 1u);
    EXPECT_TRUE(card.contains("Ann Berg")) << card.toStdString();
    EXPECT_FALSE(card.contains("Out")) << card.toStdString();
    round->OKBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TRoundFrm>(), 0);

    // A shot mended in the round editor.
    rounds->SelectRow(0);
    rounds->EditroundClick();
    Flush();
    editor = Child<TEditRoundForm>();
    ASSERT_NE(editor, nullptr);
    EXPECT_GT(Colours(Shot(MainForm, "24-edit-round")), 8);
    ASSERT_GT(editor->ShotsView->topLevelItemCount(), 0);
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(0));
    Steps shot;
    shot.Then([] { return Up(ShotEditForm); }, [] {
        Shot(ShotEditForm, "25-shot-editor");
        ShotEditForm->LengthEdit->setText("123");
        ShotEditForm->DescriptionEdit->setText("Mended");
        ShotEditForm->Button1Click();
    });
    EXPECT_EQ(shot.Run([editor] { editor->Editshot1Click(); }), 1u);
    Flush();
    EXPECT_EQ(Count("RoundShots", "Description='Mended'"), 1);
    editor->OKBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TEditRoundForm>(), 0);
    EXPECT_EQ(Count("RoundShots"), storedShots);

    // The eighteen-hole round, its tee chosen first: the statistics show whole.
    rounds->SelectRow(1);
    rounds->EditroundClick();
    Flush();
    editor = Child<TEditRoundForm>();
    ASSERT_NE(editor, nullptr);
    editor->TeeComboBox->setCurrentIndex(0);
    editor->OKBtn->click();
    Flush();
    rounds->SelectRow(1);
    rounds->Viewround1Click();
    Flush();
    round = Child<TRoundFrm>();
    ASSERT_NE(round, nullptr);
    EXPECT_EQ(round->CardRows(), 22);
    Shot(MainForm, "26-round-18-holes");
    for (QLabel* l : {round->FirLabel, round->GirLabel, round->PutsLabel, round->BunkerLabel}) {
        EXPECT_FALSE(l->text().isEmpty()) << l->objectName().toStdString();
        EXPECT_TRUE(ShowsWhole(l)) << l->objectName().toStdString() << " " << l->text().toStdString();
    }
    EXPECT_EQ(round->FirLabel->text(), "12 of 12 (100%)");
    round->OKBtn->click();
    Flush();

    // A second fetch adds nothing.
    log.Clear();
    FetchAllRounds();
    EXPECT_EQ(Count("Round"), storedRounds);
    EXPECT_EQ(Count("Course_General"), storedCourses);
    EXPECT_EQ(rounds->RoundsGrid->model()->rowCount(), 2);

    // Start again on the same data.
    Stop();
    log.Clear();
    Start();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    MainForm->Rounds1->trigger();
    Flush();
    rounds = Child<TRoundsForm>();
    ASSERT_NE(rounds, nullptr);
    EXPECT_EQ(rounds->RoundsGrid->model()->rowCount(), 2);
    EXPECT_EQ(Count("RoundShots", "Description='Mended'"), 1);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
}

TEST_F(DeviceJourneyTest, DeviceSettingsAndMemoryManager) {
    Start();
    const std::vector<uint8_t> settingsBefore = sim.Device().Read(0, 103);

    // Settings: read from the device, one value changed, the web account typed.
    auto* settings = OpenSettings(true);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    ASSERT_TRUE(settings->Connected());
    EXPECT_TRUE(settings->Version->text().startsWith("Version: ")) << settings->Version->text().toStdString();
    EXPECT_GT(Colours(Shot(MainForm, "30-settings")), 8);
    const int contrast = settings->Contrast->value();
    const int newContrast = contrast == settings->Contrast->maximum() ? contrast - 1 : contrast + 1;
    settings->Contrast->setValue(newContrast);
    settings->PageControl->setCurrentIndex(settings->PageControl->count() - 1);
    Shot(MainForm, "31-settings-last-page");
    settings->UserNameEdit->setText("ann");
    settings->PassWordEdit->setText("pw");
    settings->OKBtn->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(ChildCount<TSettingsForm>(), 0);
    EXPECT_NE(sim.Device().Read(0, 103), settingsBefore);

    // Opened again: the device's new value and the account as typed.
    settings = OpenSettings(false);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->UserNameEdit->text(), "ann");
    settings->Connect->click();
    Flush();
    EXPECT_EQ(settings->Contrast->value(), newContrast);
    settings->CancelBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TSettingsForm>(), 0);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();

    // The memory manager lists what the device holds and deletes a round.
    MainForm->U8MemoryManager1->trigger();
    Flush();
    auto* memory = Child<TMemoryManagerForm>();
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->RoundsListView->count() > 0; }, 10000));
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(memory->RoundsListView->count(), 2);
    EXPECT_EQ(memory->CoursesListView->count(), 3);
    EXPECT_EQ(memory->BagsListView->count(), 1);  // the first bag is the device's own
    EXPECT_GT(Colours(Shot(MainForm, "32-memory-manager")), 8);
    memory->RoundsListView->item(0)->setCheckState(Qt::Checked);
    log.QueueAnswer(IDYES);
    memory->Delete->click();
    Flush();
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_EQ(log.Messages().front().caption, "Remove data from U8");
    EXPECT_EQ(memory->RoundsListView->count(), 1);
    Shot(MainForm, "33-memory-manager-after");
    memory->Cancel->click();
    Flush();
    EXPECT_EQ(ChildCount<TMemoryManagerForm>(), 0);
    // Opened again, the device still holds one round.
    MainForm->U8MemoryManager1->trigger();
    Flush();
    memory = Child<TMemoryManagerForm>();
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->CoursesListView->count() > 0; }, 10000));
    EXPECT_EQ(memory->RoundsListView->count(), 1);
    memory->Cancel->click();
    Flush();
}

namespace {
std::vector<std::string> MemoLines() {
    std::vector<std::string> out;
    for (const QString& l : TransWiz4->Memo1->toPlainText().split('\n')) out.push_back(l.toStdString());
    return out;
}
void SelectAll(QTreeWidget* list) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) list->topLevelItem(i)->setSelected(true);
}
}  // namespace

TEST_F(DeviceJourneyTest, PeakrallyUploadsAndACourseDownloaded) {
    webdouble::WebDouble web{3};
    web.SetAccount("ann", "pw");
    web.AddCourse(webdouble::WebDouble::SampleCourse("Birch Links", 9, 2));
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address", web.Address());
    Start();
    // The account as the golfer types it.
    auto* settings = OpenSettings(false);
    ASSERT_NE(settings, nullptr);
    settings->UserNameEdit->setText("ann");
    settings->PassWordEdit->setText("pw");
    settings->OKBtn->click();
    Flush();
    FetchAllRounds();
    ASSERT_EQ(Count("Round"), 2);
    const int courses = Count("Course_General");

    // Caddora to Peakrally: the courses, the bag, the rounds.
    auto toWeb = [](Steps& s, QRadioButton* TTransWiz3::*kind) {
        s.Then([] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); });
        s.Then([] { return Up(TransWiz1); }, [] {
            TransWiz1->KXButton->click();
            TransWiz1->NextButton->click();
        });
        s.Then([] { return Up(TransWiz2); }, [] {
            TransWiz2->WebButton->click();
            TransWiz2->NextButton->click();
        });
        s.Then([] { return Up(TransWiz3); }, [kind] {
            (TransWiz3->*kind)->click();
            TransWiz3->NextButton->click();
        });
    };
    log.Clear();
    Steps up;
    toWeb(up, &TTransWiz3::CoursesButton);
    up.Then([] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() > 0; }, [] {
        Shot(TransWiz31, "40-course-choice");
        SelectAll(TransWiz31->CourseListBox);
        TransWiz31->NextButton->click();
    });
    up.Then([] { return Up(TransWiz4); }, [] {
        Shot(TransWiz4, "41-send-page");
        TransWiz4->FinishButton->click();
    });
    EXPECT_EQ(up.Run([] { MainForm->TransferWizard1->trigger(); }), 6u);
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>(courses, "Transfer ok!"));
    EXPECT_EQ(Count("Course_General", "Web_Id>0"), courses);
    EXPECT_EQ(int(web.Courses().size()), courses + 1);

    log.Clear();
    Steps bag;
    toWeb(bag, &TTransWiz3::BagsButton);
    bag.Then([] { return Up(TransWiz32) && TransWiz32->BagsListBox->count() > 0; }, [] {
        TransWiz32->BagsListBox->item(0)->setSelected(true);
        TransWiz32->NextButton->click();
    });
    bag.Then([] { return Up(TransWiz4); }, [] { TransWiz4->FinishButton->click(); });
    bag.Run([] { MainForm->TransferWizard1->trigger(); });
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer ok!"});
    EXPECT_EQ(web.Bags().size(), 1u);
    EXPECT_EQ(Count("GolfBag", "BagWebId>0"), 1);

    log.Clear();
    Steps round;
    toWeb(round, &TTransWiz3::RoundsButton);
    round.Then([] { return Up(TransWiz35) && TransWiz35->RoundsListBox->topLevelItemCount() == 2; }, [] {
        Shot(TransWiz35, "42-round-choice");
        SelectAll(TransWiz35->RoundsListBox);
        TransWiz35->NextButton->click();
    });
    round.Then([] { return Up(TransWiz4); }, [] { TransWiz4->FinishButton->click(); });
    round.Run([] { MainForm->TransferWizard1->trigger(); });
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>(2, "Transfer ok!"));
    EXPECT_EQ(web.Rounds().size(), 2u);
    EXPECT_EQ(Count("Round", "Web_Id>0"), 2);
    // The watch's nine goes with the strokes of its nine holes.
    EXPECT_EQ(web.Rounds().at(1).header.at("HOLESHOTSTOTAL"), "4, 2, 4, 4, 2, 4, 4, 2, 4");

    // Peakrally to Caddora: a course of another golfer, with the list open.
    MainForm->Course1->trigger();
    Flush();
    auto* list = Child<TCourseForm>();
    ASSERT_NE(list, nullptr);
    const int rows = list->CourseGrid->model()->rowCount();
    log.Clear();
    Steps down;
    std::vector<std::string> summary;
    down.Then([] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); });
    down.Then([] { return Up(TransWiz1); }, [] {
        TransWiz1->DownloadButton->click();
        TransWiz1->NextButton->click();
    });
    down.Then([] { return Up(TransWiz34); }, [] {
        Shot(TransWiz34, "43-course-query");
        TransWiz34->NextButton->click();
    });
    down.Then([] { return Up(TransWiz33) && TransWiz33->CourseListBox->topLevelItemCount() > 0; }, [] {
        Shot(TransWiz33, "44-course-list");
        for (int i = 0; i < TransWiz33->CourseListBox->topLevelItemCount(); ++i)
            if (TransWiz33->CourseListBox->topLevelItem(i)->text(0) == "Birch Links")
                TransWiz33->CourseListBox->topLevelItem(i)->setSelected(true);
        TransWiz33->NextButton->click();
    });
    down.Then([] { return Up(TransWiz4); }, [&summary] {
        summary = MemoLines();
        TransWiz4->FinishButton->click();
    });
    EXPECT_EQ(down.Run([] { MainForm->TransferWizard1->trigger(); }), 5u);
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer ok!"});
    EXPECT_EQ(summary, (std::vector<std::string>{"You have succesfully downloaded the following courses:",
                                                 "Birch Links"}));
    EXPECT_EQ(list->CourseGrid->model()->rowCount(), rows + 1);
    // It opens like any other course.
    for (int r = 0; r < list->CourseGrid->model()->rowCount(); ++r)
        if (list->CourseGrid->model()->index(r, 0).data().toString() == "Birch Links") list->CourseGrid->selectRow(r);
    log.Clear();
    list->Viewcourse1Click();
    Flush();
    auto* course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(course->NameEdit->text(), "Birch Links");
    EXPECT_EQ(course->GridRows(), 10);
    EXPECT_EQ(course->CoursepointsListView->topLevelItemCount(),
              Count("Waypoints", "CourseId=" + std::to_string(course->Tag)));
    EXPECT_GT(course->CoursepointsListView->topLevelItemCount(), 18);
    course->PageControl->setCurrentIndex(1);
    ProcessEventsFor(50);
    EXPECT_GT(Colours(Shot(MainForm, "45-downloaded-course")), 8);
    // Four-digit totals show whole.
    for (int tee = 1; tee <= course->GridTees(); ++tee) {
        QLineEdit* total = course->Cell(9, tee);
        ASSERT_NE(total, nullptr);
        EXPECT_EQ(total->text().size(), 4);
        EXPECT_TRUE(ShowsWhole(total)) << total->text().toStdString();
    }
    course->CancelBtn->click();
    Flush();
    for (const auto& r : web.Requests()) EXPECT_TRUE(r.wellFormed) << r.parseError;
}

TEST_F(DeviceJourneyTest, CourseBackToTheDeviceAndHousekeeping) {
    Start();
    FetchAllRounds();
    ASSERT_EQ(Count("Round"), 2);

    // Room on the device: a course removed there, then sent back from Caddora.
    MainForm->U8MemoryManager1->trigger();
    Flush();
    auto* memory = Child<TMemoryManagerForm>();
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->CoursesListView->count() == 3; }, 10000));
    QListWidgetItem* sea = nullptr;
    for (int i = 0; i < memory->CoursesListView->count(); ++i)
        if (memory->CoursesListView->item(i)->text() == "Sea Links") sea = memory->CoursesListView->item(i);
    ASSERT_NE(sea, nullptr);
    log.Clear();
    EXPECT_EQ(DeleteAndClose(memory, memory->CoursesListView, sea, log), 2);

    log.Clear();
    Steps send;
    send.Then([] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); });
    send.Then([] { return Up(TransWiz1); }, [] {
        TransWiz1->KXButton->click();
        TransWiz1->NextButton->click();
    });
    ToU8(send, &TTransWiz3::CoursesButton);
    send.Then([] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() > 0; }, [] {
        SelectCourse("Sea Links");
        Shot(TransWiz31, "50-course-to-device");
        TransWiz31->NextButton->click();
    });
    send.Then([] { return Up(TransWiz4); }, [] { TransWiz4->FinishButton->click(); });
    EXPECT_EQ(send.Run([] { MainForm->TransferWizard1->trigger(); }), 6u);
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    MainForm->U8MemoryManager1->trigger();
    Flush();
    memory = Child<TMemoryManagerForm>();
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(WaitFor([memory] { return memory->CoursesListView->count() > 0; }, 10000));
    EXPECT_EQ(memory->CoursesListView->count(), 3);
    // Sent under its U8 name.
    const QString u8Name = QString::fromStdString(
        Value("Course_General", "Course_Name='Sea Links'", "U8_Name").AsString());
    EXPECT_EQ(u8Name, "Sea Link");
    EXPECT_FALSE(memory->CoursesListView->findItems(u8Name, Qt::MatchExactly).isEmpty());
    memory->Cancel->click();
    Flush();

    // The rounds list: a filter with a quote, then a round deleted.
    MainForm->Rounds1->trigger();
    Flush();
    auto* rounds = Child<TRoundsForm>();
    ASSERT_NE(rounds, nullptr);
    log.Clear();
    rounds->Filter->setText("O'Hill");
    rounds->FilterChange();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(rounds->RoundsGrid->model()->rowCount(), 0);
    rounds->Filter->setText("");
    rounds->FilterChange();
    Flush();
    ASSERT_EQ(rounds->RoundsGrid->model()->rowCount(), 2);
    rounds->SelectRow(1);
    const int gone = rounds->RoundTable.FieldByName("RoundId").AsInteger();
    log.QueueAnswer(IDYES);
    rounds->DeleteroundClick();
    Flush();
    EXPECT_EQ(rounds->RoundsGrid->model()->rowCount(), 1);
    EXPECT_EQ(Count("Round"), 1);
    EXPECT_EQ(Count("RoundShots", "RoundId=" + std::to_string(gone)), 0);
    EXPECT_EQ(Count("RoundHoles", "RoundId=" + std::to_string(gone)), 0);

    // The course list: a filter with a quote.
    MainForm->Course1->trigger();
    Flush();
    auto* courses = Child<TCourseForm>();
    ASSERT_NE(courses, nullptr);
    log.Clear();
    courses->Filter->setText("O'H");
    courses->FilterChange();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(courses->CourseGrid->model()->rowCount(), 0);
    courses->Filter->setText("");
    courses->FilterChange();
    Flush();
    EXPECT_EQ(courses->CourseGrid->model()->rowCount(), 3);

    // The round card printed to a file.
    rounds->SelectRow(0);
    rounds->Viewround1Click();
    Flush();
    if (Child<TEditRoundForm>()) {  // no tee yet: chosen first
        auto* editor = Child<TEditRoundForm>();
        editor->TeeComboBox->setCurrentIndex(0);
        editor->OKBtn->click();
        Flush();
        rounds->SelectRow(0);
        rounds->Viewround1Click();
        Flush();
    }
    auto* round = Child<TRoundFrm>();
    ASSERT_NE(round, nullptr);
    log.Clear();
    const std::string pdf = home.File("card.pdf");
    PrintingForm->ChoosePrinter = [pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    Steps print;
    print.Then([] { return Up(PrintingForm); }, [] {
        ProcessEventsFor(100);
        PrintingForm->PrintButton->click();
    });
    EXPECT_EQ(print.Run([round] { round->PrintButton->click(); }), 1u);
    EXPECT_GT(QFileInfo(QString::fromStdString(pdf)).size(), 1000);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(DataPath("scorecard.xml"))));

    // The player's clubs after the rounds: statistics of a club.
    MainForm->Player1->trigger();
    Flush();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
    ed->PageControl1->setCurrentIndex(1);
    QTreeWidgetItem* bag = ed->TreeView1->topLevelItem(0);
    ASSERT_NE(bag, nullptr);
    ASSERT_GT(bag->childCount(), 1);
    ClickAt(ed->TreeView1->viewport(), ed->TreeView1->visualItemRect(bag).center());
    EXPECT_TRUE(ed->StatisticsButton->isEnabled());
    Steps stats;
    stats.Then([] { return Up(ClubStatsForm); }, [] {
        EXPECT_GT(Colours(Shot(ClubStatsForm, "51-bag-statistics")), 8);
        ClubStatsForm->OK->click();
    });
    EXPECT_EQ(stats.Run([ed] { ed->StatisticsButton->click(); }), 1u);
    ed->CancelBtn->click();
    Flush();

    // About, then the frame closed with windows open; started again.
    Steps about;
    about.Then([] { return Up(AboutBox); }, [] {
        EXPECT_GT(Colours(Shot(AboutBox, "52-about")), 8);
        AboutBox->close();
    });
    EXPECT_EQ(about.Run([] { MainForm->HelpAbout1->trigger(); }), 1u);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    MainForm->close();
    Flush();
    Stop();
    Start();
    EXPECT_EQ(Count("Round"), 1);
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
}
