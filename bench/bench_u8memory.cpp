// What the memory manager, a course upload and "All Rounds" cost on the wire:
// the simulated U8 on a pty at 115200 baud, from the device search to the
// last exchange. Counters per run: exchanges (requests the device got),
// bytes sent to it, point deletions, commits and memory writes.
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
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "devicetools/Memoryrules.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "transfer/Transw1.h"
#include "transfer/Transw31.h"
#include "transfer/Transw4.h"

namespace {

constexpr int kPort = 3;
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

// The simulator on port 3 at wire speed, a fresh database.
struct WireBench {
    u8sim::SimulatedU8 sim;
    TDatabase db;
    TSerialPort port;
    std::unique_ptr<TU8Device> device;
    bool ok = false;

    explicit WireBench(const std::string& dbName) {
        if (!sim.Start()) return;
        sim.Line().SetWireBaud(115200);
        UseSimPort(sim, kPort);
        std::remove(DataPath(dbName).c_str());
        db.SetDatabaseName(DataPath(dbName));
        db.Open();
        port.ShowErrors = false;
        device = std::make_unique<TU8Device>(&port);
        ok = true;
    }
    ~WireBench() {
        port.ClosePort();
        db.Close();
    }
};

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

void BM_MemoryManagerOpening(benchmark::State& state) {
    WireBench b("bench_memory_open.mdb");
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
        return;
    }
    LoadOneCourse(b.sim.Device());
    WireCount count;
    for (auto _ : state) {
        count.Start(b.sim);
        TMemoryManager manager(b.port, *b.device);
        MemoryLists lists;
        if (b.device->CheckDevice() != kPort || !manager.ListDeviceContents(lists).empty() ||
            lists.Courses.size() != 1 || lists.Rounds.size() != 1) {
            state.SkipWithError("listing failed");
            return;
        }
        count.Stop(b.sim);
    }
    if (count.deletions + count.commits + count.writes > 0) state.SkipWithError("the opening wrote to the device");
    count.Report(state, 40);
}

void BM_MemoryManagerRemovesARound(benchmark::State& state) {
    WireBench b("bench_memory_round.mdb");
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
        return;
    }
    LoadOneCourse(b.sim.Device());
    WireCount count;
    for (auto _ : state) {
        state.PauseTiming();
        LoadOneCourse(b.sim.Device());
        TMemoryManager manager(b.port, *b.device);
        MemoryLists lists;
        if (b.device->CheckDevice() != kPort || !manager.ListDeviceContents(lists).empty() ||
            lists.Rounds.size() != 1) {
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
    auto append = [&db](const std::string& table, std::initializer_list<std::pair<const char*, TVariant>> values) {
        TTable t(&db, table);
        t.Open();
        t.Append();
        for (const auto& [name, value] : values) t.FieldByName(name).SetValue(value);
        t.Post();
        return int(t.Fields(0).Value().AsInteger());
    };
    const int course = append("Course_General", {{"Course_Name", "Bench Park"}, {"U8_Name", ""},
                                                 {"18Holes", true}, {"Tees", 1}});
    for (int h = 1; h <= 18; ++h) {
        const int hole = append("Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                          {"HoleLength1", 300 + h}, {"HoleHCP1", h}});
        for (int type = 1; type <= 3; ++type)
            append("Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Type", type}, {"Tee", 1},
                                 {"Latitude", 59.0 + h * 0.001 + type * 0.0001}, {"Longitude", 18.0},
                                 {"Name", type == 1 ? "Tee" : type == 2 ? "Pin" : "Green"}});
    }
    return course;
}

void BM_UploadCourse54IntoFreeSlot(benchmark::State& state) {
    WireBench b("bench_upload54.mdb");
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
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
    WireBench b("bench_allrounds.mdb");
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
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
    RunBenchmarks(&argc, argv);
    return 0;
}
