// Two programs on one data folder, and settings files that are no files: the
// program itself started as a process beside the test's windows, on the same
// data folder, as a user starts it a second time.
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <sys/stat.h>

#include "journey/Journeyfixture.h"
#include "platform/Otherprogram.h"
#include "platform/Registry.h"
#include "players/Childwin.h"
#include "players/Newplayer.h"

namespace {
// The program started on the data folder until its first paint is done.
// True when it ended by itself, normally; one that is still running after a
// minute is killed (a hang fails rather than stops the test).
bool RunSecondProgram(std::string& output) {
    QProcess program;
    program.setProgram(CADDORA_PATH);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CADDORA_HOME", QString::fromStdString(DataFolder()));
    env.insert("CADDORA_EXIT_AFTER_FIRST_PAINT", "1");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start();
    if (!program.waitForStarted(30000)) return false;
    const bool ended = program.waitForFinished(60000);
    if (!ended) {
        program.kill();
        program.waitForFinished(10000);
    }
    output = program.readAll().toStdString();
    return ended && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
}

bool IsKind(const std::string& path, mode_t kind) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

// The first start's dialog filled in and saved: player 1 exists.
void FirstPlayer(MessageLog& log) {
    TNewPlayerForm* first = MainForm->NewPlayerWindow;
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(WaitFor([first] { return first->isVisible(); }, 3000));
    SaveAnnBerg(first->Editor);
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    ASSERT_EQ(MainForm->NewPlayerWindow, nullptr);
}

// The player window from the Player command; its editor, or null where it
// did not open.
TPlayerEditor* OpenPlayerWindow() {
    MainForm->Player1->trigger();
    Flush();
    return MainForm->PlayerWindow ? MainForm->PlayerWindow->Editor : nullptr;
}

// A new bag of the name in the open player window, filled with a putter, a
// wood and an iron made for it; returns its node.
int FilledNewBag(TPlayerEditor* ed, const QString& name) {
    EXPECT_EQ(NewBag(ed, name), 1u);
    const int node = ed->TreeView1->topLevelItemCount() - 1;
    EXPECT_EQ(ed->TreeView1->topLevelItem(node)->text(0), name);
    EXPECT_EQ(NewClub(ed, name + " P", &TClubTypeButtons::RBPutter), 1u);
    EXPECT_EQ(NewClub(ed, name + " W", &TClubTypeButtons::RBWood), 1u);
    EXPECT_EQ(NewClub(ed, name + " I", &TClubTypeButtons::RBIron), 1u);
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    // Each drop takes one club from the list (bounded: a refused drop takes none).
    for (int i = ed->ListView1->count(); i > 0; --i) {
        ed->ListView1->setCurrentRow(0);
        ed->DropListClubOn(ed->TreeView1->topLevelItem(node));
    }
    EXPECT_EQ(ed->ListView1->count(), 0);
    return node;
}
} // namespace

TEST_F(JourneyTest, ASecondProgramLeavesTheFirstOnesNewBagAlone) {
    Start();
    FirstPlayer(log);
    TPlayerEditor* ed = OpenPlayerWindow();
    ASSERT_NE(ed, nullptr);
    // Started while another held the folder alone: no hold, and no new bag
    // while it holds it still; the next new bag takes the hold first.
    ReleaseDataFolder();
    {
        OtherProgram tidying(DataPath("caddora.lock"), true);
        EXPECT_EQ(NewBag(ed, "HeldBag"), 1u);
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"Another Caddora program is tidying the data folder "
                                                        "just now.\nThe bag was not made: please try again."});
        EXPECT_EQ(ed->TreeView1->topLevelItemCount(), 1);
        log.Clear();
    }
    FilledNewBag(ed, "Travel");
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 1);

    // The same program started again on the same data while this one runs.
    std::string output;
    ASSERT_TRUE(RunSecondProgram(output)) << output;
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 1);

    ed->OKBtn->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(Count("GolfBag", "UserId=1 and BagName='Travel'"), 1);
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 0);
    const int travel = Value("GolfBag", "BagName='Travel'", "BagId").AsInteger();
    EXPECT_EQ(Count("Clubs", "BagId=" + std::to_string(travel)), 3);
}

TEST_F(JourneyTest, APlayerWindowWhoseNewBagHasGoneSavesNothingAndSaysSo) {
    Start();
    FirstPlayer(log);
    TPlayerEditor* ed = OpenPlayerWindow();
    ASSERT_NE(ed, nullptr);
    ed->PageControl1->setCurrentIndex(0);
    ed->LastNameEdit->setText("Lind");
    const int node = FilledNewBag(ed, "Spare");
    const int gone = Value("GolfBag", "UserId=-1", "BagId").AsInteger();
    // Another program takes the row (a program of an older version, or one
    // whose lock file could not be used).
    {
        TDatabase other;
        other.SetDatabaseName(DataPath("kx.mdb"));
        other.Open();
        other.Execute("DELETE FROM GolfBag WHERE BagId=" + std::to_string(gone));
        other.Close();
    }
    const int clubsBefore = Count("ClubDetail");

    ed->OKBtn->click();
    Flush();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text,
              "The bag Spare is no longer in the database.\nNothing was saved: delete the bag and create it again.");
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    ASSERT_NE(MainForm->PlayerWindow, nullptr) << "the window stays, with all that was entered";
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Berg");
    EXPECT_EQ(Count("ClubDetail"), clubsBefore);

    // As the message says: the clubs out, the bag deleted and made again.
    log.Clear();
    ed->PageControl1->setCurrentIndex(1);
    Flush();
    for (int h = 0; h < 3; ++h) {
        QTreeWidgetItem* bag = ed->TreeView1->topLevelItem(node);
        ASSERT_NE(bag, nullptr);
        ed->TreeView1->setCurrentItem(bag->child(h));
        ed->DropTreeClubOnList();
    }
    ASSERT_EQ(ed->ListView1->count(), 3);
    ed->TreeView1->setCurrentItem(ed->TreeView1->topLevelItem(node));
    log.QueueAnswer(IDYES);
    ed->Delete1Click();
    ASSERT_EQ(log.Texts(), std::vector<std::string>{"Delete Bag?"});
    log.Clear();
    EXPECT_EQ(NewBag(ed, "Spare"), 1u);
    ASSERT_EQ(ed->TreeView1->topLevelItemCount(), node + 1);
    for (int i = ed->ListView1->count(); i > 0; --i) {
        ed->ListView1->setCurrentRow(0);
        ed->DropListClubOn(ed->TreeView1->topLevelItem(node));
    }
    ASSERT_EQ(ed->ListView1->count(), 0);
    ed->OKBtn->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Lind");
    const int spare = Value("GolfBag", "UserId=1 and BagName='Spare'", "BagId").AsInteger();
    EXPECT_GT(spare, 0);
    EXPECT_EQ(Count("Clubs", "BagId=" + std::to_string(spare)), 3);
}

// A named pipe as the settings file: the program starts, and paints, without
// waiting on it; the first setting written puts a file in its place.
TEST_F(JourneyTest, APipeAsSettingsFileDoesNotHoldTheStartUp) {
    const std::string conf = home.File("caddora.conf");
    const std::string ini = home.File("caddora.ini");
    ASSERT_EQ(::mkfifo(conf.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    std::string output;
    ASSERT_TRUE(RunSecondProgram(output)) << output;
    EXPECT_TRUE(IsKind(conf, S_IFIFO)) << "nothing is written through it at start";

    // The windows of this test: started the same way, then the unit switched.
    Start();
    FirstPlayer(log);
    EXPECT_TRUE(MainForm->MetersTB->isChecked());
    MainForm->YardsTB->click();
    Flush();
    EXPECT_TRUE(log.Empty());
    EXPECT_TRUE(IsKind(conf, S_IFREG));
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "false");
    MainForm->MdiArea()->viewport()->repaint();
    Flush();
    EXPECT_TRUE(MainForm->YardsTB->isChecked());
    EXPECT_TRUE(IsKind(ini, S_IFIFO));
}
