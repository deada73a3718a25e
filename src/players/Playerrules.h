#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "players/Bagclub.h"

class TDatabase;

// The rules of the player editor without its widgets: the bag tree (14 holders
// per bag) and the club list as plain data, the drops and commands with their
// refusals, the checks of OK and the save. The player window and the first-run
// dialog move values between their controls and one TPlayerRecord.

constexpr int HoldersPerBag = 14;

// A message box: text and caption (one OK button).
struct TMessage {
    std::string Text;
    std::string Caption;
    bool operator==(const TMessage&) const = default;
};
using TRefusal = std::optional<TMessage>;

// A club holder of a bag: the club's index in ClubList, its type (-1 when the
// holder is empty), its name (the holder's text) and its rank in the bag.
struct MRec {
    int Index = 0;
    int Type = -1;
    std::string Name;
    int Rank = 0;
    bool Occupied() const { return !Name.empty() || Type != -1; }
};

// One bag of the tree: its entry in BagList and its 14 holders in holder order.
struct TBagNode {
    int BagIndex = 0;
    std::array<MRec, HoldersPerBag> Holders;
    int ClubCount() const;
    bool HasPutterImage() const;  // a holder showing the putter picture
};

// Pictures. Tree: bag with clubs 0, empty bag 5; holder wood 3, iron 4,
// wedge 1, putter (any other type) 2, empty -1. List: wood 2, iron 3, wedge 0,
// putter (any other type) 1.
int HolderImage(int type);
int ListImage(int type);
constexpr int BagImage = 0;
constexpr int EmptyBagImage = 5;

// The default bag's clubs, wherever they are.
bool IsDefaultClub(int clubId);

// Where the editor keeps its objects: the main window's lists, or (tests,
// benchmarks) lists of a TOwnLists.
struct TEditorLists {
    MClub** Clubs = nullptr;
    int* ClubCount = nullptr;
    MBag** Bags = nullptr;
    int* BagCount = nullptr;
    static TEditorLists OfMainForm();
};
struct TOwnLists {
    MClub* Clubs[MaxClubs] = {};
    MBag* Bags[MaxBags] = {};
    int ClubCount = 0;
    int BagCount = 0;
    TEditorLists Lists() { return {Clubs, &ClubCount, Bags, &BagCount}; }
};

// The details tab as the user left it.
struct TPlayerDetails {
    std::string FirstName, LastName, Address, Zip, City;
    std::string Country;  // the chosen country's name; "" when none is chosen
    std::string State;    // the chosen state's name; "" when none is chosen
    std::string Handicap;
    std::string HomeClub, HomeClubURL, Description;
    bool Male = true;
};

// The handicap box is read with ReadDecimal and shown with
// DecimalText(hcp, 'g', -1) (platform/Textutil).
// The detail rules in their fixed order; the first that fails gives its text
// (caption "Wrong input"). Column widths are the table's to refuse at the save.
TRefusal CheckDetails(const TPlayerDetails& details);

// A bag name must not be empty and fits its column (8 characters).
TRefusal CheckBagNameSize(const std::string& name);

class TPlayerRecord {
public:
    TPlayerRecord(TDatabase& db, TEditorLists lists, bool firstRun);
    TPlayerRecord(const TPlayerRecord&) = delete;
    TPlayerRecord& operator=(const TPlayerRecord&) = delete;

    bool FirstRun() const { return firstRun_; }
    TDatabase& Database() const { return db_; }
    int ClubCount() const { return *lists_.ClubCount; }
    int BagCount() const { return *lists_.BagCount; }
    MClub* Club(int index) const;  // nullptr outside 0..ClubCount-1
    MBag* Bag(int index) const;
    MBag* BagOf(int node) const { return Bag(Tree.at(node).BagIndex); }

    // Loading. Player window: every bag of the player and every club not
    // marked deleted. First run: the player's bag "Default" and its clubs.
    // More than 100 bags or clubs load the first 100 and leave a warning.
    void Load(int userId);
    TRefusal LoadWarning;

    // Capacity of the lists (checked before a creating dialog opens).
    TRefusal CanAddBag() const;
    TRefusal CanAddClub() const;
    // A bag name for a new bag (exceptBag -1) or a rename of BagList entry
    // exceptBag: unique among the bags of all players, not empty, 8 characters.
    TRefusal CheckBagName(const std::string& name, int exceptBag = -1) const;

    // The new object stands in entry BagCount / ClubCount (placed by the
    // dialog). A new bag gets its GolfBag row at once (UserId -1), under this
    // program's hold on the data folder, so that no other program's start
    // takes the row for a dead program's. While another program holds the
    // folder alone the bag is refused; when the row cannot be written the
    // error is passed on. Either way the bag is freed and nothing written.
    TRefusal AddNewBag();
    void AddNewClub();

    // Drops of the club with the given ClubList index from the list.
    TRefusal DropOnBag(int clubIndex, int node);
    TRefusal DropOnHolder(int clubIndex, int node, int holder);
    // Back to the list; false when the holder is empty.
    bool TakeOut(int node, int holder);

    // A new name for the bag; only an empty or too long one is refused.
    TRefusal RenameBag(int node, const std::string& name);
    TRefusal CheckDeleteBag(int node) const;
    void DeleteBag(int node);
    TRefusal CheckDeleteClub(int clubIndex) const;
    void DeleteClub(int clubIndex);
    void EditClub(int clubIndex, const std::string& name, int type);

    // 0 when every bag holds at least three clubs one of which is a putter;
    // else 1 (and *failedNode the first such bag).
    int ControlBags(int* failedNode = nullptr) const;
    static TMessage IncompleteBagMessage();

    // Writes the record in one transaction; on failure nothing is written, the
    // objects keep their flags and the error is thrown on. A bag whose GolfBag
    // row has gone is such a failure. Returns the player number of the
    // written row.
    int Save(const TPlayerDetails& details, int userId);

    // The editor closes: rows of bags created and never stored are deleted,
    // the objects freed and the lists emptied. A failed delete is passed on
    // once the objects are freed.
    void Close();
    // Every GolfBag row still carrying UserId -1, with its Clubs rows; only
    // when no other program holds the data folder.
    static void DeleteUnsavedBags(TDatabase& db);

    std::vector<TBagNode> Tree;  // bag nodes in tree order
    std::vector<int> List;       // ClubList indexes of the list items, in order
    bool Modified = false;

private:
    void LoadPlayerWindow(int userId);
    void LoadFirstRun(int userId);
    int AppendBag(MBag* bag);
    void AppendClub(MClub* club);
    void AddLoadedClub(MClub* club, bool toList);
    void FinishBags();
    void Place(int clubIndex, int node, int holder);
    void Renumber(TBagNode& node);
    void MarkChanged(MClub* club);
    void SaveDetails(const TPlayerDetails& details, int userId, int* writtenUserId);
    void SaveBags(int userId);
    void SaveClubs(int userId);
    static void DeleteUnsavedBagRows(TDatabase& db);
    void CheckBagRows() const;

    TDatabase& db_;
    TEditorLists lists_;
    bool firstRun_;
};
