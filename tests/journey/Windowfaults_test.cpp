// Faults a user met window by window: two player editors at once, a bag's
// club order lost, the first-run dialog closed from the window manager, the
// Edit menu grey from the keyboard, and a long memo freezing its window.
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <fstream>
#include <xcb/xcb.h>

#include "courses/Coursechild.h"
#include "courses/Createcourse.h"
#include "courses/Mcourse.h"
#include "journey/Journeyfixture.h"
#include "players/Childwin.h"
#include "players/Newbag.h"
#include "players/Newclub.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "support/Editorsteps.h"

namespace {
// A club of the list dropped on a tree item, where the mouse lets it go.
void DropOn(TPlayerEditor* ed, const QString& club, QTreeWidgetItem* target) {
    ed->ListView1->setCurrentItem(ListItem(ed, club));
    ASSERT_NE(ed->ListView1->currentItem(), nullptr) << club.toStdString();
    ed->TreeView1->scrollToItem(target);
    QMimeData mime;
    mime.setData(TClubList::ClubMime, QByteArray("1"));
    ed->TreeView1->DropAt(ed->TreeView1->visualItemRect(target).center(), &mime);
}

// A holder of the tree dropped on the club list.
void DropOnList(TPlayerEditor* ed, QTreeWidgetItem* holder) {
    ed->TreeView1->setCurrentItem(holder);
    QMimeData mime;
    mime.setData(TBagTree::HolderMime, QByteArray("1"));
    ed->ListView1->DropAt(&mime);
}

// The functions the window asks the window manager for (_MOTIF_WM_HINTS);
// every function when it asks for none in particular.
constexpr uint32_t kMwmHintsFunctions = 1, kMwmFuncAll = 1, kMwmFuncClose = 32;
uint32_t WindowManagerFunctions(QWidget* w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return kMwmFuncAll;
    xcb_connection_t* c = x11->connection();
    const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    if (!atom) return kMwmFuncAll;
    xcb_get_property_reply_t* prop = xcb_get_property_reply(
        c, xcb_get_property(c, 0, static_cast<xcb_window_t>(w->winId()), atom->atom, atom->atom, 0, 5),
        nullptr);
    free(atom);
    uint32_t functions = kMwmFuncAll;
    if (prop && xcb_get_property_value_length(prop) >= 8) {
        const auto* hints = static_cast<const uint32_t*>(xcb_get_property_value(prop));
        if (hints[0] & kMwmHintsFunctions) functions = hints[1];
    }
    free(prop);
    return functions;
}

bool AsksForCloseBox(QWidget* w) {
    const uint32_t f = WindowManagerFunctions(w);
    return (f & kMwmFuncAll) || (f & kMwmFuncClose);
}

// The shown popup of the frame's Edit menu.
QMenu* EditMenuShown() {
    auto* menu = MainForm->menuBar()->findChild<QMenu*>("Edit1");
    return menu && menu->isVisible() ? menu : nullptr;
}

void Activate(QWidget* w) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
    WaitFor([w] { return w->isActiveWindow(); }, 3000);
}

// The first-run dialog, shown and active; null (a failure) when it is not.
TNewPlayerForm* ActiveFirstRunDialog() {
    TNewPlayerForm* first = MainForm->NewPlayerWindow;
    if (!first || !WaitFor([first] { return first->isVisible(); }, 3000)) {
        ADD_FAILURE() << "no first-run dialog";
        return nullptr;
    }
    Activate(first);
    return first;
}
}  // namespace

class WindowFaultsTest : public JourneyTest {};

TEST_F(WindowFaultsTest, OnePlayerEditorAtATimeAndTheFirstRunDialogClosesOnlyOnOk) {
    Start();
    QPointer<TNewPlayerForm> first = MainForm->NewPlayerWindow;
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(WaitFor([&] { return first->isVisible(); }, 3000));
    // No close box, and the window manager's close (Alt+F4, the title bar)
    // leaves it open with nothing written.
    EXPECT_FALSE(AsksForCloseBox(first));
    first->windowHandle()->close();
    Flush();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(Count("PlayerDetail"), 0);

    // The user types a name, selects it all with Ctrl+A and types it again.
    TPlayerEditor* ed = first->Editor;
    Activate(first);
    ed->FirstNameEdit->setFocus();
    QTest::keyClicks(ed->FirstNameEdit, "Anna");
    QTest::keyClick(ed->FirstNameEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(ed->FirstNameEdit, "Ann");
    QTest::keyClicks(ed->LastNameEdit, "Berg");
    QTest::keyClicks(ed->HandicapEdit, "20");
    Choose(ed->CountryComboBox, "Sweden");
    QTest::mouseClick(ed->OKBtn, Qt::LeftButton);
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "FirstName").AsString(), "Ann");
    // The Ctrl key cost the close once: the dialog stays, and no second
    // editor can be opened beside it.
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    QTest::mouseClick(MainForm->PlayerTB, Qt::LeftButton);
    MainForm->Player1->trigger();
    Flush();
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);

    // The dialog still works on its own bag: a rename, then OK again.
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    QTreeWidgetItem* bag = ed->TreeView1->topLevelItem(0);
    ed->TreeView1->setCurrentItem(bag);
    ed->RenameBagItem->trigger();
    auto* line = ed->TreeView1->findChild<QLineEdit*>("BagNameEditor");
    ASSERT_NE(line, nullptr);
    line->setText("Home");
    QTest::keyClick(line, Qt::Key_Return);
    Flush();
    EXPECT_EQ(bag->text(0), "Home");
    QTest::mouseClick(ed->OKBtn, Qt::LeftButton);
    Flush();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Value("GolfBag", "UserId=1", "BagName").AsString(), "Home");
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
    EXPECT_TRUE(MainForm->Player1->isEnabled());

    // File > Open of a player file opens the player window; while it lives
    // the Player command and tool button stay off.
    const std::string path = home.File("Smith.kx");
    std::ofstream(path) << "userid=1\n";
    // (What File > Open does once its file dialog gives the path.)
    ASSERT_TRUE(MainForm->OpenPlayerFile(path));
    Flush();
    ASSERT_EQ(ChildCount<TMDIChild>(), 1);
    EXPECT_EQ(Child<TMDIChild>()->windowTitle(), "Player - Smith");
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    MainForm->Player1->trigger();
    Flush();
    ASSERT_EQ(ChildCount<TMDIChild>(), 1);
    EXPECT_EQ(Child<TMDIChild>()->windowTitle(), "Player - Smith");
    QTest::mouseClick(Child<TMDIChild>()->Editor->CancelBtn, Qt::LeftButton);
    Flush();
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
}

TEST_F(WindowFaultsTest, ABagKeepsTheClubOrderItShows) {
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}, {"Sex", true}});
    Start();
    MainForm->Player1->trigger();
    Flush();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    // Bag "Trip" with a putter, a driver and an iron, in this order.
    Steps bag;
    bag.Then([] { return Up(NewBagFrm); }, [] {
        NewBagFrm->bagEdit->setText("Trip");
        NewBagFrm->Button1->click();
    });
    EXPECT_EQ(bag.Run([ed] { ed->NewBagButton->click(); }), 1u);
    QTreeWidgetItem* trip = ed->TreeView1->topLevelItem(1);
    ASSERT_NE(trip, nullptr);
    const std::vector<std::pair<QString, QRadioButton* TClubTypeButtons::*>> clubs = {
        {"Putt", &TClubTypeButtons::RBPutter}, {"Drive", &TClubTypeButtons::RBWood},
        {"Iron3", &TClubTypeButtons::RBIron}};
    for (const auto& [name, type] : clubs) {
        EXPECT_EQ(NewClub(ed, name, type), 1u);
        DropOn(ed, name, trip);
    }
    ed->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();

    // The driver to the list, then onto the empty holder after the iron.
    MainForm->Player1->trigger();
    Flush();
    ed = MainForm->PlayerWindow->Editor;
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    trip = ed->TreeView1->topLevelItem(1);
    ASSERT_EQ(trip->text(0), "Trip");
    DropOnList(ed, trip->child(1));
    DropOn(ed, "Drive", trip->child(3));
    EXPECT_EQ(trip->child(0)->text(0), "Putt");
    EXPECT_EQ(trip->child(1)->text(0), "");
    EXPECT_EQ(trip->child(2)->text(0), "Iron3");
    EXPECT_EQ(trip->child(3)->text(0), "Drive");
    ed->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    const int tripId = Value("GolfBag", "BagName='Trip'", "BagId").AsInteger();
    auto rank = [&](const char* club) {
        const int id = Value("ClubDetail", std::string("ClubName='") + club + "'", "ClubId").AsInteger();
        EXPECT_EQ(Value("Clubs", "ClubId=" + std::to_string(id), "BagId").AsInteger(), tripId) << club;
        return Value("Clubs", "ClubId=" + std::to_string(id), "OrderNumber").AsInteger();
    };
    EXPECT_EQ(rank("Putt"), 1);
    EXPECT_EQ(rank("Iron3"), 2);
    EXPECT_EQ(rank("Drive"), 3);

    // Reopened, the bag shows the order it was left in.
    MainForm->Player1->trigger();
    Flush();
    ed = MainForm->PlayerWindow->Editor;
    trip = ed->TreeView1->topLevelItem(1);
    EXPECT_EQ(trip->child(0)->text(0), "Putt");
    EXPECT_EQ(trip->child(1)->text(0), "Iron3");
    EXPECT_EQ(trip->child(2)->text(0), "Drive");
    ed->CancelBtn->click();
    Flush();
}

TEST_F(WindowFaultsTest, TheEditMenuServesTheBoxTheFocusWasIn) {
    Start();
    TNewPlayerForm* first = ActiveFirstRunDialog();
    ASSERT_NE(first, nullptr);
    // Typing in the first-run dialog, then the frame's Edit menu with the mouse.
    TPlayerEditor* ed = first->Editor;
    ed->FirstNameEdit->setFocus();
    QTest::keyClicks(ed->FirstNameEdit, "Ann");
    ed->FirstNameEdit->selectAll();
    Activate(MainForm);
    QMenuBar* bar = MainForm->menuBar();
    QAction* editTitle = bar->findChild<QMenu*>("Edit1")->menuAction();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(editTitle).center());
    ASSERT_TRUE(WaitFor([] { return EditMenuShown() != nullptr; }, 3000));
    EXPECT_TRUE(MainForm->EditCut1->isEnabled());
    EXPECT_TRUE(MainForm->EditCopy1->isEnabled());
    EXPECT_TRUE(MainForm->EditPaste1->isEnabled());
    QGuiApplication::clipboard()->clear();
    QMenu* menu = EditMenuShown();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(MainForm->EditCopy1).center());
    ASSERT_TRUE(WaitFor([] { return QGuiApplication::clipboard()->text() == "Ann"; }, 3000))
        << QGuiApplication::clipboard()->text().toStdString();
    ed->LastNameEdit->setText("Berg");
    ed->HandicapEdit->setText("20");
    Choose(ed->CountryComboBox, "Sweden");
    ed->OKBtn->click();
    Flush();
    ASSERT_EQ(MainForm->NewPlayerWindow, nullptr);

    // A text selected in the player window's name box, the menu from the
    // keyboard (Alt+E): the commands stay on and Cut cuts it.
    MainForm->Player1->trigger();
    Flush();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    ed = MainForm->PlayerWindow->Editor;
    Activate(MainForm);
    ed->FirstNameEdit->setFocus();
    ASSERT_TRUE(WaitFor([ed] { return ed->FirstNameEdit->hasFocus(); }, 3000));
    ed->FirstNameEdit->selectAll();
    QTest::keyClick(ed->FirstNameEdit, Qt::Key_E, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([] { return EditMenuShown() != nullptr; }, 3000));
    Flush();
    EXPECT_TRUE(MainForm->EditCut1->isEnabled());
    EXPECT_TRUE(MainForm->EditCopy1->isEnabled());
    EXPECT_TRUE(MainForm->EditPaste1->isEnabled());
    menu = EditMenuShown();
    menu->setActiveAction(MainForm->EditCut1);
    QTest::keyClick(menu, Qt::Key_Return);

    ASSERT_TRUE(WaitFor([ed] { return ed->FirstNameEdit->text().isEmpty(); }, 3000));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Ann");
    ed->CancelBtn->click();
    Flush();
}

// Alt+E in the first-run dialog is the Edit menu's key, not a letter: the
// name and its selection stay as typed, and the menu's Cut still cuts it.
TEST_F(WindowFaultsTest, AltKeysInTheFirstRunDialogNeverTypeIntoItsBoxes) {
    Start();
    TNewPlayerForm* first = ActiveFirstRunDialog();
    ASSERT_NE(first, nullptr);
    TPlayerEditor* ed = first->Editor;
    ed->FirstNameEdit->setFocus();
    ASSERT_TRUE(WaitFor([ed] { return ed->FirstNameEdit->hasFocus(); }, 3000));
    // Keys as the window system delivers them, to the dialog's window.
    QWindow* window = first->windowHandle();
    for (char c : std::string("Ann")) QTest::keyClick(window, c);
    ASSERT_EQ(ed->FirstNameEdit->text(), "Ann");
    ed->FirstNameEdit->selectAll();

    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    Flush();
    EXPECT_EQ(ed->FirstNameEdit->text(), "Ann");
    QMenu* menu = EditMenuShown();
    ASSERT_NE(menu, nullptr) << "Alt+E opened no Edit menu";
    EXPECT_TRUE(MainForm->EditCut1->isEnabled());
    menu->setActiveAction(MainForm->EditCut1);
    QTest::keyClick(menu, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([ed] { return ed->FirstNameEdit->text().isEmpty(); }, 3000))
        << ed->FirstNameEdit->text().toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Ann");

    // An Alt key that no menu answers types nothing either.
    Activate(first);
    ed->LastNameEdit->setFocus();
    ASSERT_TRUE(WaitFor([ed] { return ed->LastNameEdit->hasFocus(); }, 3000));
    for (char c : std::string("Berg")) QTest::keyClick(window, c);
    ed->LastNameEdit->selectAll();
    QTest::keyClick(window, Qt::Key_Q, Qt::AltModifier);
    Flush();
    EXPECT_EQ(ed->LastNameEdit->text(), "Berg");
    EXPECT_EQ(ed->LastNameEdit->selectedText(), "Berg");
    EXPECT_EQ(EditMenuShown(), nullptr);
    // Plain letters still type.
    QTest::keyClick(window, Qt::Key_Q);
    EXPECT_EQ(ed->LastNameEdit->text(), "q");
}

TEST_F(WindowFaultsTest, AMegabyteMemoOpensAndShows) {
    // One unbroken megabyte, as another program or the web may leave it.
    const std::string memo(1 << 20, 'M');
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}, {"UserDesc", memo}});
    Start();
    // Minutes in the text layout were the fault; a window that needs more
    // than this is as good as frozen.
    constexpr qint64 kFrozenMs = 30000;
    QElapsedTimer clock;
    clock.start();
    MainForm->Player1->trigger();
    Flush();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
    ed->DescriptionMemo->repaint();
    EXPECT_LT(clock.elapsed(), kFrozenMs);
    EXPECT_EQ(ed->DescriptionMemo->toPlainText().size(), qsizetype(memo.size()));
    EXPECT_GT(Colours(Shot(ed->DescriptionMemo, "memo-player")), 1);
    ed->CancelBtn->click();
    Flush();

    // The course window's description likewise.
    TCourseForm* list = nullptr;
    TCourseFrm* course = nullptr;
    NewNineHoleCourse(list, course);
    ASSERT_NE(course, nullptr);
    course->NameEdit->setText("Longmemo");
    course->U8NameEdit->setText("LONG");
    course->OKBtn->click();
    Flush();
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    {
        TTable general(&MainForm->Database, "Course_General");
        general.SetFilter("Course_Name='Longmemo'");
        general.Open();
        general.Edit();
        general.FieldByName("Description").SetAsString(memo);
        general.Post();
    }
    list->CourseGrid->selectRow(0);
    clock.restart();
    list->Viewcourse1Click();
    Flush();
    course = Child<TCourseFrm>();
    ASSERT_NE(course, nullptr);
    course->Memo1->repaint();
    EXPECT_LT(clock.elapsed(), kFrozenMs);
    EXPECT_EQ(course->Memo1->toPlainText().size(), qsizetype(memo.size()));
}
