// The first week: a new player with a bag, a course made and edited with
// points and printed, then the program started again on the same data.
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include "courses/Coursechild.h"
#include "courses/Createcourse.h"
#include "courses/Mcourse.h"
#include "courses/Newpoint.h"
#include "journey/Journeyfixture.h"
#include "support/Editorsteps.h"
#include "players/Childwin.h"
#include "players/Newclub.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "platform/Registry.h"
#include "common/Printform.h"
#include "sim/Webdouble.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"
#include "transfer/Transw3.h"
#include "transfer/Transw31.h"
#include "transfer/Transw4.h"

TEST_F(JourneyTest, FirstStartPlayerBagCourseAndRestart) {
    Start();
    // First start: the new-player window, nothing else to do.
    TNewPlayerForm* first = MainForm->NewPlayerWindow;
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(WaitFor([first] { return first->isVisible(); }, 3000));
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    Shot(MainForm, "01-first-start");
    EXPECT_GT(Colours(Shot(first, "02-new-player")), 8);

    SaveAnnBerg(first->Editor);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Berg");
    EXPECT_EQ(Count("GolfBag", "UserId=1"), 1);

    // The player window: a second bag.
    MainForm->Player1->trigger();
    Flush();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
    EXPECT_EQ(ed->FirstNameEdit->text(), "Ann");
    EXPECT_EQ(ed->HandicapEdit->text(), "18.4");
    EXPECT_GT(Colours(Shot(MainForm, "03-player-window")), 8);
    // Every row at its full height: the gender buttons and the description can be used.
    EXPECT_GE(ed->GenderGroup->height(), ed->GenderGroup->minimumSizeHint().height());
    EXPECT_GE(ed->GenderFemale->height(), ed->GenderFemale->minimumSizeHint().height());
    EXPECT_GE(ed->DescriptionMemo->height(), ed->DescriptionMemo->minimumSizeHint().height());
    EXPECT_EQ(NewBag(ed, "Weekend"), 1u);
    ASSERT_EQ(ed->TreeView1->topLevelItemCount(), 2);
    // Three new clubs, a putter among them, into it.
    const std::vector<std::pair<QString, QRadioButton* TClubTypeButtons::*>> clubs = {
        {"Old putt", &TClubTypeButtons::RBPutter},
        {"Rescue", &TClubTypeButtons::RBWood},
        {"Iron 4", &TClubTypeButtons::RBIron}};
    for (const auto& [name, type] : clubs) {
        EXPECT_EQ(NewClub(ed, name, type), 1u);
    }
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    ASSERT_EQ(ed->ListView1->count(), 3);
    while (ed->ListView1->count() > 0) {
        ed->ListView1->setCurrentRow(0);
        ed->DropListClubOn(ed->TreeView1->topLevelItem(1));
    }
    EXPECT_EQ(ed->TreeView1->topLevelItem(1)->childCount(), 14);
    Shot(MainForm, "03b-player-bags");
    ed->OKBtn->click();
    Flush();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(Count("GolfBag", "UserId=1"), 2);

    // Courses: a new nine-hole course with two tees.
    MainForm->Course1->trigger();
    Flush();
    auto* list = Child<TCourseForm>();
    ASSERT_NE(list, nullptr);
    const int before = list->CourseGrid->model()->rowCount();
    list->Newcourse1Click();
    Flush();
    auto* create = Child<TCreateCourseForm>();
    ASSERT_NE(create, nullptr);
    EXPECT_GT(Colours(Shot(MainForm, "04-new-course")), 8);
    create->HolesButton1->click();
    create->TeesComboBox->setCurrentIndex(1);
    create->TeesComboBoxChange();
    create->Button8->click();
    Flush();
    auto* course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    ASSERT_TRUE(course->GridBuilt());
    course->NameEdit->setText("Lakeside");
    course->U8NameEdit->setText("LAKESIDE");
    for (int r = 1; r <= course->GridRows(); ++r)
        if (QLineEdit* par = course->Cell(r, course->GridTees() + 1)) par->setText("4");
    EXPECT_GT(Colours(Shot(MainForm, "05-course-window")), 8);

    // A course point.
    Steps point;
    point.Then([] { return Up(NewCoursePointFrm); }, [] {
        Shot(NewCoursePointFrm, "06-course-point");
        NewCoursePointFrm->ComboBox1->setCurrentIndex(1);
        NewCoursePointFrm->Edit2->setText("Back pin");
        NewCoursePointFrm->Latitude->setText("59.3");
        NewCoursePointFrm->LatitudeExit();
        NewCoursePointFrm->Longitude->setText("18.1");
        NewCoursePointFrm->LongitudeExit();
        NewCoursePointFrm->Button1->click();
    });
    EXPECT_EQ(point.Run([course] { course->AddnewcoursepointClick(); }), 1u);
    Flush();
    EXPECT_EQ(course->CoursepointsListView->topLevelItemCount(), 1);

    course->OKBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TCourseFrm>(), 0);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(list->CourseGrid->model()->rowCount(), before + 1);
    Shot(MainForm, "08-course-list");
    const int courseId = Value("Course_General", "Course_Name='Lakeside'", "CourseId").AsInteger();
    EXPECT_EQ(Count("Holes", "CourseId=" + std::to_string(courseId)), 9);
    EXPECT_EQ(Count("Waypoints", "CourseId=" + std::to_string(courseId)), 1);

    // Edit it: the window opens on the stored values.
    list->CourseGrid->selectRow(before);
    list->Editcourse1Click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    EXPECT_EQ(course->NameEdit->text(), "Lakeside");
    EXPECT_EQ(course->Cell(1, course->GridTees() + 1)->text(), "4");
    // Print preview of the card.
    Steps print;
    QString shown;
    print.Then([] { return Up(PrintingForm); }, [&shown] {
        ProcessEventsFor(200);
        shown = PrintingForm->PrintWebBrowser->toPlainText();
        Shot(PrintingForm, "07-print-preview");
        PrintingForm->CancelButton->click();
    });
    EXPECT_EQ(print.Run([course] { course->PrintButtonClick(); }), 1u);
    EXPECT_TRUE(shown.contains("Lakeside")) << shown.toStdString();

    course->CancelBtn->click();
    Flush();

    // Start again on the same data folder.
    Stop();
    log.Clear();
    Start();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_EQ(Count("PlayerDetail"), 1);
    EXPECT_EQ(Count("GolfBag", "UserId=1"), 2);
    EXPECT_EQ(Count("Course_General", "Course_Name='Lakeside'"), 1);
    MainForm->Course1->trigger();
    Flush();
    list = Child<TCourseForm>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->CourseGrid->model()->rowCount(), before + 1);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
}

// Names as golfers write them: accents, an apostrophe, an ampersand.
TEST_F(JourneyTest, NamesWithAccentsAndMarksSurviveEveryRoad) {
    webdouble::WebDouble web{7};
    web.SetAccount("ann", "pw");
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address", web.Address());
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "UserName", "ann");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", "pw");
    Start();
    TPlayerEditor* ed = MainForm->NewPlayerWindow->Editor;
    ed->FirstNameEdit->setText("Åsa");
    ed->LastNameEdit->setText("O'Brien & Co");
    ed->HandicapEdit->setText("12");
    Choose(ed->CountryComboBox, "Sweden");
    ed->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();

    const QString name = QString::fromUtf8("Åre \"Smith\" & Sons' Links");
    TCourseForm* list = nullptr;
    TCourseFrm* course = nullptr;
    NewNineHoleCourse(list, course);
    ASSERT_NE(course, nullptr);
    course->NameEdit->setText(name);
    course->U8NameEdit->setText("ARE");
    course->Memo1->setPlainText("Fast greens <b>& deep</b> bunkers");
    course->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    ASSERT_EQ(list->CourseGrid->model()->rowCount(), 1);
    EXPECT_EQ(list->CourseGrid->model()->index(0, 0).data().toString(), name);

    // Viewed and printed.
    list->CourseGrid->selectRow(0);
    list->Viewcourse1Click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    EXPECT_EQ(course->NameEdit->text(), name);
    EXPECT_EQ(course->windowTitle(), "Course - " + name);
    QString shown;
    Steps print;
    print.Then([] { return Up(PrintingForm); }, [&shown] {
        ProcessEventsFor(200);
        shown = PrintingForm->PrintWebBrowser->toPlainText();
        PrintingForm->CancelButton->click();
    });
    EXPECT_EQ(print.Run([course] { course->PrintButtonClick(); }), 1u);
    EXPECT_TRUE(shown.contains(name)) << shown.toStdString();
    course->CancelBtn->click();
    Flush();

    // To Peakrally and back under the same name.
    log.Clear();
    Steps up;
    up.Then([] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); });
    up.Then([] { return Up(TransWiz1); }, [] {
        TransWiz1->KXButton->click();
        TransWiz1->NextButton->click();
    });
    up.Then([] { return Up(TransWiz2); }, [] {
        TransWiz2->WebButton->click();
        TransWiz2->NextButton->click();
    });
    up.Then([] { return Up(TransWiz3); }, [] {
        TransWiz3->CoursesButton->click();
        TransWiz3->NextButton->click();
    });
    up.Then([] { return Up(TransWiz31) && TransWiz31->CourseListBox->topLevelItemCount() == 1; }, [] {
        TransWiz31->CourseListBox->topLevelItem(0)->setSelected(true);
        TransWiz31->NextButton->click();
    });
    up.Then([] { return Up(TransWiz4); }, [] { TransWiz4->FinishButton->click(); });
    EXPECT_EQ(up.Run([] { MainForm->TransferWizard1->trigger(); }), 6u);
    ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Transfer ok!"});
    ASSERT_FALSE(web.Requests().empty());
    EXPECT_TRUE(web.Requests().back().wellFormed) << web.Requests().back().parseError;
    ASSERT_EQ(web.Courses().size(), 1u);
    EXPECT_EQ(web.Courses()[0].header.at("COURSENAME"), name.toStdString());
}
