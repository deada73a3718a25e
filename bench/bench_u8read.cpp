// Reading the whole U8 memory map (settings, header, course directory, bags
// and the four game areas: 22,600 bytes in 50-byte chunks) from the simulated
// device on a pty, with and without the simulator's 115200-baud wire timing.
// The wire timing delays the requests the simulator receives as well as its
// replies, so wire_ratio (time per map read / the bytes' time on the wire)
// cannot fall below 1.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Messagebox.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"

namespace {

constexpr int kPort = 3;

// Bytes on the line for one read of n bytes: the request frame (25 + 8) and
// the reply frame (25 + the CSP reply of n + 7 bytes, padded to even).
double ExchangeWireBytes(int n) { return 33.0 + 25.0 + double((n + 7 + 1) & ~1); }

struct MapRead {
    int address;
    int count;
};

std::vector<MapRead> MemoryMap() {
    std::vector<MapRead> map = {{u8::SettingsAddress, u8::SettingsSize},
                                {u8::HeaderAddress, u8::HeaderSize},
                                {u8::CourseDirAddress, u8::CourseDirSize},
                                {u8::BagsAddress, u8::BagsSize}};
    for (int g = 1; g <= 4; ++g) map.push_back({TU8Device::GameAreaAddress(g), u8::GameAreaSize});
    return map;
}

// Seconds the exchanges of one map read spend on a 115200-baud line (10 bits a byte).
double WireSeconds() {
    double bytes = 0;
    for (auto& r : MemoryMap())
        for (int done = 0; done < r.count; done += 50) bytes += ExchangeWireBytes(std::min(50, r.count - done));
    return bytes * 10.0 / 115200.0;
}

void BM_ReadMemoryMap(benchmark::State& state) {
    const bool wire = state.range(0) != 0;
    u8sim::SimulatedU8 sim;
    sim.Device().LoadFull();
    if (!sim.Start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    sim.Line().SetWireBaud(wire ? 115200 : 0);
    UseSimPort(sim, kPort);
    TSerialPort port;
    TU8Device device(&port);
    if (device.CheckDevice() != kPort) {
        state.SkipWithError("device not found");
        return;
    }
    std::vector<uint8_t> buffer(u8::GameAreaSize);
    int64_t bytes = 0;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (auto& r : MemoryMap()) {
            if (device.ReadBytes(r.address, r.count, buffer.data()) != 0) {
                state.SkipWithError("read failed");
                return;
            }
            bytes += r.count;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    state.SetBytesProcessed(bytes);
    state.counters["wire_s"] = WireSeconds();
    state.counters["wire_ratio"] = seconds / double(state.iterations()) / WireSeconds();
    port.ClosePort();
}

} // namespace

BENCHMARK(BM_ReadMemoryMap)->Arg(1)->ArgName("wire")->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadMemoryMap)->Arg(0)->ArgName("wire")->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    BenchHome home;
    if (!home.Ok()) return 1;
    QCoreApplication app(argc, argv);
    SetMessageResponder([](const MessageRequest& m) {
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
        return int(IDOK);
    });
    return RunBenchmarks(&argc, argv);
}
