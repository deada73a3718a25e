// Windows that could not load what the file holds: a shot row another program
// wrote, an older club table, a shot table without its descriptions. The
// window says why and goes; the rows stay as they were, whatever the user
// presses before it has gone.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include "journey/Journeyfixture.h"
#include "players/Childwin.h"
#include "players/Playereditor.h"
#include "rounds/Editround.h"
#include "rounds/Rounds.h"

namespace {
// Runs the statements on the file before the program starts, as another
// program would.
void OtherProgram(const std::vector<std::string>& sql) {
    TDatabase db;
    db.SetDatabaseName(DataPath("kx.mdb"));
    db.Open();
    for (const std::string& s : sql) db.Execute(s);
    db.Close();
}

void StoredPlayer() {
    AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                          {"HCP", 20.0}, {"Country", "SE"}, {"Sex", true},
                                          {"GolfClub", "Heath GC"}, {"UserDesc", "Notes"}});
}
}  // namespace

class LoadFailuresTest : public JourneyTest {
protected:
    // The Player command, then what a user who missed the message does to a
    // window still there: fills the required fields, clicks OK, presses Enter
    // and tries to close it. Returns the messages shown.
    std::vector<std::string> OpenPlayerAndPressOk() {
        MainForm->PlayerTB->click();
        if (auto* child = Child<TMDIChild>()) {
            TPlayerEditor* ed = child->Editor;
            ed->FirstNameEdit->setText("Ann");
            ed->LastNameEdit->setText("Berg");
            const int sweden = ed->CountryComboBox->findText("Sweden");
            ed->CountryComboBox->setCurrentIndex(sweden);
            emit ed->CountryComboBox->activated(sweden);
            ed->HandicapEdit->selectAll();
            QTest::keyClicks(ed->HandicapEdit, "12");
            ed->OKBtn->click();
            QTest::keyClick(ed->HandicapEdit, Qt::Key_Return);
            if (auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget())) sub->close();
        }
        Flush();
        return log.Texts();
    }
    void ExpectPlayerUnchanged() {
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "GolfClub").AsString(), "Heath GC");
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "UserDesc").AsString(), "Notes");
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsFloat(), 20.0);
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "Country").AsString(), "SE");
    }
};

TEST_F(LoadFailuresTest, APlayerWindowOverAShotRowItCannotReadSavesNothing) {
    StoredPlayer();
    OtherProgram({"INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, ShotLength) "
                  "VALUES (1, 1, 1, 'abc', 120)"});
    Start();
    EXPECT_EQ(OpenPlayerAndPressOk(), std::vector<std::string>{"'abc' is not a valid integer value."});
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
    ExpectPlayerUnchanged();

    // The other program mends its row: the command opens the player whole.
    {
        TTable shots(&MainForm->Database, "RoundShots");
        shots.SetFilter("RoundId=1");
        shots.Open();
        shots.First();
        shots.Edit();
        shots.FieldByName("ClubId").SetAsInteger(99);
        shots.Post();
    }
    log.Clear();
    MainForm->PlayerTB->click();
    Flush();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    auto* child = Child<TMDIChild>();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Editor->HomeClubEdit->text(), "Heath GC");
    EXPECT_EQ(Value("ClubDetail", "ClubId=99", "Shots").AsInteger(), 1);
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    child->Editor->CancelBtn->click();
    Flush();
    EXPECT_EQ(ChildCount<TMDIChild>(), 0);
}

TEST_F(LoadFailuresTest, APlayerWindowOverAnOlderClubTableSavesNothing) {
    StoredPlayer();
    OtherProgram({"ALTER TABLE ClubDetail DROP COLUMN LongestShot"});
    Start();
    // Each opening says why and goes, the command back each time.
    for (int attempt = 0; attempt < 2; ++attempt) {
        log.Clear();
        const std::vector<std::string> texts = OpenPlayerAndPressOk();
        ASSERT_EQ(texts.size(), 1u) << attempt;
        EXPECT_NE(texts[0].find("LongestShot"), std::string::npos) << texts[0];
        EXPECT_EQ(ChildCount<TMDIChild>(), 0);
        EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
        ExpectPlayerUnchanged();
    }
}

TEST_F(LoadFailuresTest, ARoundEditorOverAnOlderShotTableStoresNoHeader) {
    StoredPlayer();
    AppendRowBeforeStart("Round", {{"UserId", 1}, {"CourseId", 0}, {"TeeNumber", 1}, {"RoundHCP", 18.0},
                                   {"MarkerName", "Mark"}, {"RoundTitle", "Medal"},
                                   {"RoundStartDate", "2026-05-01 10:00:00"}});
    OtherProgram({"INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, ShotLength) "
                  "SELECT RoundId, 1, 1, 99, 120 FROM Round",
                  "ALTER TABLE RoundShots DROP COLUMN Description"});
    Start();
    MainForm->Rounds1->trigger();
    Flush();
    auto* list = Child<TRoundsForm>();
    ASSERT_NE(list, nullptr);
    list->SelectRow(0);
    QTest::mouseClick(list->SpeedButton3, Qt::LeftButton);  // Edit round
    if (auto* editor = Child<TEditRoundForm>()) {
        editor->TitleEdit->setText("Cup");
        editor->OKBtn->click();
    }
    Flush();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Texts()[0].find("Description"), std::string::npos) << log.Texts()[0];
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    EXPECT_EQ(ChildCount<TEditRoundForm>(), 0);
    EXPECT_EQ(Value("Round", "UserId=1", "RoundTitle").AsString(), "Medal");
    EXPECT_EQ(Value("Round", "UserId=1", "MarkerName").AsString(), "Mark");
    EXPECT_EQ(Value("Round", "UserId=1", "RoundHCP").AsFloat(), 18.0);
}
