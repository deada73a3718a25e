#pragma once
// The port-search file of the data folder pointed at a simulated U8.
#include <string>

#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/U8sim_device.h"

// Port n of 1..29 is the pty at simPath when n == simPort; every other number
// names a path that does not exist, so searches stay short.
inline void MapPortsToSim(const std::string& simPath, int simPort) {
    TIniFile ini(DataPath("caddora.ini"));
    for (int n = 1; n <= 29; ++n)
        ini.WriteString("Port Settings", "Port" + std::to_string(n),
                        n == simPort ? simPath : "/nonexistent/caddora-tty" + std::to_string(n));
}

// How long a port search waits for the simulator's first reply: a busy
// machine (a shared CI runner at several times its cores' load) answers
// seconds late. A search that is meant to meet silence or a line that does
// not answer sets a short wait of its own (SetConnectTimeout), as a test of
// the wait itself does.
inline constexpr int SimConnectTimeoutMS = 15000;

inline void SetConnectTimeout(int ms) {
    TIniFile(DataPath("caddora.ini")).WriteInteger("Port Settings", "ConnectTimeoutMS", ms);
}

// The simulator on port simPort, with no open or read delays and a connect
// timeout a busy machine meets.
inline void UseSimPort(const u8sim::SimulatedU8& sim, int simPort) {
    MapPortsToSim(sim.SlavePath(), simPort);
    TIniFile ini(DataPath("caddora.ini"));
    ini.WriteInteger("Port Settings", "OpenDelayMS", 0);
    ini.WriteInteger("Port Settings", "ReadDelayMS", 0);
    SetConnectTimeout(SimConnectTimeoutMS);
}
