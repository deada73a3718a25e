#include "sim/U8sim_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace u8sim {

namespace {

// Memory map of the device.
constexpr int kSettings = 0;
constexpr int kModelCode = 23;
constexpr int kHeader = 8192;
constexpr int kDatumName = 8203;
constexpr int kCourseDir = 9000;
constexpr int kCourseSize = 159;
constexpr int kBags = 9477;
constexpr int kBagSize = 294;
constexpr int kGames = 10065;
constexpr int kGameSize = 5355;
constexpr int kGameHeader = 30;
constexpr int kHoleSize = 17;
constexpr int kShotSize = 14;
constexpr int kCommit = 31008;

void PutBe16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = uint8_t(x >> 8);
    v[at + 1] = uint8_t(x);
}
uint16_t GetBe16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// 32-bit values travel as two big-endian words, low word first.
void PutWire32(uint8_t* p, int32_t value) {
    uint32_t x = uint32_t(value);
    p[0] = uint8_t(x >> 8);
    p[1] = uint8_t(x);
    p[2] = uint8_t(x >> 24);
    p[3] = uint8_t(x >> 16);
}
int32_t GetWire32(const uint8_t* p) {
    uint32_t low = uint32_t(p[0]) << 8 | p[1];
    uint32_t high = uint32_t(p[2]) << 8 | p[3];
    return int32_t(high << 16 | low);
}

// Text travels as words with the first character in the low byte.
void PutWireText(uint8_t* p, const std::string& text, size_t field) {
    std::vector<uint8_t> plain(field, 0);
    for (size_t i = 0; i < text.size() && i < field; ++i) plain[i] = uint8_t(text[i]);
    for (size_t i = 0; i + 1 < field; i += 2) {
        p[i] = plain[i + 1];
        p[i + 1] = plain[i];
    }
}
std::string GetWireText(const uint8_t* p, size_t field) {
    std::string out;
    for (size_t i = 0; i + 1 < field; i += 2) {
        char pair[2] = {char(p[i + 1]), char(p[i])};
        for (char c : pair) {
            if (c == 0) return out;
            out.push_back(c);
        }
    }
    return out;
}

uint8_t Xor(const uint8_t* p, size_t n) {
    uint8_t x = 0;
    for (size_t i = 0; i < n; ++i) x ^= p[i];
    return x;
}

std::vector<uint8_t> CspPacket(uint8_t command, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> p(3 + data.size() + 1);
    p[0] = command;
    PutBe16(p, 1, uint16_t(data.size()));
    std::copy(data.begin(), data.end(), p.begin() + 3);
    p.back() = Xor(p.data(), p.size() - 1);
    return p;
}

void PutLe16(std::vector<uint8_t>& m, int at, uint16_t x) {
    m[at] = uint8_t(x);
    m[at + 1] = uint8_t(x >> 8);
}
void PutLe32(std::vector<uint8_t>& m, int at, uint32_t x) {
    for (int i = 0; i < 4; ++i) m[at + i] = uint8_t(x >> (8 * i));
}
void PutText(std::vector<uint8_t>& m, int at, const std::string& s, int field) {
    for (int i = 0; i < field; ++i) m[at + i] = i < int(s.size()) ? uint8_t(s[i]) : 0;
}

// What the protocol leaves to the device is answered with values of our own,
// so that the program relies only on what it may rely on: a reply's command
// is not the request's (but never the pass-through command), a memory read's
// reply carries another CSP command byte, a write's reply arbitrary bytes.
uint8_t ReplyCommand(uint8_t request) {
    uint8_t c = uint8_t(request ^ 0x40);
    return c == 0xF3 ? uint8_t(request ^ 0x41) : c;
}
uint8_t ReadReplyCsp(unsigned n) { return uint8_t(0x40 + n % 64); }
std::vector<uint8_t> WriteReplyBytes(unsigned n) {
    std::vector<uint8_t> b(1 + n % 7);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(0x31 + 17 * (n + i));
    // Two bytes starting 0x80 would be an error reply.
    if (b.size() == 2 && b[0] == 0x80) b[0] = 0x7F;
    return b;
}

const char* kCourseNames[3] = {"Oak Hill", "Pine Vly", "Sea Links"};
const int kCourseHoles[3] = {18, 9, 18};
int HolePar(int h) { return h % 3 == 0 ? 4 : h % 3 == 1 ? 3 : 5; }

// The ground of the sample courses. Each hole runs from its tee to its green
// a par's length away; the holes of a course lie side by side, 300 m apart.
struct Spot {
    double lat, lon;  // degrees
};
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;
const Spot kCourseOrigin[3] = {{60.1, 24.6}, {60.25, 24.85}, {-34.05, -58.4}};

// A spot moved by metres on a bearing (degrees clockwise from north).
Spot Move(Spot from, double bearing, double metres) {
    const double a = bearing * kPi / 180;
    return {from.lat + metres * std::cos(a) / kMetresPerDegree,
            from.lon + metres * std::sin(a) / (kMetresPerDegree * std::cos(from.lat * kPi / 180))};
}
int32_t Units(double degrees) { return int32_t(std::lround(degrees * 1e7)); }

int HoleLength(int s, int h) {
    switch (HolePar(h)) {
    case 3: return 140 + 10 * ((h + s) % 4);
    case 4: return 330 + 10 * ((h + s) % 5);
    default: return 460 + 10 * ((h + s) % 4);
    }
}
double HoleBearing(int h) { return double((h * 37) % 60 - 30); }
Spot HoleTee(int s, int h) { return Move(kCourseOrigin[s], 90, 300.0 * h); }
Spot HoleGreen(int s, int h) { return Move(HoleTee(s, h), HoleBearing(h), HoleLength(s, h)); }
Spot HolePin(int s, int h) { return Move(HoleGreen(s, h), HoleBearing(h) + 90, 6); }

// The course points of a hole by their kind (the id's place in the hole's block).
Spot CoursePoint(int s, int h, int kind) {
    const double b = HoleBearing(h);
    const Spot tee = HoleTee(s, h);
    switch (kind) {
    case 1: return tee;
    case 2: return HolePin(s, h);
    case 3: return HoleGreen(s, h);
    case 5: return Move(Move(tee, b, 0.55 * HoleLength(s, h)), b - 90, 35);  // water left of the fairway
    default: return Move(Move(tee, b, HoleLength(s, h) - 25), b + 90, 22);  // bunker short right of the green
    }
}

// The clubs of the sample bags, numbered as the program numbers a new
// player's "Default" bag (Putter 99, Driver 100, ...), with the carry in
// metres the sample golfer gets from each.
struct SampleClub {
    uint16_t code;
    const char* name;
    int carry;
};
const SampleClub kClubs[] = {{99, "Putter", 0},   {100, "Driver", 235}, {101, "3 Wood", 210}, {102, "5 Wood", 195},
                             {103, "3 Iron", 180}, {104, "4 Iron", 170}, {105, "5 Iron", 160}, {106, "6 Iron", 150},
                             {107, "7 Iron", 140}, {108, "8 Iron", 130}, {109, "9 Iron", 120}, {110, "PW", 100},
                             {111, "SW", 70}};
// Bag 1 "Default" carries them all; bag 7 "Travel" five of them, its putter
// coded 98 as the second bag of an upload.
const std::vector<uint16_t> kBagClubs[2] = {{99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111},
                                            {98, 100, 102, 107, 110}};
const SampleClub& ClubOf(uint16_t code) {
    for (const SampleClub& c : kClubs)
        if (c.code == code || (code == 98 && c.code == 99)) return c;
    return kClubs[0];
}
// The club of the bag for a full shot of so many metres: the shortest that
// carries it, else the longest but the driver.
uint16_t ClubFor(const std::vector<uint16_t>& bag, double metres) {
    uint16_t best = 0, longest = 0;
    for (uint16_t code : bag) {
        const int carry = ClubOf(code).carry;
        if (carry == 0 || code == 100) continue;
        if (carry + 5 >= metres && (best == 0 || carry < ClubOf(best).carry)) best = code;
        if (longest == 0 || carry > ClubOf(longest).carry) longest = code;
    }
    return best ? best : longest;
}

} // namespace

U8SimDevice::U8SimDevice() { LoadEmpty(); }

std::vector<uint8_t> U8SimDevice::BuildFrame(uint8_t command, uint16_t packageId,
                                             const std::vector<uint8_t>& data, bool badChecksum) {
    size_t len = (data.size() + 1) & ~size_t(1);
    std::vector<uint8_t> f(25 + len, 0);
    f[0] = '<';
    f[1] = '*';
    PutBe16(f, 2, uint16_t((len + 18) / 2));
    f[10] = 0x03;
    f[11] = command;
    PutBe16(f, 12, uint16_t(len / 2));
    PutBe16(f, 14, 0x020C);
    PutBe16(f, 16, 0x0107);
    PutBe16(f, 18, packageId);
    PutBe16(f, 20, uint16_t(len / 2));
    std::copy(data.begin(), data.end(), f.begin() + 22);
    uint16_t sum = 0;
    for (size_t i = 0; i < len; i += 2) sum = uint16_t(sum + GetBe16(&f[22 + i]));
    if (badChecksum) sum = uint16_t(sum + 1);
    PutBe16(f, 22 + len, sum);
    f[24 + len] = '>';
    return f;
}

void U8SimDevice::LoadEmpty() {
    std::lock_guard<std::mutex> lock(mutex_);
    mem_.assign(MemorySize, 0xFF);
    // Settings: recognisable bytes, valid choices where the program reads them.
    for (int i = 0; i < 103; ++i) mem_[kSettings + i] = uint8_t((i * 7 + 1) & 0x7F);
    const std::pair<int, uint8_t> choices[] = {{6, 1},  {7, 0},  {8, 0},  {9, 0},  {10, 1},
                                               {11, 0}, {12, 3}, {13, 0}, {70, 5}, {71, 1},
                                               {72, 3}, {73, 1}, {74, 0}, {75, 1}, {78, 4}};
    for (auto [at, v] : choices) mem_[kSettings + at] = v;
    mem_[kModelCode] = 92;
    const uint8_t header[12] = {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x05, 0x02, 0x04, 'W'};
    std::copy(header, header + 12, mem_.begin() + kHeader);
    PutText(mem_, kDatumName, "WGS84", 6);
    points_.clear();
    positions_.clear();
    lists_.clear();
}

void U8SimDevice::LoadFull() {
    LoadEmpty();
    std::lock_guard<std::mutex> lock(mutex_);
    mem_[kHeader + 1] = 0x01;
    mem_[kHeader + 3] = 0x10;
    mem_[kHeader + 4] = 0x02;

    // Courses and their points.
    for (int s = 0; s < 3; ++s) {
        int at = kCourseDir + kCourseSize * s;
        PutLe16(mem_, at, uint16_t(101 + s));
        PutText(mem_, at + 2, kCourseNames[s], 11);
        mem_[at + 13] = uint8_t(kCourseHoles[s]);
        int total = 0;
        for (int h = 0; h < 18; ++h) {
            int e = at + 15 + 8 * h;
            if (h >= kCourseHoles[s]) continue;  // stays 0xFF
            PutLe16(mem_, e, uint16_t(HoleLength(s, h)));
            mem_[e + 2] = 2;
            mem_[e + 3] = uint8_t(HolePar(h));
            mem_[e + 4] = 1;
            mem_[e + 5] = 1;
            mem_[e + 6] = 0;
            mem_[e + 7] = 0x07;
            total += HolePar(h);
            const std::pair<int, const char*> kinds[] = {
                {1, "Tee"}, {2, "PIN"}, {3, "GREEN"}, {5, "WATER"}, {6, "BUNKER"}};
            for (auto [k, name] : kinds) {
                uint16_t id = uint16_t(162 * s + 9 * h + k);
                const Spot spot = CoursePoint(s, h, k);
                Point p;
                p.id = id;
                p.name = name;
                p.latitude = Units(spot.lat);
                p.longitude = Units(spot.lon);
                p.wire.fill(0);
                p.wire[0] = uint8_t(id >> 8);
                p.wire[1] = uint8_t(id);
                PutWireText(&p.wire[2], p.name, 20);
                p.wire[22] = p.wire[23] = 0xFF;
                PutWire32(&p.wire[24], p.latitude);
                PutWire32(&p.wire[28], p.longitude);
                points_[id] = p;
            }
        }
        mem_[at + 14] = uint8_t(total);
    }

    // Bags.
    const int bagIds[2] = {1, 7};
    const char* bagNames[2] = {"Default", "Travel"};
    for (int b = 0; b < 2; ++b) {
        int at = kBags + kBagSize * b;
        int n = int(kBagClubs[b].size());
        PutLe16(mem_, at, uint16_t(bagIds[b]));
        mem_[at + 2] = uint8_t(n);
        mem_[at + 3] = uint8_t(std::min(n - 1, 5));
        mem_[at + 4] = uint8_t(std::min(n - 1, 11));
        mem_[at + 5] = uint8_t(std::min(n - 1, 12));
        PutText(mem_, at + 6, bagNames[b], 8);
        for (int c = 0; c < n; ++c) {
            int item = at + 14 + 20 * c;
            const uint16_t code = kBagClubs[b][size_t(c)];
            const SampleClub& club = ClubOf(code);
            const int shots = 10 + c;
            PutLe16(mem_, item, code);
            PutText(mem_, item + 2, std::string(club.name).substr(0, 7), 8);
            PutLe16(mem_, item + 10, uint16_t(club.carry ? shots : 3 * shots));
            PutLe32(mem_, item + 12, club.carry ? uint32_t(club.carry) : 0x8000u);
            PutLe32(mem_, item + 16, uint32_t(club.carry * shots));
        }
    }

    // Rounds: an 18-hole game on the first course in area 1 and a 9-hole game
    // on the second in area 2, every shot on the ground of its hole.
    uint16_t nextPosition = 1000;
    for (int g = 0; g < 2; ++g) {
        int area = kGames + kGameSize * g;
        int holes = g == 0 ? 18 : 9;
        const std::vector<uint16_t>& bag = kBagClubs[g];
        // The nine-hole game keeps its shots in the fourth game area: the
        // holes point wherever the device put them.
        int shotAt = g == 0 ? area + kGameHeader + 18 * kHoleSize : kGames + 3 * kGameSize + 2000;
        int par = 0, score = 0, drivers = 0, putts = 0, penalties = 0;
        for (int h = 0; h < holes; ++h) {
            int hp = HolePar(h);
            int shots = hp + (h % 3 == 0 ? 1 : 0) - g;
            int holePutts = shots >= 3 ? 2 : 1;
            int full = shots - holePutts;  // strokes before putting
            int pen = h == 4 ? 1 : 0;
            int hole = area + kGameHeader + kHoleSize * h;
            const Spot tee = HoleTee(g, h), pin = HolePin(g, h);
            const double bearing = HoleBearing(h), length = HoleLength(g, h);
            uint16_t startId = uint16_t(2000 + 100 * g + h);
            StorePosition(startId, Units(tee.lat), Units(tee.lon));
            mem_[hole] = uint8_t(hp);  // the hole's par
            mem_[hole + 1] = uint8_t(shots);
            mem_[hole + 2] = uint8_t(full);
            mem_[hole + 3] = uint8_t(holePutts);
            mem_[hole + 4] = uint8_t(pen);
            mem_[hole + 5] = mem_[hole + 6] = mem_[hole + 7] = 0;
            PutLe16(mem_, hole + 8, uint16_t(shotAt));
            PutLe16(mem_, hole + 10, startId);
            mem_[hole + 12] = uint8_t(shots);
            mem_[hole + 13] = shots <= hp ? 1 : 0;
            mem_[hole + 14] = hp > 3 ? 1 : 0;
            mem_[hole + 15] = h % 5 == 0 ? 1 : 0;
            mem_[hole + 16] = 0;
            // Full shots: a drive, then even steps onto the green, 4 m short
            // of its middle; of two putts the first stops a metre from the
            // hole, the last one holes out (no position).
            const double drive = hp > 3 ? std::min(0.62 * length, 235.0 + 5 * (h % 4)) : length;
            double along = 0;
            for (int p = 0; p < shots; ++p) {
                int shot = shotAt + kShotSize * p;
                std::fill(mem_.begin() + shot, mem_.begin() + shot + kShotSize, 0);
                mem_[shot] = uint8_t(p + 1);
                mem_[shot + 11] = uint8_t(pen && p == 1 ? 1 : 0);
                uint16_t club;
                Spot end{0, 0};
                bool positioned = true;
                if (p < full) {
                    const double to = full == 1        ? length - 4
                                      : p == 0          ? drive
                                                        : drive + (length - 4 - drive) * p / (full - 1);
                    const double aside = p + 1 < full ? ((p + h) % 2 ? 1 : -1) * (6.0 + 3 * p) : 0;
                    end = Move(Move(tee, bearing, to), bearing + 90, aside);
                    club = p == 0 && hp > 3 ? 100 : ClubFor(bag, to - along);
                    along = to;
                } else {
                    club = bag.front();  // the putter
                    positioned = p + 1 < shots;
                    end = Move(pin, bearing + 180, 1);
                }
                PutLe16(mem_, shot + 5, club);
                if (!positioned) {
                    PutLe16(mem_, shot + 12, 0);
                } else {
                    uint16_t id = nextPosition++;
                    StorePosition(id, Units(end.lat), Units(end.lon));
                    PutLe16(mem_, shot + 12, id);
                }
            }
            shotAt += kShotSize * shots;
            par += hp;
            score += shots;
            drivers += full;
            putts += holePutts;
            penalties += pen;
        }
        // A watch clears the game area when a game starts: the holes a nine
        // leaves unplayed read as holes of no stroke and no shot.
        std::fill(mem_.begin() + area + kGameHeader + kHoleSize * holes,
                  mem_.begin() + area + kGameHeader + kHoleSize * 18, 0);
        mem_[area] = uint8_t(par);
        mem_[area + 1] = uint8_t(score);
        mem_[area + 2] = uint8_t(drivers);
        mem_[area + 3] = uint8_t(putts);
        mem_[area + 4] = uint8_t(penalties);
        mem_[area + 5] = mem_[area + 6] = mem_[area + 7] = 0;
        PutLe16(mem_, area + 8, uint16_t(101 + g));
        mem_[area + 10] = 24;
        mem_[area + 11] = uint8_t(5 + g);
        mem_[area + 12] = 17;
        mem_[area + 13] = 9;
        mem_[area + 14] = 30;
        PutText(mem_, area + 15, kCourseNames[g], 11);
        PutLe16(mem_, area + 26, uint16_t(g == 0 ? 1 : 7));
        mem_[area + 28] = uint8_t(4 - 2 * g);
        mem_[area + 29] = 15;
    }
}

void U8SimDevice::AddFault(const FaultRule& rule) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(rule);
}

void U8SimDevice::ClearFaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
}

void U8SimDevice::PlugIn() {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = false;
}

void U8SimDevice::SetModelCode(uint8_t code) {
    std::lock_guard<std::mutex> lock(mutex_);
    mem_[kModelCode] = code;
}

std::vector<uint8_t> U8SimDevice::Read(int address, int count) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (address < 0 || count < 0 || address + count > MemorySize) return {};
    return std::vector<uint8_t>(mem_.begin() + address, mem_.begin() + address + count);
}

void U8SimDevice::Write(int address, const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < bytes.size() && address + int(i) < MemorySize; ++i)
        mem_[address + i] = bytes[i];
}

uint8_t U8SimDevice::Byte(int address) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mem_.at(size_t(address));
}

void U8SimDevice::Fill(int address, int count, uint8_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < count && address + i < MemorySize; ++i) mem_[address + i] = value;
}

bool U8SimDevice::HasPoint(uint16_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return points_.count(id) != 0;
}

U8SimDevice::Point U8SimDevice::GetPoint(uint16_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = points_.find(id);
    return it == points_.end() ? Point{} : it->second;
}

void U8SimDevice::PutPoint(uint16_t id, const std::string& name, int32_t lat, int32_t lon) {
    std::lock_guard<std::mutex> lock(mutex_);
    Point p;
    p.id = id;
    p.name = name.substr(0, 20);
    p.latitude = lat;
    p.longitude = lon;
    p.wire[0] = uint8_t(id >> 8);
    p.wire[1] = uint8_t(id);
    PutWireText(&p.wire[2], p.name, 20);
    PutWire32(&p.wire[24], lat);
    PutWire32(&p.wire[28], lon);
    points_[id] = p;
}

size_t U8SimDevice::PointCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return points_.size();
}

std::vector<uint16_t> U8SimDevice::PointIds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint16_t> ids;
    for (auto& [id, p] : points_) ids.push_back(id);
    return ids;
}

void U8SimDevice::PutPosition(uint16_t id, int32_t lat, int32_t lon) {
    std::lock_guard<std::mutex> lock(mutex_);
    StorePosition(id, lat, lon);
}

void U8SimDevice::StorePosition(uint16_t id, int32_t lat, int32_t lon) {
    std::array<uint8_t, 30> r{};
    r[0] = uint8_t(id >> 8);
    r[1] = uint8_t(id);
    for (int i = 2; i < 8; ++i) r[i] = uint8_t(0xA0 + i);
    r[8] = 0x12;
    r[9] = 0x34;
    PutWire32(&r[10], lat);
    PutWire32(&r[14], lon);
    for (int i = 18; i < 30; i += 2) {
        r[i] = 0;
        r[i + 1] = uint8_t(i);
    }
    positions_[id] = r;
}

void U8SimDevice::SetPointCapacity(size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    capacity_ = n;
}

void U8SimDevice::SetListPaging(ListPaging paging) {
    std::lock_guard<std::mutex> lock(mutex_);
    paging_ = paging;
}

void U8SimDevice::SetVersionText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    versionText_ = text;
}

void U8SimDevice::SetTraxVersions(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    std::lock_guard<std::mutex> lock(mutex_);
    trax_[0] = a;
    trax_[1] = b;
    trax_[2] = c;
    trax_[3] = d;
}

std::vector<DeviceRequest> U8SimDevice::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<MemoryAccess> U8SimDevice::MemoryLog() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return memLog_;
}

void U8SimDevice::ClearLogs() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    memLog_.clear();
}

int U8SimDevice::Resets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return resets_;
}

int U8SimDevice::Commits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commits_;
}

std::vector<std::string> U8SimDevice::PointLists() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lists_;
}

U8SimDevice::Reply U8SimDevice::Error(uint8_t command, uint16_t id, uint8_t code) const {
    Reply r;
    r.command = command;
    r.packageId = id;
    r.data = {0x80, code};
    return r;
}

U8SimDevice::Reply U8SimDevice::Passthrough(const std::vector<uint8_t>& csp) {
    if (csp.size() < 3) return Error(0xF3, 0, 0x14);
    uint8_t cmd = csp[0];
    size_t n = GetBe16(&csp[1]);
    if (csp.size() < 3 + n) return Error(0xF3, 0, 0x14);
    const uint8_t* d = csp.data() + 3;
    Reply r;
    r.command = 0xF3;
    r.packageId = 0;
    r.isCsp = true;
    switch (cmd) {
    case 5: {
        if (n != 3) return Error(0xF3, 0, 0x14);
        int address = GetBe16(d);
        int count = d[2];
        if (address + count > MemorySize) return Error(0xF3, 0, 0x27);
        memLog_.push_back({false, address, count});
        std::vector<uint8_t> body(d, d + 3);
        body.insert(body.end(), mem_.begin() + address, mem_.begin() + address + count);
        r.data = CspPacket(ReadReplyCsp(variation_++), body);
        return r;
    }
    case 6: {
        if (n < 3) return Error(0xF3, 0, 0x14);
        int address = GetBe16(d);
        int count = d[2];
        if (n != size_t(3 + count)) return Error(0xF3, 0, 0x14);
        if (address + count > MemorySize) return Error(0xF3, 0, 0x27);
        memLog_.push_back({true, address, count});
        std::copy(d + 3, d + 3 + count, mem_.begin() + address);
        if (address <= kCommit && kCommit < address + count && mem_[kCommit] == 0) ++commits_;
        r.data = WriteReplyBytes(variation_++);
        return r;
    }
    case 7:
        ++resets_;
        r.data = CspPacket(7, {});
        return r;
    case 15:
        r.data = CspPacket(15, std::vector<uint8_t>(versionText_.begin(), versionText_.end()));
        return r;
    default:
        return Error(0xF3, 0, 0x11);
    }
}

U8SimDevice::Reply U8SimDevice::Dispatch(const DeviceRequest& q) {
    const uint16_t rid = uint16_t(-int(q.packageId));
    if (q.command == 0xF3) return Passthrough(q.data);
    Reply r;
    r.command = q.command;
    r.packageId = rid;
    const std::vector<uint8_t>& d = q.data;
    auto success = [&] { return Error(q.command, rid, 0x00); };
    switch (q.command) {
    case 33: {  // point list
        if (d.size() < 8) return Error(q.command, rid, 0x27);
        uint16_t list = GetBe16(&d[4]);
        size_t first = size_t(d[6] | d[7] << 8);
        if (first != 0 && paging_ == ListPaging::Refuses) return Error(q.command, rid, 0x27);
        if (paging_ == ListPaging::RepeatsFirst) first = 0;
        std::vector<uint16_t> ids;
        if (list == 0) {
            for (auto& [id, p] : points_) ids.push_back(id);
        } else if (list > lists_.size()) {
            return Error(q.command, rid, 0x22);
        }
        r.data.assign(106, 0);
        size_t count = first < ids.size() ? std::min<size_t>(50, ids.size() - first) : 0;
        PutBe16(r.data, 0, list);
        PutBe16(r.data, 2, uint16_t(count));
        PutBe16(r.data, 4, uint16_t(ids.size()));
        for (size_t i = 0; i < count; ++i) PutBe16(r.data, 6 + 2 * i, ids[first + i]);
        return r;
    }
    case 35: {  // read point
        if (d.size() < 2) return Error(q.command, rid, 0x27);
        auto it = points_.find(GetBe16(d.data()));
        if (it == points_.end()) return Error(q.command, rid, 0x21);
        r.data.assign(it->second.wire.begin(), it->second.wire.end());
        return r;
    }
    case 39: {  // delete point
        if (d.size() != 2) return Error(q.command, rid, 0x27);
        if (points_.erase(GetBe16(d.data())) == 0) return Error(q.command, rid, 0x21);
        return success();
    }
    case 41: {  // write point
        if (d.size() != 56) return Error(q.command, rid, 0x27);
        uint16_t id = GetBe16(d.data());
        bool replace = id != 0 && id != 0xFFFF && points_.count(id);
        if (!replace && points_.size() >= capacity_) return Error(q.command, rid, 0x24);
        if (id == 0 || id == 0xFFFF) {
            id = 1;
            while (points_.count(id)) ++id;
        }
        Point p;
        p.id = id;
        std::copy(d.begin(), d.end(), p.wire.begin());
        p.wire[0] = uint8_t(id >> 8);
        p.wire[1] = uint8_t(id);
        p.name = GetWireText(&d[2], 20);
        p.latitude = GetWire32(&d[24]);
        p.longitude = GetWire32(&d[28]);
        points_[id] = p;
        r.data = {uint8_t(id >> 8), uint8_t(id)};
        return r;
    }
    case 43: {  // create point list
        if (d.size() != 24) return Error(q.command, rid, 0x27);
        lists_.push_back(GetWireText(&d[2], 20));
        uint16_t id = uint16_t(lists_.size());
        r.data = {uint8_t(id >> 8), uint8_t(id)};
        return r;
    }
    case 45:  // clear the point store
        points_.clear();
        return success();
    case 68: {  // read position
        if (d.size() < 2) return Error(q.command, rid, 0x27);
        auto it = positions_.find(GetBe16(d.data()));
        if (it == positions_.end()) return Error(q.command, rid, 0x29);
        r.data.assign(it->second.begin(), it->second.end());
        return r;
    }
    case 241: {  // versions
        r.data.assign(24, 0);
        PutBe16(r.data, 0, 1);
        for (int i = 0; i < 4; ++i) PutBe16(r.data, 4 + 2 * i, trax_[i]);
        return r;
    }
    default:
        return Error(q.command, rid, 0x11);
    }
}

std::vector<FaultRule> U8SimDevice::TakeFaults(const DeviceRequest& q) {
    int cspCommand = q.command == 0xF3 && !q.data.empty() ? q.data[0] : -1;
    std::vector<FaultRule> active;
    for (FaultRule& f : faults_) {
        if (f.times == 0) continue;
        if (f.command != -1 && f.command != q.command) continue;
        if (f.csp != -1 && f.csp != cspCommand) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.times > 0) --f.times;
        active.push_back(f);
    }
    return active;
}

std::vector<ReplyPart> U8SimDevice::Deliver(const DeviceRequest& q, Reply reply, const std::vector<FaultRule>& active) {
    auto has = [&](Fault k) -> const FaultRule* {
        for (auto& f : active)
            if (f.kind == k) return &f;
        return nullptr;
    };
    if (has(Fault::Silence)) return {};
    if (auto f = has(Fault::Chatter)) {
        // Frames that answer nothing the program asked, and no reply.
        std::vector<ReplyPart> parts;
        for (int i = 0; i < f->param; ++i)
            parts.push_back({BuildFrame(0x10, 0x4242, {uint8_t(i), 0x00}), i == 0 ? 0 : f->param2});
        return parts;
    }

    if (auto f = has(Fault::ErrorCode)) reply.data = {0x80, uint8_t(f->param)};
    if (has(Fault::WrongEcho) && reply.isCsp && reply.data.size() >= 6) {
        PutBe16(reply.data, 3, uint16_t(GetBe16(&reply.data[3]) + 1));
        reply.data.back() = Xor(reply.data.data(), reply.data.size() - 1);
    }
    if (auto f = has(Fault::ListCount); f && reply.data.size() >= 4) PutBe16(reply.data, 2, uint16_t(f->param));
    if (auto f = has(Fault::LongReply)) {
        if (reply.isCsp && reply.data.size() >= 4) {
            reply.data.insert(reply.data.end() - 1, size_t(f->param), uint8_t('x'));
            PutBe16(reply.data, 1, uint16_t(reply.data.size() - 4));
            reply.data.back() = Xor(reply.data.data(), reply.data.size() - 1);
        } else {
            reply.data.insert(reply.data.end(), size_t(f->param), uint8_t('x'));
        }
    }
    if (auto f = has(Fault::ShortData); f && reply.isCsp && reply.data.size() >= 4) {
        size_t cut = std::min(size_t(f->param), reply.data.size() - 4);
        reply.data.erase(reply.data.end() - 1 - long(cut), reply.data.end() - 1);
        PutBe16(reply.data, 1, uint16_t(reply.data.size() - 4));
        reply.data.back() = Xor(reply.data.data(), reply.data.size() - 1);
    }
    if (auto f = has(Fault::ShortReply))
        reply.data.resize(reply.data.size() > size_t(f->param) ? reply.data.size() - f->param : 0);
    if (has(Fault::OtherCommand)) reply.command = uint8_t(reply.command == 0xF3 ? 0xF2 : reply.command + 1);

    std::vector<uint8_t> bytes;
    if (has(Fault::Echo)) {
        bytes = BuildFrame(q.command, q.packageId, q.data);
    } else {
        uint16_t id = reply.packageId;
        if (has(Fault::StaleId) || has(Fault::StaleThenGood)) id = uint16_t(id + 1);
        bytes = BuildFrame(reply.command, id, reply.data, has(Fault::BadChecksum) != nullptr);
        if (has(Fault::StaleThenGood)) {
            auto good = BuildFrame(reply.command, reply.packageId, reply.data);
            bytes.insert(bytes.end(), good.begin(), good.end());
        }
    }
    if (auto f = has(Fault::Garbage)) {
        static const char junk[] = "garbage!#";
        std::vector<uint8_t> pre;
        for (int i = 0; i < f->param; ++i) pre.push_back(uint8_t(junk[i % 9]));
        bytes.insert(bytes.begin(), pre.begin(), pre.end());
    }
    if (has(Fault::TrailingByte)) bytes.push_back(0);

    std::vector<ReplyPart> parts;
    if (auto f = has(Fault::Split); f && f->param > 1) {
        size_t n = size_t(f->param);
        size_t step = (bytes.size() + n - 1) / n;
        for (size_t at = 0; at < bytes.size(); at += step) {
            ReplyPart part;
            part.bytes.assign(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + step));
            part.delayMs = at == 0 ? 0 : f->param2;
            parts.push_back(std::move(part));
        }
    } else {
        parts.push_back({std::move(bytes), 0});
    }
    if (auto f = has(Fault::Delay)) parts.front().delayMs += f->param;
    if (has(Fault::Late)) held_ = std::exchange(parts, {});
    return parts;
}

std::vector<ReplyPart> U8SimDevice::OnFrame(const DeviceRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    if (unplugged_) return {};
    const std::vector<FaultRule> active = TakeFaults(request);
    const FaultRule* refused = nullptr;
    for (const FaultRule& f : active) {
        if (f.kind == Fault::Unplug) {
            unplugged_ = true;
            return {};
        }
        if (f.kind == Fault::Refused) refused = &f;
    }
    Reply reply = refused ? Error(request.command, request.command == 0xF3 ? 0 : uint16_t(-int(request.packageId)),
                                  uint8_t(refused->param))
                          : Dispatch(request);
    if (request.command != 0xF3) reply.command = ReplyCommand(request.command);
    std::vector<ReplyPart> parts = std::exchange(held_, {});
    for (ReplyPart& part : Deliver(request, std::move(reply), active)) parts.push_back(std::move(part));
    return parts;
}

size_t U8SimDevice::RawPacketLength(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 3) return 0;
    size_t n = 4 + GetBe16(&bytes[1]);
    return bytes.size() >= n ? n : 0;
}

std::vector<ReplyPart> U8SimDevice::OnRawPacket(const std::vector<uint8_t>& packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    DeviceRequest logged;
    logged.command = 0;
    logged.data = packet;
    requests_.push_back(logged);
    if (unplugged_) return {};
    size_t n = packet.size() >= 3 ? GetBe16(&packet[1]) : 0;
    if (packet.size() != n + 4 || Xor(packet.data() + 3, n) != packet.back()) return {};
    const uint8_t* d = packet.data() + 3;
    std::vector<uint8_t> body;
    uint8_t cmd = packet[0];
    if (cmd == 5 && n == 3) {
        int address = d[0] | d[1] << 8;
        int count = d[2];
        if (address + count > MemorySize) return {};
        memLog_.push_back({false, address, count});
        body.assign(d, d + 3);
        body.insert(body.end(), mem_.begin() + address, mem_.begin() + address + count);
    } else if (cmd == 6 && n >= 3 && n == size_t(3 + d[2])) {
        int address = d[0] | d[1] << 8;
        int count = d[2];
        if (address + count > MemorySize) return {};
        memLog_.push_back({true, address, count});
        std::copy(d + 3, d + 3 + count, mem_.begin() + address);
        // Three bytes of the device's own choosing.
        std::vector<uint8_t> any = WriteReplyBytes(variation_++);
        any.resize(3, 0x5A);
        body = any;
    } else {
        return {};
    }
    std::vector<uint8_t> reply(3 + body.size() + 1);
    // A read's reply command is the device's own choice; a write's is 6.
    reply[0] = cmd == 5 ? ReadReplyCsp(variation_++) : cmd;
    PutBe16(reply, 1, uint16_t(body.size()));
    std::copy(body.begin(), body.end(), reply.begin() + 3);
    reply.back() = Xor(body.data(), body.size());

    // The line faults that make sense without frames.
    std::vector<FaultRule> active;
    for (FaultRule& f : faults_) {
        if (f.times == 0 || (f.command != -1 && f.command != 0) || (f.csp != -1 && f.csp != cmd)) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.times > 0) --f.times;
        active.push_back(f);
    }
    int delay = 0;
    bool trailing = false;
    for (auto& f : active) {
        switch (f.kind) {
        case Fault::Silence: return {};
        case Fault::BadChecksum: reply.back() ^= 0x01; break;
        case Fault::Echo: reply = packet; break;
        case Fault::WrongEcho:
            reply[3] = uint8_t(reply[3] + 1);
            reply.back() = Xor(reply.data() + 3, reply.size() - 4);
            break;
        case Fault::TrailingByte: trailing = true; break;
        case Fault::ShortReply: reply.resize(reply.size() > size_t(f.param) ? reply.size() - f.param : 0); break;
        case Fault::Delay: delay += f.param; break;
        default: break;
        }
    }
    if (trailing) reply.push_back(0);
    return {{reply, delay}};
}

SimulatedU8::SimulatedU8() = default;

SimulatedU8::~SimulatedU8() { Stop(); }

bool SimulatedU8::Start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = false;
    }
    line_.SetResponder([this](U8Sim& sim, const std::vector<uint8_t>& request) { Respond(sim, request); });
    if (!line_.Start()) return false;
    if (!sender_.joinable()) sender_ = std::thread([this] { SenderLoop(); });
    return true;
}

void SimulatedU8::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        pending_.clear();
    }
    wake_.notify_all();
    if (sender_.joinable()) sender_.join();
    line_.Stop();
}

void SimulatedU8::Respond(U8Sim& sim, const std::vector<uint8_t>& request) {
    std::vector<ReplyPart> parts;
    if (sim.GetMode() == U8Sim::Mode::Csp) {
        parts = device_.OnRawPacket(request);
    } else {
        // The frame as it came: command at 11, id at 18-19, data words at 20-21.
        if (request.size() < 25) return;
        DeviceRequest q;
        q.command = request[11];
        q.packageId = GetBe16(&request[18]);
        size_t len = size_t(GetBe16(&request[20])) * 2;
        if (22 + len > request.size()) return;
        q.data.assign(request.begin() + 22, request.begin() + 22 + long(len));
        parts = device_.OnFrame(q);
    }
    bool delayed = false;
    for (auto& p : parts) delayed = delayed || p.delayMs > 0;
    if (!delayed) {
        for (auto& p : parts) sim.Send(p.bytes);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto due = std::chrono::steady_clock::now();
        for (auto& p : parts) {
            due += std::chrono::milliseconds(p.delayMs);
            pending_.emplace_back(due, std::move(p.bytes));
        }
    }
    wake_.notify_all();
}

void SimulatedU8::SenderLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (pending_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto due = pending_.front().first;
        if (std::chrono::steady_clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        std::vector<uint8_t> bytes = std::move(pending_.front().second);
        pending_.pop_front();
        lock.unlock();
        line_.Send(bytes);
        lock.lock();
    }
}

} // namespace u8sim
