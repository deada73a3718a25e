// The simulator's transport as the device tests rely on it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/Commport.h"
#include "device/Italkframe.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/U8sim.h"
#include "support/Testsupport.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

class SimLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        TIniFile(DataPath("caddora.ini")).WriteString("Port Settings", "Port6", sim.SlavePath());
        port.SetComNumber(6);
        port.SetBaud(115200);
    }
    Bytes ReadAll(size_t n, int ms) {
        Bytes got;
        char buf[512];
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < n && Clock::now() < until) {
            unsigned k = port.GetBlock(buf, sizeof buf);
            got.insert(got.end(), buf, buf + k);
            if (!k)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return got;
    }
    TempHome home;
    u8sim::U8Sim sim;
    TCommPort port;
};
}  // namespace

TEST_F(SimLine, FreshLineIsNotRawUntilTheProgramSetsIt) {
    u8sim::LineReport before = sim.CheckLine(115200);
    EXPECT_FALSE(before.ok);
    EXPECT_FALSE(before.raw);
    port.OpenPort();
    ASSERT_TRUE(port.GetOpen());
    u8sim::LineReport after = sim.CheckLine(115200);
    EXPECT_TRUE(after.ok) << after.problems;
    EXPECT_EQ(after.baud, 115200u);
    EXPECT_FALSE(sim.CheckLine(9600).ok);
}

TEST_F(SimLine, FrameModeLogsRequestsAndCountsJunk) {
    sim.SetMode(u8sim::U8Sim::Mode::Frame);
    sim.QueueReply(u8sim::EncodeFrame(0x10, 0xFFFF, {0x80, 0x00}));
    port.OpenPort();
    const uint8_t payload[] = {1, 2, 3};
    iTalkFrame f;
    f.SetITalkData(1, 0x0310, 0x020C, 0x0107, payload, 3);
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    f.GetPackage(bytes, length);
    const char junk[] = "xx<";
    port.PutBlock(junk, 3);
    port.PutBlock(reinterpret_cast<const char*>(bytes), length);
    delete[] bytes;
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    std::vector<u8sim::Request> log = sim.Requests();
    ASSERT_EQ(log.size(), 1u);
    ASSERT_TRUE(log[0].frame.has_value());
    EXPECT_EQ(log[0].frame->command, 0x10);
    EXPECT_EQ(log[0].frame->packageId, 1);
    EXPECT_EQ(log[0].frame->data, (Bytes{1, 2, 3, 0}));
    EXPECT_EQ(log[0].bytes.size(), 29u);
    EXPECT_EQ(sim.JunkBytes(), 3u);
    // The scripted reply came back as a whole frame.
    Bytes reply = ReadAll(27, 2000);
    iTalkFrame in;
    ASSERT_TRUE(in.PurgePackage(reply.data(), uint32_t(reply.size())));
    iTalkRecord r;
    ASSERT_TRUE(in.GetiTalkData(r));
    EXPECT_EQ(r.PackageID, -1);
    EXPECT_EQ(r.DataLen, 2u);
    delete[] r.Data;
}

TEST_F(SimLine, CspModeSplitsPackets) {
    sim.SetMode(u8sim::U8Sim::Mode::Csp);
    port.OpenPort();
    // Two packets in one write, the second cut in two.
    const char a[] = {0x05, 0x00, 0x03, 0x5A, 0x00, 0x01, 0x5B, 0x06, 0x00, 0x01};
    const char b[] = {0x42, 0x42};
    port.PutBlock(a, sizeof a);
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    port.PutBlock(b, sizeof b);
    ASSERT_TRUE(sim.WaitForRequests(2, 2000));
    std::vector<u8sim::Request> log = sim.Requests();
    EXPECT_EQ(log[0].bytes, (Bytes{0x05, 0x00, 0x03, 0x5A, 0x00, 0x01, 0x5B}));
    EXPECT_EQ(log[1].bytes, (Bytes{0x06, 0x00, 0x01, 0x42, 0x42}));
}

TEST_F(SimLine, WireTimeAndSplitRepliesSlowTheReply) {
    port.OpenPort();
    sim.SetWireBaud(9600);  // about 1 ms a byte
    const Bytes reply(100, 0x33);
    auto t0 = Clock::now();
    sim.Send(reply);
    EXPECT_EQ(ReadAll(100, 3000), reply);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    EXPECT_GE(took, 95);
    EXPECT_LT(took, 1000);

    sim.SetWireBaud(0);
    sim.SetSplit(10, 30);
    t0 = Clock::now();
    sim.Send(Bytes(40, 0x44));
    // The first piece arrives alone.
    auto until = Clock::now() + std::chrono::milliseconds(25);
    while (port.GetInBuffUsed() == 0 && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(port.GetInBuffUsed(), 10u);
    EXPECT_EQ(ReadAll(40, 3000), Bytes(40, 0x44));
    took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    EXPECT_GE(took, 85);
}
