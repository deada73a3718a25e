// Courses on a file of 10,000 courses of 18 holes: opening the course window
// of a 6-tee course with 500 course points (details, scorecard grid and point
// list), the course list's re-read with its Par column (names in several
// scripts' letters and cases, as the list sorts and filters them), and the
// list's name filter through the program's Like against SQLite's own.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"
#include <sqlite3.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <QMdiSubWindow>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "courses/Coursechild.h"
#include "common/Tablegrid.h"
#include "courses/Mcourse.h"
#include "db/Database.h"
#include "db/Jetfilter.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "shell/Mainform.h"

namespace {

constexpr int kCourses = 10000;
constexpr int kPoints = 500;
constexpr int kTarget = kCourses / 2;  // the course opened

// Fills a new data folder's database straight through SQLite.
void FillDatabase() {
    TDatabase db;
    db.SetDatabaseName(DataPath("kx.mdb"));
    db.Open();
    db.Execute("BEGIN");
    db.Execute("INSERT INTO PlayerDetail (UserId, FirstName) VALUES (1, 'Bench')");
    sqlite3* h = db.Handle();
    sqlite3_stmt *course = nullptr, *card = nullptr, *hole = nullptr, *point = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO Course_General (CourseId, Course_Name, U8_Name, \"18Holes\", Tees, "
                       "Country) VALUES (?, ?, 'U8', 1, 6, 'US')",
                       -1, &course, nullptr);
    sqlite3_prepare_v2(h,
                       "INSERT INTO ScoreCard (CourseId, CR1M, CR2M, CR3M, CR4M, CR5M, CR6M, CR1F, CR2F, "
                       "CR3F, CR4F, CR5F, CR6F, S1M, S2M, S3M, S4M, S5M, S6M, S1F, S2F, S3F, S4F, S5F, S6F, "
                       "Tee1Col, Tee2Col, Tee3Col, Tee4Col, Tee5Col, Tee6Col, HoleCol) VALUES (?, 72, 71, "
                       "70, 69, 68, 67, 74, 73, 72, 71, 70, 69, 130, 128, 125, 120, 115, 113, 135, 130, "
                       "128, 125, 120, 118, 16777215, 65535, 16744448, 255, 16711935, 33023, 65280)",
                       -1, &card, nullptr);
    sqlite3_prepare_v2(h,
                       "INSERT INTO Holes (CourseId, HoleNumber, HolePar, HoleLength1, HoleLength2, "
                       "HoleLength3, HoleLength4, HoleLength5, HoleLength6, HoleHCP1, HoleHCP2, HoleName) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &hole, nullptr);
    sqlite3_prepare_v2(h,
                       "INSERT INTO Waypoints (CourseId, HoleId, Name, Type, Tee, Latitude, Longitude, "
                       "Description) VALUES (?, ?, 'Pin', ?, 0, ?, ?, 'bench point')",
                       -1, &point, nullptr);
    for (int c = 1; c <= kCourses; ++c) {
        static const char* const kPrefix[] = {"Course", "Ådalen",         "ängby", "Örebro",
                                              "golf",   "Östra Ängen GK", "Zeta",  "Golfbanan Brännaslätt"};
        const std::string name = std::string(kPrefix[c % 8]) + " " + std::to_string(c);
        sqlite3_bind_int(course, 1, c);
        sqlite3_bind_text(course, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(course);
        sqlite3_reset(course);
        sqlite3_bind_int(card, 1, c);
        sqlite3_step(card);
        sqlite3_reset(card);
        for (int n = 1; n <= 18; ++n) {
            sqlite3_bind_int(hole, 1, c);
            sqlite3_bind_int(hole, 2, n);
            sqlite3_bind_int(hole, 3, 3 + n % 3);
            for (int t = 0; t < 6; ++t) sqlite3_bind_int(hole, 4 + t, 300 + 10 * n - 5 * t);
            sqlite3_bind_int(hole, 10, (n * 7) % 18 + 1);
            sqlite3_bind_int(hole, 11, n);
            const std::string holeName = "Hole " + std::to_string(n);
            sqlite3_bind_text(hole, 12, holeName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(hole);
            sqlite3_reset(hole);
        }
    }
    // The opened course's points hang on its holes (HoleId of course c, hole n
    // is (c - 1) * 18 + n).
    for (int p = 0; p < kPoints; ++p) {
        sqlite3_bind_int(point, 1, kTarget);
        sqlite3_bind_int(point, 2, (kTarget - 1) * 18 + p % 18 + 1);
        sqlite3_bind_int(point, 3, p % 7 + 1);
        sqlite3_bind_double(point, 4, 52.0 + p * 1e-5);
        sqlite3_bind_double(point, 5, -1.5 - p * 1e-5);
        sqlite3_step(point);
        sqlite3_reset(point);
    }
    for (sqlite3_stmt* s : {course, card, hole, point}) sqlite3_finalize(s);
    db.Execute("COMMIT");
    db.Close();
}

void BM_OpenCourseWindow(benchmark::State& state) {
    for (auto _ : state) {
        TCourseFrm* frm = OpenCourseWindow(MainForm, kTarget, 1);
        if (!frm || frm->GridRows() != 22) state.SkipWithError("the course window was not built");
        state.PauseTiming();
        delete frm->parentWidget();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenCourseWindow)->Unit(benchmark::kMillisecond);

void BM_CourseListReread(benchmark::State& state) {
    // Sorted as a Swedish desktop sorts, whatever LANG says.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    MainForm->Course1Click();
    TCourseForm* list = CourseForm;
    for (auto _ : state) {
        list->ReopenTable();
        if (list->TableCourseGeneral.RecordCount() != kCourses) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(list->TableCourseGeneral.FieldByName("Par").AsInteger());
    }
    delete list->parentWidget();
    QLocale::setDefault(before);
}
BENCHMARK(BM_CourseListReread)->Unit(benchmark::kMillisecond);

// The rows of one statement; the statement is left reset.
int Rows(sqlite3_stmt* s) {
    int rows = 0;
    while (sqlite3_step(s) == SQLITE_ROW) rows += sqlite3_column_bytes(s, 1) > 0;
    sqlite3_reset(s);
    return rows;
}

// The course list's filter as typed ("golf"), its condition as the table
// component translates it, on the program's connection (Like ignores the case
// of every letter) and on a plain one to the same file (SQLite's own like, A
// to Z only), timed in pairs of five interleaved runs each (PairedRatio).
// Both read every row: SQLite's own like would otherwise take a range of the
// name's index, which a like of the connection's own never gets. The
// program's Like may take at most 1.2 x as long.
void BM_CourseFilterLike(benchmark::State& state) {
    std::vector<TVariant> params;
    const std::string sql = "SELECT CourseId, Course_Name FROM Course_General NOT INDEXED WHERE " +
                            JetConditionToSql("Course_Name Like 'golf*'", nullptr, "Course_General", &params);
    sqlite3* plain = nullptr;
    sqlite3_open_v2(DataPath("kx.mdb").c_str(), &plain, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt[2] = {nullptr, nullptr};
    sqlite3* connection[2] = {plain, MainForm->Database.Handle()};
    for (int i = 0; i < 2; ++i) {
        sqlite3_prepare_v2(connection[i], sql.c_str(), -1, &stmt[i], nullptr);
        sqlite3_bind_text(stmt[i], 1, params.at(0).AsString().c_str(), -1, SQLITE_TRANSIENT);
    }
    int rows[2] = {0, 0};
    PairedRatio ratio;
    for (auto _ : state) {
        ratio.Time([&] { rows[0] = Rows(stmt[0]); }, [&] { rows[1] = Rows(stmt[1]); }, 5);
        if (rows[0] != kCourses / 4 || rows[1] != rows[0]) state.SkipWithError("the two likes found different rows");
    }
    for (sqlite3_stmt* s : stmt) sqlite3_finalize(s);
    sqlite3_close(plain);
    state.counters["sqlite_ms"] = ratio.BaseMs();
    state.counters["program_ms"] = ratio.OtherMs();
    AtMost(state, "time_ratio", ratio.Ratio(), 1.2, "the program's Like against SQLite's");
}
BENCHMARK(BM_CourseFilterLike)->Unit(benchmark::kMillisecond)->Iterations(101);

} // namespace

int main(int argc, char** argv) {
    BenchHome home;
    if (!home.Ok()) return 1;
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    UseFullRowStyle();  // as the program does
    SetMessageResponder([](const MessageRequest&) { return IDOK; });
    FillDatabase();
    if (!CreateApplicationWindows()) return 1;
    const int status = RunBenchmarks(&argc, argv);
    DestroyApplicationWindows();
    return status;
}
