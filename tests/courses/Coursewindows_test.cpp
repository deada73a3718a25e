#include <QColorDialog>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "courses/Coursechild.h"
#include "courses/Coursestore.h"
#include "courses/Createcourse.h"
#include "courses/Mcourse.h"
#include "courses/Newpoint.h"
#include "db/Dbrows.h"
#include "common/Printform.h"
#include "common/Tablegrid.h"
#include "shell/Application.h"
#include "shell/Shellfixture.h"

namespace {
template <class T> std::vector<T*> Children() {
    std::vector<T*> out;
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* t = dynamic_cast<T*>(w)) out.push_back(t);
    return out;
}

// Leaving a box as the user does: the focus goes elsewhere.
void Type(QLineEdit* box, const QString& text) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &in);
    box->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &out);
}

void Close(QWidget* w) {
    QPointer<QWidget> guard(w);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        sub->close();
    else
        w->close();
    WaitFor([&] { return guard.isNull(); }, 2000);
}

std::string PdfText(const std::string& pdf) {
    const std::string txt = pdf + ".txt";
    if (std::system(("pdftotext -layout '" + pdf + "' '" + txt + "' 2>/dev/null").c_str()) != 0)
        return "";
    std::ifstream in(txt);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class CourseWindowTest : public ShellTest {
  protected:
    void SetUp() override {
        AddPlayerBeforeStart(1);
        Start();
    }
    TDatabase& Db() { return MainForm->Database; }
    TVariant Value(const std::string& table, const std::string& filter, const std::string& field) {
        TTable t(&Db(), table);
        t.SetFilter(filter);
        t.Open();
        t.First();
        return t.FieldByName(field).Value();
    }
    int Count(const std::string& table, const std::string& filter) { return CountRows(Db(), table, filter); }
    int NewCourse(const std::string& name, bool holes18, int tees) {
        TCourseSetup s;
        s.holes18 = holes18;
        s.tees = tees;
        for (int t = 0; t < 6; ++t)
            s.teeColour[t] = DefaultTeeColour[t];
        const int id = CreateCourse(Db(), s);
        RenameCourse(id, name);
        return id;
    }
    void RenameCourse(int id, const std::string& name) {
        TTable c(&Db(), "Course_General");
        c.SetFilter("CourseId = " + std::to_string(id));
        c.Open();
        c.Edit();
        c.FieldByName("Course_Name").SetAsString(name);
        c.Post();
    }
    // Stores a course point; coordinates left out stay empty. Returns its PointId.
    int AddPoint(int courseId, int type, const std::string& name, std::optional<double> latitude = {},
                 std::optional<double> longitude = {}) {
        TTable p(&Db(), "Waypoints");
        p.Open();
        p.Append();
        p.FieldByName("CourseId").SetAsInteger(courseId);
        p.FieldByName("Type").SetAsInteger(type);
        p.FieldByName("Name").SetAsString(name);
        if (latitude) p.FieldByName("Latitude").SetAsFloat(*latitude);
        if (longitude) p.FieldByName("Longitude").SetAsFloat(*longitude);
        p.Post();
        return p.FieldByName("PointId").AsInteger();
    }
    // Every value of the course's rows, to compare before and after.
    std::vector<std::string> CourseRows(int id) {
        std::vector<std::string> rows;
        for (const char* name : {"Course_General", "ScoreCard", "Holes", "Waypoints"}) {
            TTable t(&Db(), name);
            t.SetFilter("CourseId = " + std::to_string(id));
            t.Open();
            for (t.First(); !t.Eof(); t.Next()) {
                std::string row = name;
                for (int i = 0; i < t.FieldCount(); ++i) {
                    const TVariant v = t.Fields(i).Value();
                    row += "|" + (v.IsNull() ? std::string("null") : v.AsString());
                }
                rows.push_back(row);
            }
        }
        return rows;
    }
    TCourseForm* OpenList() {
        MainForm->Course1Click();
        return CourseForm;
    }
    void Select(TCourseForm* list, const std::string& name) {
        auto* model = list->CourseGrid->model();
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 0).data().toString().toStdString() == name) {
                list->CourseGrid->setCurrentIndex(model->index(r, 0));
                return;
            }
        ADD_FAILURE() << name << " is not listed";
    }
};
} // namespace

TEST_F(CourseWindowTest, NewCourseEditedInYardsIsStoredInMetresAndPrinted) {
    MainForm->YardsClick();
    TCourseForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(MainForm->Course1->isEnabled());
    list->Newcourse1Click();
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    TCreateCourseForm* dialog = dialogs[0];
    EXPECT_EQ(dialog->windowTitle(), "New course");
    dialog->HolesButton1->click();
    EXPECT_TRUE(dialog->Hole[9]->isHidden());
    dialog->TeesComboBox->setCurrentIndex(2);
    EXPECT_FALSE(dialog->Tee[2]->isHidden());
    EXPECT_TRUE(dialog->Tee[3]->isHidden());
    EXPECT_EQ(dialog->Tee[0]->maxLength(), 50);
    EXPECT_EQ(dialog->Hole[0]->maxLength(), 100);
    dialog->Tee[0]->setText("Back");
    dialog->Hole[0]->setText("Pond");
    // Tab makes no stop on the rows' frame; Enter presses OK.
    EXPECT_EQ(TabFrom(dialog->TeesComboBox), dialog->Tee[0]);
    QTest::keyClick(dialog->Hole[0], Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TTable courses(&Db(), "Course_General");
    courses.Open();
    ASSERT_EQ(courses.RecordCount(), 1);
    const int id = courses.FieldByName("CourseId").AsInteger();
    const std::string course = "CourseId = " + std::to_string(id);
    EXPECT_EQ(Count("Holes", course), 9);
    EXPECT_EQ(Value("ScoreCard", course, "Tee1Name").AsString(), "Back");
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 1", "HoleName").AsString(), "Pond");

    TCourseFrm* frm = FindCourseWindow(id);
    ASSERT_NE(frm, nullptr);
    EXPECT_EQ(frm->EditMode, 1);
    EXPECT_EQ(frm->windowTitle(), "Course - Course name");
    EXPECT_FALSE(frm->NameEdit->isHidden());
    EXPECT_EQ(frm->U8NameEdit->maxLength(), 8);
    EXPECT_EQ(frm->GridRows(), 10);
    ASSERT_NE(frm->Cell(0, 1), nullptr);
    EXPECT_EQ(frm->Cell(0, 1)->objectName(), "ScorecardEditR0C1");
    EXPECT_EQ(frm->Cell(0, 1)->text(), "328"); // 300 m in yards
    EXPECT_EQ(frm->findChild<QLabel*>("UnitLabel")->text(), "(y)");
    EXPECT_TRUE(frm->Label15->isHidden());

    // Par column 4, stroke 5, match 6 for three tees; their headings stand over them.
    EXPECT_EQ(frm->Label12->x(), frm->Cell(0, 4)->x());
    EXPECT_EQ(frm->Label13->x(), frm->Cell(0, 5)->x());
    Type(frm->Cell(0, 4), "7");
    EXPECT_EQ(frm->Cell(0, 4)->text(), "5");
    Type(frm->Cell(1, 1), "50");
    EXPECT_EQ(frm->Cell(1, 1)->text(), "77");
    Type(frm->Cell(0, 1), "400");
    Type(frm->Cell(0, 5), "5"); // hole 1 held 1, hole 5 held 5: they swap
    EXPECT_EQ(frm->Cell(4, 5)->text(), "1");
    Type(frm->Cell(2, 6), "3"); // a match index into an empty column numbers all
    EXPECT_EQ(frm->Cell(8, 6)->text(), "9");
    ASSERT_NE(frm->RatingEdit[0], nullptr);
    EXPECT_EQ(frm->RatingEdit[0]->objectName(), "RatingEditT0");
    Type(frm->RatingEdit[0], "22.4");
    EXPECT_EQ(frm->RatingEdit[0]->text(), "72");
    Type(frm->RatingEdit[7], "22.5"); // a nine-hole rating
    Type(frm->SlopeEdit[7], "200");
    EXPECT_EQ(frm->SlopeEdit[7]->text(), "113");
    Type(frm->SlopeEdit[1], "55");
    frm->NameEdit->setText("Moor \"Old\" O'Brien");
    frm->U8NameEdit->setText("MOOR");
    QPointer<TCourseFrm> guard(frm);
    frm->OKBtn->click();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    const std::string hole1 = course + " and HoleNumber = 1";
    EXPECT_EQ(Value("Holes", hole1, "HoleLength1").AsInteger(), 366); // 400 yards
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 2", "HoleLength1").AsInteger(), 70);
    EXPECT_EQ(Value("Holes", hole1, "HolePar").AsInteger(), 5);
    EXPECT_EQ(Value("Holes", hole1, "HoleHCP1").AsInteger(), 5);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 5", "HoleHCP1").AsInteger(), 1);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 7", "HoleHCP2").AsInteger(), 7);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", course, "CR1M").AsFloat(), 72.0);
    EXPECT_DOUBLE_EQ(Value("ScoreCard", course, "CR2F").AsFloat(), 22.5);
    EXPECT_EQ(Value("ScoreCard", course, "S2F").AsInteger(), 113);
    EXPECT_EQ(Value("ScoreCard", course, "S2M").AsInteger(), 55);
    EXPECT_EQ(Value("Course_General", course, "Course_Name").AsString(), "Moor \"Old\" O'Brien");

    // The list shows the new par; View opens it, Print Scorecard shows and prints the card.
    ASSERT_EQ(list->CourseGrid->model()->rowCount(), 1);
    EXPECT_EQ(list->CourseGrid->model()->index(0, 1).data().toString(), "37");
    list->CourseGrid->setCurrentIndex(list->CourseGrid->model()->index(0, 0));
    list->Viewcourse1Click();
    frm = FindCourseWindow(id);
    ASSERT_NE(frm, nullptr);
    EXPECT_EQ(frm->EditMode, 0);
    EXPECT_EQ(frm->Cell(0, 1)->text(), "400");
    const std::string pdf = home.File("card.pdf");
    std::string shown;
    QTimer::singleShot(0, [&] {
        shown = PrintingForm->PrintWebBrowser->toPlainText().toStdString();
        PrintingForm->ChoosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
            return true;
        };
        PrintingForm->PrintButtonClick();
    });
    frm->PrintButton->click();
    EXPECT_NE(shown.find("Moor \"Old\" O'Brien"), std::string::npos) << shown;
    EXPECT_NE(shown.find("400"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DataPath("coursescorecard.xml")));
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (std::system("command -v pdftotext >/dev/null 2>&1") == 0) {
        EXPECT_NE(PdfText(pdf).find("Moor \"Old\" O'Brien"), std::string::npos) << PdfText(pdf);
    }

    // A rename keeps the ratings and slopes nobody touched: nine-hole ratings,
    // a slope of 55, even a slope of 50 that no box would take, and empty
    // ones (women's tee 2, passed through). One typed into and left empty
    // takes the default.
    Close(frm);
    Db().Execute("UPDATE ScoreCard SET CR1M = 35, CR2M = 34.1, CR3M = 44.9, CR1F = 38, S1F = 55, S3F = 50");
    Db().Execute("UPDATE ScoreCard SET CR2F = NULL, S2F = NULL, CR3F = NULL");
    frm = OpenCourseWindow(MainForm, id, 1);
    Type(frm->RatingEdit[7], "");
    QTest::keyClicks(frm->RatingEdit[8], "7\b");
    frm->NameEdit->setText("Moor");
    frm->OKBtnClick();
    EXPECT_EQ(Count("ScoreCard", "CR1M = 35 and CR2M = 34.1 and CR3M = 44.9 and CR1F = 38 and S1F = 55 and S3F = 50"), 1);
    EXPECT_EQ(Count("ScoreCard", "CR2F Is Null and S2F Is Null and CR3F = 72"), 1);
}

TEST_F(CourseWindowTest, ListFilterTakesQuotesAndDeleteIsTheCommandOnly) {
    const int played = NewCourse("O'Brien Links", false, 1);
    const int spare = NewCourse("Oak Hill", true, 2);
    NewCourse("Heath", false, 1);
    AppendRow(Db(), "Round", {{"CourseId", played}, {"UserId", 1}});

    TCourseForm* list = OpenList();
    ASSERT_EQ(list->CourseGrid->model()->rowCount(), 3);
    EXPECT_EQ(list->CourseGrid->model()->index(0, 0).data().toString(), "Heath");
    EXPECT_EQ(list->CourseGrid->model()->index(1, 0).data().toString(), "O'Brien Links");
    EXPECT_EQ(list->CourseGrid->model()->index(2, 1).data().toString(), "72");
    EXPECT_EQ(SpokenName(list->Filter), "Filter");
    list->Filter->setText("O'B");
    EXPECT_TRUE(log.Empty());
    ASSERT_EQ(list->CourseGrid->model()->rowCount(), 1);
    list->Filter->setText("Nothing like it");
    EXPECT_EQ(list->CourseGrid->model()->rowCount(), 0);
    list->Viewcourse1Click();
    list->Deletecourse1Click();
    list->CourseGridDblClick();
    EXPECT_EQ(log.Texts(), std::vector<std::string>(3, "No course selected!"));
    log.Clear();
    list->Filter->setText("");

    // The Delete key in the grid deletes nothing.
    Select(list, "Oak Hill");
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(list->CourseGrid, &del);
    EXPECT_EQ(Count("Course_General", ""), 3);
    EXPECT_TRUE(log.Empty());

    Select(list, "O'Brien Links");
    list->Deletecourse1Click();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "You can't delete a course where you have played rounds!");
    EXPECT_EQ(log.Messages()[0].caption, "Error!");
    EXPECT_EQ(Count("Holes", "CourseId = " + std::to_string(played)), 9);
    log.Clear();

    // Shift+F10 opens the menu on the current row; Tab leaves the grid.
    Select(list, "Oak Hill");
    log.QueueAnswer(IDNO);
    QTest::keyClick(list->CourseGrid, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Up); // the last command, Delete course
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    list->CourseGrid->setFocus();
    QTest::keyClick(list->CourseGrid, Qt::Key_Tab);
    EXPECT_EQ(list->window()->focusWidget(), list->Filter);
    EXPECT_EQ(log.Messages().at(0).text, "Are you sure you want to delete Oak Hill?");
    EXPECT_EQ(log.Messages().at(0).caption, "Delete shot");
    EXPECT_EQ(Count("Course_General", ""), 3);
    log.QueueAnswer(IDYES);
    list->Deletecourse1Click();
    EXPECT_EQ(Count("Course_General", ""), 2);
    const std::string gone = "CourseId = " + std::to_string(spare);
    for (const char* t : {"Holes", "ScoreCard", "Waypoints", "Course_General"})
        EXPECT_EQ(Count(t, gone), 0) << t;
    EXPECT_EQ(list->CourseGrid->model()->rowCount(), 2);

    // A Swedish desktop: the list sorts and finds names as Swedish does.
    struct Swedish {
        QLocale before;
        Swedish() { QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden)); }
        ~Swedish() { QLocale::setDefault(before); }
    } swedish;
    for (const char* name : {"Örebro GK", "ängby låg", "Åre Golf", "Zeta Park", "Ängsö GK", "Abbey", "Ådalen",
                             "Öland Sol"})
        NewCourse(name, false, 1);
    list->ReopenTable();
    QStringList names;
    for (int r = 0; r < list->CourseGrid->model()->rowCount(); ++r)
        names << list->CourseGrid->model()->index(r, 0).data().toString();
    EXPECT_EQ(names.join(", ").toStdString(),
              "Abbey, Heath, O'Brien Links, Zeta Park, Ådalen, Åre Golf, ängby låg, Ängsö GK, Öland Sol, Örebro GK");
    list->Filter->setText("åre");
    ASSERT_EQ(list->CourseGrid->model()->rowCount(), 1);
    EXPECT_EQ(list->CourseGrid->model()->index(0, 0).data().toString(), "Åre Golf");
}

TEST_F(CourseWindowTest, OneWindowPerCourseWhoeverOpenedIt) {
    const int id = NewCourse("Heath", false, 1);
    TCourseFrm* first = OpenCourseWindow(MainForm, id, 1); // as the round window opens it
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Tag, id);
    TCourseForm* list = OpenList();
    Select(list, "Heath");
    list->Viewcourse1Click();
    list->Editcourse1Click();
    list->CourseGridDblClick();
    EXPECT_EQ(Children<TCourseFrm>().size(), 1u);
    Close(first);

    // View and Edit windows go with the list; a double-clicked one stays.
    list->Viewcourse1Click();
    TCourseFrm* viewed = FindCourseWindow(id);
    ASSERT_NE(viewed, nullptr);
    EXPECT_EQ(GetHelpContext(viewed), 2);
    const int other = NewCourse("Moor", false, 1);
    list->ReopenTable();
    Select(list, "Moor");
    list->CourseGridDblClick();
    TCourseFrm* clicked = FindCourseWindow(other);
    ASSERT_NE(clicked, nullptr);
    EXPECT_EQ(GetHelpContext(clicked), 5);
    QPointer<TCourseFrm> viewGuard(viewed), clickGuard(clicked);
    Close(list);
    EXPECT_TRUE(WaitFor([&] { return viewGuard.isNull(); }, 2000));
    EXPECT_FALSE(clickGuard.isNull());
    EXPECT_TRUE(MainForm->Course1->isEnabled());
    EXPECT_TRUE(MainForm->CourseTB->isEnabled());
}

TEST_F(CourseWindowTest, ViewModeShowsLabelsAndKeepsCoursePoints) {
    const int id = NewCourse("Heath", true, 2);
    TTable c(&Db(), "Course_General");
    c.SetFilter("CourseId = " + std::to_string(id));
    c.Open();
    c.Edit();
    c.FieldByName("Link").SetAsString("file:///usr/bin/xterm");
    c.FieldByName("Email").SetAsString("pro@heath.example");
    c.Post();
    AddPoint(id, 2, "Pin");

    std::vector<QUrl> opened;
    SetLinkOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 0);
    EXPECT_FALSE(frm->NameLabel->isHidden());
    EXPECT_TRUE(frm->NameEdit->isHidden());
    EXPECT_EQ(frm->NameLabel->text(), "Heath");
    EXPECT_FALSE(frm->OKBtn->isEnabled());
    EXPECT_FALSE(frm->AdvancedButton->isEnabled());
    EXPECT_EQ(frm->CancelBtn->text(), "Close");
    EXPECT_FALSE(frm->SpeedButton1->isEnabled());
    EXPECT_EQ(frm->GridRows(), 22);
    EXPECT_EQ(frm->Cell(21, 0)->text(), "Tot");
    EXPECT_FALSE(frm->Cell(21, 1)->isHidden());
    EXPECT_EQ(frm->Cell(21, 1)->text(), "5400"); // a total shows whole
    // Two tees: par in column 3, stroke index in 4, on both halves.
    EXPECT_EQ(frm->Label16->x(), frm->Cell(10, 3)->x());
    EXPECT_EQ(frm->Label17->x(), frm->Cell(10, 4)->x());
    EXPECT_EQ(frm->UnitLabel->text(), "(m)");
    EXPECT_TRUE(frm->Cell(1, 1)->isReadOnly());
    ASSERT_EQ(frm->CoursepointsListView->topLevelItemCount(), 1);
    EXPECT_EQ(frm->CoursepointsListView->topLevelItem(0)->text(1), "Pin");
    EXPECT_EQ(frm->CoursepointsListView->topLevelItem(0)->text(0),
              "No hole"); // a null hole key is 0

    frm->URLLabelClick();
    EXPECT_TRUE(opened.empty()); // a local program is never opened
    frm->EmailLabelClick();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), "mailto:pro@heath.example");
    SetLinkOpener(nullptr);

    // Neither the Delete key nor a double-click changes points in view mode.
    frm->CoursepointsListView->setCurrentItem(frm->CoursepointsListView->topLevelItem(0));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(frm->CoursepointsListView, &del);
    frm->CoursepointsListViewDblClick();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(Count("Waypoints", "CourseId = " + std::to_string(id)), 1);
}

TEST(CourseLinks, OnlyWebAndMailAddressesOpen) {
    EXPECT_EQ(CourseLinkUrl("www.heath.example", false).toString(), "http://www.heath.example");
    EXPECT_EQ(CourseLinkUrl("https://heath.example/x", false).toString(),
              "https://heath.example/x");
    EXPECT_TRUE(CourseLinkUrl("file:///usr/bin/xterm", false).isEmpty());
    EXPECT_TRUE(CourseLinkUrl("/usr/bin/xterm", false).isEmpty());
    EXPECT_TRUE(CourseLinkUrl("javascript:alert(1)", false).isEmpty());
    EXPECT_TRUE(CourseLinkUrl("", false).isEmpty());
    EXPECT_EQ(CourseLinkUrl("a@b.example", true).toString(), "mailto:a@b.example");
    EXPECT_TRUE(CourseLinkUrl("a@b.example?attach=/etc/passwd", true).isEmpty());
    EXPECT_TRUE(CourseLinkUrl("file:///etc", true).isEmpty());
}

TEST_F(CourseWindowTest, CoursePointsAddedAndEditedThroughTheDialog) {
    const int id = NewCourse("Heath", false, 2);
    const int tower = AddPoint(id, 11, "Tower", 0.0);
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    TNewCoursePointFrm* d = NewCoursePointFrm;
    ASSERT_NE(d, nullptr);

    std::string caption;
    QStringList tees;
    QTimer::singleShot(0, [&] {
        caption = d->windowTitle().toStdString();
        EXPECT_EQ(TabFrom(d->LatComboBox), d->Latitude); // Tab as the boxes stand
        for (int i = 0; i < d->ComboBox5->count(); ++i)
            tees << d->ComboBox5->itemText(i);
        d->ComboBox4->setCurrentIndex(3);
        d->ComboBox1->setCurrentIndex(0);
        d->ComboBox5->setCurrentIndex(1);
        d->LatComboBox->setCurrentIndex(1);
        d->Latitude->setText("95");
        d->Longitude->setText("12.25");
        d->Edit2->setText("back tee");
        d->Button1->click();
    });
    frm->AddnewcoursepointClick();
    EXPECT_EQ(caption, "Add new coursepoint");
    EXPECT_EQ(tees, QStringList({"Tee number: 1", "Tee number: 2"}));
    ASSERT_EQ(frm->CoursepointsListView->topLevelItemCount(), 2);
    QTreeWidgetItem* added = frm->CoursepointsListView->topLevelItem(1);
    EXPECT_EQ(added->text(0), "4");
    EXPECT_EQ(added->text(1), "Tee 2");
    EXPECT_EQ(added->text(3), "S 90.0000000");
    EXPECT_EQ(added->text(4), "E 12.2500000");

    // The unknown type keeps its type and name; the stored 0 shows with "S".
    frm->CoursepointsListView->setCurrentItem(frm->CoursepointsListView->topLevelItem(0));
    std::string lat;
    int typeIndex = 0, hole = 0;
    QTimer::singleShot(0, [&] {
        lat = d->LatComboBox->currentText().toStdString();
        typeIndex = d->ComboBox1->currentIndex();
        hole = d->ComboBox4->currentIndex();
        d->Edit2->setText("water tower");
        d->Button1->click();
    });
    frm->EditcoursepointClick();
    EXPECT_EQ(lat, "S");
    EXPECT_EQ(typeIndex, -1);
    EXPECT_EQ(hole, 0);
    EXPECT_EQ(Value("Waypoints", "PointId = " + std::to_string(tower), "Name").AsString(), "Tower");
    EXPECT_EQ(Value("Waypoints", "PointId = " + std::to_string(tower), "Type").AsInteger(), 11);
    EXPECT_EQ(Value("Waypoints", "PointId = " + std::to_string(tower), "Description").AsString(),
              "water tower");
    // "No hole" opened on hole 1, and OK stores it there.
    EXPECT_EQ(Value("Waypoints", "PointId = " + std::to_string(tower), "HoleId").AsInteger(),
              Value("Holes", "CourseId = " + std::to_string(id) + " and HoleNumber = 1", "HoleId")
                  .AsInteger());

    // Closing the dialog by its close box stores nothing.
    QTimer::singleShot(0, [&] {
        d->Edit2->setText("never");
        d->close();
    });
    frm->AddnewcoursepointClick();
    EXPECT_EQ(Count("Waypoints", "CourseId = " + std::to_string(id)), 2);

    // Delete key in edit mode asks and deletes.
    frm->CoursepointsListView->setCurrentItem(frm->CoursepointsListView->topLevelItem(0));
    log.QueueAnswer(IDYES);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(frm->CoursepointsListView, &del);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Are you sure?"});
    EXPECT_EQ(Count("Waypoints", "CourseId = " + std::to_string(id)), 1);
    EXPECT_EQ(frm->CoursepointsListView->topLevelItemCount(), 1);

    // A Swedish golfer types commas: points and ratings keep them as numbers.
    const QLocale before;
    QLocale::setDefault(QLocale("sv_SE"));
    QTimer::singleShot(0, [&] {
        Type(d->Latitude, "59,85");
        Type(d->Longitude, "17,63");
        d->Button1->click();
    });
    frm->AddnewcoursepointClick();
    EXPECT_EQ(frm->CoursepointsListView->topLevelItem(0)->text(3), "N 59,8500000");
    EXPECT_EQ(frm->CoursepointsListView->topLevelItem(0)->text(4), "E 17,6300000");
    const std::string course = "CourseId = " + std::to_string(id);
    EXPECT_DOUBLE_EQ(Value("Waypoints", course + " and Latitude > 59", "Latitude").AsFloat(), 59.85);
    EXPECT_DOUBLE_EQ(Value("Waypoints", course + " and Latitude > 59", "Longitude").AsFloat(), 17.63);
    Type(frm->RatingEdit[0], "72,5");
    EXPECT_EQ(frm->RatingEdit[0]->text(), "72,5");
    Type(frm->RatingEdit[6], "72.5");
    EXPECT_EQ(frm->RatingEdit[6]->text(), "72,5");
    QPointer<TCourseFrm> guard(frm);
    frm->OKBtn->click();
    EXPECT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    EXPECT_DOUBLE_EQ(Value("ScoreCard", course, "CR1M").AsFloat(), 72.5);
    QLocale::setDefault(before);
}

TEST_F(CourseWindowTest, HoleSettingsSaveOnceAndGuardPlayedTees) {
    const int id = NewCourse("Heath", false, 4);
    AppendRow(Db(), "Round", {{"CourseId", id}, {"TeeNumber", 3}});
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    Type(frm->Cell(0, 5), "3"); // par of hole 1
    log.QueueAnswer(IDNO);
    QPointer<TCourseFrm> guard(frm);
    frm->AdvancedButtonClick();
    EXPECT_EQ(log.Messages().at(0).text, "Do you want to save the changes you made?");
    EXPECT_EQ(log.Messages().at(0).caption, "Save changes?");
    EXPECT_EQ(Value("Holes", "CourseId = " + std::to_string(id) + " and HoleNumber = 1", "HolePar")
                  .AsInteger(),
              4);
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    TCreateCourseForm* dialog = dialogs[0];
    EXPECT_EQ(dialog->windowTitle(), "Edit course");
    EXPECT_FALSE(dialog->HolesButton1->isEnabled());
    EXPECT_TRUE(dialog->HolesButton1->isChecked());
    EXPECT_EQ(dialog->TeesComboBox->currentIndex(), 3);
    log.Clear();
    dialog->TeesComboBox->setCurrentIndex(1);
    EXPECT_EQ(log.Texts(),
              std::vector<std::string>{"You can't remove a tee where you have played rounds!"});
    EXPECT_EQ(dialog->TeesComboBox->currentIndex(), 3);
    dialog->TeesComboBox->setCurrentIndex(2); // tee 4 was not played
    log.Clear();
    QTest::keyClick(dialog->TeesComboBox, Qt::Key_Return); // OK
    EXPECT_EQ(Value("Course_General", "CourseId = " + std::to_string(id), "Tees").AsInteger(), 3);
    frm = FindCourseWindow(id);
    ASSERT_NE(frm, nullptr);
    EXPECT_EQ(frm->GridTees(), 3);

    // Yes saves first.
    Type(frm->Cell(0, 4), "3");
    log.QueueAnswer(IDYES);
    guard = frm;
    frm->AdvancedButtonClick();
    EXPECT_EQ(Value("Holes", "CourseId = " + std::to_string(id) + " and HoleNumber = 1", "HolePar")
                  .AsInteger(),
              3);
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    dialogs = Children<TCreateCourseForm>();
    ASSERT_FALSE(dialogs.empty());
    dialogs.back()->Button9->click(); // Cancel reopens the course window
    EXPECT_NE(FindCourseWindow(id), nullptr);
}

TEST_F(CourseWindowTest, BlackChosenForATeeIsStoredAsAColourNotAsNone) {
    const int id = NewCourse("Heath", false, 2);
    Db().Execute("UPDATE ScoreCard SET Tee2Col = 0 WHERE CourseId = " + std::to_string(id));
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    QPointer<TCourseFrm> guard(frm);
    frm->AdvancedButtonClick();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    TCreateCourseForm* dialog = dialogs[0];
    QTimer::singleShot(0, [dialog] {
        WaitFor([dialog] { return dialog->ColorDialog->isVisible(); }, 2000);
        dialog->ColorDialog->setCurrentColor(Qt::black);
        dialog->ColorDialog->accept();
    });
    dialog->TeeBtn[0]->click();
    const QColor shown = dialog->Tee[0]->palette().color(QPalette::Base);
    EXPECT_LT(shown.red() + shown.green() + shown.blue(), 8);
    dialog->Button8->click();
    const std::string card = "CourseId = " + std::to_string(id);
    const long long stored = Value("ScoreCard", card, "Tee1Col").AsInteger();
    EXPECT_NE(stored, 0);  // 0 reads as the tee's default, white
    EXPECT_EQ(ReadCourseSetup(Db(), id).teeColour[0], static_cast<unsigned>(stored));
    EXPECT_LT((stored & 0xFF) + ((stored >> 8) & 0xFF) + ((stored >> 16) & 0xFF), 8);
    // A stored 0 is still no colour: the tee's default is stored back.
    EXPECT_EQ(Value("ScoreCard", card, "Tee2Col").AsInteger(), 0x00FFFF);
}

TEST_F(CourseWindowTest, ACardThatCannotBeWrittenIsSaidSoAndNotShown) {
    const int id = NewCourse("Heath", false, 1);
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 0);
    // A folder stands where the card goes.
    const std::string path = DataPath("coursescorecard.xml");
    std::filesystem::create_directory(path);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = PrintingForm && PrintingForm->isVisible();
        if (shown) PrintingForm->CancelButtonClick();
    });
    frm->PrintButton->click();
    ProcessEventsFor(50);
    EXPECT_FALSE(shown);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "The file " + path + " cannot be written.");
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(CourseWindowTest, ACourseThatDoesNotLoadOpensNoWindow) {
    const int id = NewCourse("Heath", false, 1);
    // An older file: the holes read after the details fail.
    Db().Execute("ALTER TABLE Holes DROP COLUMN HoleLength6");
    EXPECT_THROW(OpenCourseWindow(MainForm, id, 1), EDatabaseError);
    ProcessEventsFor(20);
    EXPECT_EQ(FindCourseWindow(id), nullptr);
    EXPECT_TRUE(Children<TCourseFrm>().empty());
    EXPECT_EQ(Value("Course_General", "CourseId = " + std::to_string(id), "Course_Name").AsString(), "Heath");
}

TEST_F(CourseWindowTest, AFailedSaveWritesNothingAndKeepsTheGrid) {
    const int id = NewCourse("Heath", false, 1);
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    Type(frm->Cell(0, 2), "3");
    // The course row goes behind the window's back: the save must fail whole.
    TTable c(&Db(), "Course_General");
    c.SetFilter("CourseId = " + std::to_string(id));
    c.Open();
    c.Delete();
    frm->OKBtnClick();
    EXPECT_FALSE(log.Empty());
    EXPECT_EQ(Value("Holes", "CourseId = " + std::to_string(id) + " and HoleNumber = 1", "HolePar")
                  .AsInteger(),
              4);
    ASSERT_TRUE(frm->GridBuilt());
    EXPECT_EQ(frm->Cell(0, 2)->text(), "3");
    EXPECT_EQ(FindCourseWindow(id), frm);
}

TEST_F(CourseWindowTest, WindowsTakeTheirClientSizes) {
    const int id = NewCourse("Heath", true, 6);
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    TCourseForm* list = OpenList();
    QCoreApplication::processEvents();
    EXPECT_EQ(frm->size(), QSize(681, 468));
    // The list keeps its height and grows wider only as far as its columns need.
    EXPECT_EQ(list->height(), 503);
    EXPECT_GE(list->width(), 169);
    // Everything of the details page and the grid fits in it.
    EXPECT_LE(frm->minimumSizeHint().height(), 468);
    EXPECT_LE(frm->minimumSizeHint().width(), 681);
}

TEST_F(CourseWindowTest, LengthsKeepTheUnitTheGridWasBuiltIn) {
    const int id = NewCourse("Heath", false, 1);
    MainForm->YardsClick();
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    EXPECT_EQ(frm->Cell(0, 1)->text(), "328");
    // The unit switched while the window is open: its grid stays in yards.
    MainForm->MetersClick();
    Type(frm->Cell(0, 1), "400");
    Type(frm->Cell(1, 1), "50");
    EXPECT_EQ(frm->Cell(1, 1)->text(), "77");
    QPointer<TCourseFrm> guard(frm);
    frm->OKBtnClick();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    const std::string course = "CourseId = " + std::to_string(id);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 1", "HoleLength1").AsInteger(), 366);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 2", "HoleLength1").AsInteger(), 70);
    EXPECT_EQ(Value("Holes", course + " and HoleNumber = 3", "HoleLength1").AsInteger(), 300);
}

TEST_F(CourseWindowTest, EditingAPointKeepsItsStoredCoordinates) {
    const int id = NewCourse("Heath", false, 1);
    const std::string point = "PointId = " + std::to_string(AddPoint(id, 2, "Pin", 51.1234567, -123.4567891));
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    TNewCoursePointFrm* d = NewCoursePointFrm;
    frm->CoursepointsListView->setCurrentItem(frm->CoursepointsListView->topLevelItem(0));
    std::string lat, lon;
    QTimer::singleShot(0, [&] {
        lat = d->Latitude->text().toStdString();
        lon = d->Longitude->text().toStdString();
        d->Edit2->setText("front edge");
        d->Button1->click();
    });
    frm->EditcoursepointClick();
    EXPECT_EQ(lat, "51.1234567");
    EXPECT_EQ(lon, "123.4567891");
    EXPECT_DOUBLE_EQ(Value("Waypoints", point, "Latitude").AsFloat(), 51.1234567);
    EXPECT_DOUBLE_EQ(Value("Waypoints", point, "Longitude").AsFloat(), -123.4567891);
    EXPECT_EQ(Value("Waypoints", point, "Description").AsString(), "front edge");

    // A new point starts from those texts; typing stays limited to nine characters.
    QTimer::singleShot(0, [&] {
        lat = d->Latitude->text().toStdString();
        d->Latitude->clear();
        for (const QChar ch : QString("12.34567891234")) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(d->Latitude, &key);
        }
        lon = d->Latitude->text().toStdString();
        d->Button2->click();
    });
    frm->AddnewcoursepointClick();
    EXPECT_EQ(lat, "51.1234567");
    EXPECT_EQ(lon, "12.345678");
}

TEST_F(CourseWindowTest, CountryAndStateOfTheDetailsPage) {
    const int id = NewCourse("Heath", false, 1);
    const std::string course = "CourseId = " + std::to_string(id);
    {
        TTable c(&Db(), "Course_General");
        c.SetFilter(course);
        c.Open();
        c.Edit();
        c.FieldByName("State").SetAsString("CA");
        c.Post();
    }
    QLocale::setDefault(QLocale("de_DE")); // countries in the user's language
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    QLocale::setDefault(QLocale::c());
    EXPECT_LT(frm->CountryComboBox->findText("Åland Islands"), frm->CountryComboBox->findText("Albania"));
    // Each box of the page reads as its caption.
    for (const auto& [box, caption] : std::initializer_list<std::pair<const char*, const char*>>{{"NameEdit", "Name: *"}, {"AddressEdit1", "Address:"},
             {"AddressEdit2", "City:"}, {"ZipEdit", "Zip code:"}, {"CountryComboBox", "Country: *"}, {"StateComboBox", "State:"},
             {"TelephoneEdit", "Telephone:"}, {"FaxEdit", "Fax:"}, {"URLEdit", "URL:"}, {"EmailEdit", "Email:"},
             {"U8NameEdit", "U8 Name: *"}, {"Memo1", "Description:"}})
        EXPECT_EQ(SpokenName(frm->DetailsTab->findChild<QWidget*>(box)), caption) << box;
    // Tab moves on from the description and writes no tab into it.
    frm->Memo1->setFocus();
    QTest::keyClick(frm->Memo1, Qt::Key_Tab);
    EXPECT_EQ(frm->Memo1->toPlainText(), "");
    EXPECT_EQ(frm->CountryComboBox->currentText(), "United States");
    EXPECT_EQ(frm->StateComboBox->currentText(), "California");
    EXPECT_TRUE(frm->StateComboBox->isEnabled());
    // A country without states disables the state list.
    frm->CountryComboBox->setCurrentIndex(frm->CountryComboBox->findText("Andorra"));
    frm->CountryComboBoxChange();
    EXPECT_FALSE(frm->StateComboBox->isEnabled());
    EXPECT_EQ(frm->StateComboBox->count(), 0);
    frm->CountryComboBox->setCurrentIndex(frm->CountryComboBox->findText("United States"));
    frm->CountryComboBoxChange();
    frm->StateComboBox->setCurrentIndex(frm->StateComboBox->findText("Texas"));
    QPointer<TCourseFrm> guard(frm);
    frm->OKBtnClick();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    EXPECT_EQ(Value("Course_General", course, "Country").AsString(), "US");
    EXPECT_EQ(Value("Course_General", course, "State").AsString(), "TX");

    // A country the file does not know: nothing shown or chosen, the state shown but its list off.
    {
        TTable c(&Db(), "Course_General");
        c.SetFilter(course);
        c.Open();
        c.Edit();
        c.FieldByName("Country").SetAsString("ZZ");
        c.Post();
    }
    frm = OpenCourseWindow(MainForm, id, 0);
    EXPECT_EQ(frm->CountryLabel->text(), "");
    EXPECT_EQ(frm->CountryComboBox->currentIndex(), -1);
    EXPECT_EQ(frm->StateLabel->text(), "Texas");
    EXPECT_FALSE(frm->StateComboBox->isEnabled());
}

TEST_F(CourseWindowTest, AGridBuiltBeforeATeeChangeSavesInItsOwnColumns) {
    const int id = NewCourse("Heath", false, 4);
    const std::string course = "CourseId = " + std::to_string(id);
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    ASSERT_EQ(frm->GridTees(), 4);
    // Hole settings elsewhere take the course down to two tees meanwhile.
    TCourseSetup s = ReadCourseSetup(Db(), id);
    s.tees = 2;
    ChangeCourseSetup(Db(), id, s);
    Type(frm->Cell(0, 5), "3"); // par of hole 1 in the grid's columns
    Type(frm->Cell(0, 1), "250");
    QPointer<TCourseFrm> guard(frm);
    frm->OKBtnClick();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    const std::string hole1 = course + " and HoleNumber = 1";
    EXPECT_EQ(Value("Holes", hole1, "HolePar").AsInteger(), 3);
    EXPECT_EQ(Value("Holes", hole1, "HoleHCP1").AsInteger(), 1);
    EXPECT_EQ(Value("Holes", hole1, "HoleLength1").AsInteger(), 250);
    EXPECT_TRUE(Value("Holes", hole1, "HoleLength3").IsNull());
    EXPECT_TRUE(Value("ScoreCard", course, "CR3M").IsNull());
    EXPECT_TRUE(Value("ScoreCard", course, "S4F").IsNull());
}

TEST_F(CourseWindowTest, HoleSettingsRefuseAtOnceWhenRoundsStandOnATeeAboveTheCount) {
    const int id = NewCourse("Heath", true, 2);
    AppendRow(Db(), "Round", {{"CourseId", id}, {"TeeNumber", 3}});
    TCourseFrm* frm = OpenCourseWindow(MainForm, id, 1);
    log.QueueAnswer(IDNO);
    frm->AdvancedButtonClick();
    EXPECT_EQ(log.Texts(),
              (std::vector<std::string>{"Do you want to save the changes you made?",
                                        "You can't remove a tee where you have played rounds!"}));
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]->TeesComboBox->currentIndex(), 1);
    EXPECT_TRUE(dialogs[0]->HolesButton2->isChecked());
    EXPECT_FALSE(dialogs[0]->Tee[1]->isHidden());
    EXPECT_TRUE(dialogs[0]->Tee[2]->isHidden());
}

// The new-course dialog grows with its tees: no tee or hole-name box is
// squeezed below its own height, and the figures on a dark tee are white.
TEST_F(CourseWindowTest, NewCourseDialogGrowsWithItsTees) {
    TCourseForm* list = OpenList();
    list->Newcourse1Click();
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    TCreateCourseForm* dialog = dialogs[0];
    const auto unsqueezed = [&](const char* when) {
        QCoreApplication::processEvents();
        for (int t = 0; t < 6; ++t)
            if (!dialog->Tee[t]->isHidden())
                EXPECT_GE(dialog->Tee[t]->height(), dialog->Tee[t]->sizeHint().height())
                    << when << ": tee " << t + 1;
        for (int i = 0; i < 18; ++i)
            if (!dialog->Hole[i]->isHidden())
                EXPECT_GE(dialog->Hole[i]->height(), dialog->Hole[i]->sizeHint().height())
                    << when << ": hole " << i + 1;
    };
    unsqueezed("one tee");
    dialog->TeesComboBox->setCurrentIndex(5);
    unsqueezed("six tees");
    dialog->TeesComboBox->setCurrentIndex(2);
    unsqueezed("three tees");
    // Tee 3's default blue reads in black (5.5 : 1; white would be 3.8 : 1).
    EXPECT_EQ(dialog->Tee[2]->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(dialog->Tee[1]->palette().color(QPalette::Text), QColor(Qt::black));
    Close(dialog);
}

// The list shows each course name and its par whole, without a horizontal
// scroll bar, and its tool buttons are pictures with the commands' hints.
TEST_F(CourseWindowTest, CourseListFitsItsNamesAndShowsPictures) {
    NewCourse("Royal Lytham and St Annes Championship Links", true, 1);
    NewCourse("Heath", false, 1);
    TCourseForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    QCoreApplication::processEvents();
    QTableView* grid = list->CourseGrid;
    QHeaderView* header = grid->horizontalHeader();
    const QFontMetrics fm(grid->font());
    for (int c = 0; c < 2; ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "heading " << c << " cut";
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        for (int c = 0; c < 2; ++c) {
            const QString text = grid->model()->index(r, c).data().toString();
            EXPECT_GE(header->sectionSize(c), fm.horizontalAdvance(text)) << text.toStdString();
        }
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "36"); // Heath, 9 holes
    // Both columns end inside the grid's visible part.
    EXPECT_LE(header->sectionViewportPosition(1) + header->sectionSize(1), grid->viewport()->width());
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(list->height(), 503);

    const std::pair<QToolButton*, const char*> buttons[] = {{list->SpeedButton1, "View course"},
                                                           {list->SpeedButton4, "New course"},
                                                           {list->SpeedButton2, "Edit course"},
                                                           {list->SpeedButton3, "Delete course"}};
    for (const auto& [b, hint] : buttons) {
        EXPECT_FALSE(b->icon().isNull()) << hint;
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly) << hint;
        EXPECT_EQ(b->toolTip(), hint);
        EXPECT_EQ(b->accessibleName(), hint);
    }

    // A filter that leaves the short name only narrows the list again, and
    // the name still shows whole.
    list->Filter->setText("He");
    QCoreApplication::processEvents();
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_GE(header->sectionSize(0), fm.horizontalAdvance("Heath"));
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    Close(list);
}

TEST(CourseListColumns, TheNameGivesWayAndTheParStaysWhole) {
    using W = std::array<int, 2>;
    EXPECT_EQ(CourseColumnWidths(W{40, 20}, 400), (W{116, 54}));
    EXPECT_EQ(CourseColumnWidths(W{200, 60}, 400), (W{200, 60}));
    EXPECT_EQ(CourseColumnWidths(W{500, 60}, 400), (W{340, 60}));
    EXPECT_EQ(CourseColumnWidths(W{500, 450}, 400), (W{0, 450}));
}

// A new or edited course with six tees and 18 holes opens inside the main
// window's work area at its default size: OK, Cancel and Help are in sight,
// and the rows that do not fit scroll inside the dialog.
TEST_F(CourseWindowTest, SixTeeCourseDialogKeepsItsButtonsInSight) {
    ASSERT_EQ(MainForm->size(), QSize(917, 705));
    QWidget* area = MainForm->MdiArea()->viewport();
    const auto inSight = [&](QWidget* w, const char* what) {
        QCoreApplication::processEvents();
        ASSERT_TRUE(w->isVisible()) << what;
        const QRect r(w->mapTo(area, QPoint(0, 0)), w->size());
        EXPECT_TRUE(area->rect().contains(r))
            << what << " at " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height()
            << " outside " << area->width() << "x" << area->height();
        // Nothing of the dialog's own covers it: it is the widget found there.
        EXPECT_EQ(w->window()->childAt(w->mapTo(w->window(), w->rect().center())), w) << what;
    };
    TCourseForm* list = OpenList();
    list->Newcourse1Click();
    auto dialogs = Children<TCreateCourseForm>();
    ASSERT_EQ(dialogs.size(), 1u);
    TCreateCourseForm* dialog = dialogs[0];
    dialog->TeesComboBox->setCurrentIndex(5);
    for (QWidget* b : {static_cast<QWidget*>(dialog->Button8), static_cast<QWidget*>(dialog->Button9),
                       static_cast<QWidget*>(dialog->Button1)})
        inSight(b, b->objectName().toStdString().c_str());
    // The last hole name is reached by scrolling the dialog's rows.
    dialog->Rows->ensureWidgetVisible(dialog->Hole[17]);
    QCoreApplication::processEvents();
    const QRect last(dialog->Hole[17]->mapTo(dialog->Rows->viewport(), QPoint(0, 0)),
                     dialog->Hole[17]->size());
    EXPECT_TRUE(dialog->Rows->viewport()->rect().contains(last));
    inSight(dialog->Button8, "OK after scrolling");
    // OK stores the course with its six tees.
    dialog->Button8->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(Count("Course_General", "Tees = 6"), 1);
    for (TCourseFrm* f : Children<TCourseFrm>()) Close(f);
    Close(list);

    // The same course through "Edit course".
    const int id = NewCourse("Heath", true, 6);
    TCreateCourseForm* edit = OpenEditCourseDialog(id);
    ASSERT_NE(edit, nullptr);
    inSight(edit->Button8, "OK of Edit course");
    inSight(edit->Button9, "Cancel of Edit course");
    Close(edit);
}

// The list's frame holds the list and nothing more: right of the grid lies
// no wider strip than left of it, when the list opens and after re-reads
// that widen or narrow its columns. Re-reads fit the columns to a changed
// name as the first show does.
TEST_F(CourseWindowTest, CourseListFrameHoldsTheListAndFollowsItsColumns) {
    const int id = NewCourse("Heath", false, 1);
    TCourseForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    auto* sub = qobject_cast<QMdiSubWindow*>(list->parentWidget());
    ASSERT_NE(sub, nullptr);
    QTableView* grid = list->CourseGrid;
    const auto checkFrame = [&](const char* when) {
        QCoreApplication::processEvents();
        const QRect g(grid->mapTo(sub, QPoint(0, 0)), grid->size());
        const int left = g.left(), right = sub->width() - 1 - g.right();
        EXPECT_GE(left, 0) << when;
        EXPECT_LE(right, left) << when << ": " << right << " px right of the grid, " << left << " left of it";
        // The list is as wide as its columns and what the grid adds to them.
        EXPECT_EQ(list->width(),
                  std::max(169, GridChromeWidth(grid) + grid->columnWidth(0) + grid->columnWidth(1)))
            << when;
        EXPECT_EQ(grid->width(), list->width()) << when;
        EXPECT_FALSE(grid->horizontalScrollBar()->isVisible()) << when;
        EXPECT_EQ(list->height(), 503) << when;
    };
    const auto rename = [&](const std::string& name) {
        RenameCourse(id, name);
        MainForm->RefreshListWindows();
    };
    const QFontMetrics fm(grid->font());
    checkFrame("opened");
    EXPECT_EQ(grid->columnWidth(0), 116);

    const std::string longName = "Royal Lytham and St Annes Championship Links";
    rename(longName);
    ASSERT_EQ(grid->model()->index(0, 0).data().toString().toStdString(), longName);
    EXPECT_GE(grid->columnWidth(0), fm.horizontalAdvance(QString::fromStdString(longName)));
    EXPECT_GT(list->width(), 169);
    checkFrame("a long name");

    // The same row count with a short name again: the list narrows back.
    rename("Heath");
    EXPECT_EQ(grid->columnWidth(0), 116);
    checkFrame("the short name again");

    // A re-read while another program holds the file alone keeps the rows;
    // a click once the hold has gone reads them again.
    TDatabase other;
    HoldFileAlone(Db(), other);
    other.Execute("UPDATE Course_General SET Course_Name = 'Moor'");
    EXPECT_NO_THROW(MainForm->RefreshListWindows());
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Heath");
    other.Execute("COMMIT");
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &click);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Moor");

    // Cancel in a course window re-reads the list, and so does the list's
    // activation after it: reads that fail after the rows went are said once.
    list->Viewcourse1Click();
    ASSERT_NE(FindCourseWindow(id), nullptr);
    InterruptLongReads(Db(), 4);
    Close(FindCourseWindow(id));  // as its Cancel does
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Query: interrupted"});
    Close(list);
}

namespace {
// Tee counts another program may store that the window cannot show, with the
// message that refuses each.
struct TBadTees {
    const char* sql;
    const char* message;
};
const TBadTees BadTees[] = {
    {"9", "'9' is not a valid tee count for field 'Tees' of Course_General."},
    {"0", "'0' is not a valid tee count for field 'Tees' of Course_General."},
    {"-2", "'-2' is not a valid tee count for field 'Tees' of Course_General."},
    {"'abc'", "'abc' is not a valid integer value for field 'Tees' of Course_General."},
};
} // namespace

// The list's View and Edit commands on such a course: the window does not
// load, the message says why (through the program's catch point) and no row
// of the course changes.
TEST_F(CourseWindowTest, ATeeCountTheWindowCannotShowIsAFailedLoad) {
    const int id = NewCourse("Heath", false, 3);
    TCourseForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    for (const TBadTees& bad : BadTees) {
        Db().Execute("UPDATE Course_General SET Tees = " + std::string(bad.sql) +
                     " WHERE CourseId = " + std::to_string(id));
        const std::vector<std::string> before = CourseRows(id);
        for (const bool edit : {true, false}) {
            SCOPED_TRACE(std::string(bad.sql) + (edit ? " edit" : " view"));
            MainForm->RefreshListWindows();
            Select(list, "Heath");
            log.Clear();
            DeliverGuarded([&] {
                edit ? list->Editcourse1Click() : list->Viewcourse1Click();
                return true;
            });
            ProcessEventsFor(20);
            EXPECT_EQ(log.Texts(), std::vector<std::string>{bad.message});
            EXPECT_EQ(FindCourseWindow(id), nullptr);
            // What a window that did open would have written on OK.
            for (TCourseFrm* frm : Children<TCourseFrm>()) {
                frm->OKBtnClick();
                Close(frm);
            }
            EXPECT_EQ(CourseRows(id), before);
        }
    }
    Close(list);
}

// Another program changes the tee count under an open course window: hole
// settings, OK and the point dialog refuse it with the same message, the
// window stays and nothing is written.
TEST_F(CourseWindowTest, ATeeCountChangedUnderAnOpenWindowIsNeitherEditedNorSaved) {
    for (const TBadTees& bad : BadTees) {
        SCOPED_TRACE(bad.sql);
        const int id = NewCourse("Heath", false, 3);
        QPointer<TCourseFrm> frm = OpenCourseWindow(MainForm, id, 1);
        ASSERT_NE(frm, nullptr);
        Db().Execute("UPDATE Course_General SET Tees = " + std::string(bad.sql) +
                     " WHERE CourseId = " + std::to_string(id));
        const std::vector<std::string> before = CourseRows(id);

        log.Clear();
        log.QueueAnswer(IDNO); // "Do you want to save the changes you made?"
        frm->AdvancedButtonClick();
        ProcessEventsFor(20);
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Do you want to save the changes you made?",
                                                         bad.message}));
        const auto dialogs = Children<TCreateCourseForm>();
        EXPECT_TRUE(dialogs.empty());
        for (TCreateCourseForm* dialog : dialogs) dialog->Button8->click(); // what OK would store
        EXPECT_EQ(CourseRows(id), before);
        ASSERT_FALSE(frm.isNull());
        EXPECT_EQ(FindCourseWindow(id), frm.data());

        log.Clear();
        frm->OKBtnClick();
        EXPECT_EQ(log.Texts(), std::vector<std::string>{bad.message});
        EXPECT_EQ(FindCourseWindow(id), frm.data());
        EXPECT_EQ(CourseRows(id), before);

        log.Clear();
        bool shown = false;
        QTimer::singleShot(0, [&] {
            if (NewCoursePointFrm && NewCoursePointFrm->isVisible()) {
                shown = true;
                NewCoursePointFrm->close();
            }
        });
        frm->AddnewcoursepointClick();
        ProcessEventsFor(20);
        EXPECT_FALSE(shown);
        EXPECT_EQ(log.Texts(), std::vector<std::string>{bad.message});
        EXPECT_EQ(CourseRows(id), before);
        Close(frm);
    }
}
