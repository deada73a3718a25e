// The upload of bags and a course into the simulated U8's memory.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "transfer/Transfercommon.h"
#include "transfer/Transw31.h"
#include "transfer/Transw4.h"
#include "transfer/Transferfixture.h"

namespace {

using Club = TTransWiz4::ClubSample;

Club MakeClub(int id, const std::string& name, int type, int shots = 0, double length = 0,
              double withLength = 0) {
    Club c;
    c.ClubId = id;
    c.ClubName = name;
    c.Type = type;
    c.Shots = shots;
    c.ShotsLength = length;
    c.ShotsWithLength = withLength;
    return c;
}

TTransWiz4::TBag MakeBag(int id, const std::string& name, std::vector<Club> clubs) {
    TTransWiz4::TBag b;
    b.BagId = id;
    b.BagName = name;
    for (size_t i = 0; i < clubs.size(); ++i) b.Clubs[i] = clubs[i];
    b.ClubCount = int(clubs.size());
    return b;
}

class DeviceUploadTest : public TransferTest {
protected:
    int SendBags(std::vector<TTransWiz4::TBag> bags) {
        std::vector<TTransWiz4::CourseHeader> none(3);
        TDeviceUpload upload(device, db);
        return upload.Send(1, none, 0, bags, int(bags.size()), -1);
    }
    int SendCourse(int courseId, const std::string& listName, int tee) {
        std::vector<TTransWiz4::CourseHeader> courses(3);
        FillCourse(db, courseId, listName, courses[0]);
        std::vector<TTransWiz4::TBag> bags(2);
        TDeviceUpload upload(device, db);
        return upload.Send(0, courses, 1, bags, 0, tee);
    }
    BagRecord Bag(int slot) {
        BagRecord r;
        auto bytes = sim.Device().Read(u8::BagsAddress + u8::BagRecordSize * slot, u8::BagRecordSize);
        std::memcpy(&r, bytes.data(), sizeof r);
        return r;
    }
    CourseEntry Entry(int slot) {
        CourseEntry e;
        auto bytes = sim.Device().Read(u8::CourseDirAddress + u8::CourseEntrySize * slot, u8::CourseEntrySize);
        std::memcpy(&e, bytes.data(), sizeof e);
        return e;
    }
    bool Wrote() {
        for (const auto& a : sim.Device().MemoryLog())
            if (a.write) return true;
        return false;
    }
    std::string LastMessage() { return messages.Empty() ? "" : messages.Texts().back(); }
};

std::vector<Club> ThreeClubs() {
    return {MakeClub(10, "Driver", 0, 0, 800.7, 4.9), MakeClub(11, "7Iron", 1, 0, 0, 3),
            MakeClub(12, "Putter", 9, 30, 12.7, 0)};
}

TEST_F(DeviceUploadTest, ThreeClubBagFillsItsItemsAndMarksTheRest) {
    EXPECT_EQ(SendBags({MakeBag(5, "Sunday", ThreeClubs())}), 1);
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    BagRecord r = Bag(0);
    EXPECT_EQ(+r.BagId, 5);
    EXPECT_EQ(+r.ClubCount, 3);
    EXPECT_EQ(+r.Limit5, 2);
    EXPECT_EQ(+r.Limit11, 2);
    EXPECT_EQ(+r.Limit12, 2);
    EXPECT_STREQ(r.Name, "Sunday");
    EXPECT_EQ(+r.Club[0].ClubId, 10);
    EXPECT_EQ(+r.Club[0].Count, 4);         // ShotsWithLength truncated
    EXPECT_EQ(+r.Club[0].Value12, 200u);    // 800 / 4
    EXPECT_EQ(+r.Club[0].Value16, 800u);
    EXPECT_EQ(+r.Club[1].Value12, 0u);      // no length yet
    EXPECT_EQ(+r.Club[2].ClubId, 99);       // the putter of the first bag
    EXPECT_EQ(+r.Club[2].Count, 30);
    EXPECT_EQ(+r.Club[2].Value12, 0x8000u);
    EXPECT_EQ(+r.Club[2].Value16, 12u);
    for (int j = 3; j < 14; ++j) {
        EXPECT_EQ(+r.Club[j].ClubId, 0xFFFF) << j;
        EXPECT_EQ(uint8_t(r.Club[j].Name[0]), 0xFF) << j;
        EXPECT_EQ(+r.Club[j].Count, 0xFFFF) << j;
        EXPECT_EQ(+r.Club[j].Value12, 0xFFFFFFFFu) << j;
        EXPECT_EQ(+r.Club[j].Value16, 0xFFFFFFFFu) << j;
    }
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 1), 1);  // slot 0 + 1
    EXPECT_GE(sim.Device().Resets(), 1);
}

TEST_F(DeviceUploadTest, FourteenClubsAndNameRule) {
    std::vector<Club> clubs;
    for (int i = 0; i < 13; ++i) clubs.push_back(MakeClub(20 + i, "Iron" + std::to_string(i), 1));
    clubs.push_back(MakeClub(40, "Big #1", 9, 3));
    EXPECT_EQ(SendBags({MakeBag(6, "Weekend bag", clubs)}), 1);
    BagRecord r = Bag(0);
    EXPECT_EQ(+r.ClubCount, 14);
    EXPECT_EQ(+r.Limit5, 5);
    EXPECT_EQ(+r.Limit11, 11);
    EXPECT_EQ(+r.Limit12, 12);
    EXPECT_EQ(std::string(r.Name, 8), std::string("Weekend\0", 8));  // cut at 7
    const char big[8] = {'B', 'i', 'g', ' ', 0, '1', 0, 0};       // '#' is not written
    EXPECT_EQ(std::memcmp(r.Club[13].Name, big, 8), 0);
    EXPECT_EQ(transfer::DeviceText(r.Club[13].Name, 8), "Big ");
}

TEST_F(DeviceUploadTest, NameRuleClearsTheFieldFirst) {
    char field[10];
    std::memset(field, 'X', sizeof field);
    PutDeviceName(field, "\xE9t\xE9", 7);  // first character rejected
    EXPECT_EQ(field[0], 0);
    EXPECT_EQ(field[1], 't');
    EXPECT_EQ(field[2], 0);
    EXPECT_EQ(field[7], 0);
    EXPECT_EQ(field[8], 'X');  // outside the field
    PutDeviceName(field, "", 7);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(field[i], 0);
}

TEST_F(DeviceUploadTest, TwoBagsWithThePutterInTheSecondOnly) {
    auto first = MakeBag(7, "Ärtbag", {MakeClub(1, "Éclair", 0), MakeClub(2, "B", 1), MakeClub(3, "C", 2)});
    auto second = MakeBag(8, "Putt", ThreeClubs());
    EXPECT_EQ(SendBags({first, second}), 1);
    EXPECT_EQ(+Bag(0).BagId, 7);
    EXPECT_EQ(+Bag(1).BagId, 8);
    EXPECT_EQ(+Bag(1).Club[2].ClubId, 98);  // putter of the second bag of the transfer
    EXPECT_STREQ(Bag(0).Name, "Artbag");    // letters with marks go as their base letters
    EXPECT_STREQ(Bag(0).Club[0].Name, "Eclair");
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 1), 2);
}

TEST_F(DeviceUploadTest, BagOneIsPlacedFirstSoTwoBagsNeverShareASlot) {
    // Slot 0 holds bag 9 already; bag 1 (listed second) owns slot 0.
    std::vector<uint8_t> head = {9, 0};
    sim.Device().Write(u8::BagsAddress, head);
    EXPECT_EQ(SendBags({MakeBag(9, "Nine", ThreeClubs()), MakeBag(1, "Default", ThreeClubs())}), 1);
    EXPECT_EQ(+Bag(0).BagId, 1);
    EXPECT_EQ(+Bag(1).BagId, 9);
    EXPECT_EQ(+Bag(0).Club[2].ClubId, 98);  // the putter id follows the list, not the slot
    EXPECT_EQ(+Bag(1).Club[2].ClubId, 99);
}

TEST_F(DeviceUploadTest, SameBagAgainOverwritesItsSlot) {
    sim.Device().LoadFull();  // bag 1 in slot 0, bag 7 in slot 1
    auto travel = MakeBag(7, "Travel2", ThreeClubs());
    EXPECT_EQ(SendBags({travel}), 1);
    EXPECT_EQ(+Bag(1).BagId, 7);
    EXPECT_STREQ(Bag(1).Name, "Travel2");
    EXPECT_EQ(+Bag(1).ClubCount, 3);
    EXPECT_EQ(+Bag(0).ClubCount, 13);  // the other slot is as it was
    EXPECT_STREQ(Bag(0).Name, "Default");
}

TEST_F(DeviceUploadTest, RefusalsWriteNothing) {
    EXPECT_EQ(SendBags({MakeBag(5, "Two", {MakeClub(1, "A", 0), MakeClub(2, "P", 9)})}), 0);
    EXPECT_EQ(LastMessage(), "A bag to be transferred must contain at least three clubs");
    EXPECT_FALSE(Wrote());

    sim.Device().ClearLogs();
    EXPECT_EQ(SendBags({MakeBag(5, "NoPutt", {MakeClub(1, "A", 0), MakeClub(2, "B", 1), MakeClub(3, "C", 2)})}), 0);
    EXPECT_EQ(LastMessage(), "Tranfer aborted! The bag you are trying to\ntransfer doesn't have a putter");
    EXPECT_FALSE(Wrote());

    sim.Device().LoadFull();  // both slots taken by other bags
    sim.Device().ClearLogs();
    EXPECT_EQ(SendBags({MakeBag(5, "Third", ThreeClubs())}), 1);
    EXPECT_EQ(LastMessage(), "There is not enough free memory to store Third. Use memory manager to free "
                             "memory and try again.");
    EXPECT_FALSE(Wrote());
    EXPECT_FALSE(port.GetPortOpen());
}

TEST_F(DeviceUploadTest, DeviceNotConnected) {
    PointPorts(0);
    EXPECT_EQ(SendBags({MakeBag(5, "Sunday", ThreeClubs())}), 0);
    EXPECT_EQ(LastMessage(), CannotConnectU8Text);
    EXPECT_EQ(messages.Messages().back().caption, "Error!");
}

TEST_F(DeviceUploadTest, FailedBagWriteIsReported) {
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 6, 0, -1});
    EXPECT_EQ(SendBags({MakeBag(5, "Sunday", ThreeClubs())}), 0);
    EXPECT_EQ(LastMessage(), "Error in updating bag data.\nPlease try again.");
}

// A nine-hole course with two tees; hole h has par 3 + h % 3.
class CourseUploadTest : public DeviceUploadTest {
protected:
    void SetUp() override {
        DeviceUploadTest::SetUp();
        course = AddCourse("Pine Valley Golf", false, 2);
        for (int h = 1; h <= 9; ++h) {
            holeIds[h] = AddHole(course, h, 3 + h % 3, 100 + h, 200 + h);
            AddPoint(course, holeIds[h], 1, 1, 10.0 + h, 20.0, "Tee");
            AddPoint(course, holeIds[h], 1, 2, 11.0 + h, 21.0, "Tee");
            AddPoint(course, holeIds[h], 2, 0, -33.8688197, -151.2092955, "Pin");
            AddPoint(course, holeIds[h], 3, 0, 12.0 + h, 22.0, "Green");
        }
    }
    int course = 0;
    int holeIds[19] = {};
};

TEST_F(CourseUploadTest, NineHoleCourseOnTheSecondTee) {
    EXPECT_EQ(SendCourse(course, "Pine Valley Golf", 1), 1);
    EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
    CourseEntry e = Entry(0);
    EXPECT_EQ(+e.CourseId, course);
    EXPECT_EQ(transfer::DeviceText(e.Name, 11), "Pine Vall");  // nine characters
    EXPECT_EQ(+e.Holes, 9);
    int total = 0;
    for (int h = 1; h <= 9; ++h) total += 3 + h % 3;
    EXPECT_EQ(+e.TotalPar, total);
    for (int h = 0; h < 9; ++h) {
        EXPECT_EQ(+e.Hole[h].Length, 200 + h + 1) << h;
        EXPECT_EQ(+e.Hole[h].Par, 3 + (h + 1) % 3) << h;
        EXPECT_EQ(+e.Hole[h].Flags, 0x07) << h;  // tee, pin, green
        EXPECT_EQ(+e.Hole[h].PointSum, 0) << h;
    }
    for (int h = 9; h < 18; ++h) {
        EXPECT_EQ(+e.Hole[h].Length, 0xFFFF) << h;
        EXPECT_EQ(+e.Hole[h].Par, 0xFF) << h;
        EXPECT_EQ(+e.Hole[h].Counts[2], 0xFF) << h;
    }
    // Points of slot 0: 9h + Type; the chosen tee's point only.
    auto tee = sim.Device().GetPoint(9 * 2 + 1);
    EXPECT_EQ(tee.latitude, 140000000);  // tee 2 of hole 3
    auto pin = sim.Device().GetPoint(9 * 0 + 2);
    EXPECT_EQ(pin.name, "Pin");
    EXPECT_EQ(pin.latitude, -338688197);   // rounded half away from zero
    EXPECT_EQ(pin.longitude, -1512092955);
    EXPECT_EQ(sim.Device().PointCount(), 27u);
    // Header: byte 3 the slot, byte 4 the first free of slots 1 and 2, minus 1.
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 3), 0);
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 4), 0);
}

TEST_F(CourseUploadTest, NoTeeChosenSendsTeeOneAndTheU8NameWins) {
    TTable t(&db, "Course_General");
    t.SetFilter("CourseId = " + std::to_string(course));
    t.Open();
    t.Edit();
    t.FieldByName("U8_Name").SetAsString("PineV");
    t.Post();
    EXPECT_EQ(SendCourse(course, "Pine Valley Golf", -1), 1);
    CourseEntry e = Entry(0);
    EXPECT_EQ(transfer::DeviceText(e.Name, 11), "PineV");
    EXPECT_EQ(+e.Hole[0].Length, 101);
    EXPECT_EQ(sim.Device().GetPoint(1).latitude, 110000000);
}

TEST_F(CourseUploadTest, FiveHazardsAtMostButLaterPointsStillGo) {
    // Hole 2: six bunkers, then a point without type, then a lay-up.
    for (int i = 0; i < 6; ++i) AddPoint(course, holeIds[2], 6, 0, 40.0 + i, 5.0, "Bunker");
    AddPoint(course, holeIds[2], TVariant(), 0, 41.5, 5.0, "Fairway");
    AddPoint(course, holeIds[2], 0, 0, 41.6, 5.0, "Zero");
    AddPoint(course, holeIds[2], 4, 0, 42.5, 5.0, "Lay up");
    EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
    CourseEntry e = Entry(0);
    EXPECT_EQ(+e.Hole[1].Counts[1], 5);
    EXPECT_EQ(+e.Hole[1].PointSum, 5);
    EXPECT_EQ(+e.Hole[1].Flags, 0x0F);
    for (int k = 5; k <= 9; ++k) EXPECT_EQ(sim.Device().GetPoint(uint16_t(9 + k)).name, "Bunker") << k;
    EXPECT_EQ(sim.Device().GetPoint(9 + 4).name, "Lay up");
    EXPECT_EQ(sim.Device().PointCount(), 27u + 5 + 1);
    for (uint16_t id : sim.Device().PointIds()) EXPECT_LE(id, 162) << id;
}

TEST_F(CourseUploadTest, SameCourseKeepsItsSlotAndAFullDirectoryRefuses) {
    sim.Device().LoadFull();  // three courses, numbers 101..103
    sim.Device().ClearLogs();
    EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
    EXPECT_EQ(LastMessage(), "There is not enough free memory to store Pine. Use memory manager to free "
                             "memory and try again.");
    EXPECT_FALSE(Wrote());

    std::vector<uint8_t> id = {uint8_t(course), uint8_t(course >> 8)};
    sim.Device().Write(u8::CourseDirAddress + u8::CourseEntrySize * 1, id);
    EXPECT_EQ(SendCourse(course, "Brännaslätt", 0), 1);
    EXPECT_EQ(+Entry(1).Holes, 9);
    EXPECT_EQ(transfer::DeviceText(Entry(1).Name, 11), "Brannasla");
    EXPECT_EQ(+Entry(0).CourseId, 101);
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 3), 1);
    EXPECT_EQ(sim.Device().Byte(u8::HeaderAddress + 4), 2);  // none free: 3 - 1
    EXPECT_EQ(sim.Device().GetPoint(162 + 2).latitude, -338688197);
}

TEST_F(CourseUploadTest, FailedPointWriteIsReported) {
    sim.Device().AddFault({u8sim::Fault::Silence, u8::CmdWritePoint, -1, 3, -1});
    EXPECT_EQ(SendCourse(course, "Pine", 0), 0);
    EXPECT_EQ(LastMessage(), "Error in updating course data.\nPlease try again.");
    EXPECT_EQ(+Entry(0).CourseId, 0xFFFF);  // the entry is not written
}

// The points of a course slot's id block on the simulated U8, by id.
std::map<int, std::string> SlotPoints(u8sim::U8SimDevice& device, int slot) {
    std::map<int, std::string> held;
    for (uint16_t id : device.PointIds())
        if (id >= u8::FirstCoursePointId(slot) && id <= u8::LastCoursePointId(slot))
            held[id] = device.GetPoint(id).name;
    return held;
}

// Slot 2 holds Sea Links (18 holes: tee, pin, green, water and bunker on
// each) under this course's number; this course now has tees only, then a
// lay-up on hole 3 that is sent and later deleted from the course. The
// point list (225 ids) reads whole when the device pages it: only the 81
// points of Sea Links that are not written again are deleted; otherwise the
// slot's whole block less the 9 tees is swept.
TEST_F(CourseUploadTest, ASlotKeepsOnlyWhatTheUploadWrites) {
    db.Execute("DELETE FROM Waypoints WHERE Type <> 1");
    for (auto [paging, deletions] : {std::pair{u8sim::ListPaging::Pages, 81},
                                     {u8sim::ListPaging::RepeatsFirst, 153}, {u8sim::ListPaging::Refuses, 153}}) {
        sim.Device().LoadFull();
        sim.Device().SetListPaging(paging);
        std::vector<uint8_t> id = {uint8_t(course), uint8_t(course >> 8)};
        sim.Device().Write(u8::CourseDirAddress + u8::CourseEntrySize * 2, id);
        sim.Device().ClearLogs();
        const auto slot0 = SlotPoints(sim.Device(), 0), slot1 = SlotPoints(sim.Device(), 1);
        const int block = u8::PointsPerCourse * 2;
        auto tees = [block](std::map<int, std::string> extra) {
            for (int h = 0; h < 9; ++h) extra[block + 9 * h + 1] = "Tee";
            return extra;
        };
        auto expectFlags = [this](int layUpHole) {
            const CourseEntry e = Entry(2);
            for (int h = 0; h < 9; ++h) {
                EXPECT_EQ(+e.Hole[h].Flags, h == layUpHole ? 0x09 : 0x01) << h;
                EXPECT_EQ(+e.Hole[h].PointSum, 0) << h;
                for (int k = 0; k < 3; ++k) EXPECT_EQ(+e.Hole[h].Counts[k], 0) << h;
            }
            for (int h = 9; h < 18; ++h) EXPECT_EQ(+e.Hole[h].Flags, 0xFF) << h;  // no hole, no points
        };

        EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
        EXPECT_EQ(LastMessage(), "Transfer completed successfully!");
        EXPECT_EQ(SlotPoints(sim.Device(), 2), tees({}));
        expectFlags(-1);
        int deleted = 0;
        for (const auto& r : sim.Device().Requests()) deleted += r.command == u8::CmdDeletePoint;
        EXPECT_EQ(deleted, deletions) << int(paging);

        const int layUp = AddPoint(course, holeIds[3], 4, 0, 42.5, 5.0, "Lay up");
        EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
        EXPECT_EQ(SlotPoints(sim.Device(), 2), tees({{block + 9 * 2 + 4, "Lay up"}}));
        expectFlags(2);

        db.Execute("DELETE FROM Waypoints WHERE PointId = " + std::to_string(layUp));
        EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
        EXPECT_EQ(SlotPoints(sim.Device(), 2), tees({}));
        expectFlags(-1);
        // The other slots are as they were.
        EXPECT_EQ(SlotPoints(sim.Device(), 0), slot0);
        EXPECT_EQ(SlotPoints(sim.Device(), 1), slot1);
    }
}

// Slot 1 holds Pine Vly (tee, pin, green, water, bunker) under this course's
// number; the course, now without pins, goes up again and stops at an
// unanswered point deletion. The entry went first: the slot is free, no
// listed course misses a point its flags name, and the next upload is clean.
TEST_F(CourseUploadTest, AFailedReUploadLeavesTheSlotFreeAndTheNextOneClean) {
    db.Execute("DELETE FROM Waypoints WHERE Type = 2");
    sim.Device().LoadFull();
    std::vector<uint8_t> id = {uint8_t(course), uint8_t(course >> 8)};
    sim.Device().Write(u8::CourseDirAddress + u8::CourseEntrySize, id);
    auto expectFlaggedPointsHeld = [this] {
        for (int s = 0; s < u8::CourseSlots; ++s) {
            const CourseEntry e = Entry(s);
            for (int h = 0; e.CourseId != u8::FreeSlot && h < e.Holes && h < 18; ++h)
                for (int k = 1; k <= 4; ++k)
                    if (e.Hole[h].Flags & (1 << (k - 1))) {
                        EXPECT_TRUE(sim.Device().HasPoint(uint16_t(u8::PointsPerCourse * s + 9 * h + k))) << s << h << k;
                    }
        }
    };
    sim.Device().AddFault({u8sim::Fault::Silence, u8::CmdDeletePoint, -1, 3, -1});
    EXPECT_EQ(SendCourse(course, "Pine", 0), 0);
    EXPECT_EQ(LastMessage(), "Error in updating course data.\nPlease try again.");
    EXPECT_EQ(+Entry(1).CourseId, 0xFFFF);
    expectFlaggedPointsHeld();

    sim.Device().ClearFaults();
    EXPECT_EQ(SendCourse(course, "Pine", 0), 1);
    std::map<int, std::string> sent;
    for (int h = 0; h < 9; ++h) sent[162 + 9 * h + 1] = "Tee", sent[162 + 9 * h + 3] = "Green";
    EXPECT_EQ(SlotPoints(sim.Device(), 1), sent);
    EXPECT_EQ(+Entry(1).CourseId, course);
    expectFlaggedPointsHeld();
}

// Slot 0's block holds 87 points of no listed course: they go before the 27
// are written (a store of 100 has room), also when a list page comes late.
TEST_F(CourseUploadTest, StrayPointsGoFirstAndALateListPageIsNoReply) {
    for (auto [late, capacity] : {std::pair{true, 486}, {false, 100}}) {
        sim.Device().LoadEmpty();
        for (int id = 76; id <= 162; ++id) sim.Device().PutPoint(uint16_t(id), "Old", 0, 0);
        sim.Device().SetPointCapacity(size_t(capacity));
        if (late) sim.Device().AddFault({u8sim::Fault::Late, u8::CmdReadPointList, -1, 1, 1});
        EXPECT_EQ(SendCourse(course, "Pine", 0), 1) << LastMessage();
        ASSERT_EQ(sim.Device().PointCount(), 27u) << late;
        EXPECT_LE(sim.Device().PointIds().back(), 75) << late;
    }
}

TEST(StrayPointIds, TheSlotsBlockLessWhatIsWritten) {
    const std::vector<uint16_t> listed = {162, 163, 170, 170, 324, 325, 9};
    EXPECT_EQ(TDeviceUpload::StrayPointIds(&listed, 1, {170, 200}), (std::vector<int>{163, 324}));
    EXPECT_EQ(TDeviceUpload::StrayPointIds(&listed, 0, {}), (std::vector<int>{9, 162}));
    // A list not read whole says nothing of the rest: the whole block.
    std::vector<int> written;
    for (int k = 1; k <= 161; ++k) written.push_back(324 + k);
    EXPECT_EQ(TDeviceUpload::StrayPointIds(nullptr, 2, written), (std::vector<int>{486}));
}

TEST(DeviceUnits, RoundHalfAwayFromZero) {
    EXPECT_EQ(TDeviceUpload::DeviceUnits(-33.8688197), -338688197);
    EXPECT_EQ(TDeviceUpload::DeviceUnits(59.3293235), 593293235);
    EXPECT_EQ(TDeviceUpload::DeviceUnits(-0.00000006), -1);
    EXPECT_EQ(TDeviceUpload::DeviceUnits(1e12), 0);  // no position fits
}

}  // namespace
