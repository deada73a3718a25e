// u8sim: a U8 on a pseudo-terminal. Prints the slave's path on its first
// line, then serves the device until SIGINT or SIGTERM.
//   u8sim [--memory full|empty] [--wire BAUD]
//       the device model: "full" (the default) holds three courses with
//       their points, two bags, two rounds with shots and the settings;
//       "empty" only the settings.
//   u8sim --log [--mode frame|csp|bytes] [--wire BAUD] [--echo]
//       no device: logs each request on stderr and, with --echo, sends it back.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "sim/U8sim.h"
#include "sim/U8sim_device.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--memory full|empty] [--wire BAUD]\n"
                 "       %s --log [--mode frame|csp|bytes] [--wire BAUD] [--echo]\n",
                 program, program);
    return 2;
}

int Serve(u8sim::U8Sim& line, const std::function<bool()>& start) {
    if (!start()) {
        std::perror("u8sim: openpty");
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    bool logOnly = false, echo = false, full = true;
    std::string mode;
    unsigned wire = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--log") {
            logOnly = true;
        } else if (a == "--memory" && i + 1 < argc) {
            std::string m = argv[++i];
            if (m != "full" && m != "empty") return Usage(argv[0]);
            full = m == "full";
        } else if (a == "--mode" && i + 1 < argc) {
            mode = argv[++i];
            logOnly = true;
        } else if (a == "--wire" && i + 1 < argc) {
            wire = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--echo") {
            echo = true;
            logOnly = true;
        } else {
            return Usage(argv[0]);
        }
    }

    if (!logOnly) {
        u8sim::SimulatedU8 u8;
        if (full) u8.Device().LoadFull();
        else u8.Device().LoadEmpty();
        u8.Line().SetWireBaud(wire);
        const int rc = Serve(u8.Line(), [&u8] { return u8.Start(); });
        u8.Stop();
        return rc;
    }

    u8sim::U8Sim sim;
    sim.SetMode(mode == "csp" ? u8sim::U8Sim::Mode::Csp
                : mode == "bytes" ? u8sim::U8Sim::Mode::Bytes
                                  : u8sim::U8Sim::Mode::Frame);
    sim.SetWireBaud(wire);
    sim.SetResponder([echo](u8sim::U8Sim& s, const std::vector<uint8_t>& request) {
        std::string hex;
        char b[4];
        for (uint8_t c : request) {
            std::snprintf(b, sizeof b, "%02X ", c);
            hex += b;
        }
        std::fprintf(stderr, "request (%zu): %s\n", request.size(), hex.c_str());
        if (echo)
            s.Send(request);
    });
    const int rc = Serve(sim, [&sim] { return sim.Start(); });
    sim.Stop();
    return rc;
}
