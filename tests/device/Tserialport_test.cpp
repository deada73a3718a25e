#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "device/Commport.h"
#include "device/Faultrule.h"
#include "device/U8fixture.h"

namespace {

using u8sim::Fault;
using u8sim::FaultRule;
using Bytes = std::vector<uint8_t>;

Bytes Package(TSerialPort& port, uint8_t command, const Bytes& data) {
    std::unique_ptr<uint8_t[]> p(port.CSP_CreatePackage(command, data.data(), int(data.size())));
    return p ? Bytes(p.get(), p.get() + data.size() + 4) : Bytes{};
}

} // namespace

TEST(CspPackets, ChecksumCoversDataInRawModeAndEverythingInFrameMode) {
    TSerialPort port;
    port.SetOperationMode(2);
    EXPECT_EQ(Package(port, 5, {0x00, 0x17, 0x01}), (Bytes{0x05, 0x00, 0x03, 0x00, 0x17, 0x01, 0x10}));
    port.SetOperationMode(1);
    EXPECT_EQ(Package(port, 5, {0x17, 0x00, 0x01}), (Bytes{0x05, 0x00, 0x03, 0x17, 0x00, 0x01, 0x16}));
    EXPECT_EQ(Package(port, 7, {}), (Bytes{0x07, 0x00, 0x00, 0x00}));
    EXPECT_EQ(TSerialPort::CspXorChecksum(nullptr, 0), 0);
}

TEST(CspPackets, PurgeChecksLengthAndChecksum) {
    TSerialPort port;
    uint8_t* package = new uint8_t[7]{0x05, 0x00, 0x03, 0x17, 0x00, 0x01, 0x16};
    uint8_t* data = nullptr;
    // A total that is not data length + 4 keeps the package.
    EXPECT_FALSE(port.CSP_PurgePackage(package, 8, data));
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(data, nullptr);
    ASSERT_TRUE(port.CSP_PurgePackage(package, 7, data));
    EXPECT_EQ(package, nullptr);
    EXPECT_EQ(Bytes(data, data + 3), (Bytes{0x17, 0x00, 0x01}));
    delete[] data;

    // A checksum that does not match: the package is freed all the same.
    package = new uint8_t[7]{0x05, 0x00, 0x03, 0x17, 0x00, 0x01, 0x17};
    EXPECT_FALSE(port.CSP_PurgePackage(package, 7, data));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(package, nullptr);
    delete[] package;
}

TEST(ProtocolLog, SettingsLineAndHexDump) {
    TSerialPort port;
    port.Log.PlainMode = true;
    port.Log.CacheMode = true;
    port.SetPortSettings(115200, 0, 8, 1, 0);
    port.SetPortSettings(2400, 2, 8, 2, 1);
    EXPECT_EQ(port.CommPort->GetParity(), 1);  // odd
    // An invalid parity changes nothing and leaves its part out.
    port.SetPortSettings(115200, 3, 8, 1, 0);
    EXPECT_EQ(port.CommPort->GetParity(), 1);
    const uint8_t bytes[2] = {'A', 0};
    port.DumpBytes(bytes, 2);
    EXPECT_EQ(port.Log.Cache(), (std::vector<std::string>{
                                    "Port settings: 115200,pNone,8,1,hNone",
                                    "Port settings: 2400,pOdd,8,2,hHardware",
                                    "Invalid parity value",
                                    "Port settings: 115200,8,1,hNone",
                                    "---Start---",
                                    "    0 :     A : 0x41 : d65",
                                    "    1 :       : 0x00 : d0",
                                    "---End---",
                                }));
}

TEST(ItalkErrors, EveryCodeHasItsText) {
    TSerialPort port;
    const std::pair<int, const char*> table[] = {
        {0x8011, "Unknown command"},     {0x8012, "Unknown service"},      {0x8013, "No fix yet"},
        {0x8014, "Unsuccessful"},        {0x8021, "Waypoint not found"},   {0x8022, "Route not found"},
        {0x8023, "Route point not found"}, {0x8024, "All waypoints used"}, {0x8025, "All routes used"},
        {0x8026, "Route full"},          {0x8027, "Illegal id"},           {0x8028, "Illegal name"},
        {0x8029, "Log not found"},       {0x802A, "Error log full"},       {0x8031, "Flash unsuccessful"},
        {0x8032, "File not found"},      {0x8033, "Illegal file"},         {0x8034, "File already open"},
        {0x8035, "File open"},           {0x8036, "Open file table full"}, {0x8037, "End of file"},
        {0x8038, "Flash full"},          {0x8039, "Invalid block quantity"}, {0x803A, "Invalid block"},
        {0x803B, "Flash write failed"},  {0x803C, "Flash erase failed"},   {0x803D, "Fat corrupted"},
        {0x803E, "Fat not found"},       {0x803F, "Media not consistent"}, {0x8015, "Unknown is busy"},
        {0x8000, "Unknown is busy"}};
    for (auto [code, text] : table) {
        char head[64];
        std::snprintf(head, sizeof head, "An iTalk error has occured: (0x%X) ", code);
        EXPECT_EQ(port.GetITALKErrorString(code), std::string(head) + text);
    }
    EXPECT_EQ(port.GetITALKErrorString(0x803A), "An iTalk error has occured: (0x803A) Invalid block");
}

TEST(DeviceNames, ByFamilyAndCode) {
    TSerialPort port;
    EXPECT_EQ(port.DeviceName(1, 92), "U8");
    EXPECT_EQ(port.DeviceName(0, 92), "U8");
    EXPECT_EQ(port.DeviceName(1, 5), "unknown armdeck");
    EXPECT_EQ(port.DeviceName(2, 5), "unknown dive computer");
    EXPECT_EQ(port.DeviceName(3, 92), "unknown device type");
}

class SerialPortLink : public U8Fixture {};

TEST_F(SerialPortLink, ModelReadSendsTheExactPassthroughFrame) {
    TSerialPort port;
    int model = -1;
    ASSERT_EQ(port.GetDeviceModel(SimPort, 1, model, -1), 0);
    EXPECT_EQ(model, 92);
    auto requests = sim.Line().Requests();
    ASSERT_EQ(requests.size(), 1u);
    const Bytes expected = {'<', '*', 0x00, 0x0D, 0, 0, 0, 0, 0, 0, 0x03, 0xF3, 0x00, 0x04,
                            0x02, 0x0C, 0x01, 0x07, 0x00, 0x01, 0x00, 0x04,
                            0x05, 0x00, 0x03, 0x00, 0x17, 0x01, 0x10, 0x00, 0x2F, 0x01, '>'};
    EXPECT_EQ(requests[0].bytes, expected);
    EXPECT_TRUE(port.GetPortOpen());
    EXPECT_EQ(port.ResponseTimeout, 5000);
    EXPECT_EQ(IniValue("LastGoodPort"), SimPort);
    auto line = sim.Line().CheckLine(115200);
    EXPECT_TRUE(line.ok) << line.problems;
}

TEST_F(SerialPortLink, MemoryWriteFrameCarriesThePacketWithoutItsCheckByte) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    ASSERT_EQ(device.Commit(), 0);
    auto requests = sim.Line().Requests();
    ASSERT_EQ(requests.size(), 1u);
    // 06 0004 7920 01 00, padded to 8 bytes; the packet's XOR byte (0x5A) stays out.
    const Bytes expected = {'<', '*', 0x00, 0x0D, 0, 0, 0, 0, 0, 0, 0x03, 0xF3, 0x00, 0x04,
                            0x02, 0x0C, 0x01, 0x07, 0x00, 0x01, 0x00, 0x04,
                            0x06, 0x00, 0x04, 0x79, 0x20, 0x01, 0x00, 0x00, 0x2A, 0x7A, '>'};
    EXPECT_EQ(requests[0].bytes, expected);
    EXPECT_EQ(sim.Device().Byte(31008), 0);
}

TEST_F(SerialPortLink, RawCspModeReadsAndWritesWithLowByteFirstAddresses) {
    sim.Line().SetMode(u8sim::U8Sim::Mode::Csp);
    sim.Device().Write(90, {0x5C});
    TSerialPort port;
    int model = -1;
    ASSERT_EQ(port.GetDeviceModel(SimPort, 0, model, 92), 0);
    EXPECT_EQ(model, 0x5C);
    auto requests = sim.Line().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].bytes, (Bytes{0x05, 0x00, 0x03, 0x5A, 0x00, 0x01, 0x5B}));
    EXPECT_TRUE(sim.Line().CheckLine(9600).ok);

    Bytes data(120);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 3);
    ASSERT_TRUE(port.CSP_WriteMemory(0x1234, data.data(), 120));
    Bytes back(120);
    ASSERT_TRUE(port.CSP_ReadMem(0x1234, 120, back.data()));
    EXPECT_EQ(back, data);
    EXPECT_EQ(sim.Device().Read(0x1234, 120), data);

    // A reply for another address is not taken: the wait goes on until the
    // time-out.
    port.ResponseTimeout = 200;
    sim.Device().AddFault(Rule(Fault::WrongEcho));
    EXPECT_FALSE(port.CSP_ReadMem(0x1234, 10, back.data()));
    sim.Device().AddFault(Rule(Fault::BadChecksum));
    EXPECT_FALSE(port.CSP_ReadMem(0x1234, 10, back.data()));
    sim.Device().AddFault(Rule(Fault::ShortReply, -1, 1, 2));
    EXPECT_FALSE(port.CSP_ReadMem(0x1234, 10, back.data()));
    port.ClosePort();
}

TEST_F(SerialPortLink, MemoryTravelsInChunksOfAtMost255Bytes) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);

    Bytes data(120);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(0xA0 ^ i);
    sim.Device().Write(20000, data);
    std::unique_ptr<uint8_t[]> got(port.CSP_ReadMemory(20000, 120));
    ASSERT_TRUE(got);
    EXPECT_EQ(Bytes(got.get(), got.get() + 120), data);
    auto log = Accesses();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].address, 20000);
    EXPECT_EQ(log[0].count, 50);
    EXPECT_EQ(log[1].address, 20050);
    EXPECT_EQ(log[2].address, 20100);
    EXPECT_EQ(log[2].count, 20);

    sim.Device().ClearLogs();
    ASSERT_TRUE(port.CSP_WriteMemory(21000, data.data(), 51));
    log = Accesses();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].write);
    EXPECT_EQ(log[0].count, 50);
    EXPECT_EQ(log[1].address, 21050);
    EXPECT_EQ(log[1].count, 1);
    EXPECT_EQ(sim.Device().Read(21000, 51), Bytes(data.begin(), data.begin() + 51));

    // A chunk size above what one count byte can carry is cut to 255.
    port.CSP_SetMaxRead(1000);
    port.CSP_SetMaxWrite(1000);
    sim.Device().ClearLogs();
    Bytes big(600, 0x5A);
    ASSERT_TRUE(port.CSP_WriteMemory(30000, big.data(), 600));
    got.reset(port.CSP_ReadMemory(30000, 600));
    ASSERT_TRUE(got);
    EXPECT_EQ(Bytes(got.get(), got.get() + 600), big);
    log = Accesses();
    ASSERT_EQ(log.size(), 6u);
    for (int i : {0, 1, 3, 4}) EXPECT_EQ(log[i].count, 255);
    EXPECT_EQ(log[2].count, 90);
    EXPECT_EQ(log[5].count, 90);
}

TEST_F(SerialPortLink, EmptyAndOutOfRangeAccessesSendNothing) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    uint8_t b[4] = {};
    EXPECT_EQ(port.CSP_ReadMemory(100, 0), nullptr);
    EXPECT_TRUE(port.CSP_WriteMemory(100, b, 0));
    EXPECT_EQ(port.CSP_ReadMemory(0xFFFF, 2), nullptr);
    EXPECT_EQ(port.CSP_ReadMemory(-1, 2), nullptr);
    EXPECT_FALSE(port.CSP_WriteMemory(0xFFFE, b, 3));
    EXPECT_EQ(sim.Line().RequestCount(), 0u);
    // The last byte of memory is reachable.
    ASSERT_TRUE(port.CSP_ReadMem(0xFFFF, 1, b));
    EXPECT_EQ(b[0], 0xFF);
}

TEST_F(SerialPortLink, PackageCounterWrapsFrom100To1) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    uint16_t v[4];
    while (TSerialPort::NextPackageId() != 100) ASSERT_EQ(device.GetTraxVersion(v), 0);
    sim.Device().ClearLogs();
    ASSERT_EQ(device.GetTraxVersion(v), 0);
    EXPECT_EQ(TSerialPort::NextPackageId(), 1);
    ASSERT_EQ(device.GetTraxVersion(v), 0);
    auto requests = sim.Device().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].packageId, 100);
    EXPECT_EQ(requests[1].packageId, 1);
    // An unanswered request moves it on too: a late reply is no reply to the next.
    port.ResponseTimeout = 100;
    sim.Device().AddFault(Rule(Fault::Silence));
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    EXPECT_EQ(TSerialPort::NextPackageId(), 3);
    // Memory access does not touch it either.
    uint8_t b;
    ASSERT_EQ(device.ReadBytes(23, 1, &b), 0);
    EXPECT_EQ(TSerialPort::NextPackageId(), 3);
}

TEST_F(SerialPortLink, ErrorRepliesShowTheirTextOnlyWithShowErrors) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    messages.Clear();
    uint16_t v[4];
    sim.Device().AddFault(Rule(Fault::ErrorCode, 241, 1, 0x21));
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    EXPECT_EQ(port.LastError, 0x8021);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "An iTalk error has occured: (0x8021) Waypoint not found");

    messages.Clear();
    port.ShowErrors = false;
    sim.Device().AddFault(Rule(Fault::ErrorCode, 241, 1, 0x15));
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    EXPECT_EQ(port.LastError, 0x8015);
    EXPECT_TRUE(messages.Empty());
    // The next good exchange clears it.
    EXPECT_EQ(device.GetTraxVersion(v), 0);
    EXPECT_EQ(port.LastError, 0);

    // {0x80, 0x00} is success without data, even with no reply buffer.
    sim.Device().PutPoint(1, "TEE 1", 0, 0);
    int len = 0;
    const uint8_t id[2] = {0, 1};
    EXPECT_EQ(port.iTalkSepi(39, 2, id, len, nullptr), 0);
    EXPECT_EQ(len, 0);
}

TEST_F(SerialPortLink, OverlongRepliesAreRefused) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    messages.Clear();
    uint16_t v[4];
    sim.Device().AddFault(Rule(Fault::LongReply, 241, 1, 2));
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "iTalkSepi: Response CSPData longer than expected!");

    // A CSP reply of 20 data bytes fits a capacity of 20, 21 does not.
    messages.Clear();
    sim.Device().SetVersionText(std::string(20, 'V'));
    uint8_t reply[32];
    int len = 20;
    EXPECT_EQ(port.iTalkPassthrough(15, 0, nullptr, len, reply), 0);
    EXPECT_EQ(len, 20);
    sim.Device().SetVersionText(std::string(21, 'V'));
    len = 20;
    EXPECT_EQ(port.iTalkPassthrough(15, 0, nullptr, len, reply), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "iTalkPassthrough: CSPData longer (21) than expected (20)!");
}

TEST_F(SerialPortLink, LineFaultsEndInACleanFailure) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 300;
    port.ShowErrors = false;
    uint8_t buf[64];
    const FaultRule faults[] = {
        Rule(Fault::Silence),           Rule(Fault::BadChecksum),           Rule(Fault::Echo),
        Rule(Fault::ShortReply, -1, 1, 4), Rule(Fault::WrongEcho),          Rule(Fault::Delay, -1, 1, 600),
        Rule(Fault::ErrorCode, -1, 1, 0x14),
    };
    int i = 0;
    for (const FaultRule& f : faults) {
        SCOPED_TRACE(i++);
        sim.Device().ClearFaults();
        sim.Device().AddFault(f);
        EXPECT_EQ(device.ReadBytes(9000, 40, buf), -1);
        // The device answers again afterwards.
        sim.Device().ClearFaults();
        ProcessEventsFor(f.kind == Fault::Delay ? 400 : 0);
        port.FlushBuffers();
        ASSERT_EQ(device.ReadBytes(9000, 40, buf), 0);
        EXPECT_EQ(Bytes(buf, buf + 40), sim.Device().Read(9000, 40));
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SerialPortLink, RepliesThatStillArriveWholeAreTaken) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 500;
    uint8_t buf[50];
    uint16_t v[4];
    // In parts with pauses shorter than the inactivity time-out.
    sim.Device().AddFault(Rule(Fault::Split, -1, 1, 4, 200));
    ASSERT_EQ(device.ReadBytes(100, 50, buf), 0);
    EXPECT_EQ(Bytes(buf, buf + 50), sim.Device().Read(100, 50));
    sim.Device().AddFault(Rule(Fault::Garbage, -1, 1, 13));
    port.Log.PlainMode = true;
    port.Log.CacheMode = true;
    ASSERT_EQ(device.ReadBytes(100, 50, buf), 0);
    const auto& lines = port.Log.Cache();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Dumped bytes in begin of data (13):"), lines.end());
    port.Log.CacheMode = false;
    sim.Device().AddFault(Rule(Fault::StaleThenGood, 241));
    ASSERT_EQ(device.GetTraxVersion(v), 0);
    EXPECT_EQ(v[1], 15);
    sim.Device().AddFault(Rule(Fault::StaleId, 241));
    EXPECT_EQ(device.GetTraxVersion(v), -1);
    // Any command but the pass-through one may carry the reply.
    sim.Device().AddFault(Rule(Fault::OtherCommand, 241));
    ASSERT_EQ(device.GetTraxVersion(v), 0);
    EXPECT_EQ(v[1], 15);
    sim.Device().AddFault(Rule(Fault::OtherCommand, 0xF3));
    ASSERT_EQ(device.ReadBytes(100, 50, buf), 0);
    EXPECT_EQ(Bytes(buf, buf + 50), sim.Device().Read(100, 50));
    sim.Device().AddFault(Rule(Fault::Delay, -1, 1, 300));
    ASSERT_EQ(device.ReadBytes(100, 50, buf), 0);
}

TEST_F(SerialPortLink, SilenceTimesOutAfterInactivityNotAtOnce) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 300;
    uint8_t buf[10];
    sim.Device().AddFault(Rule(Fault::Silence));
    TStopwatch watch;
    watch.Start();
    EXPECT_EQ(device.ReadBytes(0, 10, buf), -1);
    unsigned ms = watch.ElapsedNow();
    EXPECT_GE(ms, 290u);
    EXPECT_LT(ms, 2000u);
}

TEST_F(SerialPortLink, CutLineFails) {
    TSerialPort port;
    TU8Device device(&port);
    Connect(port, device);
    port.ResponseTimeout = 300;
    sim.Line().CutLine();
    uint8_t buf[10];
    EXPECT_EQ(device.ReadBytes(0, 10, buf), -1);
    uint16_t v[4];
    EXPECT_EQ(device.GetTraxVersion(v), -1);
}

TEST_F(SerialPortLink, SearchTriesForcedPortOnly) {
    TIniFile(DataPath("caddora.ini")).WriteInteger("Port Settings", "ForcePortNr", 4);
    TSerialPort port;
    int model = -1;
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), -1);
    EXPECT_EQ(sim.Line().RequestCount(), 0u);
    EXPECT_FALSE(port.GetPortOpen());
    TIniFile(DataPath("caddora.ini")).WriteInteger("Port Settings", "ForcePortNr", SimPort);
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), SimPort);
    EXPECT_EQ(model, 92);
    EXPECT_EQ(port.MaxRead, 50);
    EXPECT_EQ(port.MaxWrite, 50);
    EXPECT_EQ(IniValue("ForcePortNr"), SimPort);
}

TEST_F(SerialPortLink, APortThatDoesNotOpenStillWaitsTheOpenDelay) {
    TIniFile ini(DataPath("caddora.ini"));
    ini.WriteInteger("Port Settings", "ForcePortNr", 4);
    ini.WriteInteger("Port Settings", "OpenDelayMS", 300);
    TSerialPort port;
    int model = -1;
    TStopwatch watch;
    watch.Start();
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), -1);
    EXPECT_GE(watch.ElapsedNow(), 290u);
    EXPECT_FALSE(port.GetPortOpen());
    // The time-out stays at the connect time-out.
    EXPECT_EQ(port.ResponseTimeout, SimConnectTimeoutMS);
}

TEST_F(SerialPortLink, SearchGoesOnFromAFailingLastGoodPortAndWritesTheFileBack) {
    TIniFile ini(DataPath("caddora.ini"));
    ini.DeleteKey("Port Settings", "OpenDelayMS");
    ini.DeleteKey("Port Settings", "ReadDelayMS");
    ini.WriteInteger("Port Settings", "LastGoodPort", 5);
    TSerialPort port;
    int model = -1;
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), SimPort);
    EXPECT_EQ(IniValue("LastGoodPort"), SimPort);
    EXPECT_EQ(IniValue("ForcePortNr"), -1);
    EXPECT_EQ(IniValue("OpenDelayMS"), 100);
    EXPECT_EQ(IniValue("ReadDelayMS"), 100);
    EXPECT_EQ(IniValue("ConnectTimeoutMS"), SimConnectTimeoutMS);

    // The sim moves to port 7: the last good port 3 fails, the scan finds 7.
    port.ClosePort();
    PointPorts(7);
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), 7);
    EXPECT_EQ(IniValue("LastGoodPort"), 7);
    port.ClosePort();

    // Nothing answering anywhere.
    SetConnectTimeout(300);
    sim.Device().AddFault(Rule(Fault::Silence, -1, -1));
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), -1);
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_EQ(port.ResponseTimeout, 5000);
}

TEST_F(SerialPortLink, WriteIniClearedLeavesTheFileAlone) {
    TSerialPort port;
    port.WriteIni = false;
    int model = -1;
    EXPECT_EQ(port.SearchArmdeck(1, model, -1), SimPort);
    EXPECT_FALSE(IniHas("LastGoodPort"));
    EXPECT_FALSE(IniHas("ForcePortNr"));
}

TEST_F(SerialPortLink, UnknownFamilyIsRefused) {
    TSerialPort port;
    int model = -1;
    EXPECT_EQ(port.GetDeviceModel(SimPort, 7, model, -1), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "Unknown device type: 7");
    std::vector<int> ports;
    port.GetAvailablePorts(ports);
    EXPECT_EQ(ports, std::vector<int>{SimPort});
}
