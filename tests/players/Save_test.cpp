#include "Playerfixture.h"

namespace {
std::string Id(int id) { return std::to_string(id); }
}  // namespace

class SaveTest : public PlayerTest {
protected:
    void SetFigures(int clubId, int shots, int withLength, double total, double longest) {
        TTable c(&db, "ClubDetail");
        c.SetFilter("ClubId=" + Id(clubId));
        c.Open();
        c.Edit();
        c.FieldByName("Shots").SetAsInteger(shots);
        c.FieldByName("ShotsWithLength").SetAsInteger(withLength);
        c.FieldByName("ShotsLength").SetAsFloat(total);
        c.FieldByName("LongestShot").SetAsFloat(longest);
        c.Post();
    }
};

TEST_F(SaveTest, PlayerWindowWritesEveryTable) {
    AppendRow("PlayerDetail", {{"UserId", 2}, {"FirstName", "Old"}, {"State", "XX"}, {"Sex", true}});
    const int home = AddBag(2, "Home");
    const int away = AddBag(2, "Away");
    const int gone = AddBag(2, "Gone");
    const int putter = AddClub(2, "Putter", 9, home, 1);
    const int iron = AddClub(2, "Iron", 1, home, 2);
    const int renamed = AddClub(2, "Named", 1, home, 3);
    const int mover = AddClub(2, "Mover", 0, home, 4);
    const int away1 = AddClub(2, "AwayP", 9, away, 1);
    const int loose = AddClub(2, "Loose", 2, 0, 0, false, false);
    SetFigures(iron, 10, 8, 1200, 180);
    SetFigures(renamed, 5, 4, 600, 160);

    TPlayerRecord& r = Load(2);
    // Club edits: a type change and a rename only.
    r.EditClub(IndexOf(r, "Iron"), "Iron", 2);
    r.EditClub(IndexOf(r, "Named"), "Renamed", 1);
    // Mover leaves Home for Away; the loose club is deleted.
    ASSERT_TRUE(r.TakeOut(0, 3));
    ASSERT_FALSE(r.DropOnBag(IndexOf(r, "Mover"), 1));
    r.DeleteClub(IndexOf(r, "Loose"));
    // A new club in no bag, one in a new bag, one created and deleted.
    NewClub(r, "Spare", 1);
    const int fresh = NewBag(r, "Fresh");
    const int freshId = r.BagOf(fresh)->BagId;
    ASSERT_FALSE(r.DropOnBag(NewClub(r, "FPutter", 9), fresh));
    r.DeleteClub(NewClub(r, "Oops", 0));
    // A bag renamed, one deleted, a new one created and deleted again.
    ASSERT_FALSE(r.RenameBag(1, "Road"));
    r.DeleteBag(2);
    const int temp = NewBag(r, "Temp");
    const int tempId = r.BagOf(temp)->BagId;
    r.DeleteBag(temp);

    TPlayerDetails d = GoodDetails();
    d.Address = "Street 1";
    d.Description = "line 1\nline 2";
    EXPECT_EQ(r.Save(d, 2), 2);
    EXPECT_FALSE(r.Modified);

    // PlayerDetail.
    EXPECT_EQ(Count("PlayerDetail", "UserId=2"), 1);
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "FirstName").AsString(), "Ann");
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "Country").AsString(), "SE");
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "State").AsString(), "XX");  // none chosen: kept
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "HCP").AsFloat(), 12.5);
    EXPECT_FALSE(Value("PlayerDetail", "UserId=2", "Sex").AsBoolean());
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "UserDesc").AsString(), "line 1\nline 2");
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "StreetAddress").AsString(), "Street 1");
    // GolfBag.
    EXPECT_EQ(Value("GolfBag", "BagId=" + Id(away), "BagName").AsString(), "Road");
    EXPECT_EQ(Count("GolfBag", "BagId=" + Id(gone)), 0);
    EXPECT_EQ(Count("GolfBag", "BagId=" + Id(tempId)), 0);
    EXPECT_EQ(Value("GolfBag", "BagId=" + Id(freshId), "UserId").AsInteger(), 2);
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 0);
    // ClubDetail: the type change clears three figures, not ShotsWithLength.
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(iron), "Type").AsInteger(), 2);
    EXPECT_TRUE(Value("ClubDetail", "ClubId=" + Id(iron), "Shots").IsNull());
    EXPECT_TRUE(Value("ClubDetail", "ClubId=" + Id(iron), "ShotsLength").IsNull());
    EXPECT_TRUE(Value("ClubDetail", "ClubId=" + Id(iron), "LongestShot").IsNull());
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(iron), "ShotsWithLength").AsInteger(), 8);
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(renamed), "ClubName").AsString(), "Renamed");
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(renamed), "Shots").AsInteger(), 5);
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(renamed), "LongestShot").AsFloat(), 160.0);
    EXPECT_TRUE(Value("ClubDetail", "ClubId=" + Id(loose), "DeletedClub").AsBoolean());
    // A removed club without a Clubs row is soft-deleted all the same.
    EXPECT_EQ(Count("Clubs", "ClubId=" + Id(loose)), 0);
    // Clubs: the moved club has its new place; the ranks left behind.
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(mover), "BagId").AsInteger(), away);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(mover), "OrderNumber").AsInteger(), 2);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(away1), "OrderNumber").AsInteger(), 1);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(putter), "OrderNumber").AsInteger(), 1);
    // New clubs.
    const int spare = Value("ClubDetail", "ClubName='Spare'", "ClubId").AsInteger();
    EXPECT_EQ(Value("ClubDetail", "ClubId=" + Id(spare), "UserId").AsInteger(), 2);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(spare), "BagId").AsInteger(), 0);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(spare), "OrderNumber").AsInteger(), 0);
    const int fputter = Value("ClubDetail", "ClubName='FPutter'", "ClubId").AsInteger();
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(fputter), "BagId").AsInteger(), freshId);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(fputter), "OrderNumber").AsInteger(), 1);
    EXPECT_EQ(r.Club(IndexOf(r, "FPutter"))->ClubId, fputter);
    const int oops = Value("ClubDetail", "ClubName='Oops'", "ClubId").AsInteger();
    EXPECT_TRUE(Value("ClubDetail", "ClubId=" + Id(oops), "DeletedClub").AsBoolean());
    EXPECT_EQ(Count("Clubs", "ClubId=" + Id(oops)), 0);
    for (int i = 0; i < r.ClubCount(); ++i) {
        EXPECT_EQ(r.Club(i)->IsNew, 0) << r.Club(i)->ClubName;
        EXPECT_EQ(r.Club(i)->Changed, 0) << r.Club(i)->ClubName;
    }
    // Closing now deletes no stored bag.
    r.Close();
    EXPECT_EQ(Count("GolfBag", "BagId=" + Id(freshId)), 1);
}

TEST_F(SaveTest, AMissingPlayerRowIsAppendedUnderTheCurrentPlayer) {
    TPlayerRecord& r = Load(7);
    TPlayerDetails d = GoodDetails();
    d.Country = "United States";
    d.State = "Texas";
    d.Male = true;
    EXPECT_EQ(r.Save(d, 7), 7);
    EXPECT_EQ(Count("PlayerDetail", "UserId=7"), 1);
    EXPECT_EQ(Count("PlayerDetail", "UserId=1"), 0);
    EXPECT_EQ(Value("PlayerDetail", "UserId=7", "State").AsString(), "TX");
    EXPECT_TRUE(Value("PlayerDetail", "UserId=7", "Sex").AsBoolean());
}

TEST_F(SaveTest, AFailedSaveWritesNothingAndKeepsTheEdits) {
    const int bag = AddBag(2, "Home");
    AddClub(2, "Putter", 9, bag, 1);
    const int iron = AddClub(2, "Iron", 1);
    TPlayerRecord& r = Load(2);
    ASSERT_FALSE(r.DropOnBag(IndexOf(r, "Iron"), 0));
    const int spare = NewClub(r, "Spare", 1);
    const int fresh = NewBag(r, "Fresh");
    ASSERT_FALSE(r.RenameBag(0, "Renamed"));
    const std::string before = Dump();
    // The last write of the save fails.
    db.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON Clubs BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    EXPECT_THROW(r.Save(GoodDetails(), 2), EDatabaseError);
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(r.Club(spare)->IsNew, 1);
    EXPECT_EQ(r.Club(spare)->ClubId, 0);
    EXPECT_EQ(r.Club(IndexOf(r, "Iron"))->Changed, 1);
    EXPECT_EQ(r.BagOf(fresh)->IsNew, 1);
    EXPECT_TRUE(r.Modified);

    // Once the obstacle is gone the same edits save in full.
    db.Execute("DROP TRIGGER refuse");
    r.Save(GoodDetails(), 2);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(iron), "BagId").AsInteger(), bag);
    EXPECT_EQ(Value("GolfBag", "BagId=" + Id(bag), "BagName").AsString(), "Renamed");
    EXPECT_EQ(Count("ClubDetail", "ClubName='Spare'"), 1);
    EXPECT_EQ(Count("PlayerDetail", "UserId=2"), 1);
}

TEST_F(SaveTest, FirstRunWritesPlayerOneNewClubsAndChangedDefaultClubs) {
    TPlayerRecord& r = Load(1, true);
    // The default driver renamed, a new wedge put in the bag, a club created
    // and deleted, a new bag.
    const int driver = IndexOf(r, "Driver");
    ASSERT_TRUE(r.TakeOut(0, 1));
    r.EditClub(driver, "Big Dog", 0);
    ASSERT_FALSE(r.DropOnHolder(driver, 0, 1));
    ASSERT_FALSE(r.DropOnBag(NewClub(r, "LW", 2), 0));
    r.DeleteClub(NewClub(r, "Oops", 1));
    const int fresh = NewBag(r, "Fresh");
    const int freshId = r.BagOf(fresh)->BagId;
    const int clubRows = Count("ClubDetail");

    TPlayerDetails d = GoodDetails();
    EXPECT_EQ(r.Save(d, 1), 1);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Smith");
    EXPECT_EQ(Value("ClubDetail", "ClubId=100", "ClubName").AsString(), "Big Dog");
    EXPECT_EQ(Value("Clubs", "ClubId=100", "OrderNumber").AsInteger(), 2);
    EXPECT_EQ(Count("ClubDetail"), clubRows + 1);  // no row for the deleted one
    EXPECT_EQ(Count("ClubDetail", "ClubName='Oops'"), 0);
    const int lw = Value("ClubDetail", "ClubName='LW'", "ClubId").AsInteger();
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(lw), "BagId").AsInteger(), 1);
    EXPECT_EQ(Value("Clubs", "ClubId=" + Id(lw), "OrderNumber").AsInteger(), 14);
    EXPECT_EQ(Value("GolfBag", "BagId=" + Id(freshId), "UserId").AsInteger(), 1);
}

TEST_F(SaveTest, ATextLongerThanItsColumnFailsTheWholeSave) {
    const int bag = AddBag(2, "Home");
    AddClub(2, "Putter", 9, bag, 1);
    TPlayerRecord& r = Load(2);
    NewBag(r, "Fresh");
    ASSERT_FALSE(r.RenameBag(0, "Renamed"));
    const std::string before = Dump();
    TPlayerDetails d = GoodDetails();
    d.City = std::string(21, 'c');  // City holds 20
    EXPECT_THROW(r.Save(d, 2), EDatabaseError);
    EXPECT_EQ(Dump(), before);
    d.City = std::string(20, 'c');
    r.Save(d, 2);
    EXPECT_EQ(Value("PlayerDetail", "UserId=2", "City").AsString(), d.City);
    EXPECT_EQ(Value("GolfBag", "BagId=" + Id(bag), "BagName").AsString(), "Renamed");
}

TEST_F(SaveTest, StoredRanksFollowTheTreeAfterAnyDrops) {
    const int trip = AddBag(2, "Trip");
    AddClub(2, "Putter", 9, trip, 1);
    AddClub(2, "Driver", 0, trip, 2);
    AddClub(2, "3 Iron", 1, trip, 3);
    AddClub(2, "Wedge", 2);
    const auto stored = [&] {
        std::vector<std::pair<int, std::string>> out;  // rank, club in rank order
        TTable links(&db, "Clubs");
        links.SetFilter("BagId=" + Id(trip));
        links.Open();
        for (links.First(); !links.Eof(); links.Next())
            out.push_back({links.FieldByName("OrderNumber").AsInteger(),
                           Value("ClubDetail", "ClubId=" + Id(links.FieldByName("ClubId").AsInteger()),
                                 "ClubName").AsString()});
        std::sort(out.begin(), out.end());
        return out;
    };
    using Ranks = std::vector<std::pair<int, std::string>>;

    // Driver out, then back onto the empty holder after 3 Iron.
    TPlayerRecord* r = &Load(2);
    ASSERT_TRUE(r->TakeOut(0, 1));
    ASSERT_FALSE(r->DropOnHolder(IndexOf(*r, "Driver"), 0, 3));
    r->Save(GoodDetails(), 2);
    EXPECT_EQ(stored(), (Ranks{{1, "Putter"}, {2, "3 Iron"}, {3, "Driver"}}));
    r = &Load(2);
    EXPECT_EQ(r->Tree[0].Holders[1].Name, "3 Iron");
    EXPECT_EQ(r->Tree[0].Holders[2].Name, "Driver");

    // A club dropped between two others, one taken from the middle.
    ASSERT_FALSE(r->DropOnBag(IndexOf(*r, "Wedge"), 0));  // first empty holder: 4th
    ASSERT_TRUE(r->TakeOut(0, 1));                        // 3 Iron out
    ASSERT_FALSE(r->DropOnHolder(IndexOf(*r, "3 Iron"), 0, 4));
    r->Save(GoodDetails(), 2);
    EXPECT_EQ(stored(), (Ranks{{1, "Putter"}, {2, "Driver"}, {3, "Wedge"}, {4, "3 Iron"}}));
}
