#pragma once
// A simulated U8 on a pty, reachable as COM3 through the port-search file; all
// other port numbers point at paths that do not exist, so searches stay fast.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "support/Testsupport.h"

class U8Fixture : public ::testing::Test {
protected:
    static constexpr int SimPort = 3;

    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        UseSimPort(sim, SimPort);
    }
    void TearDown() override { sim.Stop(); }

    // Port n of 1..29 is the simulator's pty when n == simPort.
    void PointPorts(int simPort) { MapPortsToSim(sim.SlavePath(), simPort); }
    int IniValue(const std::string& key, int def = -999) {
        return TIniFile(DataPath("caddora.ini")).ReadInteger("Port Settings", key, def);
    }
    bool IniHas(const std::string& key) {
        return TIniFile(DataPath("caddora.ini")).ValueExists("Port Settings", key);
    }
    // Opens the simulated device as the program does.
    void Connect(TSerialPort& port, TU8Device& device) {
        ASSERT_EQ(device.CheckDevice(), SimPort);
        sim.Device().ClearLogs();
        sim.Line().ClearRequests();
    }
    std::vector<u8sim::MemoryAccess> Accesses() { return sim.Device().MemoryLog(); }

    TempHome home;
    MessageLog messages;
    u8sim::SimulatedU8 sim;
};
