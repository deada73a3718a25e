#include "Playerfixture.h"

namespace {
std::vector<std::string> HolderNames(const TBagNode& node) {
    std::vector<std::string> out;
    for (const MRec& r : node.Holders) out.push_back(r.Name);
    return out;
}
std::vector<int> Ranks(const TBagNode& node) {
    std::vector<int> out;
    for (const MRec& r : node.Holders) out.push_back(r.Rank);
    return out;
}
const TMessage kWrongType{"You can only place a putter in the bags first holder", "Wrong club type"};
const TMessage kTwoPutters{"You can only have one putter in the bag", "Too many putters"};
const TMessage kOccupied{"You must place the Club in a empty holder", "Club Holder is Occupied"};
const TMessage kFull{"You must first remove a club from the bag", "Bag is full"};
}  // namespace

TEST_F(PlayerTest, LoadPutsClubsInHolderOrderAndTheRestInTheList) {
    const int bag = AddBag(2, "Mine");
    const int empty = AddBag(2, "Empty");
    AddBag(3, "Theirs");
    AddClub(2, "Five", 0, bag, 5);
    AddClub(2, "Two", 1, bag, 2);
    AddClub(2, "Nine", 2, bag, 9);
    AddClub(2, "TwoB", 1, bag, 2);
    AddClub(2, "Loose", 1, 0, 0, false, false);  // no Clubs row
    AddClub(2, "Gone", 1, bag, 3, true);
    AddClub(2, "Foreign", 1, 1, 4);  // the bag of another player
    AddClub(3, "NotMine", 1, bag, 1);

    TPlayerRecord& r = Load(2);
    ASSERT_EQ(r.Tree.size(), 2u);
    EXPECT_EQ(r.BagCount(), 2);
    EXPECT_EQ(r.BagOf(0)->BagName, "Mine");
    EXPECT_EQ(r.BagOf(0)->IsNew, 0);
    const auto names = HolderNames(r.Tree[0]);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
              (std::vector<std::string>{"Two", "TwoB", "Five", "Nine", ""}));
    EXPECT_EQ(r.Tree[0].ClubCount(), 4);
    EXPECT_EQ(r.Tree[1].ClubCount(), 0);
    EXPECT_EQ(r.BagOf(1)->BagId, empty);
    // Deleted clubs take no slot; the others are indexed in load order.
    EXPECT_EQ(r.ClubCount(), 6);
    EXPECT_EQ(IndexOf(r, "Gone"), -1);
    EXPECT_EQ(IndexOf(r, "NotMine"), -1);
    std::vector<std::string> list;
    for (int i : r.List) list.push_back(r.Club(i)->ClubName);
    EXPECT_EQ(list, (std::vector<std::string>{"Loose", "Foreign"}));
    EXPECT_FALSE(r.Modified);
    EXPECT_FALSE(r.LoadWarning);
}

TEST_F(PlayerTest, FirstRunLoadsTheDefaultBagWithZeroFigures) {
    TTable c(&db, "ClubDetail");
    c.SetFilter("ClubId=99");
    c.Open();
    c.Edit();
    c.FieldByName("Shots").SetAsInteger(40);
    c.Post();
    TPlayerRecord& r = Load(1, true);
    ASSERT_EQ(r.Tree.size(), 1u);
    EXPECT_EQ(r.BagOf(0)->BagName, "Default");
    EXPECT_EQ(r.Tree[0].ClubCount(), 13);
    EXPECT_EQ(r.Tree[0].Holders[0].Name, "Putter");
    EXPECT_EQ(r.Tree[0].Holders[1].Name, "Driver");
    EXPECT_FALSE(r.Tree[0].Holders[13].Occupied());
    EXPECT_TRUE(r.List.empty());
    EXPECT_EQ(r.Club(IndexOf(r, "Driver"))->Shots, 0);
    // Another player's first run finds no bag of its own.
    EXPECT_TRUE(Load(2, true).Tree.empty());
}

TEST_F(PlayerTest, LoadingMoreThanAHundredClubsKeepsAHundredAndWarns) {
    for (int i = 0; i < 101; ++i) AddClub(2, "C" + std::to_string(i), 1);
    TPlayerRecord& r = Load(2);
    EXPECT_EQ(r.ClubCount(), MaxClubs);
    ASSERT_TRUE(r.LoadWarning);
    EXPECT_EQ(r.CanAddClub(), (TMessage{"You can have at most 100 clubs", "Too many clubs"}));
    EXPECT_FALSE(r.CanAddBag());
    for (int i = 0; i < 101; ++i) AddBag(3, "B" + std::to_string(i));
    TPlayerRecord& bags = Load(3);
    EXPECT_EQ(bags.BagCount(), MaxBags);
    EXPECT_EQ(bags.Tree.size(), 100u);
    ASSERT_TRUE(bags.LoadWarning);
    EXPECT_EQ(bags.CanAddBag(), (TMessage{"You can have at most 100 bags", "Too many bags"}));
}

TEST_F(PlayerTest, RanksFollowTheOccupiedHolders) {
    const int bag = AddBag(2, "Ranks");
    AddClub(2, "Putter", 9, bag, 1);
    AddClub(2, "H3", 1, bag, 2);
    AddClub(2, "H4", 1, bag, 3);
    AddClub(2, "H5", 1, bag, 4);
    AddClub(2, "Spare", 1, 0, 0);
    TPlayerRecord& r = Load(2);
    TBagNode& node = r.Tree[0];
    // Holders 1, 3, 4, 5 occupied: move the clubs to those holders.
    node.Holders[4] = node.Holders[3];
    node.Holders[3] = node.Holders[2];
    node.Holders[2] = node.Holders[1];
    node.Holders[1] = MRec{};
    ASSERT_EQ(HolderNames(node)[2], "H3");
    ASSERT_EQ(HolderNames(node)[4], "H5");

    ASSERT_TRUE(r.TakeOut(0, 2));
    EXPECT_EQ(Ranks(node)[3], 2);
    EXPECT_EQ(Ranks(node)[4], 3);
    EXPECT_EQ(r.Club(IndexOf(r, "H4"))->OrderNumber, 2);
    EXPECT_EQ(r.Club(IndexOf(r, "H5"))->OrderNumber, 3);
    const MClub* out = r.Club(IndexOf(r, "H3"));
    EXPECT_EQ(out->BagRef, 0);
    EXPECT_EQ(out->OrderNumber, 0);
    EXPECT_EQ(out->Changed, 1);
    EXPECT_EQ(r.List.back(), out->Index);
    EXPECT_FALSE(r.TakeOut(0, 2));  // an empty holder does nothing

    // A drop on the bag fills the first free holder and raises later ranks.
    ASSERT_FALSE(r.DropOnBag(IndexOf(r, "Spare"), 0));
    EXPECT_EQ(HolderNames(node)[1], "Spare");
    EXPECT_EQ(r.Club(IndexOf(r, "Spare"))->OrderNumber, 2);
    EXPECT_EQ(r.Club(IndexOf(r, "Spare"))->BagRef, bag);
    EXPECT_EQ(Ranks(node), (std::vector<int>{1, 2, 0, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.Club(IndexOf(r, "H5"))->OrderNumber, 4);

    // A drop on holder 9 with clubs in 1, 2, 4, 5: rank 5.
    ASSERT_FALSE(r.DropOnHolder(IndexOf(r, "H3"), 0, 8));
    EXPECT_EQ(r.Club(IndexOf(r, "H3"))->OrderNumber, 5);
    // And on holder 3 then: rank 3, the clubs after it go up by one.
    ASSERT_TRUE(r.TakeOut(0, 1));
    ASSERT_FALSE(r.DropOnHolder(IndexOf(r, "Spare"), 0, 2));
    EXPECT_EQ(Ranks(node), (std::vector<int>{1, 0, 2, 3, 4, 0, 0, 0, 5, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(r.Modified);
}

TEST_F(PlayerTest, DropRulesRefuseWithTheirMessages) {
    const int empty = AddBag(2, "Empty");
    const int full = AddBag(2, "Full");
    AddClub(2, "Putter", 9, full, 1);
    for (int i = 2; i <= 14; ++i) AddClub(2, "I" + std::to_string(i), 1, full, i);
    AddClub(2, "Wood", 0);
    AddClub(2, "Putt2", 9);
    AddClub(2, "Putt3", 9);
    TPlayerRecord& r = Load(2);
    ASSERT_EQ(r.BagOf(0)->BagId, empty);
    const int wood = IndexOf(r, "Wood"), putter = IndexOf(r, "Putt2");

    EXPECT_EQ(r.DropOnBag(wood, 0), kWrongType);        // first holder free: putters only
    EXPECT_EQ(r.DropOnHolder(wood, 0, 0), kWrongType);
    EXPECT_EQ(r.DropOnHolder(putter, 0, 3), kWrongType);
    EXPECT_EQ(r.DropOnBag(wood, 1), kFull);
    EXPECT_EQ(r.DropOnBag(putter, 1), kTwoPutters);
    EXPECT_EQ(r.DropOnHolder(wood, 1, 5), kOccupied);   // even a club of the same type
    EXPECT_EQ(r.DropOnHolder(putter, 1, 0), kOccupied);
    EXPECT_EQ(r.DropOnBag(wood, 7), (TMessage{"You must first create a bag", "Bag Missing"}));
    EXPECT_FALSE(r.Modified);
    EXPECT_EQ(r.Club(wood)->BagRef, 0);

    ASSERT_FALSE(r.DropOnBag(putter, 0));
    EXPECT_EQ(r.Tree[0].Holders[0].Name, "Putt2");
    EXPECT_EQ(r.DropOnBag(IndexOf(r, "Putt3"), 0), kTwoPutters);
    EXPECT_EQ(r.DropOnHolder(IndexOf(r, "Putt3"), 0, 4), kTwoPutters);
    ASSERT_FALSE(r.DropOnBag(wood, 0));
    EXPECT_EQ(r.Tree[0].Holders[1].Name, "Wood");
    // A stored club that moved is written by the save.
    EXPECT_EQ(r.Club(wood)->Changed, 1);
}

TEST_F(PlayerTest, ADroppedClubTakesTheBagIdOfItsNode) {
    // Player 1 owns the delivered "Default" (BagId 1); player 2 has one too.
    const int mine = AddBag(2, "Default");
    AddClub(2, "Putter", 9);
    AddClub(2, "Wood", 0);
    TPlayerRecord& r = Load(2);
    ASSERT_FALSE(r.DropOnBag(IndexOf(r, "Putter"), 0));
    EXPECT_EQ(r.Club(IndexOf(r, "Putter"))->BagRef, mine);
    // A renamed bag keeps its own id too.
    ASSERT_FALSE(r.RenameBag(0, "Renamed"));
    ASSERT_FALSE(r.DropOnBag(IndexOf(r, "Wood"), 0));
    EXPECT_EQ(r.Club(IndexOf(r, "Wood"))->BagRef, mine);
}

TEST_F(PlayerTest, NewBagNamesMustBeUniqueAndEveryNameNonEmptyAndShort) {
    const int bag = AddBag(2, "Mine");
    AddBag(3, "Theirs");
    TPlayerRecord& r = Load(2);
    const TMessage unique{"You must give a unique Bagname", "Wrong bagname"};
    const TMessage missing{"You must give Bagname", "Bagname missing"};
    EXPECT_EQ(r.CheckBagName("Theirs"), unique);
    EXPECT_EQ(r.CheckBagName("THEIRS"), unique);
    EXPECT_EQ(r.CheckBagName("Default"), unique);
    EXPECT_EQ(r.CheckBagName(""), missing);
    EXPECT_FALSE(r.CheckBagName("Fresh"));
    EXPECT_FALSE(r.CheckBagName("It's \"x\""));  // quotes are data
    EXPECT_TRUE(r.CheckBagName("NineChars"));
    // The uniqueness test comes first: with an empty-named bag about, an
    // empty name is not unique.
    AddBag(4, "");
    EXPECT_EQ(r.CheckBagName(""), unique);

    // A rename refuses only an empty or too long name; another bag's name is taken.
    EXPECT_EQ(r.RenameBag(0, "Toolongname"), (TMessage{"A Bagname can have at most 8 characters", "Wrong bagname"}));
    EXPECT_EQ(r.RenameBag(0, ""), missing);
    EXPECT_EQ(r.BagOf(0)->BagName, "Mine");
    EXPECT_EQ(r.BagOf(0)->Changed, 0);
    EXPECT_FALSE(r.RenameBag(0, "Theirs"));
    EXPECT_EQ(r.BagOf(0)->BagName, "Theirs");
    EXPECT_EQ(r.BagOf(0)->Changed, 1);
    EXPECT_FALSE(r.RenameBag(0, "Default"));
    EXPECT_EQ(r.BagOf(0)->BagName, "Default");
    EXPECT_EQ(r.BagOf(0)->BagId, bag);
}

TEST_F(PlayerTest, NewBagRowExistsAtOnceAndGoesWhenTheEditorClosesUnsaved) {
    TPlayerRecord& r = Load(2);
    own.Bags[own.BagCount] = new MBag;
    own.Bags[own.BagCount]->SetName("Travel");
    r.AddNewBag();
    ASSERT_EQ(r.BagCount(), 1);
    const int id = r.Bag(0)->BagId;
    EXPECT_EQ(Value("GolfBag", "BagId=" + std::to_string(id), "UserId").AsInteger(), -1);
    EXPECT_EQ(r.Bag(0)->IsNew, 1);
    EXPECT_EQ(r.Bag(0)->Changed, 1);
    EXPECT_EQ(r.Tree.size(), 1u);
    EXPECT_FALSE(r.Tree[0].HasPutterImage());
    r.Close();
    EXPECT_EQ(Count("GolfBag", "BagId=" + std::to_string(id)), 0);
    EXPECT_EQ(own.BagCount, 0);
    EXPECT_EQ(own.Bags[0], nullptr);

    AddBag(-1, "Stray");
    TPlayerRecord::DeleteUnsavedBags(db);
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 0);
}

TEST_F(PlayerTest, NewBagThatGetsNoRowIsFreedAndNotCounted) {
    TPlayerRecord& r = Load(2);
    db.Execute("CREATE TRIGGER NoBags BEFORE INSERT ON GolfBag BEGIN SELECT RAISE(ABORT, 'no bags'); END");
    own.Bags[own.BagCount] = new MBag;
    own.Bags[own.BagCount]->SetName("Travel");
    EXPECT_THROW(r.AddNewBag(), EDatabaseError);
    EXPECT_EQ(own.Bags[0], nullptr);
    EXPECT_EQ(own.BagCount, 0);
    EXPECT_EQ(r.BagCount(), 0);
    EXPECT_TRUE(r.Tree.empty());
    EXPECT_FALSE(r.Modified);
}

TEST_F(PlayerTest, DeletingBagsAndClubs) {
    const int bag = AddBag(2, "Holds");
    AddBag(2, "Default");
    AddBag(2, "Spare");
    AddClub(2, "Putter", 9, bag, 1);
    AddClub(2, "Mine", 1);
    TPlayerRecord& r = Load(2);
    EXPECT_EQ(r.CheckDeleteBag(0), (TMessage{"You must first remove the clubs", "Clubs in bag"}));
    EXPECT_EQ(r.CheckDeleteBag(1), (TMessage{"You can't remove the default bag", "Delete impossible"}));
    EXPECT_FALSE(r.CheckDeleteBag(2));
    r.DeleteBag(2);
    EXPECT_EQ(r.Tree.size(), 2u);
    EXPECT_EQ(r.Bag(2)->Removed, 1);  // keeps its slot
    // The default protection goes by the name.
    ASSERT_FALSE(r.RenameBag(1, "NoMore"));
    EXPECT_FALSE(r.CheckDeleteBag(1));

    // Clubs 99 to 111 cannot be deleted, wherever they are.
    TPlayerRecord& one = Load(1);
    ASSERT_TRUE(one.TakeOut(0, 1));
    const int driver = IndexOf(one, "Driver");
    EXPECT_EQ(one.CheckDeleteClub(driver),
              (TMessage{"You can't delete a club that belongs to the default bag", "Club remove impossible"}));
    TPlayerRecord& two = Load(2);
    const int mine = IndexOf(two, "Mine");
    EXPECT_FALSE(two.CheckDeleteClub(mine));
    two.EditClub(mine, "Mine2", 2);
    EXPECT_EQ(two.Club(mine)->Changed, 1);
    two.DeleteClub(mine);
    EXPECT_EQ(two.Club(mine)->Removed, 1);
    EXPECT_EQ(two.Club(mine)->Changed, 0);
    EXPECT_TRUE(two.List.empty());
}

TEST_F(PlayerTest, ControlBagsWantsThreeClubsAndAPutterInEveryBag) {
    const int good = AddBag(2, "Good");
    const int two = AddBag(2, "Two");
    AddClub(2, "P", 9, good, 1);
    AddClub(2, "A", 1, good, 2);
    AddClub(2, "B", 1, good, 3);
    AddClub(2, "P2", 9, two, 1);
    AddClub(2, "C", 1, two, 2);
    TPlayerRecord& r = Load(2);
    int failed = -1;
    EXPECT_EQ(r.ControlBags(&failed), 1);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(TPlayerRecord::IncompleteBagMessage().Text,
              "You must have at least three \nclubs in every bag and one \nclub must be a putter.");
    EXPECT_EQ(TPlayerRecord::IncompleteBagMessage().Caption, "Incomplete bag");
    // A full bag without a putter fails too.
    const int nop = AddBag(5, "NoPutter");
    for (int i = 1; i <= 14; ++i) AddClub(5, "I" + std::to_string(i), 1, nop, i);
    EXPECT_EQ(Load(5).ControlBags(), 1);
    EXPECT_EQ(Load(6).ControlBags(), 0);  // no bags at all
    TPlayerRecord& ok = Load(2);
    ok.DeleteBag(1);
    EXPECT_EQ(ok.ControlBags(), 0);
}

TEST_F(PlayerTest, DetailChecksInTheirOrder) {
    const std::string notValid = "The HCP field contains a value that is not valid";
    auto check = [](TPlayerDetails d) {
        TRefusal r = CheckDetails(d);
        if (r) {
            EXPECT_EQ(r->Caption, "Wrong input");
        }
        return r ? r->Text : std::string();
    };
    TPlayerDetails d = GoodDetails();
    EXPECT_EQ(check(d), "");
    for (const char* bad : {"abc", "nan", "inf", "-inf", "", "12,5", "1e400"}) {
        d.Handicap = bad;
        EXPECT_EQ(check(d), notValid) << bad;
    }
    d.FirstName = "";
    d.Handicap = "abc";
    EXPECT_EQ(check(d), notValid);  // the number comes first
    d.Handicap = "10";
    EXPECT_EQ(check(d), "You must give your first name");
    d.FirstName = " ";  // blanks pass
    d.LastName = "";
    EXPECT_EQ(check(d), "You must give your last name");
    d.LastName = "X";
    d.Country = "";
    EXPECT_EQ(check(d), "You must choose a country");
    d.Country = "Sweden";
    d.Handicap = "54.5";
    EXPECT_EQ(check(d), "Handicap can only be 54 maximum");
    d.Handicap = "54";
    EXPECT_EQ(check(d), "");
    // A plus handicap passes down to the floor of -10, which the refusal names.
    d.Handicap = "-10";
    EXPECT_EQ(check(d), "");
    for (const char* absurd : {"-10.5", "-1e300"}) {
        d.Handicap = absurd;
        EXPECT_EQ(check(d), "Handicap can only be -10 minimum") << absurd;
    }
    d.Handicap = "-3";
    EXPECT_EQ(check(d), "");
    // Widths are not among the checks: the save refuses what its columns
    // cannot hold.
    d.FirstName = std::string(21, 'a');
    d.City = std::string(21, 'c');
    EXPECT_EQ(check(d), "");
}
