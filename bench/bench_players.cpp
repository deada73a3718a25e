// The player record on a file of 100,000 stored shots: rebuilding the club
// statistics from every shot, and opening the player window (statistics,
// details, 2 bags and 28 clubs, the all-rounds counters) for player 1, also
// with a description of one unbroken megabyte.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"
#include <sqlite3.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "db/Database.h"
#include "db/Table.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "players/Childwin.h"
#include "players/Clubfigures.h"
#include "players/Playereditor.h"
#include "shell/Mainform.h"

namespace {

constexpr int kShots = 100000;
constexpr int kShotsPerHole = 5;

// Player 1 with the delivered "Default" bag (13 clubs), a second bag of 14
// clubs and one club in no bag; shots spread over the 28 clubs.
void FillDatabase() {
    TDatabase db;
    db.SetDatabaseName(DataPath("kx.mdb"));
    db.Open();
    db.Execute("BEGIN");
    db.Execute("INSERT INTO PlayerDetail (UserId, FirstName, LastName, HCP, Country, Sex) "
               "VALUES (1, 'Bench', 'Player', 12.5, 'SE', 1)");
    db.Execute("INSERT INTO GolfBag (BagId, UserId, BagName) VALUES (2, 1, 'Second')");
    sqlite3* h = db.Handle();
    sqlite3_stmt *club = nullptr, *link = nullptr, *shot = nullptr, *hole = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO ClubDetail (ClubId, UserId, ClubName, Type) VALUES (?, 1, ?, ?)", -1,
                       &club, nullptr);
    sqlite3_prepare_v2(h, "INSERT INTO Clubs (ClubId, BagId, OrderNumber) VALUES (?, ?, ?)", -1, &link, nullptr);
    for (int i = 0; i < 15; ++i) {
        const int id = 200 + i;
        const std::string name = "Club" + std::to_string(i);
        sqlite3_bind_int(club, 1, id);
        sqlite3_bind_text(club, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(club, 3, i == 0 ? 9 : i % 3);
        sqlite3_step(club);
        sqlite3_reset(club);
        sqlite3_bind_int(link, 1, id);
        sqlite3_bind_int(link, 2, i < 14 ? 2 : 0);
        sqlite3_bind_int(link, 3, i < 14 ? i + 1 : 0);
        sqlite3_step(link);
        sqlite3_reset(link);
    }
    const int clubs[] = {99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111,
                         200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214};
    sqlite3_prepare_v2(h,
                       "INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, PenId, ShotLength) "
                       "VALUES (?, ?, ?, ?, 0, ?)",
                       -1, &shot, nullptr);
    sqlite3_prepare_v2(h,
                       "INSERT INTO RoundHoles (RoundId, HoleId, HoleShotsTotal, HoleShotsPutter, FIR, GIR, "
                       "BunkerHits) VALUES (?, ?, 5, 2, ?, ?, ?)",
                       -1, &hole, nullptr);
    for (int s = 0; s < kShots; ++s) {
        const int holeIndex = s / kShotsPerHole;
        sqlite3_bind_int(shot, 1, holeIndex / 18 + 1);
        sqlite3_bind_int(shot, 2, holeIndex % 18 + 1);
        sqlite3_bind_int(shot, 3, s % kShotsPerHole + 1);
        sqlite3_bind_int(shot, 4, clubs[(s * 7) % 28]);
        sqlite3_bind_int(shot, 5, (s * 37) % 650);
        sqlite3_step(shot);
        sqlite3_reset(shot);
        if (s % kShotsPerHole == 0) {
            sqlite3_bind_int(hole, 1, holeIndex / 18 + 1);
            sqlite3_bind_int(hole, 2, holeIndex % 18 + 1);
            sqlite3_bind_int(hole, 3, holeIndex % 3 == 0);
            sqlite3_bind_int(hole, 4, holeIndex % 4 == 0);
            sqlite3_bind_int(hole, 5, holeIndex % 5 == 0);
            sqlite3_step(hole);
            sqlite3_reset(hole);
        }
    }
    for (sqlite3_stmt* st : {club, link, shot, hole}) sqlite3_finalize(st);
    db.Execute("COMMIT");
    db.Close();
}

void BM_UpdateClubStatistics(benchmark::State& state) {
    for (auto _ : state) UpdateClubStatistics(MainForm->Database);
}
BENCHMARK(BM_UpdateClubStatistics)->Unit(benchmark::kMillisecond);

void BM_OpenPlayerWindow(benchmark::State& state) {
    for (auto _ : state) {
        MainForm->Player1Click();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (!MainForm->PlayerWindow || MainForm->ClubCount != 28 || MainForm->BagCount != 2)
            state.SkipWithError("the player window did not load the record");
        if (MainForm->PlayerWindow) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(MainForm->PlayerWindow->parentWidget())) sub->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPlayerWindow)->Unit(benchmark::kMillisecond);

void SetDescription(const std::string& text) {
    TTable player(&MainForm->Database, "PlayerDetail");
    player.SetFilter("UserId=1");
    player.Open();
    player.Edit();
    player.FieldByName("UserDesc").SetAsString(text);
    player.Post();
}

// The same window for a player whose description is one unbroken megabyte.
void BM_OpenPlayerWindowWithAMegabyteMemo(benchmark::State& state) {
    SetDescription(std::string(1 << 20, 'M'));
    for (auto _ : state) {
        MainForm->Player1Click();
        QCoreApplication::processEvents();
        if (MainForm->PlayerWindow) MainForm->PlayerWindow->Editor->DescriptionMemo->repaint();
        state.PauseTiming();
        if (!MainForm->PlayerWindow ||
            MainForm->PlayerWindow->Editor->DescriptionMemo->toPlainText().size() != (1 << 20))
            state.SkipWithError("the player window did not show the memo");
        if (MainForm->PlayerWindow) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(MainForm->PlayerWindow->parentWidget())) sub->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    SetDescription("");
}
BENCHMARK(BM_OpenPlayerWindowWithAMegabyteMemo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    BenchHome home;
    if (!home.Ok()) return 1;
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Caddora");
    SetMessageResponder([](const MessageRequest&) { return IDOK; });
    FillDatabase();
    if (!CreateApplicationWindows()) return 1;
    // The first paint's work (player 1 is there, so no first-run dialog).
    for (int i = 0; i < 50 && !MainForm->FirstPaintDone(); ++i) QCoreApplication::processEvents();
    const int status = RunBenchmarks(&argc, argv);
    DestroyApplicationWindows();
    return status;
}
