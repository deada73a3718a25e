// The table component on a database of 100,000 shots over 1,000 rounds:
// opening one round's shots, appending shots in one transaction, and single
// posts outside a transaction (write-ahead log against a rollback journal).
#include <benchmark/benchmark.h>

#include "Benchsupport.h"
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "db/Table.h"
#include "platform/Datafolder.h"

namespace {

constexpr int kRounds = 1000;
constexpr int kShotsPerRound = 100;

struct Fixture {
    std::string folder;
    TDatabase db;

    explicit Fixture(const char* journal) {
        char tmpl[] = "/tmp/caddora-bench-XXXXXX";
        folder = mkdtemp(tmpl);
        db.SetDatabaseName(folder + "/kx.mdb");
        db.Open();
        if (journal) db.Execute(std::string("PRAGMA journal_mode = ") + journal);
        // Bulk set-up straight through SQLite: 18 holes, about 100 shots a round.
        db.Execute("BEGIN");
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(db.Handle(),
                           "INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, PenId, Latitude, "
                           "Longitude, ShotLength) VALUES (?, ?, ?, ?, 0, ?, ?, ?)",
                           -1, &ins, nullptr);
        for (int r = 1; r <= kRounds; ++r) {
            for (int s = 0; s < kShotsPerRound; ++s) {
                // Rounds interleave in the file, as they do after many imports.
                sqlite3_bind_int(ins, 1, r);
                sqlite3_bind_int(ins, 2, 18 - s % 18);
                sqlite3_bind_int(ins, 3, s / 18 + 1);
                sqlite3_bind_int(ins, 4, 99 + s % 13);
                sqlite3_bind_double(ins, 5, 52.0 + s * 1e-5);
                sqlite3_bind_double(ins, 6, -1.5 - s * 1e-5);
                sqlite3_bind_int(ins, 7, 30 + s);
                sqlite3_step(ins);
                sqlite3_reset(ins);
            }
        }
        sqlite3_finalize(ins);
        db.Execute("COMMIT");
    }
    ~Fixture() {
        db.Close();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& Shared() {
    static Fixture f(nullptr);
    return f;
}

void BM_OpenRoundShots(benchmark::State& state) {
    Fixture& f = Shared();
    int round = 1;
    for (auto _ : state) {
        TTable t(&f.db, "RoundShots");
        t.SetFilter("RoundId = " + std::to_string(round));
        t.AddSort("[HoleId] ASC");
        t.AddSort("[ShotNumber] ASC");
        t.Open();
        if (t.RecordCount() != kShotsPerRound) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(t.FieldByName("ShotLength").AsInteger());
        round = round % kRounds + 1;
    }
}
BENCHMARK(BM_OpenRoundShots)->Unit(benchmark::kMicrosecond);

// The windows keep one table object and change its filter.
void BM_RefilterRoundShots(benchmark::State& state) {
    Fixture& f = Shared();
    TTable t(&f.db, "RoundShots");
    t.AddSort("[HoleId] ASC");
    t.AddSort("[ShotNumber] ASC");
    t.SetFilter("RoundId = 1");
    t.Open();
    int round = 1;
    for (auto _ : state) {
        round = round % kRounds + 1;
        t.SetFilter("RoundId = " + std::to_string(round));
        if (t.RecordCount() != kShotsPerRound) state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_RefilterRoundShots)->Unit(benchmark::kMicrosecond);

void BM_Append10000InTransaction(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        TTransaction tx(f.db);
        TTable t(&f.db, "RoundShots");
        t.SetFilter("RoundId = 5000");
        t.Open();
        for (int i = 0; i < 10000; ++i) {
            t.Append();
            t.FieldByName("RoundId").SetAsInteger(5000);
            t.FieldByName("HoleId").SetAsInteger(i % 18 + 1);
            t.FieldByName("ShotNumber").SetAsInteger(i / 18 + 1);
            t.FieldByName("ClubId").SetAsInteger(99 + i % 13);
            t.FieldByName("PenId").SetAsInteger(0);
            t.FieldByName("Latitude").SetAsFloat(52.0 + i * 1e-6);
            t.FieldByName("Longitude").SetAsFloat(-1.5);
            t.FieldByName("ShotLength").SetAsInteger(i % 250);
            t.Post();
        }
        tx.Commit();
        state.PauseTiming();
        f.db.Execute("DELETE FROM RoundShots WHERE RoundId = 5000");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Append10000InTransaction)->Unit(benchmark::kMillisecond);

// One Edit and Post of a club row outside any transaction, as the club
// statistics do per shot. Argument 1: write-ahead log; 0: rollback journal.
void BM_PostWithoutTransaction(benchmark::State& state) {
    static std::unique_ptr<Fixture> rollback;
    Fixture* f = &Shared();
    if (state.range(0) == 0) {
        if (!rollback) rollback = std::make_unique<Fixture>("DELETE");
        f = rollback.get();
    }
    TTable clubs(&f->db, "ClubDetail");
    clubs.Open();
    int shots = 0;
    for (auto _ : state) {
        if (!clubs.Locate("ClubId", 99 + shots % 13)) state.SkipWithError("club missing");
        clubs.Edit();
        clubs.FieldByName("Shots").SetAsInteger(clubs.FieldByName("Shots").AsInteger() + 1);
        clubs.Post();
        ++shots;
    }
}
BENCHMARK(BM_PostWithoutTransaction)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(&argc, argv); }
