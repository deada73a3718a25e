// u8sim: a U8 on a pseudo-terminal. Prints the slave's path on its first
// line, then serves the device until SIGINT or SIGTERM.
//   u8sim [--memory full|empty|colliding] [--silent-write N] [--silent-points N]
//         [--silent-point-write N] [--refuse-delete N] [--unplug-at-delete N]
//         [--list-paging pages|repeat|refuse] [--late-list N] [--wire BAUD]
//       the device model: "full" (the default) holds three courses with
//       their points, two bags, two rounds with shots and the settings;
//       "empty" only the settings; "colliding" the full memory with course
//       numbers 7, 6 and 5 that a database of three courses gives anew.
//       --silent-write N: the Nth memory write (from 1) goes unanswered.
//       --silent-points N: the first N point reads go unanswered.
//       --silent-point-write N: the Nth point write (from 1) is stored but
//       goes unanswered.
//       --refuse-delete N: the Nth point deletion is not carried out and
//       is answered "Unsuccessful" (0x14).
//       --unplug-at-delete N: the line goes dead at the Nth point deletion;
//       SIGUSR1 plugs it in again.
//       --list-paging: how the point list answers a first position other
//       than 0: from there on ("pages", the default), with the first ids
//       again ("repeat") or refused ("refuse").
//       --late-list N: the Nth point-list read (from 1) is answered late,
//       after the program's time-out: just before its next request's reply.
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
#include "sim/U8sim_scenarios.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t plugInRequested = 0;
void OnSignal(int) { stopRequested = 1; }
void OnPlugIn(int) { plugInRequested = 1; }

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--memory full|empty|colliding] [--silent-write N] [--silent-points N]\n"
                 "          [--silent-point-write N] [--refuse-delete N] [--unplug-at-delete N]\n"
                 "          [--list-paging pages|repeat|refuse] [--late-list N] [--wire BAUD]\n"
                 "       %s --log [--mode frame|csp|bytes] [--wire BAUD] [--echo]\n",
                 program, program);
    return 2;
}

int Serve(u8sim::U8Sim& line, const std::function<bool()>& start, const std::function<void()>& plugIn = {}) {
    if (!start()) {
        std::perror("u8sim: openpty");
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (plugIn) std::signal(SIGUSR1, OnPlugIn);
    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (plugInRequested) {
            plugInRequested = 0;
            plugIn();
        }
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    bool logOnly = false, echo = false;
    std::string memory = "full";
    int silentWrite = 0, silentPoints = 0, silentPointWrite = 0, refuseDelete = 0, unplugAtDelete = 0;
    int lateList = 0;
    std::string mode, paging = "pages";
    unsigned wire = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--log") {
            logOnly = true;
        } else if (a == "--memory" && i + 1 < argc) {
            memory = argv[++i];
            if (memory != "full" && memory != "empty" && memory != "colliding") return Usage(argv[0]);
        } else if (a == "--silent-write" && i + 1 < argc) {
            silentWrite = std::atoi(argv[++i]);
            if (silentWrite < 1) return Usage(argv[0]);
        } else if (a == "--silent-points" && i + 1 < argc) {
            silentPoints = std::atoi(argv[++i]);
            if (silentPoints < 1) return Usage(argv[0]);
        } else if (a == "--silent-point-write" && i + 1 < argc) {
            silentPointWrite = std::atoi(argv[++i]);
            if (silentPointWrite < 1) return Usage(argv[0]);
        } else if (a == "--refuse-delete" && i + 1 < argc) {
            refuseDelete = std::atoi(argv[++i]);
            if (refuseDelete < 1) return Usage(argv[0]);
        } else if (a == "--unplug-at-delete" && i + 1 < argc) {
            unplugAtDelete = std::atoi(argv[++i]);
            if (unplugAtDelete < 1) return Usage(argv[0]);
        } else if (a == "--late-list" && i + 1 < argc) {
            lateList = std::atoi(argv[++i]);
            if (lateList < 1) return Usage(argv[0]);
        } else if (a == "--list-paging" && i + 1 < argc) {
            paging = argv[++i];
            if (paging != "pages" && paging != "repeat" && paging != "refuse") return Usage(argv[0]);
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
        if (memory == "full") u8.Device().LoadFull();
        else if (memory == "colliding") u8sim::LoadCollidingNumbers(u8.Device());
        else u8.Device().LoadEmpty();
        // Memory writes are CSP command 6 inside iTalk command 0xF3.
        if (silentWrite > 0) u8.Device().AddFault({u8sim::Fault::Silence, 0xF3, 6, silentWrite - 1, 1});
        // Point reads are iTalk command 35.
        if (silentPoints > 0) u8.Device().AddFault({u8sim::Fault::Silence, 35, -1, 0, silentPoints});
        // Point writes are iTalk command 41.
        if (silentPointWrite > 0) u8.Device().AddFault({u8sim::Fault::Silence, 41, -1, silentPointWrite - 1, 1});
        // Point deletions are iTalk command 39.
        if (refuseDelete > 0) u8.Device().AddFault({u8sim::Fault::Refused, 39, -1, refuseDelete - 1, 1, 0x14});
        if (unplugAtDelete > 0) u8.Device().AddFault({u8sim::Fault::Unplug, 39, -1, unplugAtDelete - 1, 1});
        if (lateList > 0) u8.Device().AddFault({u8sim::Fault::Late, 33, -1, lateList - 1, 1});
        u8.Device().SetListPaging(paging == "repeat"   ? u8sim::ListPaging::RepeatsFirst
                                  : paging == "refuse" ? u8sim::ListPaging::Refuses
                                                       : u8sim::ListPaging::Pages);
        u8.Line().SetWireBaud(wire);
        const int rc = Serve(u8.Line(), [&u8] { return u8.Start(); }, [&u8] { u8.Device().PlugIn(); });
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
