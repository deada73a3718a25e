// What the link takes from the device: only the checks the protocol gives
// bind a reply, a late reply never becomes data, a success without data is
// no data, and every wait ends.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

#include "device/Commport.h"
#include "device/Faultrule.h"
#include "device/U8fixture.h"
#include "sim/U8sim.h"

namespace {

using u8sim::Fault;
using u8sim::FaultRule;
using Bytes = std::vector<uint8_t>;

// A request frame as the line carried it.
struct Asked {
    uint8_t command;
    uint16_t id;
    Bytes data;
};

class DeviceReplies : public U8Fixture {
protected:
    // The port in frame mode on the simulator's line, without a search.
    void OpenFrameMode(TSerialPort& port) {
        port.SetOperationMode(2);
        port.SetPortSettings(115200, 0, 8, 1, 0);
        port.SetPort(SimPort);
        port.OpenPort();
        ASSERT_TRUE(port.GetPortOpen());
        port.ResponseTimeout = 300;
        port.ShowErrors = false;
    }
    // Replaces the device model: every request frame is answered with the
    // bytes answer gives (nothing for an empty result).
    void Answer(std::function<Bytes(const Asked&)> answer) {
        sim.Line().SetResponder([answer](u8sim::U8Sim& line, const Bytes& frame) {
            if (frame.size() < 25) return;
            Asked q{frame[11], uint16_t(frame[18] << 8 | frame[19]), {}};
            size_t n = size_t(frame[20] << 8 | frame[21]) * 2;
            q.data.assign(frame.begin() + 22, frame.begin() + 22 + long(std::min(n, frame.size() - 25)));
            Bytes out = answer(q);
            if (!out.empty()) line.Send(out);
        });
    }
    static uint16_t Negated(uint16_t id) { return uint16_t(-int(id)); }
};

} // namespace

TEST_F(DeviceReplies, AnyCommandButPassThroughCarriesAReplyWithTheRightId) {
    TSerialPort port;
    OpenFrameMode(port);
    uint8_t reply[8] = {};
    int len = 4;
    // Another command than the request's, with the negated id.
    Answer([](const Asked& q) { return u8sim::EncodeFrame(0x01, Negated(q.id), {1, 2, 3, 4}); });
    ASSERT_EQ(port.iTalkSepi(200, 0, nullptr, len, reply), 0);
    EXPECT_EQ(len, 4);
    EXPECT_EQ(Bytes(reply, reply + 4), (Bytes{1, 2, 3, 4}));
    // A pass-through reply (command 0xF3, id 0) answers whatever was asked.
    Answer([](const Asked&) { return u8sim::EncodeFrame(0xF3, 0, {9, 8}); });
    len = 4;
    ASSERT_EQ(port.iTalkSepi(200, 0, nullptr, len, reply), 0);
    EXPECT_EQ(len, 2);
    // The pass-through command with the request's id is no reply; nor is
    // another command with another id.
    Answer([](const Asked& q) { return u8sim::EncodeFrame(0xF3, Negated(q.id), {1, 2}); });
    len = 4;
    EXPECT_EQ(port.iTalkSepi(200, 0, nullptr, len, reply), -1);
    Answer([](const Asked& q) { return u8sim::EncodeFrame(200, uint16_t(Negated(q.id) - 1), {1, 2}); });
    EXPECT_EQ(port.iTalkSepi(200, 0, nullptr, len, reply), -1);
}

TEST_F(DeviceReplies, MemoryRepliesAreCheckedOnlyForTheirLayout) {
    TSerialPort port;
    OpenFrameMode(port);
    port.MaxRead = port.MaxWrite = 50;
    // A write's reply is not examined, whatever it holds...
    const uint8_t data[3] = {1, 2, 3};
    for (const Bytes& content : {Bytes{}, Bytes{0x13}, Bytes{0x80, 0x00}, Bytes{0x21, 0x80}, Bytes(9, 0xEE)}) {
        Answer([content](const Asked&) { return u8sim::EncodeFrame(0xF3, 0, content); });
        EXPECT_TRUE(port.CSP_WriteMemory(0x4000, data, 3)) << content.size();
    }
    // ...unless it is the device's error reply: then nothing was stored.
    Answer([](const Asked&) { return u8sim::EncodeFrame(0xF3, 0, {0x80, 0x21}); });
    EXPECT_FALSE(port.CSP_WriteMemory(0x4000, data, 3));
    EXPECT_EQ(port.LastError, 0x8021);
    // A read's reply: any CSP command and length bytes and no check byte,
    // but the echoed address and count and enough data.
    auto readReply = [](uint8_t cspCommand, int echoShift, size_t dataBytes) {
        return [=](const Asked& q) {
            Bytes csp = {cspCommand, 0x77, 0x77, q.data[3], uint8_t(q.data[4] + echoShift), q.data[5]};
            for (size_t i = 0; i < dataBytes; ++i) csp.push_back(uint8_t(0x40 + i));
            return u8sim::EncodeFrame(0xF3, 0, csp);
        };
    };
    uint8_t buf[10] = {};
    Answer(readReply(0x99, 0, 10));
    ASSERT_TRUE(port.CSP_ReadMem(0x1234, 10, buf));
    EXPECT_EQ(buf[0], 0x40);
    EXPECT_EQ(buf[9], 0x49);
    Answer(readReply(0x05, 0, 8));
    EXPECT_FALSE(port.CSP_ReadMem(0x1234, 10, buf));
    Answer(readReply(0x05, 1, 10));
    EXPECT_FALSE(port.CSP_ReadMem(0x1234, 10, buf));
}

TEST_F(DeviceReplies, AReplyForAnotherReadIsDroppedAndTheWaitGoesOn) {
    TSerialPort port;
    OpenFrameMode(port);
    port.MaxRead = 50;
    port.Log.PlainMode = true;
    port.Log.CacheMode = true;
    Answer([](const Asked& q) {
        // First a reply echoing another address, then the right one.
        Bytes wrong = {0x05, 0x00, 0x05, q.data[3], uint8_t(q.data[4] ^ 0x10), q.data[5], 0xAA, 0xAA};
        Bytes right = {0x05, 0x00, 0x05, q.data[3], q.data[4], q.data[5], 0x11, 0x22};
        Bytes out = u8sim::EncodeFrame(0xF3, 0, wrong);
        Bytes good = u8sim::EncodeFrame(0xF3, 0, right);
        out.insert(out.end(), good.begin(), good.end());
        return out;
    });
    uint8_t buf[2] = {};
    ASSERT_TRUE(port.CSP_ReadMem(0x0300, 2, buf));
    EXPECT_EQ(buf[0], 0x11);
    EXPECT_EQ(buf[1], 0x22);
    const auto& lines = port.Log.Cache();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Reply to another request dropped"), lines.end());
}

TEST_F(DeviceReplies, ALatePointReplyCostsOneFailedExchangeAndNeverWrongData) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 300;
    sim.Device().PutPoint(325, "PIN", 601000000, 246000000);
    sim.Device().PutPoint(327, "GREEN", 602000000, 247000000);
    // 327's reply comes after the time-out, in the middle of the wait for
    // 325, whose own reply follows it.
    sim.Device().AddFault(Rule(Fault::Delay, 35, 1, 500));
    sim.Device().AddFault(Rule(Fault::Delay, 35, 1, 350, 0, 1));
    DevicePoint point{};
    EXPECT_EQ(device.ReadPoint(327, &point, 0), -1);
    ASSERT_EQ(device.ReadPoint(325, &point, 0), 0);
    EXPECT_EQ(int(point.Id), 325);
    EXPECT_EQ(std::string(point.Name, 3), "PIN");
    EXPECT_EQ(int(point.Latitude), 601000000);
    // The counter moved on after the time-out: the late reply carries an older id.
    auto requests = sim.Device().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].packageId + 1, requests[1].packageId);
    ASSERT_EQ(device.ReadPoint(327, &point, 0), 0);
    EXPECT_EQ(int(point.Id), 327);
}

TEST_F(DeviceReplies, ALateMemoryReplyIsNotTakenForTheNextRead) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 300;
    sim.Device().Write(9000, Bytes(40, 0x11));
    sim.Device().Write(100, Bytes(40, 0x22));
    sim.Device().AddFault(Rule(Fault::Delay, 0xF3, 1, 500));
    sim.Device().AddFault(Rule(Fault::Delay, 0xF3, 1, 350, 0, 1));
    uint8_t buf[40];
    EXPECT_EQ(device.ReadBytes(9000, 40, buf), -1);
    ASSERT_EQ(device.ReadBytes(100, 40, buf), 0);
    EXPECT_EQ(Bytes(buf, buf + 40), Bytes(40, 0x22));
}

TEST_F(DeviceReplies, SuccessWithoutDataFailsWhereDataIsNeeded) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ShowErrors = false;
    auto noData = [&](int command) { sim.Device().AddFault(Rule(Fault::ErrorCode, command, 1, 0x00)); };
    uint8_t block[106];
    std::memset(block, 0xAB, sizeof block);
    noData(33);
    EXPECT_EQ(device.ReadPointList(0, block, 0), -1);
    DevicePoint point;
    std::memset(&point, 0xAB, sizeof point);
    noData(35);
    EXPECT_EQ(device.ReadPoint(5, &point, 0), -1);
    DevicePoint fresh{};
    noData(41);
    EXPECT_EQ(device.WritePoint(&fresh, "TEE 1"), -1);
    noData(43);
    EXPECT_EQ(device.CreatePointList("MyPoints", 1, 0), -1);
    EXPECT_EQ(sim.Device().Commits(), 0);
    uint8_t position[30];
    std::memset(position, 0xAB, sizeof position);
    noData(68);
    EXPECT_EQ(device.ReadPosition(7, position), -1);
    EXPECT_EQ(Bytes(position, position + 30), Bytes(30, 0xAB));
    uint16_t versions[4] = {1, 2, 3, 4};
    noData(241);
    EXPECT_EQ(device.GetTraxVersion(versions), -1);
    EXPECT_EQ(versions[0], 1);
    char text[21];
    std::memset(text, 'Q', sizeof text);
    sim.Device().AddFault(Rule(Fault::ErrorCode, 0xF3, 1, 0x00));
    EXPECT_EQ(device.GetU8Version(text), -1);
    EXPECT_EQ(std::string(text, 21), std::string(21, 'Q'));
    // Where no data is asked for, the same reply is success.
    sim.Device().PutPoint(5, "PIN", 0, 0);
    EXPECT_EQ(device.DeletePoint(5), 0);
    EXPECT_EQ(device.ResetU8(), 0);
    // And the device answers with data again afterwards.
    ASSERT_EQ(device.GetTraxVersion(versions), 0);
    EXPECT_EQ(versions[1], 15);
}

TEST_F(DeviceReplies, FramesThatAreNoReplyHoldTheWaitFourTimeOutsAtMost) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 200;
    // A frame every 40 ms for 4 s: inactivity alone never ends the wait.
    sim.Device().AddFault(Rule(Fault::Chatter, 0xF3, 1, 100, 40));
    uint8_t buf[10];
    TStopwatch watch;
    watch.Start();
    EXPECT_EQ(device.ReadBytes(0, 10, buf), -1);
    EXPECT_GE(watch.ElapsedNow(), 790u);
    EXPECT_LT(watch.ElapsedNow(), 1500u);
    sim.Device().AddFault(Rule(Fault::Chatter, 241, 1, 100, 40));
    uint16_t v[4];
    watch.Start();
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    EXPECT_LT(watch.ElapsedNow(), 1500u);
}

TEST_F(DeviceReplies, RawModeDiscardsInputBeforeEachChunk) {
    sim.Line().SetMode(u8sim::U8Sim::Mode::Csp);
    TSerialPort port;
    int model = -1;
    ASSERT_EQ(port.GetDeviceModel(SimPort, 0, model, -1), 0);
    port.ResponseTimeout = 300;
    Bytes data(120);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 5);
    sim.Device().Write(0x2000, data);
    // Every reply is followed by a stray byte: left waiting, it would be read
    // as the head of the next chunk's reply.
    sim.Device().AddFault(Rule(Fault::TrailingByte, -1, -1));
    Bytes back(120);
    ASSERT_TRUE(port.CSP_ReadMem(0x2000, 120, back.data()));
    EXPECT_EQ(back, data);
    ASSERT_TRUE(port.CSP_WriteMemory(0x2100, data.data(), 120));
    EXPECT_EQ(sim.Device().Read(0x2100, 120), data);
    port.ClosePort();
}

namespace {
// Drops the calling thread's power to open files regardless of their
// permissions (a root test run has it); other threads keep theirs.
bool DropFileAccessOverride() {
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    if (::syscall(SYS_capget, &head, caps) != 0) return false;
    caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    return ::syscall(SYS_capset, &head, caps) == 0;
}
} // namespace

TEST_F(DeviceReplies, APortRefusedForLackOfPermissionIsNamed) {
    const std::string path = sim.SlavePath();
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    int found = 0;
    std::vector<std::pair<int, std::string>> refused;
    std::string note;
    std::thread user([&] {
        if (::geteuid() == 0 && !DropFileAccessOverride()) {
            found = -2;
            return;
        }
        TSerialPort port;
        TU8Device device(&port);
        found = device.CheckDevice();
        refused = port.RefusedPorts;
        note = port.PortAccessNote();
    });
    user.join();
    ::chmod(path.c_str(), before.st_mode & 07777);
    ASSERT_NE(found, -2) << "cannot drop the file-access capability";
    EXPECT_EQ(found, -1);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0], std::make_pair(SimPort, path));
    EXPECT_EQ(note, "\nPort 3 (" + path +
                        ") exists but cannot be opened: permission denied. Add your user to the "
                        "dialout group (sudo usermod -aG dialout $USER) and log in again.");
    // Ports that do not exist are no refusal; once allowed, the search finds it.
    TSerialPort port;
    TU8Device device(&port);
    ASSERT_EQ(device.CheckDevice(), SimPort);
    EXPECT_TRUE(port.RefusedPorts.empty());
    EXPECT_EQ(port.PortAccessNote(), "");
}

TEST(PortAccessNote, NamesUpToThreePortsAndCountsTheRest) {
    TSerialPort port;
    EXPECT_EQ(port.PortAccessNote(), "");
    port.RefusedPorts = {{2, "/dev/ttyS0"}, {1, "/dev/ttyUSB0"}};
    EXPECT_EQ(port.PortAccessNote(),
              "\nPorts 1 (/dev/ttyUSB0) and 2 (/dev/ttyS0) exist but cannot be opened: permission denied. "
              "Add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.");
    port.RefusedPorts = {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}};
    EXPECT_EQ(port.PortAccessNote().substr(0, 51), "\nPorts 1 (a), 2 (b), 3 (c) and 2 more exist but can");
}
