// Two programs on one data folder: the start-up's clean-up of unsaved bags
// waits for the folder to be this program's alone, and a player window whose
// new bag has gone all the same saves nothing and says so.
#include <QPushButton>

#include "Shellfixture.h"
#include "platform/Otherprogram.h"
#include "players/Childwin.h"
#include "players/Playereditor.h"
#include "players/Playerfixture.h"

namespace {
// A bag a player window of another program has just made (UserId -1), with a
// club link; returns its BagId.
int AddUnsavedBag(const std::string& name) {
    TDatabase db;
    db.SetDatabaseName(DataPath("kx.mdb"));
    db.Open();
    TTable bags(&db, "GolfBag");
    bags.Open();
    bags.Append();
    bags.FieldByName("UserId").SetAsInteger(-1);
    bags.FieldByName("BagName").SetAsString(name);
    bags.Post();
    const int id = bags.FieldByName("BagId").AsInteger();
    bags.Close();
    TTable links(&db, "Clubs");
    links.Open();
    links.Append();
    links.FieldByName("BagId").SetAsInteger(id);
    links.FieldByName("ClubId").SetAsInteger(4242);
    links.FieldByName("OrderNumber").SetAsInteger(1);
    links.Post();
    links.Close();
    db.Close();
    return id;
}
} // namespace

TEST_F(ShellTest, UnsavedBagsStayWhileAnotherProgramHoldsTheFolderAndGoOnceItHasEnded) {
    AddPlayerBeforeStart(1);  // no first-run dialog
    const int bag = AddUnsavedBag("Theirs");
    const std::string filter = "BagId=" + std::to_string(bag);
    OtherProgram other(DataPath("caddora.lock"));
    ASSERT_TRUE(other.Holding());
    Start();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(CountRows(MainForm->Database, "GolfBag", filter), 1);
    EXPECT_EQ(CountRows(MainForm->Database, "Clubs", filter), 1);
    // Nor does this program's player window take it when it closes.
    MainForm->Player1Click();
    ASSERT_NE(MainForm->PlayerWindow, nullptr);
    MainForm->PlayerWindow->Editor->CancelBtn->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ProcessEventsFor(20);
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(CountRows(MainForm->Database, "GolfBag", filter), 1);
    // The other program does not stop a second one from starting, and its
    // lock does not outlive it: after a crash the next start cleans up.
    DestroyApplicationWindows();
    other.End(true);
    Start();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(CountRows(MainForm->Database, "GolfBag", filter), 0);
    EXPECT_EQ(CountRows(MainForm->Database, "Clubs", filter), 0);
}

using BagGoneTest = PlayerTest;

TEST_F(BagGoneTest, SaveWritesNothingWhenANewBagsRowHasGoneAndSaysWhichBag) {
    AppendRow("PlayerDetail", {{"UserId", 2}, {"FirstName", "Old"}});
    TPlayerRecord& r = Load(2);
    const int node = NewBag(r, "Travel");
    const int gone = r.BagOf(node)->BagId;
    std::vector<int> clubs;
    for (const auto& [name, type] : std::vector<std::pair<std::string, int>>{{"Putt", 9}, {"Wood", 0}, {"Iron", 1}}) {
        clubs.push_back(NewClub(r, name, type));
        ASSERT_FALSE(r.DropOnBag(clubs.back(), node));
    }
    ASSERT_EQ(r.ControlBags(), 0);
    // Another program removes the bag's row.
    db.Execute("DELETE FROM GolfBag WHERE BagId=" + std::to_string(gone));
    const std::string before = Dump();
    try {
        r.Save(GoodDetails(), 2);
        ADD_FAILURE() << "the save went on without the bag";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The bag Travel is no longer in the database.\n"
                  "Nothing was saved: delete the bag and create it again.");
    }
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(r.Modified);
    EXPECT_EQ(r.BagOf(node)->IsNew, 1);
    for (int c : clubs) EXPECT_EQ(r.Club(c)->IsNew, 1);

    // As the message says: the clubs out, the bag deleted and made again.
    for (int h = 2; h >= 0; --h) ASSERT_TRUE(r.TakeOut(node, h));
    ASSERT_FALSE(r.CheckDeleteBag(node));
    r.DeleteBag(node);
    ASSERT_FALSE(r.CheckBagName("Travel"));
    const int again = NewBag(r, "Travel");
    for (int c : clubs) ASSERT_FALSE(r.DropOnBag(c, again));
    EXPECT_EQ(r.Save(GoodDetails(), 2), 2);
    const int id = r.BagOf(again)->BagId;
    EXPECT_EQ(Value("GolfBag", "BagId=" + std::to_string(id), "UserId").AsInteger(), 2);
    EXPECT_EQ(Count("Clubs", "BagId=" + std::to_string(id)), 3);
    EXPECT_EQ(Count("ClubDetail", "UserId=2"), 3);
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "FirstName").AsString(), "Ann");
}

TEST_F(BagGoneTest, ABagDeletedInTheEditorMayHaveGoneAlready) {
    AppendRow("PlayerDetail", {{"UserId", 2}, {"FirstName", "Old"}});
    const int old = AddBag(2, "Old");
    TPlayerRecord& r = Load(2);
    ASSERT_EQ(r.Tree.size(), 1u);
    r.DeleteBag(0);
    db.Execute("DELETE FROM GolfBag WHERE BagId=" + std::to_string(old));
    EXPECT_EQ(r.Save(GoodDetails(), 2), 2);
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "FirstName").AsString(), "Ann");
}
