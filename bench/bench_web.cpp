// The web exchange against the web-service double on 127.0.0.1:
// - ten rounds of 1,000 shots from "Next >" on the rounds page (the copy into
//   the send page) to the last write-back of the upload;
// - three courses of 18 holes and 30 points each downloaded and imported into
//   a database of 10,000 courses and 1,000,000 points;
// - the rounds page's list of 10,000 rounds.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"
#include <sqlite3.h>

#include <QApplication>
#include <QTreeWidget>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "db/Table.h"
#include "platform/Messagebox.h"
#include "platform/Registry.h"
#include "sim/Webdouble.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"
#include "transfer/Webexchange.h"
#include "transfer/Webquery.h"
#include "transfer/Webrounds.h"
#include "transfer/Webupload.h"

namespace {

std::string NewHome() {
    char tmpl[] = "/tmp/caddora-bench-web-XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    setenv("CADDORA_HOME", folder.c_str(), 1);
    return folder;
}

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(TDatabase& db, const char* sql) { sqlite3_prepare_v2(db.Handle(), sql, -1, &s, nullptr); }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt& Int(int i, long long v) {
        sqlite3_bind_int64(s, i, v);
        return *this;
    }
    Stmt& Dbl(int i, double v) {
        sqlite3_bind_double(s, i, v);
        return *this;
    }
    Stmt& Txt(int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.c_str(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    void Run() {
        sqlite3_step(s);
        sqlite3_reset(s);
    }
};

void BM_RoundsUpload(benchmark::State& state) {
    NewHome();
    TDatabase db;
    db.SetDatabaseName(std::string(getenv("CADDORA_HOME")) + "/kx.mdb");
    db.Open();
    webdouble::WebDouble web;
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address", web.Address());
    SetMessageResponder([](const MessageRequest&) { return IDOK; });
    db.Execute("BEGIN");
    db.Execute("INSERT INTO PlayerDetail (UserId, HCP) VALUES (1, 12.4)");
    db.Execute("INSERT INTO Course_General (Course_Name, U8_Name, Tees, Web_Id) VALUES ('Links', "
               "'Links', 1, 345)");
    const long long course = sqlite3_last_insert_rowid(db.Handle());
    Stmt round(db, "INSERT INTO Round (UserId, CourseId, BagId, RoundStartDate, RoundEndDate, "
                   "RoundTitle, Score) VALUES (1, ?, 1, '2003-07-05 09:00:00', "
                   "'2003-07-05 13:00:00', ?, 88)");
    Stmt hole(db, "INSERT INTO RoundHoles (RoundId, HoleId, HoleShotsTotal, HolePar, GIR, FIR, "
                  "HoleShotsPutter, BunkerHits) VALUES (?, ?, 5, 4, 1, 1, 2, 0)");
    Stmt shot(db, "INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, PenId, Latitude, "
                  "Longitude, ShotLength) VALUES (?, ?, ?, 99, 0, ?, ?, 150)");
    std::vector<int> ids;
    for (int r = 0; r < 10; ++r) {
        round.Int(1, course).Txt(2, "Round " + std::to_string(r)).Run();
        const long long id = sqlite3_last_insert_rowid(db.Handle());
        ids.push_back(static_cast<int>(id));
        for (int h = 1; h <= 18; ++h) hole.Int(1, id).Int(2, h).Run();
        for (int k = 0; k < 1000; ++k)
            shot.Int(1, id).Int(2, 1 + k / 56).Int(3, k + 1).Dbl(4, 59.3 + k * 1e-5)
                .Dbl(5, 18.1 + k * 1e-5).Run();
    }
    db.Execute("COMMIT");
    TTransferBuffers page;
    TWebExchange http;
    for (auto _ : state) {
        std::string name;
        for (int i = 0; i < 10; ++i) FillRound(db, ids[size_t(i)], 1, page.Rounds[size_t(i)], name);
        TWebUpload upload(db, http, 1, "1.0.0.1");
        upload.Run(page, 2, 10);
    }
    if (web.Rounds().size() != 10) state.SkipWithError("the rounds did not arrive");
    SetMessageResponder({});
    db.Close();
    std::filesystem::remove_all(getenv("CADDORA_HOME"));
}
BENCHMARK(BM_RoundsUpload)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DownloadIntoLargeDatabase(benchmark::State& state) {
    NewHome();
    TDatabase db;
    db.SetDatabaseName(std::string(getenv("CADDORA_HOME")) + "/kx.mdb");
    db.Open();
    db.Execute("BEGIN");
    {
        Stmt course(db, "INSERT INTO Course_General (Course_Name, U8_Name, Tees, Web_Id) VALUES "
                        "(?, 'c', 1, ?)");
        Stmt hole(db, "INSERT INTO Holes (CourseId, HoleNumber, HolePar, HoleHCP1) VALUES (?, ?, 4, 1)");
        Stmt point(db, "INSERT INTO Waypoints (CourseId, HoleId, Type, Latitude, Longitude, "
                       "PointWebId) VALUES (?, ?, 5, 59.3, 18.1, ?)");
        long long pointWebId = 1;
        for (int c = 1; c <= 10000; ++c) {
            course.Txt(1, "Course " + std::to_string(c)).Int(2, 100000 + c).Run();
            const long long id = sqlite3_last_insert_rowid(db.Handle());
            // Three holes of 34, 33 and 33 points: 1,000,000 points in all.
            for (int h = 1; h <= 3; ++h) {
                hole.Int(1, id).Int(2, h).Run();
                const long long holeId = sqlite3_last_insert_rowid(db.Handle());
                for (int p = 0; p < (h == 1 ? 34 : 33); ++p)
                    point.Int(1, id).Int(2, holeId).Int(3, pointWebId++).Run();
            }
        }
    }
    db.Execute("COMMIT");
    webdouble::WebDouble web;
    web.SetIdStarts(1, 5000000, 1, 1, 1);
    for (int i = 0; i < 3; ++i)
        web.AddCourse(webdouble::WebDouble::SampleCourse("Web " + std::to_string(i), 18, 30));
    TWebExchange http;
    const std::string request = CoursesQuery("u", "p", {1, 2, 3});
    for (auto _ : state) {
        const std::string reply = http.Post(ServiceUrl(web.Address()), request);
        TWebCourseImport(db).Import(reply);
    }
    TTable check(&db, "Waypoints");
    check.SetFilter("PointWebId>=5000000");
    check.Open();
    if (check.RecordCount() != 3 * 18 * 30) state.SkipWithError("the points did not arrive");
    check.Close();
    db.Close();
    std::filesystem::remove_all(getenv("CADDORA_HOME"));
}
BENCHMARK(BM_DownloadIntoLargeDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RoundsList(benchmark::State& state) {
    NewHome();
    TDatabase db;
    db.SetDatabaseName(std::string(getenv("CADDORA_HOME")) + "/kx.mdb");
    db.Open();
    db.Execute("BEGIN");
    {
        Stmt course(db, "INSERT INTO Course_General (Course_Name, U8_Name, Tees) VALUES (?, 'c', 1)");
        for (int c = 1; c <= 100; ++c) course.Txt(1, "Course " + std::to_string(c)).Run();
        Stmt round(db, "INSERT INTO Round (UserId, CourseId, RoundStartDate, RoundTitle, Score) "
                       "VALUES (1, ?, ?, ?, ?)");
        for (int r = 0; r < 10000; ++r) {
            char date[32];
            std::snprintf(date, sizeof date, "20%02d-%02d-%02d 10:00:00", r % 20, 1 + r % 12,
                          1 + r % 28);
            round.Int(1, 1 + r % 100).Txt(2, date).Txt(3, "Round " + std::to_string(r))
                .Int(4, 70 + r % 30).Run();
        }
    }
    db.Execute("COMMIT");
    QTreeWidget list;
    for (auto _ : state) {
        list.clear();
        AddRoundListItems(&list, RoundListRows(db, 1));
    }
    if (list.topLevelItemCount() != 10000) state.SkipWithError("the list is not whole");
    db.Close();
    std::filesystem::remove_all(getenv("CADDORA_HOME"));
}
BENCHMARK(BM_RoundsList)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RunBenchmarks(&argc, argv);
}
