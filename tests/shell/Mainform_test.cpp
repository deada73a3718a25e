#include <QAction>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTableView>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "Shellfixture.h"
#include "courses/Mcourse.h"
#include "platform/Registry.h"
#include "players/Childwin.h"
#include "players/Newplayer.h"
#include "rounds/Rounds.h"
#include "shell/Playerfile.h"
#include "common/Progresswin.h"

namespace {
std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (QWidget* w : MainForm->MdiChildren()) out.push_back(w->windowTitle().toStdString());
    return out;
}

int CountPlayerWindows() {
    int n = 0;
    for (QWidget* w : MainForm->MdiChildren())
        if (dynamic_cast<TMDIChild*>(w)) ++n;
    return n;
}

std::string WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    return path;
}

void RepaintMain() {
    MainForm->MdiArea()->viewport()->repaint();
    ProcessEventsFor(20);
}
} // namespace

TEST_F(ShellTest, StartupCreatesWindowsInOrderAllHiddenButTheMainWindow) {
    Start();
    EXPECT_TRUE(MainForm->isVisible());
    EXPECT_EQ(MainForm->windowTitle(), "Caddora - New Player");
    EXPECT_TRUE(MainForm->Database.Connected());

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"AboutBox", "About Caddora"},
        {"NewBagFrm", "New bag"},
        {"NewClubFrm", "New club"},
        {"NewCoursePointFrm", "Course point"},
        {"TransWiz1", "Transfer Wizard - step 1"},
        {"TransWiz2", "Transfer Wizard - step 2"},
        {"TransWiz21", "Transfer Wizard - step 2"},
        {"TransWiz3", "Transfer Wizard - step 3"},
        {"TransWiz31", "Transfer Wizard - step 4"},
        {"TransWiz32", "Transfer Wizard - step 4"},
        {"TransWiz33", "Transfer Wizard - step 3"},
        {"TransWiz34", "Transfer Wizard - step 2"},
        {"TransWiz35", "Transfer Wizard - step 4"},
        {"TransWiz36", "Transfer Wizard - step 3"},
        {"TransWiz4", "Transfer Wizard - step 5"},
        {"ShotEditForm", "Edit shot"},
        {"EditClubForm", "Edit Club"},
        {"StartWiz", "Transfer Wizard"},
        {"ProgressForm", "Working..."},
        {"ClubBrowseForm", "Select Club"},
        {"ClubStatsForm", "Club statistics"},
        {"PrintingForm", "Print preview"},
    };
    // The auto-created windows are owned by the frame, in creation order.
    std::vector<QDialog*> created;
    for (QObject* o : MainForm->children())
        if (auto* d = qobject_cast<QDialog*>(o); d && d != MainForm->NewPlayerWindow)
            created.push_back(d);
    ASSERT_EQ(created.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(created[i]->objectName().toStdString(), expected[i].first);
        EXPECT_EQ(created[i]->windowTitle().toStdString(), expected[i].second);
        EXPECT_FALSE(created[i]->isVisible());
    }
    // No message at a normal start (the help file is there).
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
}

TEST_F(ShellTest, FirstRunOpensNewPlayerWindowAndDisablesPlayerCommands) {
    Start();
    EXPECT_EQ(MainForm->GetUserId(), 1);
    EXPECT_EQ(MainForm->FirstPlayer, 1);
    ASSERT_NE(MainForm->NewPlayerWindow, nullptr);
    EXPECT_TRUE(MainForm->NewPlayerWindow->isVisible());
    EXPECT_EQ(MainForm->NewPlayerWindow->windowTitle(), "Caddora - New Player");
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->Rounds1->isEnabled());
    EXPECT_TRUE(MainForm->TransferWizard1->isEnabled());
    // The frame names the first-run dialog while it is open.
    EXPECT_EQ(MainForm->windowTitle(), "Caddora - New Player");
}

TEST_F(ShellTest, KnownPlayerOneOpensNoNewPlayerWindow) {
    AddPlayerBeforeStart(1);
    Start();
    EXPECT_EQ(MainForm->GetUserId(), 1);
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_EQ(MainForm->FirstPlayer, 0);
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
    EXPECT_TRUE(MainForm->Player1->isEnabled());
}

TEST_F(ShellTest, ForeignDatabaseStopsStartAndIsLeftUntouched) {
    const std::string path = DataPath("kx.mdb");
    const std::string garbage = "this is not a database file at all, just text\n";
    WriteFile(path, garbage);
    EXPECT_FALSE(CreateApplicationWindows());
    EXPECT_EQ(MainForm, nullptr);
    ASSERT_FALSE(log.Empty());
    EXPECT_NE(log.Texts().back().find(path), std::string::npos) << log.Texts().back();
    std::ifstream in(path, std::ios::binary);
    std::string now((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(now, garbage);
}

TEST_F(ShellTest, SmallScreensMaximise) {
    EXPECT_TRUE(TMainForm::IsSmallScreen(QSize(800, 600)));
    EXPECT_TRUE(TMainForm::IsSmallScreen(QSize(640, 480)));
    EXPECT_FALSE(TMainForm::IsSmallScreen(QSize(1024, 768)));
    EXPECT_FALSE(TMainForm::IsSmallScreen(QSize(800, 768)));
    EXPECT_FALSE(TMainForm::IsSmallScreen(QSize(1024, 600)));
}

TEST_F(ShellTest, UnitSwitchesWriteAndPaintReadsTheCurrentPlayersKey) {
    AddPlayerBeforeStart(1);
    Start();
    // Nothing stored: metres, and the switches show metres.
    EXPECT_EQ(MainForm->GetIsMeter(), "");
    EXPECT_TRUE(MainForm->Meters->isChecked());
    EXPECT_TRUE(MainForm->MetersTB->isChecked());
    EXPECT_FALSE(MainForm->YardsTB->isChecked());

    MainForm->Yards->trigger();
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "false");
    EXPECT_EQ(MainForm->GetIsMeter(), "false");
    EXPECT_TRUE(MainForm->YardsTB->isChecked());
    EXPECT_FALSE(MainForm->MetersTB->isChecked());
    RepaintMain();
    EXPECT_EQ(MainForm->GetIsMeter(), "false");
    EXPECT_TRUE(MainForm->Yards->isChecked());

    MainForm->Meters->trigger();
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "true");
    RepaintMain();
    EXPECT_EQ(MainForm->GetIsMeter(), "true");
    EXPECT_TRUE(MainForm->MetersTB->isChecked());

    // Player 2 switches to yards: only key 2 changes, and the paint shows it.
    MainForm->SetUserId(2);
    MainForm->YardsTB->click();
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter"), "false");
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "true");
    RepaintMain();
    EXPECT_EQ(MainForm->GetIsMeter(), "false");
    EXPECT_TRUE(MainForm->Yards->isChecked());
    MainForm->SetUserId(1);
    RepaintMain();
    EXPECT_EQ(MainForm->GetIsMeter(), "true");
    EXPECT_TRUE(MainForm->Meters->isChecked());

    MainForm->SetUserId(2);
    MainForm->MetersTB->click();
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter"), "true");
}

TEST_F(ShellTest, PlayerFileSelectsKnownPlayer) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    Start();
    AddPlayer(MainForm->Database, 7);
    const std::string path = WriteFile(home.File("Smith.kx"), "UserId=7\nrest is ignored\n");
    ASSERT_TRUE(MainForm->OpenPlayerFile(path));
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(MainForm->GetUserId(), 7);
    EXPECT_EQ(MainForm->windowTitle().toStdString(), "Caddora - " + path);
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(MainForm->PlayerWindow->windowTitle(), "Player - Smith");
    // The player window is the one player editor: no second one from the menu.
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    EXPECT_FALSE(ProgressForm->isVisible());

    // Blanks around the number are trimmed; a name without a dot is empty.
    AddPlayer(MainForm->Database, 12);
    const std::string plain = WriteFile(home.File("plain"), "userid=  12 \n");
    ASSERT_TRUE(MainForm->OpenPlayerFile(plain));
    EXPECT_EQ(MainForm->GetUserId(), 12);
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(MainForm->PlayerWindow->windowTitle(), "Player - ");
    EXPECT_EQ(CountPlayerWindows(), 1);
}

TEST_F(ShellTest, PlayerFileRefusalsChangeNothing) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    Start();
    AddPlayer(MainForm->Database, 3);
    const int before = MainForm->GetUserId();
    const QString title = MainForm->windowTitle();
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"unknown.kx", "userid=9\n"}, {"empty.kx", ""}, {"nokey.kx", "player=3\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.Clear();
        const std::string path = WriteFile(home.File(c.name), c.text);
        EXPECT_FALSE(MainForm->OpenPlayerFile(path));
        ASSERT_EQ(log.Messages().size(), 1u);
        EXPECT_EQ(log.Messages()[0].text, "Not a valid player");
        EXPECT_EQ(log.Messages()[0].caption, "Error");
        EXPECT_EQ(MainForm->GetUserId(), before);
        EXPECT_EQ(MainForm->windowTitle(), title);
        EXPECT_EQ(CountPlayerWindows(), 0);
    }
    log.Clear();
    EXPECT_FALSE(MainForm->OpenPlayerFile(home.File("missing.kx")));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Not a valid player"});
    EXPECT_EQ(MainForm->GetUserId(), before);
}

TEST_F(ShellTest, PlayerFileThatIsNoRegularFileIsRefusedWithoutWaiting) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    Start();
    AddPlayer(MainForm->Database, 3);
    const int before = MainForm->GetUserId();
    // A named pipe: a reader that waits for its writer is fed a valid line,
    // which must not be taken.
    const std::string pipe = home.File("pipe.kx");
    PipeFeeder feeder(pipe, "userid=3\n");
    ASSERT_TRUE(feeder.Made());
    EXPECT_FALSE(MainForm->OpenPlayerFile(pipe));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Not a valid player"});
    EXPECT_EQ(MainForm->GetUserId(), before);
    EXPECT_EQ(CountPlayerWindows(), 0);
    // A folder likewise; a link to a player file is that file.
    log.Clear();
    std::filesystem::create_directory(home.File("folder.kx"));
    EXPECT_FALSE(MainForm->OpenPlayerFile(home.File("folder.kx")));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Not a valid player"});
    log.Clear();
    std::filesystem::create_symlink(WriteFile(home.File("Three.kx"), "userid=3"), home.File("Link.kx"));
    EXPECT_TRUE(MainForm->OpenPlayerFile(home.File("Link.kx")));
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(MainForm->GetUserId(), 3);
}

TEST(PlayerFileLine, FirstLineOfARegularFileOnly) {
    TempHome home;
    std::string line = "stale";
    const std::string path = home.File("long.kx");
    std::ofstream(path) << "userid=" << std::string(600, '7') << "\nsecond\n";
    ASSERT_TRUE(ReadPlayerFileLine(path, line));
    EXPECT_EQ(line, "userid=" + std::string(504, '7'));
    std::ofstream(path, std::ios::trunc) << "userid=4\r\nsecond\n";
    ASSERT_TRUE(ReadPlayerFileLine(path, line));
    EXPECT_EQ(line, "userid=4\r");
    std::ofstream(path, std::ios::trunc) << std::string("userid=5\0rest\n", 14);
    ASSERT_TRUE(ReadPlayerFileLine(path, line));
    EXPECT_EQ(line, "userid=5");
    EXPECT_FALSE(ReadPlayerFileLine(home.File("missing.kx"), line));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(ReadPlayerFileLine("/dev/null", line));
}

// What follows the key is no player number: the file is no player file.
TEST_F(ShellTest, PlayerFileWhoseNumberIsNoIdIsNotAValidPlayer) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    Start();
    AddPlayer(MainForm->Database, 7);
    const int before = MainForm->GetUserId();
    const QString title = MainForm->windowTitle();
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"blanks.kx", "  userid=7\n"},       {"word.kx", "userid=seven\n"},
        {"abc.kx", "userid=abc\n"},          {"large.kx", "userid=2147483648\n"},
        {"huge.kx", "userid=99999999999999999999\n"}, {"mixed.kx", "userid=7a\n"},
        {"empty.kx", "userid=\n"},           {"sign.kx", "userid=-\n"}};
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        log.Clear();
        bool opened = true;
        EXPECT_NO_THROW(opened = MainForm->OpenPlayerFile(WriteFile(home.File(name), text)));
        EXPECT_FALSE(opened);
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"Not a valid player"});
        EXPECT_EQ(MainForm->GetUserId(), before);
        EXPECT_EQ(MainForm->windowTitle(), title);
        EXPECT_EQ(CountPlayerWindows(), 0);
    }
    int userId = -5;
    EXPECT_FALSE(PlayerFileUserId("userid=abc", userId));
    EXPECT_FALSE(PlayerFileUserId("UserId=4294967303", userId));  // 2^32 + 7
    EXPECT_EQ(userId, -5);
    ASSERT_TRUE(PlayerFileUserId("USERID= 7 \r", userId));
    EXPECT_EQ(userId, 7);
}

TEST_F(ShellTest, PlayerFileClosesAPlayerWindowThatIsNotActive) {
    AddPlayerBeforeStart(1);
    Start();
    MainForm->Player1Click();
    ASSERT_EQ(CountPlayerWindows(), 1);
    EXPECT_EQ(MainForm->PlayerWindow->windowTitle(), "Caddora - Player");
    MainForm->Course1Click();  // another child becomes the active one
    ProcessEventsFor(20);
    const std::string path = WriteFile(home.File("Me.kx"), "userid=1\n");
    ASSERT_TRUE(MainForm->OpenPlayerFile(path));
    EXPECT_EQ(CountPlayerWindows(), 1);
    EXPECT_EQ(MainForm->PlayerWindow->windowTitle(), "Player - Me");
}

TEST(StrToIntTest, AcceptsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(StrToInt("7"), 7);
    EXPECT_EQ(StrToInt("-3"), -3);
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "-", "d=7", "7a", "1 2", "2147483648", "99999999999999999999"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
}

TEST_F(ShellTest, RoundsListFollowsRefreshAndTogglesItsCommands) {
    AddPlayerBeforeStart(1);
    Start();
    auto* other = new QWidget;
    other->setWindowTitle("Other");
    MainForm->AddMdiChild(other)->show();
    auto* select = new QWidget;
    select->setWindowTitle("Select round");
    MainForm->AddMdiChild(select)->show();

    MainForm->Rounds1Click();
    ProcessEventsFor(20);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Other", "Rounds"}));
    EXPECT_FALSE(MainForm->Rounds1->isEnabled());
    EXPECT_FALSE(MainForm->RoundsTB->isEnabled());
    TRoundsForm* list = nullptr;
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* r = dynamic_cast<TRoundsForm*>(w)) list = r;
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->RoundTable.Filter(), "UserId = 1");
    EXPECT_EQ(list->RoundsGrid->model()->rowCount(), 0);

    TTable rounds(&MainForm->Database, "Round");
    rounds.Open();
    for (int user : {1, 2}) {
        rounds.Append();
        rounds.FieldByName("UserId").SetAsInteger(user);
        rounds.FieldByName("RoundTitle").SetAsString("Round of " + std::to_string(user));
        rounds.FieldByName("RoundStartDate").SetAsString("2026-05-01 10:00:00");
        rounds.Post();
    }
    rounds.Close();
    EXPECT_EQ(list->RoundsGrid->model()->rowCount(), 0);
    MainForm->RefreshListWindows();
    ASSERT_EQ(list->RoundsGrid->model()->rowCount(), 1);
    EXPECT_EQ(list->RoundsGrid->model()->index(0, 3).data().toString(), "Round of 1");

    // Closing the list enables the commands again.
    QPointer<QWidget> guard(list);
    list->parentWidget()->close();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 2000));
    EXPECT_TRUE(MainForm->Rounds1->isEnabled());
    EXPECT_TRUE(MainForm->RoundsTB->isEnabled());
}

TEST_F(ShellTest, CourseListFollowsRefresh) {
    Start();
    MainForm->Course1Click();
    ASSERT_NE(CourseForm, nullptr);
    EXPECT_EQ(GetHelpContext(CourseForm), 5);
    const int before = CourseForm->CourseGrid->model()->rowCount();
    TTable courses(&MainForm->Database, "Course_General");
    courses.Open();
    courses.Append();
    courses.FieldByName("Course_Name").SetAsString("Zz New Links");
    courses.FieldByName("U8_Name").SetAsString("ZZLINKS");
    courses.FieldByName("Tees").SetAsInteger(1);
    courses.Post();
    courses.Close();
    MainForm->RefreshListWindows();
    EXPECT_EQ(CourseForm->CourseGrid->model()->rowCount(), before + 1);

    MainForm->CourseTBClick();
    EXPECT_EQ(GetHelpContext(CourseForm), 0);
}

TEST_F(ShellTest, ValidateRoundWorksOnTheMainWindowsTables) {
    Start();
    TDatabase& db = MainForm->Database;
    TTable round(&db, "Round");
    round.Open();
    round.Append();
    round.FieldByName("UserId").SetAsInteger(1);
    round.Post();
    const int roundId = round.FieldByName("RoundId").AsInteger();
    round.Close();
    TTable holes(&db, "RoundHoles");
    holes.Open();
    for (int hole : {1, 2}) {
        holes.Append();
        holes.FieldByName("RoundId").SetAsInteger(roundId);
        holes.FieldByName("HoleId").SetAsInteger(hole);
        holes.FieldByName("HoleShotsTotal").SetAsInteger(hole == 1 ? 2 : 5);
        holes.Post();
    }
    holes.Close();
    TTable shots(&db, "RoundShots");
    shots.Open();
    for (int hole : {1, 2})
        for (int n = 1; n <= 2; ++n) {
            shots.Append();
            shots.FieldByName("RoundId").SetAsInteger(roundId);
            shots.FieldByName("HoleId").SetAsInteger(hole);
            shots.FieldByName("ShotNumber").SetAsInteger(n);
            shots.FieldByName("PenId").SetAsInteger(0);
            shots.Post();
        }
    shots.Close();

    MainForm->ValidateRound(roundId);
    round.SetFilter("RoundId = " + std::to_string(roundId));
    round.Open();
    EXPECT_TRUE(round.FieldByName("Invalid").AsBoolean());
    holes.SetFilter("RoundId = " + std::to_string(roundId));
    holes.AddSort("[HoleId] ASC");
    holes.Open();
    EXPECT_FALSE(holes.FieldByName("Invalid").AsBoolean());  // hole 1: 2 of 2
    holes.Next();
    EXPECT_TRUE(holes.FieldByName("Invalid").AsBoolean());  // hole 2: 2 of 5
}
