#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QTextDocument>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <tuple>

#include "Roundsfixture.h"
#include "courses/Coursechild.h"
#include "courses/Scorecard.h"
#include "platform/Datafolder.h"
#include "support/Testsupport.h"
#include "Holeviewfixture.h"
#include "rounds/Roundrules.h"
#include "rounds/Shotedit.h"
#include "common/Printform.h"

namespace {
std::string Cell(QAbstractItemModel* m, int row, int column) {
    return m->index(row, column).data().toString().toStdString();
}
std::string LabelText(QWidget* w, const char* name) {
    auto* l = w->findChild<QLabel*>(name);
    return l ? l->text().toStdString() : "<none>";
}

// The tables of the shown print preview, each as rows of cell texts.
using PrintedTable = std::vector<std::vector<std::string>>;
std::vector<PrintedTable> PreviewTables() {
    std::vector<PrintedTable> out;
    for (QTextFrame* frame : PrintingForm->PrintWebBrowser->document()->rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table) continue;
        PrintedTable rows(table->rows());
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor text = cell.firstCursorPosition();
                text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                rows[r].push_back(text.selectedText().trimmed().toStdString());
            }
        out.push_back(std::move(rows));
    }
    return out;
}
} // namespace

TEST_F(RoundsTest, ListNewestFirstWithUnknownCourseAndQuotedFilter) {
    TRoundsForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    QAbstractItemModel* m = list->RoundsGrid->model();
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(Cell(m, 0, 1), "Alpha");
    EXPECT_EQ(Cell(m, 1, 1), "Unknown course");
    EXPECT_EQ(Cell(m, 0, 0), ShortDateText(EncodeDateTime(2026, 5, 1)));
    EXPECT_EQ(Cell(m, 0, 3), "Medal");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), "Course");
    EXPECT_GE(list->RoundsGrid->columnWidth(0), 57);
    EXPECT_GE(list->RoundsGrid->columnWidth(1), 81);
    EXPECT_EQ(SpokenName(list->Filter), "Filter");

    list->Filter->setText("O'B");
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_TRUE(log.Empty());
    list->Filter->setText("2026-04");
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(Cell(m, 0, 3), "Away");
    list->Filter->setText("*'\"?%");
    EXPECT_EQ(m->rowCount(), 0);
    list->Filter->setText("");
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_TRUE(log.Empty());

    // The Menu key and Shift+F10 open the menu on the current row, whose
    // commands act on it, brought into view when scrolled away (in a grid one
    // row high); Tab leaves the grid.
    QWidget* rows = list->RoundsGrid->viewport();
    list->RoundsGrid->resize(list->RoundsGrid->width(), list->RoundsGrid->height() - rows->height() + list->RoundsGrid->rowHeight(0));
    list->RoundsGrid->setFocus();
    QTest::keyClick(list->RoundsGrid, Qt::Key_Down);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    for (QEvent* key : std::initializer_list<QEvent*>{&menuKey, &shiftF10}) {
        list->RoundsGrid->verticalScrollBar()->setValue(0);
        QApplication::sendEvent(list->RoundsGrid, key);
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        EXPECT_TRUE(rows->rect().contains(rows->mapFromGlobal(QApplication::activePopupWidget()->pos()) - QPoint(0, 1)));
        log.QueueAnswer(IDNO);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Up); // the last command, Delete round
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        EXPECT_EQ(log.Texts().back(), "Are you sure you want to delete round " + Cell(m, 1, 0) + " / Unknown course?");
    }
    QTest::keyClick(list->RoundsGrid, Qt::Key_Tab);
    EXPECT_EQ(list->window()->focusWidget(), list->Filter);
    log.Clear();

    // A round stored meanwhile shows when the list becomes active again.
    AddRound(alpha, 1, "2026-07-01 08:00:00", "Later");
    list->FormActivate();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(Cell(m, 0, 3), "Later");
    // Another program holds the file alone and stores a round: the re-read
    // keeps the rows, and a click once the hold has gone reads them again.
    TDatabase other;
    HoldFileAlone(*db, other);
    other.Execute("INSERT INTO Round (UserId, RoundStartDate) VALUES (1, '2026-08-01 08:00:00')");
    EXPECT_NO_THROW(list->FormActivate());
    EXPECT_EQ(m->rowCount(), 3);
    other.Execute("COMMIT");
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(list->RoundsGrid->viewport(), &click);
    EXPECT_EQ(m->rowCount(), 4);
    // A read that fails after the rows went is run once more; a second failure is said.
    InterruptLongReads(*db, 1);
    list->FormActivate();
    EXPECT_EQ(m->rowCount(), 4);
    InterruptLongReads(*db, 2);
    list->FormActivate();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Round: interrupted"});

    // Empty list: each command says so.
    list->Filter->setText("1999");
    for (auto command : {&TRoundsForm::Viewround1Click, &TRoundsForm::EditroundClick,
                         &TRoundsForm::DeleteroundClick}) {
        log.Clear();
        (list->*command)();
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"No round selected!"});
    }
    EXPECT_TRUE(Children<TRoundFrm>().empty());
}

TEST_F(RoundsTest, ViewBuildsTheRoundWindowOnceAndWritesNothing) {
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    const std::string before = Dump();
    MainForm->SetIsMeter("");  // no stored unit: metres, and the headings say so
    list->Viewround1Click();
    auto frames = Children<TRoundFrm>();
    ASSERT_EQ(frames.size(), 1u);
    TRoundFrm* frm = frames[0];
    EXPECT_EQ(frm->Tag, roundId);
    EXPECT_EQ(frm->windowTitle().toStdString(),
              "Round - Alpha " + ShortDateText(EncodeDateTime(2026, 5, 1)));
    EXPECT_FALSE(frm->IsMinimized());
    EXPECT_EQ(LabelText(frm, "HCPLabel"), "18 / 18");
    EXPECT_EQ(LabelText(frm, "PlayerLabel"), "First Last");
    EXPECT_EQ(LabelText(frm, "BagLabel"), "Bag A");
    EXPECT_EQ(LabelText(frm, "MarkerLabel"), "Mark");
    EXPECT_EQ(LabelText(frm, "TitleLabel"), "Medal");
    EXPECT_EQ(LabelText(frm, "TeeLabel"), "Red");
    // Every caption's text ends a gap before its value; values stay inside.
    for (auto [caption, value] : {std::pair{"Player", "PlayerLabel"}, {"Date", "DateLabel"}, {"Marker", "MarkerLabel"},
                                  {"Bag", "BagLabel"}, {"HCP", "HCPLabel"}, {"Title", "TitleLabel"}, {"Tee", "TeeLabel"}}) {
        const QLabel* c = frm->findChild<QLabel*>(caption);
        const QLabel* v = frm->findChild<QLabel*>(value);
        ASSERT_TRUE(c && v) << caption;
        EXPECT_GE(v->x(), c->x() + c->fontMetrics().horizontalAdvance(c->text()) + TRoundFrm::HeaderCaptionGap)
            << caption;
        EXPECT_LE(v->geometry().right(), frm->width()) << value;
    }
    EXPECT_EQ(frm->findChild<QLabel*>("Title")->text(), "Title / Competition:");
    EXPECT_EQ(LabelText(frm, "FirLabel"), "7 of 18 (39%)");
    EXPECT_EQ(LabelText(frm, "GirLabel"), "1 of 18 (6%)");
    EXPECT_EQ(LabelText(frm, "PutsLabel"), "36 (2.00)");
    EXPECT_EQ(frm->UnitLabel->text(), "(m)");
    EXPECT_EQ(frm->Label5->text(), "Length (m)");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR0C1")->text(), "301");
    EXPECT_EQ(PrintingForm->CardTitle, "Alpha");
    EXPECT_EQ(PrintingForm->PlayingHcp, 18);
    EXPECT_EQ(PrintingForm->RowCount, 22);
    EXPECT_EQ(PrintingForm->TeeCount, 2);
    // Hole 1 holds 4 shots, stored 4: no mark; hole 2 none, stored 4: marked.
    QLineEdit* strokes1 = frm->findChild<QLineEdit*>("ScorecardEditR0C5");
    QLineEdit* strokes2 = frm->findChild<QLineEdit*>("ScorecardEditR1C5");
    ASSERT_TRUE(strokes1 && strokes2);
    EXPECT_FALSE(strokes1->font().bold());
    EXPECT_TRUE(strokes2->font().bold());
    EXPECT_TRUE(strokes2->font().strikeOut());
    QLineEdit* tot = frm->findChild<QLineEdit*>("ScorecardEditR21C0");
    ASSERT_NE(tot, nullptr);
    EXPECT_EQ(tot->text(), "Tot");
    EXPECT_EQ(tot->pos(), QPoint(10 + 350 * frm->logicalDpiX() / 96, 260));
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR21C4"), nullptr);
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR0C1")->toolTip(), " Tee:Red");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR0C1")->palette().color(QPalette::Base), QColor(255, 0, 0));
    // Buttons of holes without shots are off.
    EXPECT_TRUE(frm->HoleButtons[0]->isEnabled());
    EXPECT_FALSE(frm->HoleButtons[1]->isEnabled());

    // The holes page starts at hole 1, its button pressed.
    frm->PageControl->setCurrentIndex(1);
    EXPECT_EQ(frm->HoleNro->text(), "1");
    EXPECT_TRUE(frm->HoleButtons[0]->isChecked());
    EXPECT_EQ(frm->HolePar->text(), "4");
    EXPECT_EQ(frm->PageControl->tabBar()->tabRect(1).width(), 353);

    EXPECT_EQ(LabelText(frm, "laabeliR0C1"), "Driver");
    EXPECT_EQ(LabelText(frm, "laabeliR0C2"), "150");
    EXPECT_EQ(LabelText(frm, "laabeliR0C3"), "Fairway hit");
    EXPECT_EQ(LabelText(frm, "laabeliR1C3"), "GIR");
    EXPECT_EQ(LabelText(frm, "laabeliR5C1"), "4");
    EXPECT_EQ(LabelText(frm, "laabeliR6C1"), "PAR");
    ASSERT_EQ(frm->ScenePointCount, 3 + 4);
    EXPECT_EQ(frm->ScenePoints[0].Text, "Tee Red");
    EXPECT_EQ(frm->ScenePoints[1].Text, " Tee Blue");
    EXPECT_EQ(frm->ScenePoints[6].Text, "2 Putt(s)");
    EXPECT_EQ(frm->ScenePoints[5].Text, "");
    MainForm->Yards->trigger();  // the next hole shown converts, and says so
    frm->ShowHole(1);
    EXPECT_EQ(LabelText(frm, "laabeliR0C2"), "164");
    EXPECT_EQ(LabelText(frm, "Label5"), "Length (y)");
    MainForm->Meters->trigger();
    frm->ShowHole(2);
    EXPECT_EQ(frm->ShotRowCount, 0);
    EXPECT_EQ(LabelText(frm, "laabeliR2C1"), "");
    EXPECT_EQ(frm->ScenePointCount, 0);
    frm->PageControl->setCurrentIndex(0);
    EXPECT_TRUE(frm->HoleButtons[0]->isChecked());
    frm->FormActivate();
    EXPECT_TRUE(frm->OGLGroupBox->isVisibleTo(frm->Holes));

    // A second View does nothing; neither does Edit.
    list->Viewround1Click();
    list->EditroundClick();
    EXPECT_EQ(Children<TRoundFrm>().size(), 1u);
    EXPECT_TRUE(Children<TEditRoundForm>().empty());
    EXPECT_TRUE(log.Empty());

    // Enter presses Close, the default button.
    QPointer<TRoundFrm> guard(frm);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(frm->findChild<QLineEdit*>("ScorecardEditR0C0"), &enter);
    Flush();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(Dump(), before);
}

TEST_F(RoundsTest, PrintScorecardPreviewsAndPrintsToPdf) {
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    PrintingForm->CardTitle = "Another course";  // a course window built since
    const std::string pdf = home.File("card.pdf");
    const std::string card = DataPath("scorecard.xml");
    std::vector<std::string> lines;
    std::string shown;
    PrintingForm->ChoosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    QTimer::singleShot(0, [&] {
        std::ifstream in(card);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        shown = PrintingForm->PrintWebBrowser->toPlainText().toStdString();
        PrintingForm->PrintButtonClick();
    });
    frm->PrintButton->click();
    ASSERT_EQ(lines.size(), 245u);
    EXPECT_EQ(lines[3], "<name>Alpha</name>");
    EXPECT_EQ(lines[7], "<hcp>18 / 18</hcp>");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<color>FF0000</color>"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "<name>Blue</name>"), lines.end());
    EXPECT_EQ(lines[lines.size() - 3], "<net>54</net>");
    EXPECT_NE(shown.find("Alpha"), std::string::npos);
    EXPECT_NE(shown.find("Medal"), std::string::npos);
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
    EXPECT_FALSE(std::filesystem::exists(card));
    EXPECT_TRUE(log.Empty());

    // A plus golfer, -1.0 on par 72 rated 72.0 / 113, gives one stroke back.
    const long long plus = AddRound(alpha, 1, "2026-06-01 10:00:00", "Plus");
    Update("Round", "RoundId = " + std::to_string(plus), {{"RoundHCP", -1.0}});
    list->FormActivate();
    Select(list, plus);
    list->Viewround1Click();
    const std::string plusCard = home.File("plus.xml");
    ASSERT_TRUE(Children<TRoundFrm>().back()->WriteScorecardFile(plusCard));
    std::ifstream plusIn(plusCard);
    std::vector<std::string> p;
    for (std::string line; std::getline(plusIn, line);) p.push_back(line);
    ASSERT_EQ(p.size(), 245u);
    EXPECT_EQ((std::vector<std::string>{p[7], p[p.size() - 6], p[p.size() - 4], p[p.size() - 3]}),
              (std::vector<std::string>{"<hcp>-1 / -1</hcp>", "<points>35</points>", "<hcp>-1</hcp>", "<net>73</net>"}));

    // A nine on a 9-hole course (par 36, par on every hole) plays half the
    // exact 18-hole playing handicap, rounded once, on its holes in the order of
    // their indexes, whatever numbers they are (holes: the points of holes 1 to
    // 9); the card prints that and nets with it.
    const long long heath = AddCourse("Heath", false, 2, true), nine = AddRound(heath, 1, "2026-06-02 10:00:00", "Nine");
    db->Execute("DELETE FROM RoundHoles WHERE HoleId > 9 AND RoundId = " + std::to_string(nine));
    const int plain[] = {1, 2, 3, 4, 5, 6, 7, 8, 9}, odd[] = {9, 17, 1, 13, 5, 15, 7, 3, 11}, even[] = {10, 18, 2, 14, 6, 16, 8, 4, 12};
    for (auto [hcp, rating, indexes, header, holes, net] : {std::tuple{8.0, 72.0, plain, "8 / 4", "333322222", 32},
             {-3, 72, plain, "-3 / -1", "222222221", 37}, {18, 72, plain, "18 / 9", "333333333", 27}, {18, 35, plain, "18 / 8", "333333332", 28},
             {16.6, 72, plain, "16.6 / 8", "333333332", 28}, {18.6, 72, plain, "18.6 / 9", "333333333", 27}, {-1.5, 72, plain, "-1.5 / -1", "222222221", 37},
             {2.7, 72, plain, "2.7 / 1", "322222222", 35}, {2.5, 35, plain, "2.5 / 0", "222222222", 36}, {-3, 72, odd, "-3 / -1", "212222222", 37},
             {2.7, 72, odd, "2.7 / 1", "223222222", 35}, {8, 72, odd, "8 / 4", "223232332", 32}, {16.6, 72, odd, "16.6 / 8", "323333333", 28},
             {-3, 72, even, "-3 / -1", "212222222", 37}, {2, 72, even, "2 / 1", "223222222", 35}, {8, 72, even, "8 / 4", "223232332", 32},
             {16.6, 72, even, "16.6 / 8", "323333333", 28}}) {
        Update("Round", "RoundId = " + std::to_string(nine), {{"RoundHCP", hcp}});
        Update("ScoreCard", "CourseId = " + std::to_string(heath), {{"CR1M", rating}});
        for (int h = 1; h <= 9; ++h) Update("Holes", "CourseId = " + std::to_string(heath) + " and HoleNumber = " + std::to_string(h), {{"HoleHCP1", indexes[h - 1]}});
        list->FormActivate();
        Select(list, nine);
        list->Viewround1Click();
        TRoundFrm* w = Children<TRoundFrm>().back();
        EXPECT_EQ(LabelText(w, "HCPLabel"), header);
        std::vector<PrintedTable> tables;  // the preview's totals (length, par, strokes, points, hcp, net) are the grid's
        QTimer::singleShot(0, [&] { tables = PreviewTables(); PrintingForm->CancelButtonClick(); });
        w->PrintButton->click();
        const auto totals = std::find_if(tables.begin(), tables.end(), [](auto& t) { return t[0].back() == "Net"; });
        ASSERT_NE(totals, tables.end());
        EXPECT_EQ(totals->back(), (std::vector<std::string>{"2745", "36", "36", std::to_string(54 - net), std::to_string(36 - net), std::to_string(net)}));
        // The points row of the hole table, above the totals.
        for (int h = 1; h <= 9; ++h) EXPECT_EQ((totals - 1)->back().at(h), std::string(1, holes[h - 1])) << header << " hole " << h;
        w->OKBtnClick();
        Flush();
    }

    // A card file that cannot be written: said so, no preview.
    std::filesystem::create_directory(card);
    bool previewShown = false;
    QTimer::singleShot(0, [&] {
        previewShown = PrintingForm->isVisible();
        if (previewShown) PrintingForm->CancelButtonClick();
    });
    frm->PrintButtonClick();
    ProcessEventsFor(5);
    EXPECT_FALSE(previewShown);
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_NE(log.Texts()[0].find(card), std::string::npos);

    // A tee added to the course since: the card keeps the grid's two tees.
    Update("Course_General", "CourseId = " + std::to_string(alpha), {{"Tees", 3}, {"18Holes", false}});
    const std::string again = home.File("again.xml");
    ASSERT_TRUE(frm->WriteScorecardFile(again));
    std::ifstream in(again);
    int count = 0;
    for (std::string line; std::getline(in, line);) ++count;
    EXPECT_EQ(count, 245);
}

// A course card belongs to no round: printed after a round of another course
// was viewed, it shows neither that round's handicap nor a net figure, while
// its file keeps both elements.
TEST_F(RoundsTest, ACourseCardPrintsNoHandicapOrNetOfTheRoundViewedLast) {
    const long long heath = AddCourse("Heath", false, 2, true);
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    ASSERT_EQ(PrintingForm->RoundHcp, 18);
    ASSERT_EQ(PrintingForm->PlayingHcp, 18);
    TCourseFrm* course = OpenCourseWindow(MainForm, static_cast<int>(heath), 0);
    ASSERT_NE(course, nullptr);
    std::string file, shown;
    std::vector<PrintedTable> tables;
    QTimer::singleShot(0, [&] {
        std::ifstream in(DataPath("coursescorecard.xml"));
        file.assign(std::istreambuf_iterator<char>(in), {});
        shown = PrintingForm->PrintWebBrowser->toPlainText().toStdString();
        tables = PreviewTables();
        PrintingForm->CancelButtonClick();
    });
    course->PrintButton->click();
    EXPECT_NE(file.find("<hcp>18</hcp>"), std::string::npos) << file;
    const size_t at = file.find("<net>");
    ASSERT_NE(at, std::string::npos) << file;
    const std::string net = file.substr(at + 5, file.find("</net>") - at - 5);
    ASSERT_FALSE(net.empty());

    EXPECT_NE(shown.find("Heath"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Hcp"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Net"), std::string::npos) << shown;
    ASSERT_FALSE(tables.empty());
    for (const PrintedTable& table : tables)
        for (const auto& row : table)
            for (const std::string& cell : row) {
                EXPECT_NE(cell, "18");  // no such figure on a 9-hole course's card
                EXPECT_NE(cell, net);
            }
}

// The round card's hole tables print each hole's putts or no putts row at all;
// their strokes and points totals, and the totals table, are the grid's.
TEST_F(RoundsTest, RoundCardPrintsNoEmptyPuttsRowAndKeepsItsTotals) {
    for (int h = 1; h <= 18; ++h)
        Update("RoundHoles", "RoundId = " + std::to_string(roundId) + " and HoleId = " + std::to_string(h),
               {{"HoleShotsPutter", h % 3}, {"HoleShotsTotal", 3 + h % 4}});
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    const auto grid = [&](int r, int c) {
        auto* box = frm->findChild<QLineEdit*>(QString("ScorecardEditR%1C%2").arg(r).arg(c));
        return box ? box->text().toStdString() : std::string("<none>");
    };
    const int strokes = 5, points = 6;  // two tees
    ASSERT_EQ(LabelText(frm, "PutsLabel"), "18 (1.00)");
    ASSERT_EQ(grid(21, strokes), "81");
    std::vector<PrintedTable> tables;
    QTimer::singleShot(0, [&] {
        tables = PreviewTables();
        PrintingForm->CancelButtonClick();
    });
    frm->PrintButton->click();

    int holeTables = 0, scoreRows = 0;
    bool totalsSeen = false;
    for (const PrintedTable& table : tables) {
        ASSERT_FALSE(table.empty());
        const auto& head = table[0];
        if (head.size() > 1 && head[0] == "Hole") {
            ++holeTables;
            const bool second = head[1] == "10";
            for (const auto& row : table) {
                ASSERT_EQ(row.size(), head.size());
                if (row[0] == "Putts") {
                    for (size_t i = 1; i <= 9; ++i)
                        EXPECT_EQ(row[i], std::to_string(std::stoi(head[i]) % 3)) << "hole " << head[i];
                } else if (row[0] == "Strokes" || row[0] == "Points") {
                    ++scoreRows;
                    const int c = row[0] == "Strokes" ? strokes : points;
                    for (size_t i = 1; i <= 9; ++i)
                        EXPECT_EQ(row[i], grid(std::stoi(head[i]) - (second ? 0 : 1), c)) << row[0] << " " << head[i];
                    EXPECT_EQ(row[10], grid(second ? 19 : 9, c)) << row[0];
                    if (second) {
                        EXPECT_EQ(row[11], grid(21, c)) << row[0];
                    }
                }
            }
        } else if (std::find(head.begin(), head.end(), "Strokes") != head.end()) {
            totalsSeen = true;
            ASSERT_EQ(table.size(), 2u);
            for (size_t i = 0; i < head.size(); ++i) {
                if (head[i] == "Strokes") {
                    EXPECT_EQ(table[1][i], grid(21, strokes));
                }
                if (head[i] == "Points") {
                    EXPECT_EQ(table[1][i], grid(21, points));
                }
                if (head[i] == "Net") {
                    EXPECT_EQ(table[1][i], std::to_string(81 - PrintingForm->PlayingHcp));
                }
            }
        }
    }
    EXPECT_EQ(holeTables, 2);
    EXPECT_EQ(scoreRows, 4);
    EXPECT_TRUE(totalsSeen);
}

TEST_F(RoundsTest, ThePrintFileReplacesAPlantedLinkAndKeepsItsTarget) {
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    const std::string target = home.File("victim.txt");
    std::ofstream(target) << "keep";
    const std::string card = DataPath("scorecard.xml");
    std::filesystem::create_symlink(target, card);
    ASSERT_TRUE(frm->WriteScorecardFile(card));
    std::ifstream victim(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(card));
    std::ifstream in(card);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("<name>Alpha</name>"), std::string::npos);
}

TEST_F(RoundsTest, ABlackTeeChosenInTheCourseDialogIsBlackOnTheRoundCard) {
    Update("ScoreCard", "CourseId = " + std::to_string(alpha), {{"Tee1Col", int(StoredChosenColour(0))}});
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    const auto dark = [](QColor c) { return c.red() < 8 && c.green() < 8 && c.blue() < 8; };
    EXPECT_TRUE(dark(frm->findChild<QLineEdit*>("ScorecardEditR0C1")->palette().color(QPalette::Base)));
    EXPECT_TRUE(dark(frm->findChild<QLabel*>("TeeLabel")->palette().color(QPalette::WindowText)));
    const std::string card = home.File("black.xml");
    ASSERT_TRUE(frm->WriteScorecardFile(card));
    std::ifstream in(card);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const size_t color = text.find("<color>", text.find("<tee nbr=\"1\">"));
    ASSERT_NE(color, std::string::npos);
    const QColor printed(QString::fromStdString("#" + text.substr(color + 7, 6)));
    EXPECT_TRUE(printed.isValid() && dark(printed)) << text.substr(color, 22);
}

TEST_F(RoundsTest, EditorAddsAShotAtPlaceThree) {
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->EditroundClick();
    auto editors = Children<TEditRoundForm>();
    ASSERT_EQ(editors.size(), 1u);
    TEditRoundForm* editor = editors[0];
    EXPECT_EQ(editor->windowTitle().toStdString(),
              "Edit round - Alpha " + ShortDateText(EncodeDateTime(2026, 5, 1)));
    ASSERT_EQ(editor->ShotsView->topLevelItemCount(), 4);
    EXPECT_EQ(editor->ShotsView->headerItem()->text(4), "Latittude");
    EXPECT_EQ(editor->ShotsView->topLevelItem(0)->text(4), "N 60.1000000");
    EXPECT_EQ(editor->ShotsView->topLevelItem(0)->text(2), "Driver");
    EXPECT_EQ(editor->CourseComboBox->currentText(), "Alpha");
    EXPECT_EQ(editor->TeeComboBox->currentText(), "Red");
    EXPECT_EQ(editor->BagComboBox->currentText(), "Bag A");
    EXPECT_EQ(editor->HCPEdit->text(), "18");

    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(2));  // C
    bool stayed = false;
    QTimer::singleShot(0, [&] {
        TShotEditForm* shot = ShotEditForm;
        EXPECT_EQ(shot->HoleComboBox->currentText(), "1");
        EXPECT_EQ(shot->ShotComboBox->currentText(), "3");
        EXPECT_EQ(shot->ShotComboBox->count(), 5);
        EXPECT_EQ(shot->Latitude->text(), "");
        EXPECT_EQ(TabFrom(shot->ShotComboBox), shot->LengthEdit); // Tab as the boxes stand
        shot->DescriptionEdit->setText("X");
        shot->LengthEdit->setText("");
        shot->Button1Click();  // no length: said, still open
        stayed = shot->isVisible();
        shot->LengthEdit->setText("120");
        shot->ClubComboBox->setCurrentIndex(shot->ClubComboBox->findText("Iron 7"));
        shot->Button1Click();
    });
    editor->Insertshot1Click();
    EXPECT_TRUE(stayed);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please enter the shot length."});
    EXPECT_EQ(HoleShots(roundId, 1), (std::vector<std::string>{"A 1", "B 2", "X 3", "C 4", "D 5"}));
    ASSERT_EQ(editor->ShotsView->topLevelItemCount(), 5);
    EXPECT_EQ(editor->ShotsView->topLevelItem(2)->text(6), "X");
    EXPECT_EQ(editor->ShotsView->topLevelItem(2)->text(3), "120");
    EXPECT_EQ(editor->ShotsView->topLevelItem(2)->text(4), "");
    // The round was validated: hole 1 now holds 5 strokes against 4 stored.
    EXPECT_EQ(Count("Round", "RoundId = " + std::to_string(roundId) + " and Invalid = true"), 1);

    // Deleting B renumbers the hole.
    log.Clear();
    log.QueueAnswer(IDYES);
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(1));
    editor->Deleteshot1Click();
    EXPECT_EQ(HoleShots(roundId, 1), (std::vector<std::string>{"A 1", "X 2", "C 3", "D 4"}));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Are you sure?"});

    // Editing D in yards: 120 yards are 110 metres; the close box cancels.
    MainForm->SetIsMeter("false");
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(3));
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(ShotEditForm->ShotComboBox->count(), 4);
        ShotEditForm->LengthEdit->setText("120");
        ShotEditForm->PenaltyComboBox->setCurrentIndex(8);
        ShotEditForm->Button1Click();
    });
    editor->Editshot1Click();
    TTable shots(db, "RoundShots");
    shots.SetFilter("RoundId = " + std::to_string(roundId) + " and Description = 'D'");
    shots.Open();
    EXPECT_EQ(shots.FieldByName("ShotLength").AsInteger(), 110);
    EXPECT_EQ(shots.FieldByName("PenId").AsInteger(), 13);
    shots.Close();
    const std::string before = Dump();
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(0));
    QTimer::singleShot(0, [&] {
        ShotEditForm->LengthEdit->setText("77");
        ShotEditForm->close();
    });
    editor->Editshot1Click();
    EXPECT_EQ(Dump(), before);

    // Store, renumbering and validation go together: a failing validation
    // leaves neither the new shot nor new numbers.
    db->Execute("CREATE TEMP TRIGGER keep BEFORE UPDATE ON Round BEGIN SELECT RAISE(ABORT, 'kept'); END");
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(0));
    bool threw = false;
    QTimer::singleShot(0, [&] {
        ShotEditForm->LengthEdit->setText("5");
        try {
            ShotEditForm->StoreShot();
        } catch (const EDatabaseError&) {
            threw = true;
        }
        ShotEditForm->Button2Click();
    });
    editor->Insertshot1Click();
    db->Execute("DROP TRIGGER keep");
    EXPECT_TRUE(threw);
    EXPECT_EQ(Dump(), before);

    // So do deleting and renumbering; the editor still lists the whole round.
    db->Execute("CREATE TEMP TRIGGER keep BEFORE UPDATE ON Round BEGIN SELECT RAISE(ABORT, 'kept'); END");
    log.QueueAnswer(IDYES);
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(0));
    EXPECT_THROW(editor->Deleteshot1Click(), EDatabaseError);
    db->Execute("DROP TRIGGER keep");
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(editor->RoundShotsTable.Filter(), "RoundId = " + std::to_string(roundId));
}

TEST_F(RoundsTest, EditorHeaderAndTheRoundGoneMeanwhile) {
    // Two courses of one name with an apostrophe stay apart.
    const long long first = AddCourse("O'Hare", true, 1, true);
    const long long second = AddCourse("O'Hare", false, 2, true);
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->EditroundClick();
    TEditRoundForm* editor = Children<TEditRoundForm>().at(0);
    editor->CourseComboBox->setCurrentIndex(editor->CourseComboBox->findData(static_cast<int>(second)));
    editor->CourseComboBoxChange();
    EXPECT_EQ(editor->TeeComboBox->count(), 2);
    editor->TitleEdit->setText("Cup");
    editor->HCPEdit->setText("60");
    editor->BagComboBox->setCurrentIndex(0);  // Unknown
    editor->OKBtnClick();
    Flush();
    EXPECT_TRUE(log.Empty());
    TTable round(db, "Round");
    round.SetFilter("RoundId = " + std::to_string(roundId));
    round.Open();
    EXPECT_EQ(round.FieldByName("CourseId").AsInteger(), second);
    EXPECT_NE(round.FieldByName("CourseId").AsInteger(), first);
    EXPECT_EQ(round.FieldByName("RoundTitle").AsString(), "Cup");
    EXPECT_DOUBLE_EQ(round.FieldByName("RoundHCP").AsFloat(), 54);
    EXPECT_EQ(round.FieldByName("BagId").AsInteger(), 0);
    EXPECT_EQ(round.FieldByName("TeeNumber").AsInteger(), 1);
    round.Close();

    // The round goes while its editors are open: nothing is written.
    Select(list, roundId);
    list->EditroundClick();
    editor = Children<TEditRoundForm>().at(0);
    log.QueueAnswer(IDYES);
    list->DeleteroundClick();
    EXPECT_EQ(Count("Round", "RoundId = " + std::to_string(roundId)), 0);
    EXPECT_EQ(Children<TEditRoundForm>().size(), 1u);
    log.Clear();
    editor->OKBtnClick();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"The round has been deleted; nothing is stored."});
    EXPECT_EQ(Count("Round", "RoundId = " + std::to_string(roundId)), 0);
    Flush();

    // The shot editor, prepared before the round went.
    Select(list, goneRound);
    list->EditroundClick();
    editor = Children<TEditRoundForm>().at(0);
    AddShot(goneRound, 1, 1, driver, 0, "Only", 0, 0, 100);
    AddShot(goneRound, 12, 1, driver, 0, "Twelve", 0, 0, 100);
    editor->LoadRound();
    // Its course is gone, so the hole list holds 1 to 9: hole 12 is not
    // there, and OK without a hole says so and keeps the window.
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(1));
    log.Clear();
    bool open = false;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(ShotEditForm->HoleComboBox->count(), 9);
        EXPECT_EQ(ShotEditForm->HoleComboBox->currentIndex(), -1);
        EXPECT_EQ(ShotEditForm->ShotComboBox->currentIndex(), -1);
        ShotEditForm->LengthEdit->setText("10");
        ShotEditForm->Button1Click();
        open = ShotEditForm->isVisible();
        ShotEditForm->Button2Click();
    });
    editor->Insertshot1Click();
    EXPECT_TRUE(open);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please select the hole number."});
    EXPECT_EQ(Count("RoundShots", "RoundId = " + std::to_string(goneRound)), 2);
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(0));
    log.Clear();
    QTimer::singleShot(0, [&] {
        TTable t(db, "Round");
        t.SetFilter("RoundId = " + std::to_string(goneRound));
        t.Open();
        t.Delete();
        ShotEditForm->LengthEdit->setText("10");
        ShotEditForm->Button1Click();
    });
    editor->Insertshot1Click();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"The round has been deleted; the shot is not stored."});
    EXPECT_EQ(Count("RoundShots", "RoundId = " + std::to_string(goneRound)), 2);
    EXPECT_EQ(Count("Round", "RoundId = " + std::to_string(goneRound)), 0);
    EXPECT_FALSE(ShotEditForm->isVisible());
}

TEST_F(RoundsTest, AnEditorThatFailedToLoadNeverStoresItsHeader) {
    // An older shot table: the editor's load fails after the header is read.
    db->Execute("ALTER TABLE RoundShots DROP COLUMN Description");
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    try {
        list->EditroundClick();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the failure left the window's road: " << e.what();
    }
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].text.find("Description"), std::string::npos) << log.Messages()[0].text;
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    // OK and Enter right after the message, before the window has gone.
    for (TEditRoundForm* editor : Children<TEditRoundForm>()) {
        editor->TitleEdit->setText("Cup");
        editor->OKBtn->click();
        editor->OKBtnClick();
    }
    Flush();
    EXPECT_TRUE(Children<TEditRoundForm>().empty());
    EXPECT_EQ(log.Messages().size(), 1u);
    TTable round(db, "Round");
    round.SetFilter("RoundId = " + std::to_string(roundId));
    round.Open();
    EXPECT_EQ(round.FieldByName("RoundTitle").AsString(), "Medal");
    EXPECT_EQ(round.FieldByName("MarkerName").AsString(), "Mark");
    EXPECT_DOUBLE_EQ(round.FieldByName("RoundHCP").AsFloat(), 18.0);
    EXPECT_EQ(round.FieldByName("BagId").AsInteger(), bagId);
    EXPECT_EQ(round.FieldByName("CourseId").AsInteger(), alpha);
}

TEST_F(RoundsTest, ARoundWindowThatFailedToLoadGoesAfterTheMessage) {
    // An older hole table: the last step of the load, the round's figures, fails.
    db->Execute("ALTER TABLE RoundHoles DROP COLUMN BunkerHits");
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    try {
        list->RoundsGridDblClick();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the failure left the window's road: " << e.what();
    }
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].text.find("BunkerHits"), std::string::npos) << log.Messages()[0].text;
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    Flush();
    EXPECT_TRUE(Children<TRoundFrm>().empty());
    // The command comes back: the same round opens once the file is whole.
    db->Execute("ALTER TABLE RoundHoles ADD COLUMN BunkerHits INTEGER");
    log.Clear();
    Select(list, roundId);
    list->RoundsGridDblClick();
    Flush();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(Children<TRoundFrm>().size(), 1u);
}

TEST_F(RoundsTest, DeleteRemovesTheRoundWithItsHolesAndShots) {
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();  // an open round window stays open
    const std::string round = "RoundId = " + std::to_string(roundId);
    log.QueueAnswer(IDNO);
    list->DeleteroundClick();
    EXPECT_EQ(Count("RoundShots", round), 4);
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_EQ(log.Texts()[0], "Are you sure you want to delete round " +
                                  ShortDateText(EncodeDateTime(2026, 5, 1)) + " / Alpha?");
    // A failure half-way leaves every row of the round in place.
    db->Execute("CREATE TEMP TRIGGER keep BEFORE DELETE ON Round BEGIN SELECT RAISE(ABORT, 'kept'); END");
    log.QueueAnswer(IDYES);
    EXPECT_THROW(list->DeleteroundClick(), EDatabaseError);
    EXPECT_EQ(Count("RoundShots", round), 4);
    EXPECT_EQ(Count("RoundHoles", round), 18);
    EXPECT_EQ(Count("Round", round), 1);
    db->Execute("DROP TRIGGER keep");
    log.QueueAnswer(IDYES);
    list->DeleteroundClick();
    EXPECT_EQ(Count("RoundShots", round), 0);
    EXPECT_EQ(Count("RoundHoles", round), 0);
    EXPECT_EQ(Count("Round", round), 0);
    EXPECT_EQ(Count("RoundHoles"), 18);  // the other round's holes stay
    EXPECT_EQ(list->RoundsGrid->model()->rowCount(), 1);
    EXPECT_EQ(Children<TRoundFrm>().size(), 1u);
}

TEST_F(RoundsTest, MissingCourseDataClosesTheWindowAndOpensTheCourse) {
    const long long beta = AddCourse("Beta", true, 1, false);
    const long long onBeta = AddRound(beta, 1, "2026-06-01 10:00:00", "Beta round");
    TRoundsForm* list = OpenList();
    Select(list, onBeta);
    list->Viewround1Click();
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please fill out the missing information about the course!"});
    EXPECT_EQ(log.Messages().at(0).caption, "Error!");
    EXPECT_TRUE(Children<TRoundFrm>().empty());
    auto courses = Children<TCourseFrm>();
    ASSERT_EQ(courses.size(), 1u);
    EXPECT_EQ(courses[0]->Tag, beta);
    EXPECT_EQ(courses[0]->EditMode, 1);

    // A slope missing for the played tee takes the same path.
    Update("ScoreCard", "CourseId = " + std::to_string(beta), {{"CR1M", 70.0}});
    log.Clear();
    list->Viewround1Click();
    Flush();
    EXPECT_EQ(log.Texts().size(), 1u);
    EXPECT_TRUE(Children<TRoundFrm>().empty());

    // A course that is gone: the message, and no course window.
    log.Clear();
    Select(list, goneRound);
    list->Viewround1Click();
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please fill out the missing information about the course!"});
    EXPECT_TRUE(Children<TRoundFrm>().empty());
    ASSERT_EQ(Children<TCourseFrm>().size(), 1u);
    EXPECT_EQ(Children<TCourseFrm>()[0]->Tag, beta);
}

TEST_F(RoundsTest, RoundWithoutTeeOpensTheEditor) {
    const long long noTee = AddRound(alpha, 9, "2026-06-02 10:00:00", "No tee");
    TRoundsForm* list = OpenList();
    Select(list, noTee);
    list->Viewround1Click();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please check the course and tee."});
    auto editors = Children<TEditRoundForm>();
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(editors[0]->Tag, noTee);
    EXPECT_EQ(editors[0]->TeeComboBox->currentIndex(), -1);
    log.Clear();
    list->Viewround1Click();  // the editor is open: the information, then nothing
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please check the course and tee."});
    EXPECT_EQ(Children<TEditRoundForm>().size(), 1u);
    EXPECT_TRUE(Children<TRoundFrm>().empty());
}

TEST_F(RoundsTest, NullsAndOddValuesNeverCrashTheRoundWindow) {
    const long long odd = Add("Round", {{"UserId", 1}, {"CourseId", alpha}, {"TeeNumber", 2},
                                        {"RoundStartDate", "2026-08-01 10:00:00"}});
    Add("RoundHoles", {{"RoundId", odd}, {"HoleId", 3}});
    Add("RoundHoles", {{"RoundId", odd}, {"HoleId", 1}, {"HoleShotsTotal", 2}, {"Quit", true}});
    Add("RoundShots", {{"RoundId", odd}, {"HoleId", 1}});
    Add("RoundShots", {{"RoundId", odd}, {"HoleId", 1}, {"ShotNumber", 2}, {"PenId", 9}});
    for (int i = 0; i < 40; ++i) AddShot(odd, 3, i + 1, iron, 0, "", 60.1, 24.9, 100);
    Update("Holes", "CourseId = " + std::to_string(alpha) + " and HoleNumber = 2",
           {{"HolePar", TVariant()}, {"HoleLength2", TVariant()}});
    {
        TTable hole5(db, "Holes");
        hole5.SetFilter("CourseId = " + std::to_string(alpha) + " and HoleNumber = 5");
        hole5.Open();
        hole5.Delete();
    }
    Add("Waypoints", {{"CourseId", alpha}, {"HoleId", 0}, {"Name", "Stray"}, {"Type", 2}});
    TRoundsForm* list = OpenList();
    Select(list, odd);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(LabelText(frm, "BagLabel"), "Undefined");
    EXPECT_EQ(LabelText(frm, "MarkerLabel"), "-");
    EXPECT_EQ(LabelText(frm, "TitleLabel"), "-");
    EXPECT_EQ(LabelText(frm, "TeeLabel"), "Blue");
    EXPECT_EQ(LabelText(frm, "HCPLabel"), "0 / 6");  // slope 120, rating 70, par 64
    // The card meets the course's holes by number.
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR4C0")->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR5C0")->text(), "6");
    frm->ShowHole(5);
    EXPECT_EQ(frm->ScenePointCount, 0);
    EXPECT_EQ(frm->HolePar->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR0C5")->text(), "-");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR1C3")->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR1C2")->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR2C5")->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR3C5")->text(), "");
    EXPECT_EQ(frm->findChild<QLineEdit*>("ScorecardEditR9C5")->text(), "-");
    frm->ShowHole(1);
    EXPECT_EQ(LabelText(frm, "laabeliR1C3"), "Quit hole");
    EXPECT_EQ(LabelText(frm, "laabeliR0C1"), "Unknown");
    EXPECT_EQ(LabelText(frm, "laabeliR3C1"), "-");
    EXPECT_TRUE(log.Empty());
    frm->ShowHole(3);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Too many strokes to display"});
    EXPECT_EQ(frm->ShotRowCount, 37);
    EXPECT_EQ(LabelText(frm, "laabeliR38C1"), "40");
    EXPECT_EQ(frm->ScenePointCount, 40);
    frm->ShowHole(1);
    EXPECT_EQ(LabelText(frm, "laabeliR38C1"), "<none>");
}

TEST(RoundCardStylesheet, RendersEveryElementOfTheCard) {
    TempHome home;
    CardPrintInput in;
    in.Name = "NameV";
    in.Title = "TitleV";
    in.Datum = "DatumV";
    in.Player = "PlayerV";
    in.Hcp = "HcpV";
    in.Marker = "MarkerV";
    in.Bag = "BagV";
    in.Tee = "TeeV";
    in.Fir = "FirV";
    in.Gir = "GirV";
    in.Puts = "PutsV";
    in.Bir = "BirV";
    in.Rows = 22;
    in.Tees = 2;
    in.PlayingHcp = 17;
    in.Cell = [](int r, int c) { return "c" + std::to_string(r) + "x" + std::to_string(c); };
    in.Hint = [](int r, int c) { return " Tee:T" + std::to_string(r) + "n" + std::to_string(c); };
    in.TeeRgb = [](int) { return 0x123456; };
    in.StrokesChanged = [](int) { return false; };
    const std::string path = home.File("scorecard.xml");
    {
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : ScorecardLines(in)) out << line << '\n';
    }
    std::string error;
    const std::string html = TransformCardFile(path, &error);
    ASSERT_FALSE(html.empty()) << error;
    std::vector<std::string> expected = {"NameV", "TitleV", "DatumV", "PlayerV", "HcpV", "MarkerV",
                                         "BagV", "TeeV", "FirV", "GirV", "PutsV", "BirV", ">18<",
                                         "T0n1", "T10n2", "(1)", "(2)", "123456", ">17<"};
    for (int r : {0, 8, 9, 10, 18, 19, 21})
        for (int c = 1; c <= 6; ++c) {
            if ((r == 9 || r == 19 || r == 21) && c == 4) continue;  // no index total
            expected.push_back("c" + std::to_string(r) + "x" + std::to_string(c));
        }
    for (const std::string& value : expected)
        EXPECT_NE(html.find(value), std::string::npos) << value;
    EXPECT_NE(html.find(">-<"), std::string::npos);  // the net of a strokes text that is no number
}

TEST_F(RoundsTest, EditingKeepsStoredTextsWholeAndPenaltyStrokes) {
    const std::string longMarker = "Marker with a name of thirty-two";
    Update("Round", "RoundId = " + std::to_string(roundId), {{"MarkerName", longMarker}});
    const long long penalty = AddShot(roundId, 2, 1, 15, 1, "Drop", 0, 0, 0);
    const long long far = AddShot(roundId, 2, 2, iron, 0, "Far", 51.1234567, -122.4194155, 1500);
    // A penalty code the list has no entry for (10) survives an unchanged OK.
    const long long odd = AddShot(roundId, 2, 3, iron, 10, "Odd", 0, 0, 120);
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->EditroundClick();
    TEditRoundForm* editor = Children<TEditRoundForm>().at(0);
    ASSERT_EQ(editor->ShotsView->topLevelItemCount(), 7);
    EXPECT_EQ(editor->MarkerEdit->text().toStdString(), longMarker);
    EXPECT_EQ(editor->ShotsView->topLevelItem(4)->text(2), "Penalty");

    // OK on each shot without a change stores what was there.
    MainForm->ValidateRound(static_cast<int>(roundId));
    const std::string before = Dump();
    for (int row : {4, 5, 6}) {
        editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(row));
        QTimer::singleShot(0, [&] { ShotEditForm->Button1Click(); });
        editor->Editshot1Click();
    }
    EXPECT_EQ(Dump(), before);
    TTable shots(db, "RoundShots");
    shots.SetFilter("ShotId = " + std::to_string(penalty));
    shots.Open();
    EXPECT_EQ(shots.FieldByName("ClubId").AsInteger(), 15);
    shots.Close();
    shots.SetFilter("ShotId = " + std::to_string(far));
    shots.Open();
    EXPECT_DOUBLE_EQ(shots.FieldByName("Latitude").AsFloat(), 51.1234567);
    EXPECT_DOUBLE_EQ(shots.FieldByName("Longitude").AsFloat(), -122.4194155);
    EXPECT_EQ(shots.FieldByName("ShotLength").AsInteger(), 1500);
    shots.Close();
    shots.SetFilter("ShotId = " + std::to_string(odd));
    shots.Open();
    EXPECT_EQ(shots.FieldByName("PenId").AsInteger(), 10);
    shots.Close();
    EXPECT_EQ(editor->ShotsView->topLevelItem(4)->text(2), "Penalty");

    // A club chosen for the penalty stroke is stored; so is "Unknown" for a
    // shot whose club is listed.
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(4));
    QTimer::singleShot(0, [&] {
        ShotEditForm->ClubComboBox->setCurrentIndex(ShotEditForm->ClubComboBox->findText("Driver"));
        ShotEditForm->Button1Click();
    });
    editor->Editshot1Click();
    EXPECT_EQ(editor->ShotsView->topLevelItem(4)->text(2), "Driver");
    editor->ShotsView->setCurrentItem(editor->ShotsView->topLevelItem(4));
    QTimer::singleShot(0, [&] {
        ShotEditForm->ClubComboBox->setCurrentIndex(0);
        ShotEditForm->Button1Click();
    });
    editor->Editshot1Click();
    EXPECT_EQ(editor->ShotsView->topLevelItem(4)->text(2), "Unknown");

    // The header's marker stays whole on OK.
    editor->OKBtnClick();
    Flush();
    TTable round(db, "Round");
    round.SetFilter("RoundId = " + std::to_string(roundId));
    round.Open();
    EXPECT_EQ(round.FieldByName("MarkerName").AsString(), longMarker);
    EXPECT_TRUE(log.Empty());
}

TEST_F(RoundsTest, EditorTakesEnterAsOkAndEscAsCancel) {
    MainForm->Course1Click();
    TRoundsForm* list = OpenList();
    const auto title = [&] {
        TTable round(db, "Round");
        round.SetFilter("RoundId = " + std::to_string(roundId));
        round.Open();
        return round.FieldByName("RoundTitle").AsString();
    };
    const auto press = [](QWidget* w, int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    Select(list, roundId);
    list->EditroundClick();
    QPointer<TEditRoundForm> editor = Children<TEditRoundForm>().at(0);
    editor->TitleEdit->setText("Esc");
    press(editor->TitleEdit, Qt::Key_Escape);
    Flush();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(title(), "Medal");
    EXPECT_EQ(MainForm->MdiArea()->activeSubWindow(), list->parentWidget()); // the list, not the course list

    Select(list, roundId);
    list->EditroundClick();
    editor = Children<TEditRoundForm>().at(0);
    EXPECT_EQ(TabFrom(editor->HCPEdit), editor->AddShotButton); // the buttons above the shots first
    editor->TitleEdit->setText("Enter");
    editor->HCPEdit->setText("70");
    press(editor->HCPEdit, Qt::Key_Return);
    Flush();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(title(), "Enter");
    EXPECT_EQ(Count("Round", "RoundId = " + std::to_string(roundId) + " and RoundHCP = 54"), 1);
    EXPECT_TRUE(log.Empty());
}

// Figures on a dark tee colour are white, on screen and on the printed card,
// and a 9-hole card heads its total "Tot" on paper as on screen.
TEST_F(RoundsTest, DarkTeeColoursTakeWhiteFiguresAndNineHolesPrintTot) {
    const long long nine = AddCourse("Nine", false, 2, true);
    const long long round = AddRound(nine, 2, "2026-06-01 10:00:00", "Nine");
    // As the watch stores a nine: holes 10-18 with no stroke and no shot.
    db->Execute("UPDATE RoundHoles SET HoleShotsTotal = 0, GIR = 1 WHERE HoleId > 9 AND RoundId = " + std::to_string(round));
    TRoundsForm* list = OpenList();
    Select(list, round);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    EXPECT_EQ(std::tuple(frm->CardRows(), LabelText(frm, "HCPLabel"), LabelText(frm, "GirLabel")),
              std::tuple(10, std::string("18 / 9"), std::string("1 of 9 (11%)")));
    frm->PageControl->setCurrentIndex(0);
    frm->raise();
    QLineEdit* blue = frm->findChild<QLineEdit*>("ScorecardEditR0C2");
    ASSERT_NE(blue, nullptr);
    ASSERT_EQ(blue->text(), "281");
    const auto count = [](const QImage& image, auto pred) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (pred(QColor(image.pixel(x, y)))) ++n;
        return n;
    };
    const auto white = [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; };
    const auto blueish = [](QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; };
    const auto black = [](QColor c) { return qGray(c.rgb()) < 60 && c.blue() < 100; };
    QImage inside;  // within the box's frame
    EXPECT_TRUE(WaitFor(
        [&] {
            const QImage all = ScreenPixels(blue);
            inside = all.copy(3, 3, all.width() - 6, all.height() - 6);
            return count(inside, blueish) > inside.width() * inside.height() / 2 &&
                   count(inside, white) >= 5;
        },
        10000))
        << "blue " << count(inside, blueish) << ", white " << count(inside, white);
    EXPECT_LT(count(inside, black), 3);

    const std::string pdf = home.File("nine.pdf");
    std::string html, plain;
    PrintingForm->ChoosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    QColor blueName;
    QTimer::singleShot(0, [&] {
        plain = PrintingForm->PrintWebBrowser->toPlainText().toStdString();
        for (QTextBlock b = PrintingForm->PrintWebBrowser->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().text() == "Blue")
                    blueName = it.fragment().charFormat().foreground().color();
        PrintingForm->PrintButtonClick();
    });
    frm->PrintButton->click();
    EXPECT_NE(plain.find("Tot"), std::string::npos) << plain;
    EXPECT_EQ(plain.find("Out"), std::string::npos) << plain;
    EXPECT_EQ(blueName, QColor(Qt::white));
}

// The list reads whole at the program's font: each date on one line, every
// heading whole, no horizontal scroll bar; the tool buttons show pictures.
TEST_F(RoundsTest, NineHolesPlayedTwiceHoldAStoredIndexAtTheIntLimit) {
    const int most = std::numeric_limits<int>::max();
    const long long nine = AddCourse("Nine", false, 2, true);
    const long long round = AddRound(nine, 2, "2026-06-01 10:00:00", "Nine");
    // As a file written elsewhere may hold it.
    db->Execute("UPDATE Holes SET HoleHCP1 = " + std::to_string(most) + " WHERE CourseId = " +
                std::to_string(nine) + " AND HoleNumber = 1");
    TRoundsForm* list = OpenList();
    Select(list, round);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    ASSERT_EQ(frm->NineAsEighteen, 1);
    frm->ShowHole(10);
    EXPECT_EQ(frm->Hcpindex->text(), QString::number(most));
    EXPECT_TRUE(log.Empty());
}

TEST_F(RoundsTest, RoundsListFitsItsTextsAndShowsPictures) {
    AddRound(alpha, 1, "2026-09-30 10:00:00", "Club championship final");
    TRoundsForm* list = OpenList();
    ASSERT_NE(list, nullptr);
    QTableView* grid = list->RoundsGrid;
    QHeaderView* header = grid->horizontalHeader();
    for (int c = 0; c < 4; ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "heading " << c << " cut";
    EXPECT_LE(grid->width(), 500);
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    for (QToolButton* b : {list->SpeedButton1, list->SpeedButton3, list->SpeedButton4}) {
        EXPECT_FALSE(b->icon().isNull()) << b->toolTip().toStdString();
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    EXPECT_EQ(list->SpeedButton4->toolTip(), "Delete round");

    // The dark pixels of a date (a row not selected) form one line as wide
    // as the whole date.
    list->window()->raise();
    const QString date = grid->model()->index(1, 0).data().toString();
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    const QFontMetrics fm(grid->font());
    int top = -1, bottom = -1, left = -1, right = -1;
    const bool drawn = WaitFor(
        [&] {
            QImage all = ScreenPixels(grid->viewport());
            const QImage img = all.copy(cell);
            top = bottom = left = right = -1;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (qGray(img.pixel(x, y)) < 100) {
                        if (top < 0) top = y;
                        bottom = y;
                        left = left < 0 ? x : std::min(left, x);
                        right = std::max(right, x);
                    }
            return top >= 0;
        },
        10000);
    ASSERT_TRUE(drawn);
    EXPECT_LE(bottom - top + 1, fm.height()) << date.toStdString();
    EXPECT_GE(right - left + 1, fm.horizontalAdvance(date) * 8 / 10) << date.toStdString();
}

namespace {
// Contrast ratio of two colours, from their relative luminance (sRGB).
double ContrastRatio(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
}  // namespace

// A white, yellow, grey or red tee's name keeps its colour in the header and
// reads against what lies behind it; a dark tee's name stays on the window.
TEST_F(RoundsTest, LightTeeNamesReadInTheHeader) {
    Update("ScoreCard", "CourseId = " + std::to_string(alpha),
           {{"Tee1Col", 0xFFFFFF}, {"Tee1Name", "White"}, {"Tee2Col", 0x00FFFF}, {"Tee2Name", "Yellow"}});
    const long long yellowRound = AddRound(alpha, 2, "2026-06-02 10:00:00", "Yellow");
    const long long dark = AddCourse("Dark", true, 2, true);  // tees Red and Blue
    const long long redRound = AddRound(dark, 1, "2026-06-03 10:00:00", "Red");
    const long long blueRound = AddRound(dark, 2, "2026-06-04 10:00:00", "Blue");
    const long long grey = AddCourse("Grey", true, 1, true);
    Update("ScoreCard", "CourseId = " + std::to_string(grey), {{"Tee1Col", 0x808080}, {"Tee1Name", "Grå"}});
    const long long greyRound = AddRound(grey, 1, "2026-06-05 10:00:00", "Grey");
    TRoundsForm* list = OpenList();
    const std::tuple<long long, const char*, QColor> rounds[] = {{roundId, "White", QColor(255, 255, 255)},
                                                                 {yellowRound, "Yellow", QColor(255, 255, 0)},
                                                                 {greyRound, "Grå", QColor(128, 128, 128)},
                                                                 {redRound, "Red", QColor(255, 0, 0)}};
    for (const auto& [round, name, colour] : rounds) {
        Select(list, round);
        list->Viewround1Click();
        Flush();
        auto frames = Children<TRoundFrm>();
        ASSERT_EQ(frames.size(), 1u) << name;
        TRoundFrm* frm = frames[0];
        frm->raise();
        auto* tee = frm->findChild<QLabel*>("TeeLabel");
        ASSERT_NE(tee, nullptr);
        EXPECT_EQ(tee->text().toStdString(), name);
        // The pixels of the name: some in the tee's own colour, and behind
        // them, the label's most common colour, in contrast with it.
        QImage image;
        int named = 0;
        QColor behind;
        ASSERT_TRUE(WaitFor(
            [&] {
                image = ScreenPixels(tee);
                std::map<QRgb, int> counts;
                named = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) {
                        const QRgb px = image.pixel(x, y) & 0xFFFFFF;
                        ++counts[px];
                        if (px == (colour.rgb() & 0xFFFFFF)) ++named;
                    }
                behind = QColor(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                    return a.second < b.second;
                                })->first);
                return named >= 10;
            },
            10000))
            << name;
        EXPECT_GE(ContrastRatio(colour, behind), 4.5)
            << name << " on " << behind.name().toStdString() << ", " << named << " pixels in its colour";
        // The name stays whole in the value column.
        EXPECT_GE(tee->width(), tee->sizeHint().width()) << name;
        EXPECT_LE(tee->geometry().right(), frm->width()) << name;
        frm->OKBtn->click();
        Flush();
    }
    // A dark tee colour needs no chip: the name's colour on the window.
    Select(list, blueRound);
    list->Viewround1Click();
    Flush();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    auto* tee = frm->findChild<QLabel*>("TeeLabel");
    ASSERT_NE(tee, nullptr);
    EXPECT_EQ(tee->text().toStdString(), "Blue");
    EXPECT_FALSE(tee->autoFillBackground());
    EXPECT_EQ(tee->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

// The round window's hole view draws every label whole over the markers:
// each pixel a label darkens on the bare ground is dark in the picture too,
// "Pin" and "2 Putt(s)" over the green, "Bunker" over its bunker.
TEST_F(RoundsTest, HoleLabelsAreDrawnWholeOverTheMarkers) {
    const long long hole1 =
        RowValue(*db, "Holes", "CourseId = " + std::to_string(alpha) + " and HoleNumber = 1", "HoleId").AsInteger();
    Add("Waypoints", {{"CourseId", alpha}, {"HoleId", hole1}, {"Name", "Green"}, {"Type", 3},
                      {"Latitude", 60.1039}, {"Longitude", 24.9}});
    Add("Waypoints", {{"CourseId", alpha}, {"HoleId", hole1}, {"Name", "Bunker"}, {"Type", 6},
                      {"Latitude", 60.1033}, {"Longitude", 24.9004}});
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    frm->PageControl->setCurrentIndex(1);
    TOpenGLAPPanel* panel = frm->OpenGLAPPanel1;
    ASSERT_TRUE(WaitFor([panel] { return panel->isVisible(); }, 5000));
    ProcessEventsFor(300);
    ASSERT_EQ(frm->HoleNro->text(), "1");
    // Also where the driver's rounding of equal depths favours the markers.
    for (const bool strict : {false, true}) {
        if (strict)
            panel->OnPaint = [frm](QObject*) {
                glDepthFunc(GL_LESS);
                frm->OpenGLAPPanel1Paint();
            };
        const LabelCheck labels = CheckLabelsWhole(*panel, *frm->Scene, frm->ScenePoints);
        ASSERT_GT(labels.text, 100) << strict;
        // Some label strokes lie on a marker ("Pin" on the pin's disc).
        EXPECT_GT(labels.overMarkers, 0) << strict;
        EXPECT_EQ(labels.lost, 0) << labels.lost << " of " << labels.text << " label pixels erased"
                                  << (strict ? " with a strict depth test" : "");
    }
}

// A title and a marker's name wider than their labels end in "…" inside the
// label, with the whole text as its tooltip; the round card prints them whole.
// A name that fits shows whole, without a tooltip.
TEST_F(RoundsTest, LongTitleAndMarkerAreElidedInTheHeader) {
    const std::string title = "Spring Medal Competition of the Royal Lytham and St Annes Golf Club";
    const std::string marker = "Maximilian Alexander Worthington-Fitzgerald III";
    Update("Round", "RoundId = " + std::to_string(roundId), {{"RoundTitle", title}, {"MarkerName", marker}});
    TRoundsForm* list = OpenList();
    Select(list, roundId);
    list->Viewround1Click();
    TRoundFrm* frm = Children<TRoundFrm>().at(0);
    for (auto [name, whole] : {std::pair{"TitleLabel", title}, {"MarkerLabel", marker}}) {
        const QLabel* l = frm->findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr) << name;
        const QString shown = l->text();
        ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << name << ": " << shown.toStdString();
        EXPECT_GT(shown.size(), 10) << name;
        EXPECT_TRUE(QString::fromStdString(whole).startsWith(shown.chopped(1))) << name;
        EXPECT_LE(l->fontMetrics().horizontalAdvance(shown), l->contentsRect().width()) << name;
        EXPECT_EQ(l->toolTip().toStdString(), whole) << name;
    }
    const std::string card = home.File("long.xml");
    ASSERT_TRUE(frm->WriteScorecardFile(card));
    std::ifstream in(card);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("<title>" + title + "</title>"), std::string::npos);
    EXPECT_NE(text.find("<marker>" + marker + "</marker>"), std::string::npos);
    frm->OKBtn->click();
    Flush();

    Update("Round", "RoundId = " + std::to_string(roundId), {{"RoundTitle", "Medal"}, {"MarkerName", "Mark"}});
    Select(list, roundId);
    list->Viewround1Click();
    frm = Children<TRoundFrm>().at(0);
    EXPECT_EQ(LabelText(frm, "TitleLabel"), "Medal");
    EXPECT_EQ(LabelText(frm, "MarkerLabel"), "Mark");
    EXPECT_TRUE(frm->findChild<QLabel*>("TitleLabel")->toolTip().isEmpty());
    EXPECT_TRUE(frm->findChild<QLabel*>("MarkerLabel")->toolTip().isEmpty());
}
