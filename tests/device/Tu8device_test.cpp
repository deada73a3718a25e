#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <tuple>

#include "device/U8fixture.h"

namespace {

using u8sim::Fault;
using u8sim::FaultRule;
using Bytes = std::vector<uint8_t>;

FaultRule Rule(Fault kind, int command = -1, int param = 0) {
    FaultRule r;
    r.kind = kind;
    r.command = command;
    r.param = param;
    return r;
}

// Packed record fields are read by value (no reference to a misaligned field).
template <class T> T V(T value) { return value; }

Bytes Of(const void* p, size_t n) {
    auto b = static_cast<const uint8_t*>(p);
    return Bytes(b, b + n);
}

class U8Device : public U8Fixture {
protected:
    void SetUp() override {
        U8Fixture::SetUp();
        sim.Device().LoadFull();
        device = std::make_unique<TU8Device>(&port);
        Connect(port, *device);
        messages.Clear();
    }
    TSerialPort port;
    std::unique_ptr<TU8Device> device;
};

} // namespace

TEST(U8Conversions, SwapsAsTheDeviceStoresWords) {
    uint8_t four[4] = {1, 2, 3, 4};
    TU8Device::SwapLong(four);
    EXPECT_EQ(Of(four, 4), (Bytes{2, 1, 4, 3}));
    TU8Device::SwapLong(four);
    EXPECT_EQ(Of(four, 4), (Bytes{1, 2, 3, 4}));
    uint8_t two[2] = {0x12, 0x34};
    TU8Device::MSBtoLSB(two);
    EXPECT_EQ(Of(two, 2), (Bytes{0x34, 0x12}));

    DevicePoint p{};
    p.Id = 0x0102;
    std::memcpy(p.Name, "TEE1", 4);
    p.Latitude = 605000000;  // 60.5 degrees: 0x240F9140
    p.Longitude = -1;
    TU8Device::ConvertPoint(p);
    const uint8_t* w = reinterpret_cast<const uint8_t*>(&p);
    EXPECT_EQ(Of(w, 2), (Bytes{0x01, 0x02}));
    EXPECT_EQ(Of(w + 2, 6), (Bytes{'E', 'T', '1', 'E', 0, 0}));
    EXPECT_EQ(Of(w + 24, 4), (Bytes{0x91, 0x40, 0x24, 0x0F}));
    EXPECT_EQ(Of(w + 28, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(U8Records, CoursePointBlocksDoNotOverlap) {
    EXPECT_EQ(u8::FirstCoursePointId(0), 1);
    EXPECT_EQ(u8::LastCoursePointId(0), 162);
    EXPECT_EQ(u8::FirstCoursePointId(1), 163);
    EXPECT_EQ(u8::LastCoursePointId(2), 486);
    EXPECT_EQ(TU8Device::GameHoleAddress(2, 3), 15484);
    // Outside their ranges n and h address other memory, as the map computes it.
    EXPECT_EQ(TU8Device::GameHoleAddress(5, 1), 10065 + 4 * 5355 + 30);
    EXPECT_EQ(TU8Device::GameHoleAddress(1, 19), 10065 + 30 + 18 * 17);
    EXPECT_EQ(TU8Device::GameAreaAddress(12), -1);  // past 64 KB
    EXPECT_EQ(TU8Device::GameHoleAddress(0, -600), -1);
}

TEST_F(U8Device, ReadsEveryRecordAtItsAddress) {
    uint8_t header[12], dir[477], bags[588], game[30], hole[17], shot[14], settings[103];
    ASSERT_EQ(device->ReadBytes(0, 103, settings), 0);
    EXPECT_EQ(settings[23], 92);
    EXPECT_EQ(Of(settings, 103), sim.Device().Read(0, 103));
    ASSERT_EQ(device->ReadHeader(header), 0);
    EXPECT_EQ(Of(header, 12), sim.Device().Read(8192, 12));
    ASSERT_EQ(device->ReadCourseDirectory(dir), 0);
    EXPECT_EQ(Of(dir, 477), sim.Device().Read(9000, 477));
    auto* entries = reinterpret_cast<const CourseEntry*>(dir);
    EXPECT_EQ(V(entries[0].CourseId), 101);
    EXPECT_STREQ(entries[2].Name, "Sea Links");
    EXPECT_EQ(V(entries[1].Holes), 9);
    EXPECT_EQ(V(entries[0].Hole[1].Length), 150);
    EXPECT_EQ(V(entries[1].Hole[9].Length), 0xFFFF);
    ASSERT_EQ(device->ReadBags(bags), 0);
    EXPECT_EQ(Of(bags, 588), sim.Device().Read(9477, 588));
    auto* bag = reinterpret_cast<const BagRecord*>(bags);
    EXPECT_EQ(V(bag[1].BagId), 7);
    EXPECT_STREQ(bag[0].Club[0].Name, "Putter");
    EXPECT_EQ(V(bag[0].Club[0].ClubId), 99);
    EXPECT_EQ(V(bag[0].Club[0].Value12), 0x8000u);
    EXPECT_STREQ(bag[0].Club[1].Name, "Driver");
    EXPECT_EQ(V(bag[0].Club[1].ClubId), 100);
    EXPECT_EQ(V(bag[0].Club[13].ClubId), 0xFFFF);

    sim.Device().ClearLogs();
    ASSERT_EQ(device->ReadGameHeader(2, game), 0);
    ASSERT_EQ(device->ReadGameHole(2, 3, hole), 0);
    auto log = Accesses();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].address, 15420);
    EXPECT_EQ(log[0].count, 30);
    EXPECT_EQ(log[1].address, 15484);
    EXPECT_EQ(log[1].count, 17);
    auto* gh = reinterpret_cast<const GameHeader*>(game);
    EXPECT_EQ(V(gh->CourseId), 102);
    EXPECT_EQ(V(gh->Year), 24);

    sim.Device().ClearLogs();
    ASSERT_EQ(device->ReadGameShot(1, 1, 2, shot), 0);
    Bytes holeBytes = sim.Device().Read(10095, 17);
    int shotAt = holeBytes[8] | holeBytes[9] << 8;
    EXPECT_EQ(Of(shot, 14), sim.Device().Read(shotAt + 14, 14));
    log = Accesses();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].address, shotAt + 14);
    EXPECT_EQ(V(reinterpret_cast<const GameShot*>(shot)->Byte0), 2);

    // Bags travel in 50-byte chunks: 11 of 50 and one of 38.
    sim.Device().ClearLogs();
    ASSERT_EQ(device->ReadBags(bags), 0);
    log = Accesses();
    ASSERT_EQ(log.size(), 12u);
    EXPECT_EQ(log[11].address, 9477 + 550);
    EXPECT_EQ(log[11].count, 38);
}

TEST_F(U8Device, ShotsAreReadWhereverTheirHolePoints) {
    uint8_t shot[14], hole[17];
    // The nine-hole game keeps its shots in the fourth game area.
    ASSERT_EQ(device->ReadGameHole(2, 1, hole), 0);
    const int first = hole[8] | hole[9] << 8;
    EXPECT_GE(first, 10065 + 3 * 5355);
    sim.Device().ClearLogs();
    ASSERT_EQ(device->ReadGameShot(2, 1, 2, shot), 0);
    EXPECT_EQ(Of(shot, 14), sim.Device().Read(first + 14, 14));
    EXPECT_EQ(Accesses().back().address, first + 14);
    // A hole pointing at 0x6000 reads its second shot at 0x6000 + 14.
    sim.Device().Write(15420 + 30 + 8, {0x00, 0x60});
    sim.Device().Write(0x6000 + 14, Bytes(14, 0x5C));
    ASSERT_EQ(device->ReadGameShot(2, 1, 2, shot), 0);
    EXPECT_EQ(Of(shot, 14), Bytes(14, 0x5C));

    // Only memory bounds them: a hole pointing at 0xFFFF has its shots past
    // 64 KB, and the last 14 bytes of memory are a shot.
    sim.Device().Fill(15420 + 30 + 9 * 17 + 8, 2, 0xFF);
    ASSERT_EQ(device->ReadGameHole(2, 10, hole), 0);
    sim.Device().ClearLogs();
    EXPECT_EQ(device->ReadGameShot(2, 10, 1, shot), -1);
    sim.Device().Write(15420 + 30 + 8, {uint8_t(0x10000 - 28), uint8_t((0x10000 - 28) >> 8)});
    EXPECT_EQ(device->ReadGameShot(2, 1, 2, shot), 0);
    EXPECT_EQ(device->ReadGameShot(2, 1, 3, shot), -1);
    EXPECT_EQ(device->ReadGameShot(2, 1, 0, shot), 0);  // the 14 bytes before the first
    EXPECT_EQ(Accesses().back().address, 0x10000 - 42);
    // Reads beyond the four areas and 18 holes read other memory; writes stay
    // in their records and send nothing.
    uint8_t game[30];
    EXPECT_EQ(device->ReadGameHeader(5, game), 0);
    EXPECT_EQ(Accesses().back().address, 10065 + 4 * 5355);
    sim.Device().ClearLogs();
    EXPECT_EQ(device->WriteCourseEntry(hole, 4), -1);
    EXPECT_EQ(device->WriteBag(hole, 0), -1);
    EXPECT_EQ(device->WriteGameHeader(4, hole), -1);
    EXPECT_TRUE(Accesses().empty());
}

TEST_F(U8Device, WritesEveryRecordAtItsAddress) {
    Bytes entry(159), bag(294), bags(588), header(12), game(30);
    for (size_t i = 0; i < entry.size(); ++i) entry[i] = uint8_t(i);
    for (size_t i = 0; i < bag.size(); ++i) bag[i] = uint8_t(255 - i);
    for (size_t i = 0; i < bags.size(); ++i) bags[i] = uint8_t(i * 7);
    for (size_t i = 0; i < header.size(); ++i) header[i] = uint8_t(0x40 + i);
    for (size_t i = 0; i < game.size(); ++i) game[i] = uint8_t(0x80 + i);
    ASSERT_EQ(device->WriteCourseEntry(entry.data(), 3), 0);
    EXPECT_EQ(sim.Device().Read(9318, 159), entry);
    EXPECT_EQ(sim.Device().Read(9000, 2), (Bytes{101, 0}));
    ASSERT_EQ(device->WriteBag(bag.data(), 2), 0);
    EXPECT_EQ(sim.Device().Read(9771, 294), bag);
    ASSERT_EQ(device->WriteHeader(header.data()), 0);
    EXPECT_EQ(sim.Device().Read(8192, 12), header);
    ASSERT_EQ(device->WriteGameHeader(1, game.data()), 0);
    EXPECT_EQ(sim.Device().Read(15420, 30), game);
    sim.Device().ClearLogs();
    ASSERT_EQ(device->WriteBags(bags.data()), 0);
    EXPECT_EQ(sim.Device().Read(9477, 588), bags);
    EXPECT_EQ(Accesses().size(), 12u);
    ASSERT_EQ(device->Commit(), 0);
    EXPECT_EQ(sim.Device().Byte(31008), 0);
}

TEST_F(U8Device, AShortMemoryReplyOrARefusedWriteFails) {
    uint8_t buf[50];
    std::memset(buf, 0xAB, sizeof buf);
    // The packet says it carries one memory byte fewer than asked for.
    FaultRule shortRead = Rule(Fault::ShortData, 0xF3, 1);
    shortRead.csp = 5;
    sim.Device().AddFault(shortRead);
    EXPECT_EQ(device->ReadBytes(100, 50, buf), -1);
    EXPECT_EQ(Bytes(buf, buf + 50), Bytes(50, 0xAB));
    ASSERT_EQ(device->ReadBytes(100, 50, buf), 0);

    const uint8_t game[30] = {1, 2, 3};
    FaultRule refused = Rule(Fault::ErrorCode, 0xF3, 0x14);
    refused.csp = 6;
    sim.Device().AddFault(refused);
    EXPECT_EQ(device->WriteGameHeader(1, game), -1);
    EXPECT_EQ(port.LastError, 0x8014);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_NE(messages.Texts()[0].find("Unsuccessful"), std::string::npos);
    // A reply without data still acknowledges a write.
    FaultRule noData = Rule(Fault::ErrorCode, 0xF3, 0);
    noData.csp = 6;
    sim.Device().AddFault(noData);
    EXPECT_EQ(device->WriteGameHeader(1, game), 0);
    EXPECT_EQ(device->WriteGameHeader(1, game), 0);
}

TEST_F(U8Device, VersionsAndResetThenFurtherExchanges) {
    char text[21];
    ASSERT_EQ(device->GetU8Version(text), 0);
    EXPECT_STREQ(text, "U8 SIM 2.15 20070301");
    uint16_t v[4];
    ASSERT_EQ(device->GetTraxVersion(v), 0);
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[3], 7);
    auto requests = sim.Device().Requests();
    ASSERT_EQ(requests.size(), 2u);
    Bytes expected(24, 0);
    expected[1] = 1;
    EXPECT_EQ(requests[1].data, expected);

    sim.Device().SetVersionText(std::string(21, 'x'));
    EXPECT_EQ(device->GetU8Version(text), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "iTalkPassthrough: CSPData longer (21) than expected (20)!");

    ASSERT_EQ(device->ResetU8(), 0);
    EXPECT_EQ(sim.Device().Resets(), 1);
    uint8_t header[12];
    EXPECT_EQ(device->ReadHeader(header), 0);
    EXPECT_EQ(device->GetTraxVersion(v), 0);
    // A version reply that declares more than it holds.
    sim.Device().SetVersionText("short");
    sim.Device().AddFault(Rule(Fault::ShortReply, -1, 4));
    EXPECT_EQ(device->GetU8Version(text), -1);
}

TEST_F(U8Device, ReadsPointListsPointsAndPositions) {
    PointListBlock list;
    ASSERT_EQ(device->ReadPointList(0, &list, 0), 0);
    EXPECT_EQ(V(list.Count), 50);
    EXPECT_EQ(V(list.Ids[0]), 1);
    EXPECT_EQ(V(list.Ids[4]), 6);
    EXPECT_EQ(V(list.Ids[5]), 10);
    auto requests = sim.Device().Requests();
    ASSERT_EQ(requests.size(), 1u);
    Bytes expected(106, 0);
    expected[2] = 0x32;
    EXPECT_EQ(requests[0].data, expected);

    // A count above 50 is capped, as is one above what the reply carries.
    sim.Device().AddFault(Rule(Fault::ListCount, 33, 60));
    ASSERT_EQ(device->ReadPointList(0, &list, 0), 0);
    EXPECT_EQ(V(list.Count), 50);
    sim.Device().AddFault(Rule(Fault::ListCount, 33, 40));
    sim.Device().AddFault(Rule(Fault::ShortReply, 33, 100 - 2 * 10));
    ASSERT_EQ(device->ReadPointList(0, &list, 0), 0);
    EXPECT_EQ(V(list.Count), 10);

    // Every id, page by page, from a device that pages its list (225 points);
    // one that does not (the first ids again, or a refusal) is not read whole.
    for (auto [paging, whole, pages] : {std::tuple{u8sim::ListPaging::Pages, true, 5},
                                        {u8sim::ListPaging::RepeatsFirst, false, 2},
                                        {u8sim::ListPaging::Refuses, false, 2}}) {
        sim.Device().SetListPaging(paging);
        sim.Device().ClearLogs();
        std::vector<uint16_t> ids;
        bool read = !whole;
        port.ShowErrors = false;
        ASSERT_EQ(device->ReadPointIds(ids, read), 0);
        port.ShowErrors = true;
        EXPECT_EQ(read, whole);
        requests = sim.Device().Requests();
        ASSERT_EQ(requests.size(), size_t(pages));
        for (int p = 0; p < pages; ++p) EXPECT_EQ(requests[size_t(p)].data[6], 50 * p) << p;
        if (whole) {
            EXPECT_EQ(ids, sim.Device().PointIds());
        }
    }
    sim.Device().SetListPaging(u8sim::ListPaging::Pages);

    DevicePoint point;
    std::memset(&point, 0xAB, sizeof point);
    sim.Device().ClearLogs();
    ASSERT_EQ(device->ReadPoint(163, &point, 0), 0);
    EXPECT_EQ(V(point.Id), 163);
    EXPECT_STREQ(point.Name, "Tee");
    EXPECT_EQ(V(point.Latitude), 602500000);
    EXPECT_EQ(V(point.Longitude), 248500000);
    EXPECT_EQ(V(point.Field22), 0xFFFF);
    // The request carries the id and nothing of the caller's record.
    Bytes req(56, 0);
    req[0] = 0;
    req[1] = 163;
    EXPECT_EQ(sim.Device().Requests()[0].data, req);
    ASSERT_EQ(device->ReadPoint(2 * 162 + 2, &point, 0), 0);
    EXPECT_LT(V(point.Latitude), 0);
    EXPECT_LT(V(point.Longitude), 0);
    EXPECT_EQ(device->ReadPoint(500, &point, 0), -1);
    EXPECT_EQ(port.LastError, 0x8021);

    // List id and selector travel high byte first, the first position low byte first.
    port.ShowErrors = false;
    sim.Device().ClearLogs();
    EXPECT_EQ(device->ReadPointList(0x0102, &list, 0x0304), -1);
    ASSERT_EQ(device->ReadPoint(163, &point, 0x0506), 0);
    requests = sim.Device().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Bytes(requests[0].data.begin(), requests[0].data.begin() + 8),
              (Bytes{0, 0, 0x32, 0, 0x01, 0x02, 0x04, 0x03}));
    EXPECT_EQ(requests[1].data[36], 0x05);
    EXPECT_EQ(requests[1].data[37], 0x06);
    port.ShowErrors = true;

    PositionRecord pos;
    Bytes shot = sim.Device().Read(10095 + 8, 2);
    int shotAt = shot[0] | shot[1] << 8;
    Bytes s = sim.Device().Read(shotAt, 14);
    uint16_t posId = uint16_t(s[12] | s[13] << 8);
    ASSERT_EQ(device->ReadPosition(posId, &pos), 0);
    EXPECT_EQ(V(pos.Latitude), 601015648);
    EXPECT_EQ(V(pos.Longitude), 245980628);
    EXPECT_EQ(V(pos.Word0), posId);
    // A position reply shorter than 30 bytes fails; a longer one is cut.
    sim.Device().AddFault(Rule(Fault::ShortReply, 68, 2));
    EXPECT_EQ(device->ReadPosition(posId, &pos), -1);
    sim.Device().AddFault(Rule(Fault::LongReply, 68, 6));
    ASSERT_EQ(device->ReadPosition(posId, &pos), 0);
    EXPECT_EQ(V(pos.Latitude), 601015648);
    EXPECT_TRUE(messages.Empty() || messages.Texts().size() == 1u);
}

TEST_F(U8Device, WritesDeletesAndListsPoints) {
    sim.Device().LoadEmpty();
    DevicePoint point;
    std::memset(&point, 0, sizeof point);
    point.Id = 163;
    point.Field22 = 0xFFFF;
    point.Latitude = 605000000;
    point.Longitude = -1234567;
    EXPECT_EQ(device->WritePoint(&point, "A name of more than twenty chars"), 163);
    auto stored = sim.Device().GetPoint(163);
    EXPECT_EQ(stored.name, "A name of more than ");
    EXPECT_EQ(stored.latitude, 605000000);
    EXPECT_EQ(stored.longitude, -1234567);
    EXPECT_EQ(Of(&stored.wire[24], 4), (Bytes{0x91, 0x40, 0x24, 0x0F}));
    EXPECT_EQ(Of(&stored.wire[2], 4), (Bytes{' ', 'A', 'a', 'n'}));
    EXPECT_EQ(device->WritePoint(&point, "TEE1"), 163);
    EXPECT_EQ(Of(&sim.Device().GetPoint(163).wire[2], 6), (Bytes{'E', 'T', '1', 'E', 0, 0}));
    EXPECT_EQ(sim.Device().Commits(), 0);

    DevicePoint back;
    ASSERT_EQ(device->ReadPoint(163, &back, 0), 0);
    EXPECT_EQ(std::memcmp(&back, &point, 2), 0);
    EXPECT_STREQ(back.Name, "TEE1");
    EXPECT_EQ(V(back.Latitude), V(point.Latitude));
    EXPECT_EQ(V(back.Longitude), V(point.Longitude));

    // Full store: the device's error reaches the caller as -1 and a message.
    sim.Device().SetPointCapacity(1);
    point.Id = 164;
    EXPECT_EQ(device->WritePoint(&point, "PIN"), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "An iTalk error has occured: (0x8024) All waypoints used");

    // Delete commits; a failed delete does not.
    ASSERT_EQ(device->DeletePoint(163), 0);
    EXPECT_FALSE(sim.Device().HasPoint(163));
    EXPECT_EQ(sim.Device().Commits(), 1);
    EXPECT_EQ(device->DeletePoint(163), -1);
    EXPECT_EQ(sim.Device().Commits(), 1);

    int id = device->CreatePointList("MyPoints", 1, 0);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(sim.Device().PointLists(), std::vector<std::string>{"MyPoints"});
    EXPECT_EQ(sim.Device().Commits(), 2);
    Bytes req;
    for (auto& r : sim.Device().Requests())
        if (r.command == 43) req = r.data;
    ASSERT_EQ(req.size(), 24u);
    EXPECT_EQ(Bytes(req.begin(), req.begin() + 12), (Bytes{0, 1, 'y', 'M', 'o', 'P', 'n', 'i', 's', 't', 0, 0}));
    EXPECT_EQ(Bytes(req.begin() + 22, req.end()), (Bytes{0, 0}));
}

TEST_F(U8Device, DeletingOneCoursesPointsKeepsItsNeighbours) {
    port.ShowErrors = false;
    for (int id = u8::FirstCoursePointId(0); id <= u8::LastCoursePointId(0); ++id)
        device->DeletePoint(uint16_t(id));
    EXPECT_FALSE(sim.Device().HasPoint(1));
    EXPECT_FALSE(sim.Device().HasPoint(162));
    EXPECT_TRUE(sim.Device().HasPoint(163));
}

class U8Check : public U8Fixture {};

TEST_F(U8Check, FindsTheU8AndRefusesOtherModels) {
    {
        TSerialPort port;
        TU8Device device(&port);
        EXPECT_EQ(port.ResponseTimeout, 2000);
        EXPECT_EQ(port.OperationMode, 2);
        EXPECT_EQ(device.CheckDevice(), SimPort);
        EXPECT_TRUE(port.GetPortOpen());
        EXPECT_EQ(port.ResponseTimeout, 5000);
        TStopwatch watch;
        watch.Start();
        EXPECT_EQ(device.ClosePort(), 0);
        EXPECT_GE(watch.ElapsedNow(), 495u);
        EXPECT_FALSE(port.GetPortOpen());
        EXPECT_TRUE(messages.Empty());
    }
    TIniFile(DataPath("caddora.ini")).DeleteKey("Port Settings", "LastGoodPort");
    sim.Device().SetModelCode(5);
    TSerialPort port;
    TU8Device device(&port);
    EXPECT_EQ(device.CheckDevice(), -1);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "Device on port is unknown armdeck");
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_FALSE(IniHas("LastGoodPort"));
}

TEST_F(U8Check, AnExceptionInTheCheckShowsItsLabel) {
    sim.Device().SetModelCode(5);
    std::vector<std::string> shown;
    SetMessageResponder([&shown](const MessageRequest& r) -> int {
        shown.push_back(r.text);
        if (shown.size() == 1) throw std::runtime_error("no dialog");
        return IDOK;
    });
    TSerialPort port;
    TU8Device device(&port);
    int result = device.CheckDevice();
    SetMessageResponder(nullptr);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Device on port is unknown armdeck");
    EXPECT_EQ(shown[1], "Class::Function (this):no dialog");
}
