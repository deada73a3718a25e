// The serial port's rings and worker threads under ThreadSanitizer: traffic
// both ways through a pseudo-terminal with an echoing simulator, flushes in
// the middle of traffic, receive notifications and repeated open and close.
// Exits non-zero on a data mismatch; the sanitizer fails it on a race.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "device/Commport.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/U8sim.h"

namespace {
using Clock = std::chrono::steady_clock;
int failures = 0;

const Clock::time_point started = Clock::now();

// Where the run is, with the time since start: a hang shows its step.
void Phase(const char* what) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    std::fprintf(stderr, "[%6lld ms] %s\n", static_cast<long long>(ms), what);
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed) {
    std::vector<uint8_t> b(n);
    uint32_t x = seed + 1;
    for (auto& c : b) {
        x = x * 1103515245u + 12345u;
        c = uint8_t(x >> 16);
    }
    return b;
}

void EchoTraffic(TCommPort& port, size_t total, const char* what) {
    const std::vector<uint8_t> data = Pattern(total, unsigned(total));
    std::vector<uint8_t> back;
    size_t sent = 0;
    char buf[1500];
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (back.size() < total && Clock::now() < until) {
        if (sent < total)
            sent += port.PutBlock(reinterpret_cast<const char*>(data.data()) + sent,
                                  unsigned(std::min<size_t>(1500, total - sent)));
        unsigned k = port.GetBlock(buf, sizeof buf);
        back.insert(back.end(), buf, buf + k);
        if (k == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    Check(back == data, what);
}
}  // namespace

int main() {
    std::string home = (std::filesystem::temp_directory_path() / "caddora-tsan-XXXXXX").string();
    if (!::mkdtemp(home.data()))
        return 1;
    ::setenv("CADDORA_HOME", home.c_str(), 1);

    u8sim::U8Sim sim;
    sim.SetMode(u8sim::U8Sim::Mode::Bytes);
    sim.SetResponder([](u8sim::U8Sim& s, const std::vector<uint8_t>& chunk) { s.Send(chunk); });
    if (!sim.Start())
        return 1;
    TIniFile(DataPath("caddora.ini")).WriteString("Port Settings", "Port2", sim.SlavePath());

    TCommPort port;
    std::atomic<unsigned> notified{0};
    // Without an application object the notification runs on the read-event
    // thread itself, beside the caller's GetBlock.
    port.OnReceive = [&](TCommPort* p, unsigned count) {
        notified.fetch_add(1);
        (void)p->GetInBuffUsed();
        (void)count;
    };
    port.SetBaud(115200);
    port.OpenPort();
    Check(port.GetOpen(), "port opens");
    Phase("echo traffic");
    EchoTraffic(port, 256 * 1024, "echo traffic came back whole and in order");
    Check(notified.load() > 0, "receive notifications ran");

    // Flushes while bytes are on their way.
    Phase("flushes mid-traffic");
    for (int i = 0; i < 50; ++i) {
        std::vector<uint8_t> burst = Pattern(3000, unsigned(i));
        port.PutBlock(reinterpret_cast<const char*>(burst.data()), unsigned(burst.size()));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        port.FlushInBuffer();
        port.FlushOutBuffer();
    }
    // Let the echo of the bursts settle, drop it, and check clean traffic again.
    {
        int quiet = 0;
        for (const auto until = Clock::now() + std::chrono::seconds(30); quiet < 3 && Clock::now() < until;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            bool idle = sim.WaitSent(0) && port.GetInBuffUsed() == 0;
            quiet = idle ? quiet + 1 : 0;
            port.FlushInBuffer();
        }
        Check(quiet == 3, "the echo of the flushed bursts came to an end");
    }
    Phase("echo traffic after flushes");
    EchoTraffic(port, 64 * 1024, "traffic after flushes came back whole and in order");

    // Output flushed while the write thread is busy with a flood, then a
    // marker: the line carries each marker exactly once. A flush also purges
    // the line's own queue, so each marker must have arrived before the next.
    {
        const std::vector<uint8_t> flood = Pattern(4000, 99);
        char buf[4096];
        const int rounds = 40;
        Phase("output flushes mid-flood");
        sim.ClearReceived();
        auto arrived = [&](const char* marker) {
            const std::vector<uint8_t> seen = sim.Received();
            return std::search(seen.begin(), seen.end(), marker, marker + 6) != seen.end();
        };
        for (int i = 0; i < rounds; ++i) {
            port.PutBlock(reinterpret_cast<const char*>(flood.data()), unsigned(flood.size()));
            std::this_thread::sleep_for(std::chrono::microseconds(40 * (i % 5)));
            port.FlushOutBuffer();
            const char marker[6] = {'<', 'M', char('0' + i / 10), char('0' + i % 10), '>', '!'};
            port.PutBlock(marker, 6);
            const auto until = Clock::now() + std::chrono::seconds(10);
            while (!arrived(marker) && Clock::now() < until) {
                // Keep the echo drained so the input ring never backs up.
                if (port.GetBlock(buf, sizeof buf) == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (!arrived(marker)) {
                Phase("a marker never reached the line");
                break;
            }
        }
        const std::vector<uint8_t> line = sim.Received();
        int seen = 0;
        bool ordered = true;
        for (size_t i = 0; i + 6 <= line.size(); ++i) {
            if (line[i] != '<' || line[i + 1] != 'M' || line[i + 4] != '>' || line[i + 5] != '!')
                continue;
            ordered = ordered && (line[i + 2] - '0') * 10 + (line[i + 3] - '0') == seen;
            ++seen;
        }
        Check(ordered && seen == rounds, "each marker after an output flush went out once");
        int quiet = 0;
        for (const auto until = Clock::now() + std::chrono::seconds(30); quiet < 3 && Clock::now() < until;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            // Both looks every time: the ring must keep draining while the
            // simulator still sends, or the line backs up and it never ends.
            const bool simIdle = sim.WaitSent(0);
            const bool ringEmpty = port.GetBlock(buf, sizeof buf) == 0;
            quiet = simIdle && ringEmpty ? quiet + 1 : 0;
        }
        if (quiet != 3) {
            // Say which side is still busy: the simulator's queue, our rings,
            // or bytes still arriving at the simulator.
            const size_t before = sim.ReceivedCount();
            std::this_thread::sleep_for(std::chrono::seconds(1));
            std::fprintf(stderr, "simulator queue empty %d, input ring %u, output ring %u, simulator received %zu in 1 s\n",
                         int(sim.WaitSent(0)), port.GetInBuffUsed(), port.GetOutBuffUsed(),
                         sim.ReceivedCount() - before);
        }
        Check(quiet == 3, "the echo of the floods came to an end");
    }

    Phase("close and open");
    for (int i = 0; i < 20; ++i) {
        port.ClosePort();
        port.OpenPort();
        const char ping[4] = {'p', 'i', 'n', 'g'};
        port.PutBlock(ping, 4);
    }
    port.ClosePort();
    Phase("stop");
    sim.Stop();
    std::filesystem::remove_all(home);
    if (failures == 0)
        std::printf("ring traffic under ThreadSanitizer: ok\n");
    return failures == 0 ? 0 : 1;
}
