// u8sim: serves a U8 line on a pseudo-terminal and prints the slave's path.
// Without a device model it logs what arrives and, with --echo, sends it back.
//   u8sim [--mode frame|csp|bytes] [--wire BAUD] [--echo]
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "sim/U8sim.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }
}  // namespace

int main(int argc, char** argv) {
    u8sim::U8Sim sim;
    bool echo = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--mode" && i + 1 < argc) {
            std::string m = argv[++i];
            sim.SetMode(m == "csp" ? u8sim::U8Sim::Mode::Csp
                        : m == "bytes" ? u8sim::U8Sim::Mode::Bytes
                                       : u8sim::U8Sim::Mode::Frame);
        } else if (a == "--wire" && i + 1 < argc) {
            sim.SetWireBaud(unsigned(std::strtoul(argv[++i], nullptr, 10)));
        } else if (a == "--echo") {
            echo = true;
        } else {
            std::fprintf(stderr, "usage: %s [--mode frame|csp|bytes] [--wire BAUD] [--echo]\n",
                         argv[0]);
            return 2;
        }
    }
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
    if (!sim.Start()) {
        std::perror("u8sim: openpty");
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", sim.SlavePath().c_str());
    std::fflush(stdout);
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sim.Stop();
    return 0;
}
