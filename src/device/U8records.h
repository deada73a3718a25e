#pragma once
// The U8's records: the memory map (little-endian, as the device stores them)
// and the iTalk point-store records (host order once converted by TU8Device).
// Every struct is packed and has the exact size the device uses.
#include <bit>
#include <cstdint>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "the device records are laid out for a little-endian host");

namespace u8 {

// Memory map.
constexpr int SettingsAddress = 0;
constexpr int SettingsSize = 103;
constexpr int HeaderAddress = 8192;
constexpr int HeaderSize = 12;
constexpr int DatumNameAddress = 8203;
constexpr int DatumNameSize = 6;
constexpr int CourseDirAddress = 9000;
constexpr int CourseEntrySize = 159;
constexpr int CourseSlots = 3;
constexpr int CourseDirSize = CourseEntrySize * CourseSlots; // 477
constexpr int BagsAddress = 9477;
constexpr int BagRecordSize = 294;
constexpr int BagSlots = 2;
constexpr int BagsSize = BagRecordSize * BagSlots; // 588
constexpr int GameAreaAddress = 10065;
constexpr int GameAreaSize = 5355;
constexpr int GameAreas = 4;
constexpr int GameHeaderSize = 30;
constexpr int GameHoleSize = 17;
constexpr int GameHoles = 18;
constexpr int GameShotSize = 14;
constexpr int CommitAddress = 31008;
constexpr int ModelCodeAddress = 23;
constexpr int MemorySize = 0x10000;
constexpr int U8ModelCode = 92;
constexpr uint16_t FreeSlot = 0xFFFF;

// Point ids: course slot s (0 to 2) owns 162s + 1 .. 162s + 162, nine per hole.
constexpr int PointsPerCourse = 162;
constexpr int PointsPerHole = 9;
constexpr int FirstCoursePointId(int slot) { return PointsPerCourse * slot + 1; }
constexpr int LastCoursePointId(int slot) { return PointsPerCourse * slot + PointsPerCourse; }

// iTalk commands.
constexpr uint8_t CmdReadPointList = 33;
constexpr uint8_t CmdReadPoint = 35;
constexpr uint8_t CmdDeletePoint = 39;
constexpr uint8_t CmdWritePoint = 41;
constexpr uint8_t CmdCreatePointList = 43;
constexpr uint8_t CmdClearDatabase = 45;
constexpr uint8_t CmdReadPosition = 68;
constexpr uint8_t CmdVersion = 241;
constexpr uint8_t CmdPassthrough = 0xF3;
// CSP commands.
constexpr uint8_t CspReadMemory = 5;
constexpr uint8_t CspWriteMemory = 6;
constexpr uint8_t CspReset = 7;
constexpr uint8_t CspVersion = 15;

constexpr int MaxPointListIds = 50;
// The device's answer to a deletion or read of a point it does not have.
constexpr int ErrPointNotFound = 0x8021;

} // namespace u8

#pragma pack(push, 1)

struct U8Settings {
    uint8_t Bytes0[6];
    uint8_t Clockformat;   // 6
    uint8_t DateFormat;    // 7
    uint8_t Distance;      // 8
    uint8_t Pressure;      // 9
    uint8_t Temperature;   // 10
    uint8_t Distance2;     // 11: Distance again
    uint8_t Distance3;     // 12: 2 x Distance + 3
    uint8_t Distance4;     // 13: Distance again
    uint8_t Bytes14[56];
    uint8_t Contrast;      // 70
    uint8_t Backlight;     // 71
    uint8_t Brightness;    // 72
    uint8_t Tones;         // 73
    uint8_t DisplayInfo;   // 74
    uint8_t TimeSync;      // 75
    uint8_t Bytes76[2];
    uint8_t TimeZone;      // 78: signed quarter hours
    uint8_t Bytes79[24];
};
static_assert(sizeof(U8Settings) == 103);

struct DeviceHeader {
    uint8_t Byte0;
    uint8_t BagByte;            // 1
    uint8_t ClubUsage;          // 2
    uint8_t CourseByte;         // 3
    uint8_t CourseSlot;         // 4: 0 to 2
    uint8_t GolfStatisticsGroup;// 5
    uint8_t AltitudeOffsetGroup;// 6
    uint8_t Byte7;
    uint8_t Datum;              // 8
    uint8_t SleepMergeTee;      // 9: minutes / 30
    uint8_t SleepEndHole;       // 10: minutes / 30
    uint8_t DatumFirstChar;     // 11
};
static_assert(sizeof(DeviceHeader) == 12);

struct CourseHoleEntry {
    uint16_t Length;    // hole length for the chosen tee; 0xFFFF for no hole
    uint8_t PointSum;   // sum of the three counts
    uint8_t Par;
    uint8_t Counts[3];
    uint8_t Flags;
};
static_assert(sizeof(CourseHoleEntry) == 8);

struct CourseEntry {
    uint16_t CourseId;  // 0xFFFF: free
    char Name[11];
    uint8_t Holes;
    uint8_t TotalPar;
    CourseHoleEntry Hole[18];
};
static_assert(sizeof(CourseEntry) == 159);

// The free pattern written over an entry whose course goes: CourseId 0xFFFF,
// bytes 2-9, 13, 14 and every hole entry 0xFF; bytes 10-12 stay.
inline void EmptyCourseEntry(CourseEntry& entry) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&entry);
    for (int i = 0; i < int(sizeof entry); ++i)
        if (i < 10 || i > 12) p[i] = 0xFF;
}

struct BagClubItem {
    uint16_t ClubId;
    char Name[8];
    uint16_t Count;
    uint32_t Value12;
    uint32_t Value16;
};
static_assert(sizeof(BagClubItem) == 20);

struct BagRecord {
    uint16_t BagId;     // 0xFFFF: free
    uint8_t ClubCount;
    uint8_t Limit5;     // min(n - 1, 5)
    uint8_t Limit11;    // min(n - 1, 11)
    uint8_t Limit12;    // min(n - 1, 12)
    char Name[8];
    BagClubItem Club[14];
};
static_assert(sizeof(BagRecord) == 294);

struct GameHeader {
    uint8_t Par;
    uint8_t Score;
    uint8_t DriverShots;
    uint8_t Putts;
    uint8_t Penalties;
    uint8_t Bytes5[3];
    uint16_t CourseId;  // 0xFFFF: none
    uint8_t Year;       // year - 2000; 255: empty area
    uint8_t Month;
    uint8_t Day;
    uint8_t Hour;
    uint8_t Minute;
    char CourseName[11];
    uint16_t BagId;
    uint8_t DurationHours;
    uint8_t DurationMinutes;
};
static_assert(sizeof(GameHeader) == 30);

struct GameHole {
    uint8_t Byte0;
    uint8_t Shots;
    uint8_t DriverShots;
    uint8_t Putts;
    uint8_t Penalties;
    uint8_t Bytes5[3];
    uint16_t FirstShotAddress;
    uint16_t StartPositionId;
    uint8_t ShotCount;
    uint8_t GIR;
    uint8_t FIR;
    uint8_t BunkerHits;
    uint8_t HoleFlags;
};
static_assert(sizeof(GameHole) == 17);

struct GameShot {
    uint8_t Byte0;
    uint8_t Bytes1[4];
    uint16_t ClubCode;
    uint8_t Bytes7[4];
    uint8_t PenaltyCode;
    uint16_t PositionId;  // 0 or 0xFFFF: none
};
static_assert(sizeof(GameShot) == 14);

// iTalk records, in host order after TU8Device has converted them.
struct DevicePoint {
    uint16_t Id;
    char Name[20];
    uint16_t Field22;
    int32_t Latitude;   // 1e-7 degree
    int32_t Longitude;  // 1e-7 degree
    uint16_t Field32;
    uint16_t Field34;
    uint16_t Selector;  // 36
    uint16_t Field38;
    uint32_t Field40;
    uint32_t Field44;
    uint16_t Field48;
    uint32_t Field50;
    uint16_t Field54;
};
static_assert(sizeof(DevicePoint) == 56);

struct PointListBlock {
    uint16_t Word0;
    uint16_t Count;
    uint16_t Word4;
    uint16_t Ids[50];
};
static_assert(sizeof(PointListBlock) == 106);

namespace u8 {
// The ids of first..last that the point store may hold, in list order: those
// the list names, or every id of the range when the list is full and may
// have left some out.
inline std::vector<int> PointIdsIn(const PointListBlock& list, int first, int last) {
    std::vector<int> ids;
    if (list.Count >= MaxPointListIds) {
        for (int id = first; id <= last; ++id) ids.push_back(id);
        return ids;
    }
    for (int i = 0; i < list.Count; ++i)
        if (list.Ids[i] >= first && list.Ids[i] <= last) ids.push_back(list.Ids[i]);
    return ids;
}
} // namespace u8

struct PositionRecord {
    uint16_t Word0;
    uint8_t Bytes2[6];
    uint16_t Word8;
    int32_t Latitude;
    int32_t Longitude;
    uint16_t Words18[6];
};
static_assert(sizeof(PositionRecord) == 30);

#pragma pack(pop)
