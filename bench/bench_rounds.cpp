// The rounds windows on a full data file: 10,000 rounds of player 1, a course
// of 18 holes and 2 tees, and one round of 1,000 shots. Opening that round
// (to its window state normal), re-reading the list, showing a hole of 37
// shots, storing a shot in the big round and deleting it. All with the
// program's style; the list's re-read also against the platform's own style.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"
#include "Heappeak.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Tablegrid.h"

#include "db/Table.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "rounds/Editround.h"
#include "rounds/Round.h"
#include "rounds/Rounds.h"
#include "rounds/Shotedit.h"
#include "shell/Mainform.h"

namespace {

TDatabase* Db() { return &MainForm->Database; }

void Flush() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

long long CourseId = 0;
long long BigRound = 0;
long long ManyShotsRound = 0;
TRoundsForm* List = nullptr;
// The platform's own style, which the program's wraps.
QString PlainStyle;

void UseProgramStyle(bool program) {
    if (program)
        UseFullRowStyle();
    else
        QApplication::setStyle(QStyleFactory::create(PlainStyle));
    Flush();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Append(TTable& t, std::initializer_list<std::pair<const char*, TVariant>> values) {
    t.Append();
    for (const auto& [name, value] : values) t.FieldByName(name).SetValue(value);
    t.Post();
}

// A round with its 18 holes and `shots` shots spread over them.
long long AddRound(const std::string& date, int shots, int onlyHole = 0) {
    TTransaction tx(*Db());
    TTable round(Db(), "Round");
    round.SetFilter("RoundId = 0");
    round.Open();
    Append(round, {{"UserId", 1}, {"CourseId", CourseId}, {"BagId", 1}, {"TeeNumber", 1},
                   {"RoundHCP", 18.0}, {"Score", 90}, {"RoundStartDate", date}, {"RoundTitle", "Big"}});
    const long long id = round.FieldByName("RoundId").AsInteger();
    TTable holes(Db(), "RoundHoles");
    holes.SetFilter("RoundId = 0");
    holes.Open();
    TTable shotTable(Db(), "RoundShots");
    shotTable.SetFilter("RoundId = 0");
    shotTable.Open();
    for (int h = 1; h <= 18; ++h) {
        const int onHole = onlyHole ? (h == onlyHole ? shots : 0) : shots / 18 + (h <= shots % 18 ? 1 : 0);
        Append(holes, {{"RoundId", id}, {"HoleId", h}, {"HoleShotsTotal", onHole}, {"HolePar", 4},
                       {"HoleShotsPutter", 2}, {"FIR", true}, {"GIR", h % 2 == 0}});
        for (int s = 1; s <= onHole; ++s)
            Append(shotTable, {{"RoundId", id}, {"HoleId", h}, {"ShotNumber", s}, {"ClubId", 1 + s % 3},
                               {"PenId", 0}, {"Latitude", 60.1 + s * 1e-4}, {"Longitude", 24.9},
                               {"ShotLength", 120}});
    }
    tx.Commit();
    return id;
}

void Populate() {
    TTransaction tx(*Db());
    TTable player(Db(), "PlayerDetail");
    player.Open();
    player.First();
    player.Edit();
    player.FieldByName("FirstName").SetAsString("First");
    player.FieldByName("LastName").SetAsString("Last");
    player.FieldByName("Sex").SetAsBoolean(true);
    player.Post();
    TTable clubs(Db(), "ClubDetail");
    clubs.Open();
    for (const char* name : {"Driver", "Iron 7", "Putter"})
        Append(clubs, {{"UserId", 1}, {"ClubName", name}, {"Type", std::string(name) == "Putter" ? 9 : 1}});
    TTable course(Db(), "Course_General");
    course.Open();
    Append(course, {{"Course_Name", "Alpha"}, {"U8_Name", "ALPHA"}, {"18Holes", true}, {"Tees", 2}});
    CourseId = course.FieldByName("CourseId").AsInteger();
    TTable card(Db(), "ScoreCard");
    card.Open();
    Append(card, {{"CourseId", CourseId}, {"CR1M", 72.0}, {"S1M", 113}, {"CR2M", 70.0}, {"S2M", 120},
                  {"Tee1Col", 0x0000FF}, {"Tee2Col", 0xFF0000}, {"Tee1Name", "Red"}, {"Tee2Name", "Blue"}});
    TTable holes(Db(), "Holes");
    holes.Open();
    TTable points(Db(), "Waypoints");
    points.Open();
    for (int h = 1; h <= 18; ++h) {
        Append(holes, {{"CourseId", CourseId}, {"HoleNumber", h}, {"HolePar", 4}, {"HoleLength1", 350},
                       {"HoleLength2", 330}, {"HoleHCP1", h}});
        const long long hole = holes.FieldByName("HoleId").AsInteger();
        Append(points, {{"CourseId", CourseId}, {"HoleId", hole}, {"Name", "Tee"}, {"Type", 1}, {"Tee", 1},
                        {"Latitude", 60.1}, {"Longitude", 24.9}});
        Append(points, {{"CourseId", CourseId}, {"HoleId", hole}, {"Name", "Pin"}, {"Type", 2},
                        {"Latitude", 60.104}, {"Longitude", 24.9}});
    }
    TTable rounds(Db(), "Round");
    rounds.SetFilter("RoundId = 0");
    rounds.Open();
    for (int i = 0; i < 9998; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "20%02d-%02d-%02d 10:00:00", i % 25, 1 + i % 12, 1 + i % 28);
        Append(rounds, {{"UserId", 1}, {"CourseId", i % 7 == 0 ? 999 : CourseId}, {"TeeNumber", 1},
                        {"Score", 80 + i % 20}, {"RoundStartDate", date}, {"RoundTitle", "Round"}});
    }
    tx.Commit();
    BigRound = AddRound("2026-05-01 10:00:00", 1000);
    ManyShotsRound = AddRound("2026-05-02 10:00:00", 37, 1);
}

void SelectRound(long long id) {
    for (int r = 0; r < List->RoundTable.RecordCount(); ++r)
        if (List->RoundTable.CellValue(r, List->RoundTable.FieldIndex("RoundId")).AsInteger() == id) {
            List->SelectRow(r);
            return;
        }
}

TRoundFrm* OpenRound(long long id) {
    SelectRound(id);
    List->Viewround1Click();
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* f = dynamic_cast<TRoundFrm*>(w); f && f->Tag == id) return f;
    return nullptr;
}

void CloseRound(TRoundFrm* frm) {
    if (!frm) return;
    frm->OKBtnClick();
    Flush();
}

} // namespace

static void BM_ViewRoundToStateNormal(benchmark::State& state) {
    for (auto _ : state) {
        TRoundFrm* frm = OpenRound(BigRound);
        state.PauseTiming();
        if (!frm || frm->IsMinimized()) state.SkipWithError("the round window was not built");
        CloseRound(frm);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ViewRoundToStateNormal)->Unit(benchmark::kMillisecond)->Iterations(20);

// Also the heap a re-read holds at its peak above what the list held before
// it (Heappeak.h), against what its rows alone hold: a re-read that kept the
// old rows while it read the new ones would take as much again.
static void BM_ListRereadAt10000Rounds(benchmark::State& state) {
    std::vector<double> above;
    for (auto _ : state) {
        const long long before = HeapPeak::Held();
        HeapPeak::Restart();
        List->ReopenTable();
        above.push_back(double(HeapPeak::Peak() - before));
        benchmark::DoNotOptimize(List->RoundTable.RecordCount());
    }
    state.counters["rounds"] = List->RoundTable.RecordCount();
    if (!HeapPeak::Counting()) return;
    const long long held = HeapPeak::Held();
    List->RoundTable.Close();
    const double rows = double(held - HeapPeak::Held());
    List->ReopenTable();
    state.counters["rows_MB"] = rows / 1e6;
    state.counters["peak_above_MB"] = Median(above) / 1e6;
    if (Median(above) > rows / 2) state.SkipWithError("the re-read holds the old rows and the new ones together");
}
BENCHMARK(BM_ListRereadAt10000Rounds)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same re-read with the program's style and with the platform's own,
// in pairs taken in turns (PairedRatio) so that a drift of the machine falls
// on both of a pair alike. Time: the median of the pairs' ratios, each side
// of a pair its least of two re-reads in turns, each re-read after one that
// is not timed: the first re-read after a change of style pays for the new
// style's caches, which a program that keeps its style never pays. Memory:
// the median of the heap's peak during a re-read above what was held before
// it, every allocation of the program counted (Heappeak.h); the process's
// peak resident size only grows, so it cannot tell two variants run in one
// process apart. Over 1.05 x in either is an error.
static void BM_ListRereadStyleCost(benchmark::State& state) {
    std::vector<double> bytes[2];
    PairedRatio time;
    for (auto _ : state) {
        double ms[2] = {0, 0};
        for (int run = 0; run < 2; ++run)
            for (const bool program : {time.BaseFirst() == (run == 1), time.BaseFirst() == (run == 0)}) {
                state.PauseTiming();
                UseProgramStyle(program);
                List->ReopenTable();
                state.ResumeTiming();
                const long long before = HeapPeak::Held();
                HeapPeak::Restart();
                const double took = Milliseconds([] { List->ReopenTable(); });
                ms[program] = run == 0 ? took : std::min(ms[program], took);
                bytes[program].push_back(double(HeapPeak::Peak() - before));
            }
        time.Add(ms[0], ms[1]);
    }
    UseProgramStyle(true);
    state.counters["plain_ms"] = time.BaseMs();
    state.counters["styled_ms"] = time.OtherMs();
    AtMost(state, "time_ratio", time.Ratio(), 1.05, "the re-read with the program's style");
    if (!HeapPeak::Counting()) return;
    state.counters["plain_peak_MB"] = Median(bytes[0]) / 1e6;
    state.counters["styled_peak_MB"] = Median(bytes[1]) / 1e6;
    AtMost(state, "memory_ratio", Median(bytes[1]) / Median(bytes[0]), 1.05,
           "the re-read's peak heap with the program's style");
}
BENCHMARK(BM_ListRereadStyleCost)->Unit(benchmark::kMillisecond)->Iterations(30);

static void BM_ShowHoleWith37Shots(benchmark::State& state) {
    TRoundFrm* frm = OpenRound(ManyShotsRound);
    if (!frm) {
        state.SkipWithError("the round window was not built");
        return;
    }
    for (auto _ : state) frm->ShowHole(1);
    state.counters["rows"] = frm->ShotRowCount;
    CloseRound(frm);
}
BENCHMARK(BM_ShowHoleWith37Shots)->Unit(benchmark::kMillisecond)->Iterations(50);

// Adding a shot at place 3 of hole 1 of the 1,000-shot round: store,
// renumbering and validation. The added shot is removed between runs.
static void BM_ShotStoreInRoundOf1000Shots(benchmark::State& state) {
    TShotEditForm* editor = ShotEditForm;
    for (auto _ : state) {
        state.PauseTiming();
        TTable& shots = editor->RoundShotsTable;
        shots.Close();
        shots.SetFilter("RoundId = " + std::to_string(BigRound));
        shots.Open();
        for (int h = 1; h <= 18; ++h) editor->HoleShotCount[h] = 60;
        editor->HoleComboBox->clear();
        for (int h = 1; h <= 18; ++h) editor->HoleComboBox->addItem(QString::number(h));
        editor->HoleComboBox->setCurrentIndex(0);
        editor->HoleComboBoxChange();
        editor->ShotComboBox->setCurrentIndex(2);
        editor->ClubComboBox->clear();
        editor->ClubComboBox->addItem("Unknown", 0);
        editor->LengthEdit->setText("100");
        shots.Append();
        shots.FieldByName("RoundId").SetAsInteger(BigRound);
        shots.FieldByName("Description").SetAsString("bench");
        state.ResumeTiming();
        if (!editor->StoreShot()) state.SkipWithError("the shot was not stored");
        state.PauseTiming();
        TTable added(Db(), "RoundShots");
        added.SetFilter("RoundId = " + std::to_string(BigRound) + " and Description = 'bench'");
        added.Open();
        while (!added.IsEmpty()) added.Delete();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShotStoreInRoundOf1000Shots)->Unit(benchmark::kMillisecond)->Iterations(20);

static void BM_DeleteRoundOf1000Shots(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const long long id = AddRound("2026-05-03 10:00:00", 1000);
        List->ReopenTable();
        SelectRound(id);
        state.ResumeTiming();
        List->DeleteroundClick();
        state.PauseTiming();
        TTable left(Db(), "RoundShots");
        left.SetFilter("RoundId = " + std::to_string(id));
        left.Open();
        if (!left.IsEmpty()) state.SkipWithError("shots were left");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteRoundOf1000Shots)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    OffscreenWithoutDisplay();
    BenchHome home;
    if (!home.Ok()) return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Caddora");
    PlainStyle = QApplication::style()->name();
    UseFullRowStyle();  // as the program does
    std::setlocale(LC_NUMERIC, "C");
    SetMessageResponder([](const MessageRequest&) { return IDYES; });
    {
        // Player 1 exists before the start, so no new-player dialog opens.
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        TTable player(&db, "PlayerDetail");
        player.Open();
        Append(player, {{"UserId", 1}, {"FirstName", "First"}});
    }
    if (!CreateApplicationWindows()) return 1;
    QElapsedTimer wait;
    wait.start();
    while (!MainForm->FirstPaintDone() && wait.elapsed() < 5000) QCoreApplication::processEvents();
    Populate();
    MainForm->Rounds1Click();
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* l = dynamic_cast<TRoundsForm*>(w)) List = l;
    if (!List) return 1;

    const int status = RunBenchmarks(&argc, argv);
    DestroyApplicationWindows();
    return status;
}
