// The shell as a user sees it: the progress text while work runs, start-up
// messages above the splash, database trouble at start, MDI child sizes, the
// unit switches, the Edit menu and the open command.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "Shellfixture.h"
#include "db/Dbrows.h"
#include "players/Childwin.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "common/Progresswin.h"

namespace {

TSplash* FindSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = dynamic_cast<TSplash*>(w)) return s;
    return nullptr;
}

// Overwrites the first page of a table's b-tree with noise.
void CorruptTable(const std::string& path, const std::string& table) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &h), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    const std::string sql = "SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'";
    ASSERT_EQ(sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const long root = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    ASSERT_EQ(sqlite3_prepare_v2(h, "PRAGMA page_size", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const long pageSize = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(h);
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp((root - 1) * pageSize);
    for (long i = 0; i < pageSize; ++i) f.put(static_cast<char>(0xA5 ^ (i * 7)));
}

}  // namespace

TEST_F(ShellTest, ProgressTextIsOnScreenWhileTheCallerIsStillBusy) {
    Start();
    ProcessEventsFor(100);
    {
        TProgressScope progress("Connecting...");
        // No event is processed from here on: the caller is busy.
        auto* label = ProgressForm->findChild<QWidget*>("ProgressLabel");
        ASSERT_NE(label, nullptr);
        const QImage first = ScreenPixels(label);
        EXPECT_GT(DarkPixels(first), 20) << "no text on screen after the first show";
        progress.SetMessage("Receiving course data, hole 18");
        // Still no event processing: a loaded X server only gets time to catch up.
        QImage second = ScreenPixels(label);
        for (int i = 0; i < 100 && second == first; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QGuiApplication::sync();
            second = ScreenPixels(label);
        }
        EXPECT_GT(DarkPixels(second), 20);
        EXPECT_NE(first, second) << "the new message did not reach the screen";
    }
    EXPECT_FALSE(ProgressForm->isVisible());
}

TEST_F(ShellTest, StartUpMessagesAreNotHiddenUnderTheSplash) {
    // A folder where the database should be: the start-up stops with a message.
    ASSERT_EQ(mkdir(DataPath("kx.mdb").c_str(), 0700), 0);
    bool splashShown = true;
    int messages = 0;
    SetMessageResponder([&](const MessageRequest&) {
        ++messages;
        TSplash* s = FindSplash();
        splashShown = s && s->isVisible();
        return IDOK;
    });
    EXPECT_FALSE(CreateApplicationWindows());
    SetMessageResponder(nullptr);
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(splashShown);
}

TEST_F(ShellTest, ADatabaseErrorAtTheFirstPaintStopsWithItsMessage) {
    AddPlayerBeforeStart(1);
    CorruptTable(DataPath("kx.mdb"), "PlayerDetail");
    ASSERT_TRUE(CreateApplicationWindows());
    ASSERT_TRUE(WaitFor([] { return MainForm->FirstPaintDone(); }, 5000));
    ProcessEventsFor(50);
    ASSERT_FALSE(log.Empty());
    EXPECT_NE(log.Texts().back().find("malformed"), std::string::npos) << log.Texts().back();
    EXPECT_FALSE(MainForm->DatabaseOpen());
    EXPECT_FALSE(MainForm->isVisible());
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_EQ(MainForm->GetUserId(), 0);
}

// A database the program cannot write opens for reading, and the start says
// why: on a full disk (here, no file may grow), and in a read-only file.
TEST_F(ShellTest, ADatabaseThatCannotBeWrittenIsSaidAtStart) {
    AddPlayerBeforeStart(1);
    AppendRowBeforeStart("RoundShots", {{"ClubId", 100}, {"ShotLength", 150}});  // the driver's figures are old
    rlimit was{};
    getrlimit(RLIMIT_FSIZE, &was);
    const rlimit none{0, was.rlim_max};
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails rather than ends the program
    setrlimit(RLIMIT_FSIZE, &none);
    Start();
    setrlimit(RLIMIT_FSIZE, &was);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"The disk of the database " + DataPath("kx.mdb") +
                                                    " is full: changes cannot be saved."});
    // The player window shows the figures it computes and stays open.
    MainForm->Player1Click();
    ProcessEventsFor(50);
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    const TPlayerRecord& record = MainForm->PlayerWindow->Editor->Record();
    ASSERT_TRUE(record.ClubCount() > 1 && record.Club(1)->ClubId == 100);
    EXPECT_EQ(record.Club(1)->GetLongestShot(), 150);
    EXPECT_EQ(log.Texts().size(), 1u);

    if (geteuid() == 0) GTEST_SKIP() << "root may write to any file";
    DestroyApplicationWindows();
    log.Clear();
    chmod(DataPath("kx.mdb").c_str(), 0444);
    Start();
    bool said = false;
    for (const std::string& t : log.Texts())
        if (t.find("read-only") != std::string::npos) said = true;
    EXPECT_TRUE(said);
    chmod(DataPath("kx.mdb").c_str(), 0644);
}

TEST_F(ShellTest, MdiChildKeepsTheSizeGivenBeforeAddingAndEveryWindowHasOurIcon) {
    AddPlayerBeforeStart(1);
    Start();
    auto* child = new QWidget;
    child->resize(500, 400);
    QMdiSubWindow* sub = MainForm->AddMdiChild(child);
    sub->show();
    ProcessEventsFor(50);
    EXPECT_EQ(child->size(), QSize(500, 400));
    EXPECT_GT(sub->height(), 400);
    sub->close();

    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_EQ(MainForm->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    EXPECT_EQ(ProgressForm->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

TEST_F(ShellTest, AChildMovedPastTheEdgeCanBeScrolledBack) {
    AddPlayerBeforeStart(1);
    Start();
    MainForm->show();
    auto* child = new QWidget;
    child->resize(200, 150);
    QMdiSubWindow* sub = MainForm->AddMdiChild(child);
    sub->show();
    QMdiArea* area = MainForm->MdiArea();
    sub->move(area->viewport()->width() + 300, area->viewport()->height() + 300);
    QScrollBar* across = area->horizontalScrollBar();
    QScrollBar* down = area->verticalScrollBar();
    ASSERT_TRUE(WaitFor([&] { return across->isVisible() && down->isVisible(); }, 3000));
    across->setValue(across->maximum());
    down->setValue(down->maximum());
    ProcessEventsFor(20);
    EXPECT_TRUE(area->viewport()->rect().intersects(sub->geometry()));
}

TEST_F(ShellTest, UnitButtonsAndMenuAgreeAtOnce) {
    AddPlayerBeforeStart(1);
    Start();
    MainForm->YardsTB->click();
    EXPECT_TRUE(MainForm->Yards->isChecked());
    EXPECT_FALSE(MainForm->Meters->isChecked());
    EXPECT_EQ(MainForm->GetIsMeter(), "false");
    MainForm->MetersTB->click();
    EXPECT_TRUE(MainForm->Meters->isChecked());
    EXPECT_FALSE(MainForm->YardsTB->isChecked());
    MainForm->Yards->trigger();
    EXPECT_TRUE(MainForm->YardsTB->isChecked());
}

TEST_F(ShellTest, EditCommandsServeOnlyEditControls) {
    AddPlayerBeforeStart(1);
    Start();
    auto* child = new QWidget;
    child->resize(200, 100);
    auto* edit = new QLineEdit(child);
    auto* button = new QToolButton(child);
    button->move(0, 40);
    button->setFocusPolicy(Qt::StrongFocus);
    MainForm->AddMdiChild(child)->show();
    MainForm->activateWindow();
    QApplication::setActiveWindow(MainForm);
    button->setFocus();
    ASSERT_TRUE(WaitFor([&] { return button->hasFocus(); }, 2000));
    EXPECT_FALSE(MainForm->EditCut1->isEnabled());
    EXPECT_FALSE(MainForm->EditPaste1->isEnabled());
    edit->setFocus();
    ASSERT_TRUE(WaitFor([&] { return edit->hasFocus(); }, 2000));
    EXPECT_TRUE(MainForm->EditCut1->isEnabled());
    EXPECT_TRUE(MainForm->EditCopy1->isEnabled());
    EXPECT_TRUE(MainForm->EditPaste1->isEnabled());
}

TEST_F(ShellTest, OpenDoesNothingWhileTheFirstPlayerIsBeingMade) {
    Start();
    ASSERT_NE(MainForm->NewPlayerWindow, nullptr);
    ASSERT_TRUE(MainForm->NewPlayerWindow->isVisible());
    // Any dialog that opens anyway is closed again and counted.
    int dialogs = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget();
            modal && modal != MainForm->NewPlayerWindow) {
            ++dialogs;
            modal->close();
        }
    });
    closer.start(50);
    MainForm->FileOpen1->trigger();
    ProcessEventsFor(200);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(ShellTest, BagsOfAKilledPlayerEditorAreGoneAtStart) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    long long leftover = 0, kept = 0;
    {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        // A bag made in an editor and never stored, and a stored one.
        leftover = AppendRow(db, "GolfBag", {{"UserId", -1}, {"BagName", "Trip"}});
        AppendRow(db, "Clubs", {{"ClubId", 5}, {"BagId", leftover}, {"OrderNumber", 1}});
        kept = AppendRow(db, "GolfBag", {{"UserId", 1}, {"BagName", "Home"}});
        AppendRow(db, "Clubs", {{"ClubId", 6}, {"BagId", kept}, {"OrderNumber", 1}});
        db.Close();
    }
    Start();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(CountRows(MainForm->Database, "GolfBag", "UserId=-1"), 0);
    EXPECT_EQ(CountRows(MainForm->Database, "Clubs", "BagId=" + std::to_string(leftover)), 0);
    EXPECT_EQ(CountRows(MainForm->Database, "GolfBag", "BagId=" + std::to_string(kept)), 1);
    EXPECT_EQ(CountRows(MainForm->Database, "Clubs", "BagId=" + std::to_string(kept)), 1);
    // The name is free again in the player window; the stored one is not.
    MainForm->Player1Click();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    const TPlayerRecord& record = MainForm->PlayerWindow->Editor->Record();
    EXPECT_FALSE(record.CheckBagName("Trip", -1).has_value());
    const TRefusal taken = record.CheckBagName("Home", -1);
    ASSERT_NE(taken, std::nullopt);
    EXPECT_EQ(taken->Text, "You must give a unique Bagname");
}
