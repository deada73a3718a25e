#pragma once
#include <QMdiSubWindow>
#include <string>
#include <vector>

#include "db/Dbrows.h"
#include "db/Table.h"
#include "rounds/Editround.h"
#include "rounds/Round.h"
#include "rounds/Rounds.h"
#include "shell/Shellfixture.h"

// The program with player "First Last" (male, HCP 18), course "Alpha" (18
// holes, par 4 each, two tees: rating 72 / slope 113 on tee 1), a bag, three
// clubs and a round on Alpha with four shots on hole 1 (descriptions A, B, C,
// D); plus an older round whose course row is gone.
class RoundsTest : public ShellTest {
protected:
    void SetUp() override {
        AddPlayerBeforeStart(1);
        Start();
        db = &MainForm->Database;
        Update("PlayerDetail", "UserId = 1",
               {{"FirstName", "First"}, {"LastName", "Last"}, {"Sex", true}, {"HCP", 18.0}});
        bagId = Add("GolfBag", {{"UserId", 1}, {"BagName", "Bag A"}});
        driver = Add("ClubDetail", {{"UserId", 1}, {"ClubName", "Driver"}, {"Type", 0}});
        iron = Add("ClubDetail", {{"UserId", 1}, {"ClubName", "Iron 7"}, {"Type", 1}});
        putter = Add("ClubDetail", {{"UserId", 1}, {"ClubName", "Putter"}, {"Type", 9}});
        alpha = AddCourse("Alpha", true, 2, true);
        roundId = AddRound(alpha, 1, "2026-05-01 10:00:00", "Medal");
        const long long clubs[] = {driver, iron, putter, putter};
        const char* names[] = {"A", "B", "C", "D"};
        for (int i = 0; i < 4; ++i)
            AddShot(roundId, 1, i + 1, clubs[i], 0, names[i], 60.1 + i * 0.001, 24.9, i < 2 ? 150 : 0);
        goneRound = AddRound(999, 1, "2026-04-01 09:00:00", "Away");
    }

    long long Add(const std::string& table,
                  std::initializer_list<std::pair<const char*, TVariant>> values) {
        return AppendRow(*db, table, values);
    }
    void Update(const std::string& table, const std::string& filter,
                std::initializer_list<std::pair<const char*, TVariant>> values) {
        TTable t(db, table);
        t.SetFilter(filter);
        t.Open();
        for (t.First(); !t.Eof(); t.Next()) {
            t.Edit();
            for (const auto& [name, value] : values) t.FieldByName(name).SetValue(value);
            t.Post();
        }
    }
    int Count(const std::string& table, const std::string& filter = "") { return CountRows(*db, table, filter); }

    long long AddCourse(const std::string& name, bool eighteen, int tees, bool ratings) {
        const long long id = Add("Course_General", {{"Course_Name", name},
                                                    {"U8_Name", name.substr(0, 8)},
                                                    {"18Holes", eighteen},
                                                    {"Tees", tees}});
        TTable card(db, "ScoreCard");
        card.Open();
        card.Append();
        card.FieldByName("CourseId").SetAsInteger(id);
        card.FieldByName("HoleCol").SetAsInteger(0xC0C0C0);
        card.FieldByName("Tee1Col").SetAsInteger(0x0000FF);
        card.FieldByName("Tee2Col").SetAsInteger(0xFF0000);
        card.FieldByName("Tee1Name").SetAsString("Red");
        card.FieldByName("Tee2Name").SetAsString("Blue");
        if (ratings) {
            card.FieldByName("CR1M").SetAsFloat(72);
            card.FieldByName("S1M").SetAsInteger(113);
            card.FieldByName("CR2M").SetAsFloat(70);
            card.FieldByName("S2M").SetAsInteger(120);
        }
        card.Post();
        for (int h = 1; h <= (eighteen ? 18 : 9); ++h) {
            const long long hole = Add("Holes", {{"CourseId", id},
                                                 {"HoleNumber", h},
                                                 {"HolePar", 4},
                                                 {"HoleLength1", 300 + h},
                                                 {"HoleLength2", 280 + h},
                                                 {"HoleHCP1", h},
                                                 {"HoleName", "Hole " + std::to_string(h)}});
            if (h == 1) {
                Add("Waypoints", {{"CourseId", id}, {"HoleId", hole}, {"Name", "Tee Red"}, {"Type", 1},
                                  {"Tee", 1}, {"Latitude", 60.1}, {"Longitude", 24.9}});
                Add("Waypoints", {{"CourseId", id}, {"HoleId", hole}, {"Name", "Tee Blue"}, {"Type", 1},
                                  {"Tee", 2}, {"Latitude", 60.1}, {"Longitude", 24.9}});
                Add("Waypoints", {{"CourseId", id}, {"HoleId", hole}, {"Name", "Pin"}, {"Type", 2},
                                  {"Latitude", 60.104}, {"Longitude", 24.9}});
            }
        }
        return id;
    }

    long long AddRound(long long courseId, int tee, const std::string& date, const std::string& title) {
        const long long id = Add("Round", {{"UserId", 1},
                                           {"CourseId", courseId},
                                           {"BagId", bagId},
                                           {"TeeNumber", tee},
                                           {"RoundHCP", 18.0},
                                           {"Score", 72},
                                           {"MarkerName", "Mark"},
                                           {"RoundStartDate", date},
                                           {"RoundTitle", title}});
        for (int h = 1; h <= 18; ++h)
            Add("RoundHoles", {{"RoundId", id}, {"HoleId", h}, {"HoleShotsTotal", 4}, {"HolePar", 4},
                               {"HoleShotsPutter", 2}, {"FIR", h <= 7}, {"GIR", h == 1}, {"BunkerHits", 0}});
        return id;
    }

    long long AddShot(long long round, int hole, int number, long long club, int penId,
                      const std::string& description, double lat, double lon, int length) {
        return Add("RoundShots", {{"RoundId", round},
                                  {"HoleId", hole},
                                  {"ShotNumber", number},
                                  {"ClubId", club},
                                  {"PenId", penId},
                                  {"Description", description},
                                  {"Latitude", lat},
                                  {"Longitude", lon},
                                  {"ShotLength", length}});
    }

    // Descriptions of a round's shots on a hole, in shot-number order.
    std::vector<std::string> HoleShots(long long round, int hole) {
        TTable t(db, "RoundShots");
        t.SetFilter("RoundId = " + std::to_string(round) + " and HoleId = " + std::to_string(hole));
        t.AddSort("[ShotNumber] ASC");
        t.Open();
        std::vector<std::string> out;
        for (t.First(); !t.Eof(); t.Next())
            out.push_back(t.FieldByName("Description").AsString() + " " +
                          t.FieldByName("ShotNumber").AsString());
        return out;
    }

    // Every row of every table, as text.
    std::string Dump() {
        std::string out;
        for (const std::string& name : TDatabase::TableNames()) {
            TTable t(db, name);
            t.Open();
            out += "[" + name + "]\n";
            for (t.First(); !t.Eof(); t.Next()) {
                for (int i = 0; i < t.FieldCount(); ++i) out += t.Fields(i).AsString() + "|";
                out += "\n";
            }
        }
        return out;
    }

    TRoundsForm* OpenList() {
        MainForm->Rounds1Click();
        ProcessEventsFor(10);
        for (QWidget* w : MainForm->MdiChildren())
            if (auto* r = dynamic_cast<TRoundsForm*>(w)) return r;
        return nullptr;
    }
    template <class T> std::vector<T*> Children() {
        std::vector<T*> out;
        for (QWidget* w : MainForm->MdiChildren())
            if (auto* r = dynamic_cast<T*>(w)) out.push_back(r);
        return out;
    }
    // Selects the listed round with this id.
    static void Select(TRoundsForm* list, long long id) {
        for (int r = 0; r < list->RoundTable.RecordCount(); ++r) {
            list->SelectRow(r);
            if (list->RoundTable.FieldByName("RoundId").AsInteger() == id) return;
        }
        FAIL() << "round " << id << " not listed";
    }
    static void Flush() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ProcessEventsFor(5);
        }
    }

    TDatabase* db = nullptr;
    long long bagId = 0, driver = 0, iron = 0, putter = 0, alpha = 0, roundId = 0, goneRound = 0;
};
