// Serial port over a pseudo-terminal with the U8 simulator on the other end:
// the time of one request/reply exchange, and the processor time the port's
// threads use while the device stays silent.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "device/Commport.h"
#include "device/Italkframe.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/U8sim.h"

namespace {
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool OpenOnSim(TCommPort& port, u8sim::U8Sim& sim) {
    if (!sim.Start())
        return false;
    TIniFile(DataPath("caddora.ini")).WriteString("Port Settings", "Port5", sim.SlavePath());
    port.SetComNumber(5);
    port.SetBaud(115200);
    port.OpenPort();
    return port.GetOpen();
}

// A 33-byte request frame (8 data bytes) answered by an 83-byte reply frame
// (58 data bytes, as a 50-byte memory read): 116 bytes in all.
void BM_ExchangeRoundTrip(benchmark::State& state) {
    u8sim::U8Sim sim;
    sim.SetMode(u8sim::U8Sim::Mode::Frame);
    const std::vector<uint8_t> replyData(58, 0x5A);
    sim.SetResponder([&](u8sim::U8Sim& s, const std::vector<uint8_t>&) {
        s.SendFrame(0xF3, 0, replyData);
    });
    TCommPort port;
    if (!OpenOnSim(port, sim)) {
        state.SkipWithError("cannot open the simulator's line");
        return;
    }
    const uint8_t request[8] = {0x05, 0x00, 0x03, 0x00, 0x17, 0x32, 0x21, 0x00};
    iTalkFrame out;
    out.SetITalkData(1, 0x03F3, 0x020C, 0x0107, request, sizeof request);
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    out.GetPackage(bytes, length);
    std::vector<double> ms;
    std::vector<uint8_t> collected(1000);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        port.PutBlock(reinterpret_cast<const char*>(bytes), length);
        iTalkFrame in;
        uint32_t n = 0;
        bool done = false;
        while (!done && Clock::now() - t0 < std::chrono::seconds(2)) {
            if (port.GetInBuffUsed() && n < collected.size()) {
                collected[n++] = uint8_t(port.GetChar());
                done = in.PurgePackage(collected.data(), n);
            }
        }
        if (!done) {
            state.SkipWithError("no reply");
            break;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    delete[] bytes;
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["p90_ms"] = ms[ms.size() * 9 / 10];
        state.counters["max_ms"] = ms.back();
    }
}
BENCHMARK(BM_ExchangeRoundTrip)->Iterations(500)->UseRealTime()->Unit(benchmark::kMillisecond);

// Processor time of the whole process (port threads and simulator) over one
// second in which nothing arrives, as a share of one core.
void BM_SilentDeviceCpu(benchmark::State& state) {
    u8sim::U8Sim sim;
    TCommPort port;
    if (!OpenOnSim(port, sim)) {
        state.SkipWithError("cannot open the simulator's line");
        return;
    }
    double share = 0;
    for (auto _ : state) {
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        share = (CpuSeconds() - cpu0) / wall;
    }
    state.counters["cpu_percent"] = share * 100.0;
}
BENCHMARK(BM_SilentDeviceCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    // A data folder of its own for the port map.
    BenchHome home;
    if (!home.Ok()) return 1;
    return RunBenchmarks(&argc, argv);
}
