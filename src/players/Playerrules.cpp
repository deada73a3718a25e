#include "players/Playerrules.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <cmath>
#include <exception>
#include <memory>

#include "db/Database.h"
#include "db/Table.h"
#include "platform/Datafolder.h"
#include "platform/Textutil.h"
#include "common/Frame.h"

namespace {
const char* const kWrongInput = "Wrong input";

bool SameName(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::string Num(long long n) { return std::to_string(n); }
}  // namespace

int TBagNode::ClubCount() const {
    return static_cast<int>(std::count_if(Holders.begin(), Holders.end(),
                                          [](const MRec& r) { return r.Occupied(); }));
}

bool TBagNode::HasPutterImage() const {
    return std::any_of(Holders.begin(), Holders.end(),
                       [](const MRec& r) { return r.Occupied() && HolderImage(r.Type) == 2; });
}

int HolderImage(int type) {
    switch (type) {
    case -1: return -1;
    case 0: return 3;
    case 1: return 4;
    case 2: return 1;
    default: return 2;
    }
}

int ListImage(int type) {
    switch (type) {
    case 0: return 2;
    case 1: return 3;
    case 2: return 0;
    default: return 1;
    }
}

bool IsDefaultClub(int clubId) { return clubId >= 99 && clubId <= 111; }

TEditorLists TEditorLists::OfMainForm() {
    if (!Frame()) return {};
    return {Frame()->ClubList, &Frame()->ClubCount, Frame()->BagList, &Frame()->BagCount};
}

// ---------------------------------------------------------------------------
// Details

TRefusal CheckDetails(const TPlayerDetails& d) {
    const std::optional<double> hcp = ReadDecimal(d.Handicap);
    if (!hcp) return TMessage{"The HCP field contains a value that is not valid", kWrongInput};
    if (d.FirstName.empty()) return TMessage{"You must give your first name", kWrongInput};
    if (d.LastName.empty()) return TMessage{"You must give your last name", kWrongInput};
    if (d.Country.empty()) return TMessage{"You must choose a country", kWrongInput};
    if (*hcp > 54.0) return TMessage{"Handicap can only be 54 maximum", kWrongInput};
    // The best plus handicap a golfer holds lies well above -10.
    if (*hcp < -10.0) return TMessage{"Handicap can only be -10 minimum", kWrongInput};
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Loading

TPlayerRecord::TPlayerRecord(TDatabase& db, TEditorLists lists, bool firstRun)
    : db_(db), lists_(lists), firstRun_(firstRun) {}

MClub* TPlayerRecord::Club(int index) const {
    return index >= 0 && index < ClubCount() ? lists_.Clubs[index] : nullptr;
}

MBag* TPlayerRecord::Bag(int index) const {
    return index >= 0 && index < BagCount() ? lists_.Bags[index] : nullptr;
}

void TPlayerRecord::Load(int userId) {
    Tree.clear();
    List.clear();
    LoadWarning.reset();
    if (firstRun_) LoadFirstRun(userId);
    else LoadPlayerWindow(userId);
    FinishBags();
    Modified = false;
}

int TPlayerRecord::AppendBag(MBag* bag) {
    bag->BagPosition = BagCount();
    lists_.Bags[BagCount()] = bag;
    TBagNode node;
    node.BagIndex = BagCount();
    Tree.push_back(node);
    ++*lists_.BagCount;
    return static_cast<int>(Tree.size()) - 1;
}

void TPlayerRecord::AppendClub(MClub* club) {
    club->Index = ClubCount();
    lists_.Clubs[ClubCount()] = club;
    ++*lists_.ClubCount;
}

// A loaded club goes into the next holder of its bag (holders are ordered by
// rank afterwards), or to the list when it has no loaded bag or the bag is full.
void TPlayerRecord::AddLoadedClub(MClub* club, bool toList) {
    AppendClub(club);
    if (!toList && club->BagRef != 0) {
        for (TBagNode& node : Tree) {
            MBag* bag = Bag(node.BagIndex);
            if (bag->BagId != club->BagRef) continue;
            const int used = node.ClubCount();
            if (used >= HoldersPerBag) break;
            bag->AddClub();
            node.Holders[used] = MRec{club->Index, club->Type, club->ClubName, club->OrderNumber};
            return;
        }
    }
    List.push_back(club->Index);
}

void TPlayerRecord::LoadPlayerWindow(int userId) {
    TTable bags(&db_, "GolfBag");
    bags.SetFilter("UserId=" + Num(userId));
    bags.Open();
    for (bags.First(); !bags.Eof(); bags.Next()) {
        if (BagCount() >= MaxBags) {
            LoadWarning = TMessage{"Only the first 100 bags of this player can be shown", "Too many bags"};
            break;
        }
        // Owned here until listed: a row that does not read leaks nothing.
        auto bag = std::make_unique<MBag>();
        bag->BagName = bags.FieldByName("BagName").AsString();
        bag->BagId = bags.FieldByName("BagId").AsInteger();
        bag->IsNew = 0;
        AppendBag(bag.release());
    }
    bags.Close();

    TTable details(&db_, "ClubDetail");
    details.SetFilter("UserId=" + Num(userId));
    details.Open();
    TTable links(&db_, "Clubs");
    links.SetFilter("ClubId=0");
    links.Open();
    for (details.First(); !details.Eof(); details.Next()) {
        if (details.FieldByName("DeletedClub").AsBoolean()) continue;
        if (ClubCount() >= MaxClubs) {
            LoadWarning = TMessage{"Only the first 100 clubs of this player can be shown", "Too many clubs"};
            break;
        }
        auto club = std::make_unique<MClub>();
        club->ClubName = details.FieldByName("ClubName").AsString();
        club->IsNew = 0;
        club->Type = details.FieldByName("Type").AsInteger();
        club->Shots = details.FieldByName("Shots").AsInteger();
        club->ShotsLength = details.FieldByName("ShotsLength").AsFloat();
        club->LongestShot = details.FieldByName("LongestShot").AsFloat();
        club->ShotsWithLength = details.FieldByName("ShotsWithLength").AsInteger();
        club->ClubId = details.FieldByName("ClubId").AsInteger();
        links.SetFilter("ClubId=" + Num(club->ClubId));
        if (!links.IsEmpty()) {
            links.First();
            club->BagRef = links.FieldByName("BagId").AsInteger();
            club->OrderNumber = links.FieldByName("OrderNumber").AsInteger();
        }
        const bool toList = club->BagRef == 0;
        AddLoadedClub(club.release(), toList);
    }
}

void TPlayerRecord::LoadFirstRun(int userId) {
    TTable bags(&db_, "GolfBag");
    bags.SetFilter("BagName='Default'");
    bags.Open();
    if (bags.IsEmpty()) return;
    bags.First();
    if (bags.FieldByName("UserId").AsInteger() != userId) return;
    auto owned = std::make_unique<MBag>();
    owned->BagName = bags.FieldByName("BagName").AsString();
    owned->BagId = bags.FieldByName("BagId").AsInteger();
    owned->IsNew = 0;
    MBag* bag = owned.get();
    AppendBag(owned.release());

    TTable links(&db_, "Clubs");
    links.SetFilter("BagId=" + Num(bag->BagId));
    links.Open();
    TTable details(&db_, "ClubDetail");
    details.SetFilter("ClubId=0");
    details.Open();
    for (links.First(); !links.Eof(); links.Next()) {
        const int clubId = links.FieldByName("ClubId").AsInteger();
        details.SetFilter("ClubId=" + Num(clubId));
        if (details.IsEmpty()) continue;
        if (ClubCount() >= MaxClubs) {
            LoadWarning = TMessage{"Only the first 100 clubs of this player can be shown", "Too many clubs"};
            break;
        }
        details.First();
        auto club = std::make_unique<MClub>();
        club->ClubName = details.FieldByName("ClubName").AsString();
        club->IsNew = 0;
        club->Type = details.FieldByName("Type").AsInteger();
        club->BagRef = bag->BagId;
        club->OrderNumber = links.FieldByName("OrderNumber").AsInteger();
        club->ClubId = clubId;
        AddLoadedClub(club.release(), false);
    }
}

// Holders in rank order (stable), empty holders after the clubs.
void TPlayerRecord::FinishBags() {
    for (TBagNode& node : Tree)
        std::stable_sort(node.Holders.begin(), node.Holders.end(), [](const MRec& a, const MRec& b) {
            const int ka = a.Occupied() ? a.Rank : HoldersPerBag;
            const int kb = b.Occupied() ? b.Rank : HoldersPerBag;
            return ka < kb;
        });
}

// ---------------------------------------------------------------------------
// Commands

TRefusal TPlayerRecord::CanAddBag() const {
    if (BagCount() >= MaxBags) return TMessage{"You can have at most 100 bags", "Too many bags"};
    return std::nullopt;
}

TRefusal TPlayerRecord::CanAddClub() const {
    if (ClubCount() >= MaxClubs) return TMessage{"You can have at most 100 clubs", "Too many clubs"};
    return std::nullopt;
}

TRefusal TPlayerRecord::CheckBagName(const std::string& name, int exceptBag) const {
    const TMessage notUnique{"You must give a unique Bagname", "Wrong bagname"};
    const MBag* self = exceptBag >= 0 ? Bag(exceptBag) : nullptr;
    {
        TTable bags(&db_, "GolfBag");
        bags.SetFilter("BagName=" + QuotedStr(name));
        bags.Open();
        for (bags.First(); !bags.Eof(); bags.Next())
            if (!self || bags.FieldByName("BagId").AsInteger() != self->BagId) return notUnique;
    }
    for (int i = 0; i < BagCount(); ++i) {
        const MBag* bag = Bag(i);
        if (bag != self && !bag->Removed && SameName(bag->BagName, name)) return notUnique;
    }
    return CheckBagNameSize(name);
}

TRefusal CheckBagNameSize(const std::string& name) {
    if (name.empty()) return TMessage{"You must give Bagname", "Bagname missing"};
    if (CharCount(name) > 8) return TMessage{"A Bagname can have at most 8 characters", "Wrong bagname"};
    return std::nullopt;
}

TRefusal TPlayerRecord::AddNewBag() {
    MBag* bag = lists_.Bags[BagCount()];
    // The hold that keeps other programs off this unsaved bag: taken now if
    // another program held the folder alone when this one started. A lock
    // file that cannot be used keeps no program off; the bag is made all the
    // same.
    bool heldAlone = false;
    if (!HoldDataFolder(&heldAlone) && heldAlone) {
        delete bag;
        lists_.Bags[BagCount()] = nullptr;
        return TMessage{"Another Caddora program is tidying the data folder just now.\n"
                        "The bag was not made: please try again.",
                        "Bag not made"};
    }
    try {
        TTable table(&db_, "GolfBag");
        table.Open();
        table.Append();
        table.FieldByName("UserId").SetAsInteger(-1);
        table.FieldByName("BagName").SetAsString(bag->BagName);
        table.Post();
        bag->BagId = table.FieldByName("BagId").AsInteger();
        table.Close();
    } catch (...) {
        // The bag without its row is not kept.
        delete bag;
        lists_.Bags[BagCount()] = nullptr;
        throw;
    }
    bag->Changed = 1;
    bag->IsNew = 1;
    AppendBag(bag);
    Modified = true;
    return std::nullopt;
}

void TPlayerRecord::AddNewClub() {
    MClub* club = lists_.Clubs[ClubCount()];
    club->IsNew = 1;
    AppendClub(club);
    List.push_back(club->Index);
    Modified = true;
}

void TPlayerRecord::MarkChanged(MClub* club) {
    if (!club->IsNew && !club->Removed) club->Changed = 1;
}

void TPlayerRecord::Place(int clubIndex, int nodeIndex, int holder) {
    MClub* club = Club(clubIndex);
    TBagNode& node = Tree.at(nodeIndex);
    club->BagRef = BagOf(nodeIndex)->BagId;
    MarkChanged(club);
    int rank = 1;
    for (int h = 0; h < holder; ++h)
        if (node.Holders[h].Occupied()) ++rank;
    club->OrderNumber = rank;
    node.Holders[holder] = MRec{clubIndex, club->Type, club->ClubName, rank};
    Renumber(node);
    List.erase(std::remove(List.begin(), List.end(), clubIndex), List.end());
    Modified = true;
}

// Ranks 1..n in holder order; every club whose rank moves is written by the save.
void TPlayerRecord::Renumber(TBagNode& node) {
    int rank = 0;
    for (MRec& rec : node.Holders) {
        if (!rec.Occupied()) continue;
        rec.Rank = ++rank;
        MClub* club = Club(rec.Index);
        if (club && club->OrderNumber != rank) {
            club->OrderNumber = rank;
            MarkChanged(club);
        }
    }
}

TRefusal TPlayerRecord::DropOnBag(int clubIndex, int nodeIndex) {
    const MClub* club = Club(clubIndex);
    if (!club || nodeIndex < 0 || nodeIndex >= static_cast<int>(Tree.size()))
        return TMessage{"You must first create a bag", "Bag Missing"};
    const int type = club->Type;
    const TBagNode& node = Tree[nodeIndex];
    const TMessage wrongType{"You can only place a putter in the bags first holder", "Wrong club type"};
    for (int h = 0; h < HoldersPerBag; ++h) {
        const MRec& rec = node.Holders[h];
        if (rec.Occupied() && HolderImage(rec.Type) == 2 && type == 9)
            return TMessage{"You can only have one putter in the bag", "Too many putters"};
        if (!rec.Occupied()) {
            if ((h == 0) != (type == 9)) return wrongType;
            Place(clubIndex, nodeIndex, h);
            return std::nullopt;
        }
    }
    return TMessage{"You must first remove a club from the bag", "Bag is full"};
}

TRefusal TPlayerRecord::DropOnHolder(int clubIndex, int nodeIndex, int holder) {
    const MClub* club = Club(clubIndex);
    if (!club || nodeIndex < 0 || nodeIndex >= static_cast<int>(Tree.size()) || holder < 0 ||
        holder >= HoldersPerBag)
        return TMessage{"You must first create a bag", "Bag Missing"};
    const TBagNode& node = Tree[nodeIndex];
    const int type = club->Type;
    if (node.Holders[holder].Occupied())
        return TMessage{"You must place the Club in a empty holder", "Club Holder is Occupied"};
    if (node.HasPutterImage() && type == 9)
        return TMessage{"You can only have one putter in the bag", "Too many putters"};
    if ((holder == 0) != (type == 9))
        return TMessage{"You can only place a putter in the bags first holder", "Wrong club type"};
    Place(clubIndex, nodeIndex, holder);
    return std::nullopt;
}

bool TPlayerRecord::TakeOut(int nodeIndex, int holder) {
    if (nodeIndex < 0 || nodeIndex >= static_cast<int>(Tree.size()) || holder < 0 || holder >= HoldersPerBag)
        return false;
    TBagNode& node = Tree[nodeIndex];
    if (!node.Holders[holder].Occupied()) return false;
    const int clubIndex = node.Holders[holder].Index;
    node.Holders[holder] = MRec{};
    Renumber(node);
    if (MClub* club = Club(clubIndex)) {
        List.push_back(clubIndex);
        club->BagRef = 0;
        club->OrderNumber = 0;
        MarkChanged(club);
    }
    Modified = true;
    return true;
}

// Any name that fits: a rename makes no uniqueness test.
TRefusal TPlayerRecord::RenameBag(int nodeIndex, const std::string& name) {
    MBag* bag = BagOf(nodeIndex);
    if (name == bag->BagName) return std::nullopt;
    if (TRefusal refusal = CheckBagNameSize(name)) return refusal;
    bag->BagName = name;
    bag->Changed = 1;
    Modified = true;
    return std::nullopt;
}

TRefusal TPlayerRecord::CheckDeleteBag(int nodeIndex) const {
    const TBagNode& node = Tree.at(nodeIndex);
    if (node.ClubCount() > 0) return TMessage{"You must first remove the clubs", "Clubs in bag"};
    if (BagOf(nodeIndex)->BagName == "Default")
        return TMessage{"You can't remove the default bag", "Delete impossible"};
    return std::nullopt;
}

void TPlayerRecord::DeleteBag(int nodeIndex) {
    BagOf(nodeIndex)->Removed = 1;
    Tree.erase(Tree.begin() + nodeIndex);
    Modified = true;
}

TRefusal TPlayerRecord::CheckDeleteClub(int clubIndex) const {
    const MClub* club = Club(clubIndex);
    if (club && IsDefaultClub(club->ClubId))
        return TMessage{"You can't delete a club that belongs to the default bag", "Club remove impossible"};
    return std::nullopt;
}

void TPlayerRecord::DeleteClub(int clubIndex) {
    MClub* club = Club(clubIndex);
    if (!club) return;
    club->Removed = 1;
    club->Changed = 0;
    List.erase(std::remove(List.begin(), List.end(), clubIndex), List.end());
    Modified = true;
}

void TPlayerRecord::EditClub(int clubIndex, const std::string& name, int type) {
    MClub* club = Club(clubIndex);
    if (!club) return;
    club->ClubName = name;
    club->Type = type;
    MarkChanged(club);
    Modified = true;
}

int TPlayerRecord::ControlBags(int* failedNode) const {
    for (size_t n = 0; n < Tree.size(); ++n) {
        const TBagNode& node = Tree[n];
        const bool putter = std::any_of(node.Holders.begin(), node.Holders.end(),
                                        [](const MRec& r) { return r.Occupied() && r.Type == 9; });
        if (node.ClubCount() < 3 || !putter) {
            if (failedNode) *failedNode = static_cast<int>(n);
            return 1;
        }
    }
    return 0;
}

TMessage TPlayerRecord::IncompleteBagMessage() {
    return {"You must have at least three \nclubs in every bag and one \nclub must be a putter.", "Incomplete bag"};
}

// ---------------------------------------------------------------------------
// Saving

int TPlayerRecord::Save(const TPlayerDetails& details, int userId) {
    // Flags the save changes, put back when it fails.
    struct ClubState {
        int ClubId;
        unsigned char IsNew, Changed;
    };
    std::vector<ClubState> clubs;
    for (int i = 0; i < ClubCount(); ++i) clubs.push_back({Club(i)->ClubId, Club(i)->IsNew, Club(i)->Changed});
    std::vector<unsigned char> bagsNew;
    for (int i = 0; i < BagCount(); ++i) bagsNew.push_back(Bag(i)->IsNew);
    int written = userId;
    try {
        TTransaction transaction(db_);
        CheckBagRows();
        SaveDetails(details, userId, &written);
        SaveBags(written);
        SaveClubs(written);
        transaction.Commit();
    } catch (...) {
        for (int i = 0; i < ClubCount(); ++i) {
            Club(i)->ClubId = clubs[i].ClubId;
            Club(i)->IsNew = clubs[i].IsNew;
            Club(i)->Changed = clubs[i].Changed;
        }
        for (int i = 0; i < BagCount(); ++i) Bag(i)->IsNew = bagsNew[i];
        throw;
    }
    Modified = false;
    return written;
}

// A bag of the editor whose row has gone (another program removed it) would
// lose its name and the places of its clubs: nothing is written then.
void TPlayerRecord::CheckBagRows() const {
    TTable bags(&db_, "GolfBag");
    bags.Open();
    for (int i = 0; i < BagCount(); ++i) {
        const MBag* bag = Bag(i);
        if (bag->Removed || bags.Locate("BagId", TVariant(bag->BagId))) continue;
        throw std::runtime_error("The bag " + bag->BagName +
                                 " is no longer in the database.\nNothing was saved: delete the bag "
                                 "and create it again.");
    }
}

void TPlayerRecord::SaveDetails(const TPlayerDetails& d, int userId, int* writtenUserId) {
    const int id = firstRun_ ? 1 : userId;
    TTable player(&db_, "PlayerDetail");
    player.SetFilter("UserId=" + Num(id));
    player.Open();
    if (player.IsEmpty()) {
        player.Append();
        player.FieldByName("UserId").SetAsInteger(id);
    } else {
        player.First();
        player.Edit();
        if (firstRun_) player.FieldByName("UserId").SetAsInteger(1);
    }
    player.FieldByName("FirstName").SetAsString(d.FirstName);
    player.FieldByName("LastName").SetAsString(d.LastName);
    player.FieldByName("StreetAddress").SetAsString(d.Address);
    player.FieldByName("ZipCode").SetAsString(d.Zip);
    player.FieldByName("City").SetAsString(d.City);
    std::string countryId;
    if (!d.Country.empty()) {
        TTable country(&db_, "Country");
        country.Open();
        countryId = Trim(country.Lookup("Country", {TVariant(Trim(d.Country))}, "CountryId").AsString());
        player.FieldByName("Country").SetAsString(countryId);
    }
    if (!d.State.empty()) {
        TTable states(&db_, "States");
        states.Open();
        // The state of the chosen country: names repeat across countries.
        TVariant stateId = countryId.empty()
                               ? states.Lookup("StateName", {TVariant(Trim(d.State))}, "StateId")
                               : states.Lookup("CountryId;StateName",
                                               {TVariant(countryId), TVariant(Trim(d.State))}, "StateId");
        player.FieldByName("State").SetAsString(Trim(stateId.AsString()));
    }
    if (std::optional<double> hcp = ReadDecimal(d.Handicap)) player.FieldByName("HCP").SetAsFloat(*hcp);
    player.FieldByName("GolfClub").SetAsString(d.HomeClub);
    player.FieldByName("LinkURL").SetAsString(d.HomeClubURL);
    player.FieldByName("UserDesc").SetAsString(d.Description);
    player.FieldByName("Sex").SetAsBoolean(d.Male);
    player.Post();
    *writtenUserId = player.FieldByName("UserId").AsInteger();
    player.Close();
}

void TPlayerRecord::SaveBags(int userId) {
    TTable bags(&db_, "GolfBag");
    bags.Open();
    for (int i = 0; i < BagCount(); ++i) {
        MBag* bag = Bag(i);
        if (bag->Changed && bags.Locate("BagId", TVariant(bag->BagId))) {
            bags.Edit();
            bags.FieldByName("BagName").SetAsString(bag->BagName);
            bags.FieldByName("UserId").SetAsInteger(userId);
            bags.Post();
            bag->IsNew = 0;
        }
        if (bag->Removed && bags.Locate("BagId", TVariant(bag->BagId))) bags.Delete();
    }
    bags.Close();
}

void TPlayerRecord::SaveClubs(int userId) {
    TTable details(&db_, "ClubDetail");
    TTable links(&db_, "Clubs");
    details.SetFilter("UserId=" + Num(userId));
    details.Open();
    links.Open();
    const auto appendLink = [&](const MClub* club) {
        links.SetFilter("ClubId=" + Num(club->ClubId));
        links.Append();
        links.FieldByName("BagId").SetAsInteger(club->BagRef);
        links.FieldByName("ClubId").SetAsInteger(club->ClubId);
        links.FieldByName("OrderNumber").SetAsInteger(club->OrderNumber);
        links.Post();
    };
    // New clubs. The first-run dialog leaves out those deleted again.
    std::vector<MClub*> added;
    for (int i = 0; i < ClubCount(); ++i) {
        MClub* club = Club(i);
        if (!club->IsNew || (firstRun_ && club->Removed)) continue;
        details.Append();
        details.FieldByName("ClubName").SetAsString(club->ClubName);
        details.FieldByName("Type").SetAsInteger(club->Type);
        details.FieldByName("UserId").SetAsInteger(userId);
        details.Post();
        club->ClubId = details.FieldByName("ClubId").AsInteger();
        added.push_back(club);
    }
    for (MClub* club : added) {
        appendLink(club);
        club->IsNew = 0;
    }
    // Removed clubs: the row stays for the rounds that name it; its holder goes.
    for (int i = 0; i < ClubCount(); ++i) {
        MClub* club = Club(i);
        if (!club->Removed || club->IsNew || club->ClubId == 0 || club->Deleted) continue;
        details.SetFilter("ClubId=" + Num(club->ClubId));
        if (!details.IsEmpty()) {
            details.First();
            details.Edit();
            details.FieldByName("DeletedClub").SetAsBoolean(true);
            details.Post();
        }
        links.SetFilter("ClubId=" + Num(club->ClubId));
        while (!links.IsEmpty()) {
            links.First();
            links.Delete();
        }
    }
    // Changed clubs: name, type and holder.
    for (int i = 0; i < ClubCount(); ++i) {
        MClub* club = Club(i);
        if (!club->Changed || club->Removed || club->ClubId == 0) continue;
        details.SetFilter("ClubId=" + Num(club->ClubId));
        if (!details.IsEmpty()) {
            details.First();
            details.Edit();
            details.FieldByName("ClubName").SetAsString(club->ClubName);
            if (details.FieldByName("Type").AsInteger() != club->Type) {
                details.FieldByName("Shots").Clear();
                details.FieldByName("ShotsLength").Clear();
                details.FieldByName("LongestShot").Clear();
            }
            details.FieldByName("Type").SetAsInteger(club->Type);
            details.FieldByName("UserId").SetAsInteger(userId);
            details.Post();
        }
        links.SetFilter("ClubId=" + Num(club->ClubId));
        if (links.IsEmpty()) {
            appendLink(club);
        } else {
            links.First();
            links.Edit();
            links.FieldByName("BagId").SetAsInteger(club->BagRef);
            links.FieldByName("ClubId").SetAsInteger(club->ClubId);
            links.FieldByName("OrderNumber").SetAsInteger(club->OrderNumber);
            links.Post();
        }
        club->Changed = 0;
    }
    links.Close();
    details.Close();
}

// ---------------------------------------------------------------------------
// Closing

void TPlayerRecord::Close() {
    bool unsaved = false;
    for (int i = 0; i < BagCount(); ++i) unsaved = unsaved || Bag(i)->IsNew;
    // The rows left by a failed delete carry UserId -1: a later start takes them.
    std::exception_ptr failed;
    if (unsaved && db_.Connected()) {
        try {
            TTable bags(&db_, "GolfBag");
            bags.Open();
            for (int i = 0; i < BagCount(); ++i)
                if (Bag(i)->IsNew && bags.Locate("BagId", TVariant(Bag(i)->BagId))) bags.Delete();
            bags.Close();
        } catch (...) {
            failed = std::current_exception();
        }
    }
    for (int i = 0; i < BagCount(); ++i) {
        delete lists_.Bags[i];
        lists_.Bags[i] = nullptr;
    }
    for (int i = 0; i < ClubCount(); ++i) {
        delete lists_.Clubs[i];
        lists_.Clubs[i] = nullptr;
    }
    *lists_.BagCount = 0;
    *lists_.ClubCount = 0;
    Tree.clear();
    List.clear();
    if (failed) std::rethrow_exception(failed);
}

void TPlayerRecord::DeleteUnsavedBags(TDatabase& db) {
    if (!db.Connected()) return;
    // Another program's player window may hold such a bag.
    WhenAloneOnDataFolder([&db] { DeleteUnsavedBagRows(db); });
}

void TPlayerRecord::DeleteUnsavedBagRows(TDatabase& db) {
    TTable bags(&db, "GolfBag");
    bags.SetFilter("UserId=-1");
    bags.Open();
    if (bags.IsEmpty()) return;  // the usual start: nothing to write
    TTransaction tx(db);
    TTable links(&db, "Clubs");
    while (!bags.IsEmpty()) {
        bags.First();
        links.SetFilter("BagId=" + std::to_string(bags.FieldByName("BagId").AsInteger()));
        links.Open();
        while (!links.IsEmpty()) {
            links.First();
            links.Delete();
        }
        links.Close();
        bags.Delete();
    }
    bags.Close();
    tx.Commit();
}
