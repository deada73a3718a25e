// The device side of the transfer wizard against the simulated U8 on a pty
// (wire timing off, device already found: the connect and close delays are
// not part of the figures):
// - storing one game of 100 shots (about 350 exchanges), budget 150 ms;
// - uploading an 18-hole course with 9 points per hole (about 190 exchanges),
//   budget 100 ms;
// - the snapshot a device import reads of the database once per run (the
//   courses, read once for the course and the round import of "All
//   Rounds", the player's rounds and bags) with 10,000 rounds and 1,000
//   courses stored, budget 10 ms;
// - the database part of one game after it (its course, the rows of 18
//   holes and 100 shots, the validation) with 0 and 10,000 rounds and
//   1,000 courses stored, budget 5 ms.
//
// At wire speed (115200 baud), from the device search to the last exchange,
// what the memory manager, a course upload and "All Rounds" cost. Counters
// per run: exchanges (requests the device got), bytes sent to it, point
// deletions, commits and memory writes.
// - opening the memory manager on a device with one 162-point course and two
//   free slots: at most 40 exchanges, no deletion, commit or write;
// - removing one round there, with the listing after it: at most 45 exchanges;
// - a 54-point course uploaded into a free slot while the point list is full
//   (more than 50 ids): at most 120 exchanges, and the slot's block holds
//   exactly the course's points (repeats 0: the device pages its point list;
//   1: it answers every position with the first ids, and the upload sweeps
//   the slot's whole block);
// - "All Rounds" on the full sample device (three courses, two rounds): the
//   same 799 exchanges and 45,855 bytes as before the memory manager and the
//   upload changed (neither import reads the point list differently).
// A run over its exchange limit ends with an error.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Dbrows.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "devicetools/Memoryrules.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Messagebox.h"
#include "common/Calculations.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "transfer/Transw1.h"
#include "transfer/Transw31.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"

namespace {

constexpr int kPort = 3;

// Shots per hole: ten holes of 6 and eight of 5, 100 in all.
int ShotsOnHole(int h) { return h < 10 ? 6 : 5; }

void PutGame(u8sim::U8SimDevice& dev) {
    const int area = u8::GameAreaAddress;
    std::vector<uint8_t> h(30, 0);
    h[0] = 72;
    h[1] = 100;
    h[8] = 0xFF;
    h[9] = 0xFF;
    h[10] = 24;
    h[11] = 6;
    h[12] = 2;
    h[13] = 8;
    h[14] = 5;
    std::memcpy(&h[15], "Bench", 5);
    h[26] = 1;
    dev.Write(area, h);
    int shotAt = area + 30 + 18 * 17;
    uint16_t position = 1000;
    for (int hole = 0; hole < 18; ++hole) {
        const int n = ShotsOnHole(hole);
        const uint16_t start = uint16_t(3000 + hole);
        dev.PutPosition(start, 600000000 + hole * 7000, 250000000);
        std::vector<uint8_t> r(17, 0);
        r[0] = 4;
        r[1] = uint8_t(n);
        r[2] = 2;
        r[8] = uint8_t(shotAt);
        r[9] = uint8_t(shotAt >> 8);
        r[10] = uint8_t(start);
        r[11] = uint8_t(start >> 8);
        r[12] = uint8_t(n);
        dev.Write(area + 30 + 17 * hole, r);
        for (int p = 0; p < n; ++p) {
            const uint16_t id = position++;
            dev.PutPosition(id, 600000000 + hole * 7000 + (p + 1) * 900, 250000000 + (p + 1) * 400);
            std::vector<uint8_t> b(14, 0);
            b[0] = uint8_t(p + 1);
            b[5] = uint8_t(104 + p);
            b[12] = uint8_t(id);
            b[13] = uint8_t(id >> 8);
            dev.Write(shotAt, b);
            shotAt += 14;
        }
    }
}

constexpr int kSlotZeroCourse = 501;

// The device of the figures: slot 0 holds an 18-hole course with its whole
// block of 162 points (9 a hole), slots 1 and 2 are free and their blocks
// empty; game area 1 holds a round.
void LoadOneCourse(u8sim::U8SimDevice& dev) {
    dev.LoadEmpty();
    std::vector<uint8_t> entry(u8::CourseEntrySize, 0);
    entry[0] = uint8_t(kSlotZeroCourse);
    entry[1] = uint8_t(kSlotZeroCourse >> 8);
    std::memcpy(&entry[2], "Bench", 5);
    entry[13] = 18;
    entry[14] = 72;
    for (int h = 0; h < 18; ++h) {
        uint8_t* e = &entry[size_t(15 + 8 * h)];
        e[0] = uint8_t(300 + h);
        e[1] = uint8_t((300 + h) >> 8);
        e[2] = 5;
        e[3] = 4;
        e[4] = e[5] = 2;
        e[6] = 1;
        e[7] = 0x0F;
    }
    dev.Write(u8::CourseDirAddress, entry);
    const char* names[9] = {"Tee", "PIN", "GREEN", "LAYUP", "WATER", "WATER", "BUNKER", "BUNKER", "ROUGH"};
    for (int id = u8::FirstCoursePointId(0); id <= u8::LastCoursePointId(0); ++id)
        dev.PutPoint(uint16_t(id), names[(id - 1) % 9], 600000000 + id * 100, 250000000 + id * 100);
    std::vector<uint8_t> game(u8::GameHeaderSize, 0);
    game[0] = 72;
    game[1] = 88;
    game[8] = uint8_t(kSlotZeroCourse);
    game[9] = uint8_t(kSlotZeroCourse >> 8);
    game[10] = 24;
    game[11] = 5;
    game[12] = 17;
    std::memcpy(&game[15], "Bench", 5);
    dev.Write(u8::GameAreaAddress, game);
}

// The simulator on port 3 (at the given wire speed, else without wire
// timing), a fresh database, the device found.
struct Bench {
    u8sim::SimulatedU8 sim;
    TDatabase db;
    TSerialPort port;
    std::unique_ptr<TU8Device> device;
    bool ok = false;

    explicit Bench(const std::string& dbName, int wireBaud = 0) {
        if (!sim.Start()) return;
        if (wireBaud > 0) sim.Line().SetWireBaud(wireBaud);
        UseSimPort(sim, kPort);
        std::remove(DataPath(dbName).c_str());
        db.SetDatabaseName(DataPath(dbName));
        db.Open();
        port.ShowErrors = false;
        device = std::make_unique<TU8Device>(&port);
        ok = device->CheckDevice() == kPort;
    }
    ~Bench() {
        port.ClosePort();
        db.Close();
    }
};

void BM_StoreGame100Shots(benchmark::State& state) {
    Bench b("bench_game.mdb");
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    PutGame(b.sim.Device());
    GameHeader header;
    b.device->ReadGameHeader(1, &header);
    size_t requests = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.db.Execute("DELETE FROM RoundShots; DELETE FROM RoundHoles; DELETE FROM Round;");
        b.sim.Line().ClearRequests();
        state.ResumeTiming();
        TRoundImport import(*b.device, b.db, 1);
        const std::vector<TGameReport> reports = import.Run(&header, {0});
        if (reports.size() != 1 || reports[0].Outcome != TGameReport::Stored) {
            state.SkipWithError("store failed");
            return;
        }
        requests += b.sim.Line().RequestCount();
    }
    state.counters["exchanges"] = double(requests) / double(state.iterations());
}

void BM_UploadCourse18x9(benchmark::State& state) {
    Bench b("bench_course.mdb");
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    const int course = AppendRow(b.db, "Course_General", {{"Course_Name", "Bench Links"}, {"U8_Name", ""},
                                                 {"18Holes", true}, {"Tees", 1}});
    const int types[9] = {1, 2, 3, 4, 5, 6, 7, 5, 6};
    for (int h = 1; h <= 18; ++h) {
        const int hole = AppendRow(b.db, "Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                          {"HoleLength1", 300 + h}, {"HoleHCP1", h}});
        for (int k = 0; k < 9; ++k)
            AppendRow(b.db, "Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", types[k]}, {"Tee", 1},
                                 {"Latitude", 60.0 + h * 0.001 + k * 0.0001}, {"Longitude", -24.5 - k * 0.0001},
                                 {"Name", "Point " + std::to_string(k)}});
    }
    std::vector<TTransWiz4::CourseHeader> courses(3);
    std::vector<TTransWiz4::TBag> bags(2);
    size_t requests = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillCourse(b.db, course, "Bench Links", courses[0]);
        b.sim.Line().ClearRequests();
        state.ResumeTiming();
        TDeviceUpload upload(*b.device, b.db);
        if (upload.SendConnected(0, courses, 1, bags, 0, 0) != 1) {
            state.SkipWithError("upload failed");
            return;
        }
        requests += b.sim.Line().RequestCount();
    }
    state.counters["exchanges"] = double(requests) / double(state.iterations());
}

// rounds stored rounds of players 1 to 3 and courses stored courses.
void StoreRoundsAndCourses(TDatabase& db, int rounds, int courses) {
    if (rounds > 0)
        db.Execute("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
                   std::to_string(rounds) +
                   ") INSERT INTO Round (UserId, CourseId, BagId, Score, StrokePlay, RoundStartDate) "
                   "SELECT 1 + x % 3, 5, 1, 70 + x % 30, 1, datetime('2010-01-01', '+' || x || ' hours') FROM c;");
    if (courses > 0)
        db.Execute("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
                   std::to_string(courses) +
                   ") INSERT INTO Course_General (Course_Name, U8_Name, [18Holes], Tees, Description) "
                   "SELECT 'Course ' || x, 'C' || x, 1, 2, 'A course of eighteen holes by the sea' FROM c;");
}

constexpr int kCourses = 1000;

void BM_ImportSnapshot(benchmark::State& state) {
    Bench b("bench_snapshot.mdb");
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    StoreRoundsAndCourses(b.db, int(state.range(0)), kCourses);
    size_t known = 0;
    for (auto _ : state) {
        // As "All Rounds" reads it: the courses once, for both imports.
        TCourseImport courses(*b.device, b.db, 1);
        TRoundImport rounds(*b.device, b.db, 1);
        courses.ReadDatabase();
        rounds.ReadDatabase(courses.Before);
        known = rounds.Before.size();
    }
    if (known != size_t(kCourses)) state.SkipWithError("courses not read");
}

void BM_GameDatabasePart(benchmark::State& state) {
    Bench b("bench_rounds.mdb");
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    StoreRoundsAndCourses(b.db, int(state.range(0)), kCourses);
    std::vector<TRoundImport::Hole> holes(18);
    for (int h = 0; h < 18; ++h) {
        holes[size_t(h)].number = h + 1;
        holes[size_t(h)].record.Shots = uint8_t(ShotsOnHole(h));
        holes[size_t(h)].record.Byte0 = 4;
        for (int p = 0; p < ShotsOnHole(h); ++p)
            holes[size_t(h)].shots.push_back({104 + p, p + 1, 0, 0, 60.0 + h * 0.001, 25.0 + p * 0.0001, 120});
    }
    TRoundImport import(*b.device, b.db, 1);
    // The snapshot is read once per import, before its games.
    import.ReadDatabase();
    GameHeader header{};
    header.Score = 100;
    header.CourseId = 500;
    std::memcpy(header.CourseName, "Course 500", 10);
    int n = 0;
    double tc = 0, tw = 0, tv = 0;
    for (auto _ : state) {
        ++n;
        const TDateTime start = EncodeDateTime(2030, 1, 1) + n / 1440.0;
        auto t0 = std::chrono::steady_clock::now();
        const int courseId = GameCourse(header, nullptr, {}, import.Before);
        auto t1 = std::chrono::steady_clock::now();
        const int roundId = import.WriteGame(header, start, start + 0.1, courseId, holes);
        auto t2 = std::chrono::steady_clock::now();
        import.Validate(roundId);
        auto t3 = std::chrono::steady_clock::now();
        tc += std::chrono::duration<double, std::milli>(t1 - t0).count();
        tw += std::chrono::duration<double, std::milli>(t2 - t1).count();
        tv += std::chrono::duration<double, std::milli>(t3 - t2).count();
    }
    state.counters["course_ms"] = tc / n;
    state.counters["write_ms"] = tw / n;
    state.counters["validate_ms"] = tv / n;
}

// What one run sent the device, summed over the runs.
struct WireCount {
    double exchanges = 0, bytes = 0, deletions = 0, commits = 0, writes = 0;
    int commitsBefore = 0;

    void Start(u8sim::SimulatedU8& sim) {
        sim.Line().ClearRequests();
        sim.Line().ClearReceived();
        sim.Device().ClearLogs();
        commitsBefore = sim.Device().Commits();
    }
    void Stop(u8sim::SimulatedU8& sim) {
        exchanges += double(sim.Line().RequestCount());
        bytes += double(sim.Line().ReceivedCount());
        for (const auto& r : sim.Device().Requests()) deletions += r.command == u8::CmdDeletePoint;
        for (const auto& a : sim.Device().MemoryLog()) writes += a.write;
        commits += sim.Device().Commits() - commitsBefore;
    }
    void Report(benchmark::State& state, double limit = 0) const {
        const double n = double(state.iterations());
        if (limit > 0 && exchanges / n > limit) state.SkipWithError("over the exchange limit");
        state.counters["exchanges"] = exchanges / n;
        state.counters["bytes"] = bytes / n;
        state.counters["deletions"] = deletions / n;
        state.counters["commits"] = commits / n;
        state.counters["writes"] = writes / n;
    }
};

// As the memory manager opens: the device found, its lists read.
bool ListedAsOpened(Bench& b, TMemoryManager& manager, MemoryLists& lists) {
    return b.device->CheckDevice() == kPort && manager.ListDeviceContents(lists).empty();
}

void BM_MemoryManagerOpening(benchmark::State& state) {
    Bench b("bench_memory_open.mdb", 115200);
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    LoadOneCourse(b.sim.Device());
    WireCount count;
    for (auto _ : state) {
        count.Start(b.sim);
        TMemoryManager manager(b.port, *b.device);
        MemoryLists lists;
        if (!ListedAsOpened(b, manager, lists) || lists.Courses.size() != 1 || lists.Rounds.size() != 1) {
            state.SkipWithError("listing failed");
            return;
        }
        count.Stop(b.sim);
    }
    if (count.deletions + count.commits + count.writes > 0) state.SkipWithError("the opening wrote to the device");
    count.Report(state, 40);
}

void BM_MemoryManagerRemovesARound(benchmark::State& state) {
    Bench b("bench_memory_round.mdb", 115200);
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    WireCount count;
    for (auto _ : state) {
        state.PauseTiming();
        LoadOneCourse(b.sim.Device());
        TMemoryManager manager(b.port, *b.device);
        MemoryLists lists;
        if (!ListedAsOpened(b, manager, lists) || lists.Rounds.size() != 1) {
            state.SkipWithError("listing failed");
            return;
        }
        lists.Rounds[0].Checked = true;
        count.Start(b.sim);
        state.ResumeTiming();
        // As the window's Delete: the check, the removal, the listing after it.
        if (b.device->CheckDevice() != kPort || !manager.DeleteItems(lists).empty() ||
            !manager.ListDeviceContents(lists).empty() || !lists.Rounds.empty()) {
            state.SkipWithError("removal failed");
            return;
        }
        count.Stop(b.sim);
    }
    count.Report(state, 45);
}

// An 18-hole course with a tee, a pin and a green on each hole: 54 points.
int AddCourse54(TDatabase& db) {
    const int course = AppendRow(db, "Course_General", {{"Course_Name", "Bench Park"}, {"U8_Name", ""},
                                                 {"18Holes", true}, {"Tees", 1}});
    for (int h = 1; h <= 18; ++h) {
        const int hole = AppendRow(db, "Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                          {"HoleLength1", 300 + h}, {"HoleHCP1", h}});
        for (int type = 1; type <= 3; ++type)
            AppendRow(db, "Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", type}, {"Tee", 1},
                                 {"Latitude", 59.0 + h * 0.001 + type * 0.0001}, {"Longitude", 18.0},
                                 {"Name", type == 1 ? "Tee" : type == 2 ? "Pin" : "Green"}});
    }
    return course;
}

void BM_UploadCourse54IntoFreeSlot(benchmark::State& state) {
    Bench b("bench_upload54.mdb", 115200);
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    if (state.range(0) != 0) b.sim.Device().SetListPaging(u8sim::ListPaging::RepeatsFirst);
    const int course = AddCourse54(b.db);
    std::vector<TTransWiz4::CourseHeader> courses(3);
    std::vector<TTransWiz4::TBag> bags(2);
    WireCount count;
    for (auto _ : state) {
        state.PauseTiming();
        LoadOneCourse(b.sim.Device());
        FillCourse(b.db, course, "Bench Park", courses[0]);
        count.Start(b.sim);
        state.ResumeTiming();
        TDeviceUpload upload(*b.device, b.db);
        if (b.device->CheckDevice() != kPort || upload.SendConnected(0, courses, 1, bags, 0, 0) != 1) {
            state.SkipWithError("upload failed");
            return;
        }
        count.Stop(b.sim);
        // Slot 1's block holds the 54 points and nothing else.
        int held = 0;
        for (uint16_t id : b.sim.Device().PointIds())
            held += id >= u8::FirstCoursePointId(1) && id <= u8::LastCoursePointId(1);
        if (held != 54 || b.sim.Device().PointCount() != 162 + 54) {
            state.SkipWithError("the slot's block is not the course's points");
            return;
        }
    }
    count.Report(state, state.range(0) == 0 ? 120 : 0);
}

void BM_AllRoundsFullDevice(benchmark::State& state) {
    Bench b("bench_allrounds.mdb", 115200);
    if (!b.ok) {
        state.SkipWithError("device not found");
        return;
    }
    WireCount count;
    for (auto _ : state) {
        state.PauseTiming();
        b.sim.Device().LoadFull();
        b.db.Execute("DELETE FROM RoundShots; DELETE FROM RoundHoles; DELETE FROM Round; DELETE FROM Waypoints; "
                     "DELETE FROM Holes; DELETE FROM ScoreCard; DELETE FROM Course_General;");
        count.Start(b.sim);
        state.ResumeTiming();
        TAllRoundsDownload road(*b.device, b.db, 1);
        if (road.Import() != TAllRoundsDownload::Done || road.Courses.size() != 3 || road.Games.size() != 2) {
            state.SkipWithError("import failed");
            return;
        }
        count.Stop(b.sim);
    }
    count.Report(state);
}

}  // namespace

BENCHMARK(BM_StoreGame100Shots)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_UploadCourse18x9)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_ImportSnapshot)->Arg(10000)->ArgName("stored")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GameDatabasePart)->Arg(0)->Arg(10000)->ArgName("stored")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryManagerOpening)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_MemoryManagerRemovesARound)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_UploadCourse54IntoFreeSlot)->Arg(0)->Arg(1)->ArgName("repeats")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_AllRoundsFullDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

int main(int argc, char** argv) {
    BenchHome home;
    if (!home.Ok()) return 1;
    QCoreApplication app(argc, argv);
    SetMessageResponder([](const MessageRequest& m) {
        if (m.text != "Transfer completed successfully!") std::fprintf(stderr, "message: %s\n", m.text.c_str());
        return int(IDOK);
    });
    return RunBenchmarks(&argc, argv);
}
