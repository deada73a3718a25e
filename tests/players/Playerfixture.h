#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/Dbfixture.h"
#include "players/Playerrules.h"

// A fresh database (with the delivered "Default" bag of player 1, clubs 99 to
// 111) and editor lists of the test's own.
class PlayerTest : public DbTest {
protected:
    void TearDown() override {
        if (record_) record_->Close();
        record_.reset();
        DbTest::TearDown();
    }

    TPlayerRecord& Record(bool firstRun = false) {
        if (record_) record_->Close();
        record_ = std::make_unique<TPlayerRecord>(db, own.Lists(), firstRun);
        return *record_;
    }
    TPlayerRecord& Load(int userId, bool firstRun = false) {
        TPlayerRecord& r = Record(firstRun);
        r.Load(userId);
        return r;
    }

    // A new bag as the new-bag dialog leaves it.
    int NewBag(TPlayerRecord& r, const std::string& name) {
        own.Bags[own.BagCount] = new MBag;
        own.Bags[own.BagCount]->SetName(name);
        r.AddNewBag();
        return static_cast<int>(r.Tree.size()) - 1;
    }
    // A new club as the new-club dialog leaves it; returns its index.
    int NewClub(TPlayerRecord& r, const std::string& name, int type) {
        auto* c = new MClub;
        c->ClubName = name;
        c->Type = type;
        c->Index = own.ClubCount;
        own.Clubs[own.ClubCount] = c;
        r.AddNewClub();
        return c->Index;
    }

    int AddBag(int userId, const std::string& name) {
        return static_cast<int>(AppendRow("GolfBag", {{"UserId", userId}, {"BagName", name}}));
    }
    // A club of the player; bagId 0 with order 0 still gets a Clubs row
    // unless link is false.
    int AddClub(int userId, const std::string& name, int type, int bagId = 0, int order = 0,
                bool deleted = false, bool link = true) {
        const int id = static_cast<int>(AppendRow("ClubDetail", {{"UserId", userId},
                                                                 {"ClubName", name},
                                                                 {"Type", type},
                                                                 {"DeletedClub", deleted}}));
        if (link) AppendRow("Clubs", {{"ClubId", id}, {"BagId", bagId}, {"OrderNumber", order}});
        return id;
    }
    void AddShot(int clubId, int length) {
        AppendRow("RoundShots", {{"RoundId", 1}, {"HoleId", 1}, {"ShotNumber", 1}, {"ClubId", clubId},
                                 {"ShotLength", length}});
    }
    TVariant Value(const std::string& table, const std::string& filter, const std::string& column) {
        return RowValue(db, table, filter, column);
    }
    // Every row of the player record's tables as text, to compare states.
    std::string Dump() {
        std::string out;
        for (const char* table : {"PlayerDetail", "GolfBag", "Clubs", "ClubDetail"}) {
            TTable t(&db, table);
            t.Open();
            out += std::string(table) + "\n";
            for (t.First(); !t.Eof(); t.Next()) {
                for (int i = 0; i < t.FieldCount(); ++i) out += t.Fields(i).AsString() + "|";
                out += "\n";
            }
        }
        return out;
    }
    // A player with details that pass the checks.
    static TPlayerDetails GoodDetails() {
        TPlayerDetails d;
        d.FirstName = "Ann";
        d.LastName = "Smith";
        d.Country = "Sweden";
        d.Handicap = "12.5";
        d.Male = false;
        return d;
    }

    TOwnLists own;

private:
    std::unique_ptr<TPlayerRecord> record_;
};

// The ClubList index of the club with the name.
inline int IndexOf(const TPlayerRecord& r, const std::string& name) {
    for (int i = 0; i < r.ClubCount(); ++i)
        if (r.Club(i)->ClubName == name) return i;
    return -1;
}
