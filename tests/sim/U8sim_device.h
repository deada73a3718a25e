#pragma once
// The U8 as the simulator sees it: a 64 KB memory image with the record layout,
// the point and position stores, and the commands the program sends, with
// faults a test can switch on. This code is written apart from src/device on
// purpose: frames and records are built here from byte offsets of their own.
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/U8sim.h"

namespace u8sim {

// One request as it came off the line.
struct DeviceRequest {
    uint8_t command = 0;      // iTalk command
    uint16_t packageId = 0;   // as sent
    std::vector<uint8_t> data;
};

// One piece of what the device sends back, sent after waiting delayMs.
struct ReplyPart {
    std::vector<uint8_t> bytes;
    int delayMs = 0;
};

enum class Fault {
    Silence,        // no reply at all
    Delay,          // reply after param ms
    Split,          // reply in param parts, param2 ms apart
    BadChecksum,    // frame checksum off by one
    StaleId,        // reply carries the id of the previous request
    StaleThenGood,  // a stale reply, then the right one
    Garbage,        // param bytes without '<' before the frame
    Echo,           // the request comes back instead of a reply
    OtherCommand,   // reply with the right id but another command
    ErrorCode,      // reply {0x80, param}
    ShortReply,     // reply data cut by param bytes (headers untouched)
    ShortData,      // a CSP reply carries param data bytes fewer (its length says so)
    LongReply,      // param extra bytes (a CSP reply's length grows with them)
    WrongEcho,      // memory reply echoes address + 1
    ListCount,      // point-list reply count word = param
    TrailingByte,   // one extra byte after the frame's end
    Chatter,        // param frames that are no reply, param2 ms apart, and no reply
    Refused,        // the request is not carried out and answered {0x80, param}
    Unplug,         // the line goes dead: this request and all after it go unheard until PlugIn
    Late,           // the reply is held back and goes out just before the next request's reply
};

// How the point list answers a first position other than 0: from that
// position on, with the first ids again, or refused (0x8027).
enum class ListPaging { Pages, RepeatsFirst, Refuses };

struct FaultRule {
    Fault kind = Fault::Silence;
    int command = -1;    // iTalk command it applies to, -1 any
    int csp = -1;        // CSP command inside 0xF3, -1 any
    int skip = 0;        // matching requests let through first
    int times = 1;       // how many replies it spoils, -1 for ever
    int param = 0;
    int param2 = 0;
};

// A memory access as the device saw it.
struct MemoryAccess {
    bool write = false;
    int address = 0;
    int count = 0;
};

class U8SimDevice {
public:
    static constexpr int MemorySize = 0x10000;

    U8SimDevice();

    // Scenarios.
    void LoadEmpty();
    // Three courses (18, 9 and 18 holes) with their points, two bags, a full
    // round in game area 1 and a nine-hole round in game area 2.
    void LoadFull();

    // The reply to one iTalk request frame (may be empty: silence).
    std::vector<ReplyPart> OnFrame(const DeviceRequest& request);
    // The reply to one raw CSP packet (9600 baud family, checksum over data).
    std::vector<ReplyPart> OnRawPacket(const std::vector<uint8_t>& packet);
    // Length of the raw CSP packet at the start of bytes, or 0 when incomplete.
    static size_t RawPacketLength(const std::vector<uint8_t>& bytes);

    // Faults.
    void AddFault(const FaultRule& rule);
    void ClearFaults();
    // The line back after an Unplug fault.
    void PlugIn();

    // Memory.
    void SetModelCode(uint8_t code);
    std::vector<uint8_t> Read(int address, int count) const;
    void Write(int address, const std::vector<uint8_t>& bytes);
    uint8_t Byte(int address) const;
    void Fill(int address, int count, uint8_t value);

    // Point store, in host order (names as plain text).
    struct Point {
        uint16_t id = 0;
        std::string name;
        int32_t latitude = 0;
        int32_t longitude = 0;
        std::array<uint8_t, 56> wire{};  // the record as last written, wire order
    };
    bool HasPoint(uint16_t id) const;
    Point GetPoint(uint16_t id) const;
    void PutPoint(uint16_t id, const std::string& name, int32_t lat, int32_t lon);
    size_t PointCount() const;
    std::vector<uint16_t> PointIds() const;
    void PutPosition(uint16_t id, int32_t lat, int32_t lon);
    void SetPointCapacity(size_t n);
    void SetListPaging(ListPaging paging);

    // Firmware texts.
    void SetVersionText(const std::string& text);
    void SetTraxVersions(uint16_t a, uint16_t b, uint16_t c, uint16_t d);

    // What happened.
    std::vector<DeviceRequest> Requests() const;
    std::vector<MemoryAccess> MemoryLog() const;
    void ClearLogs();
    int Resets() const;
    int Commits() const;  // zero bytes written at the commit address
    std::vector<std::string> PointLists() const;

    // Frame codec of the simulator (big-endian header, word-sum checksum).
    static std::vector<uint8_t> BuildFrame(uint8_t command, uint16_t packageId,
                                           const std::vector<uint8_t>& data,
                                           bool badChecksum = false);

private:
    struct Reply {
        bool silent = false;
        uint8_t command = 0;
        uint16_t packageId = 0;
        std::vector<uint8_t> data;
        bool isCsp = false;
    };
    Reply Dispatch(const DeviceRequest& request);
    Reply Passthrough(const std::vector<uint8_t>& csp);
    Reply Error(uint8_t command, uint16_t id, uint8_t code) const;
    void StorePosition(uint16_t id, int32_t lat, int32_t lon);
    // The faults that spoil this request, counted off their rules.
    std::vector<FaultRule> TakeFaults(const DeviceRequest& request);
    std::vector<ReplyPart> Deliver(const DeviceRequest& request, Reply reply, const std::vector<FaultRule>& active);

    mutable std::mutex mutex_;
    std::vector<uint8_t> mem_;
    std::map<uint16_t, Point> points_;
    std::map<uint16_t, std::array<uint8_t, 30>> positions_;
    std::vector<std::string> lists_;
    std::vector<FaultRule> faults_;
    std::vector<ReplyPart> held_;  // a late reply, sent when the next request comes
    std::vector<DeviceRequest> requests_;
    std::vector<MemoryAccess> memLog_;
    std::string versionText_ = "U8 SIM 2.15 20070301";
    uint16_t trax_[4] = {2, 15, 3, 7};
    size_t capacity_ = 486;
    ListPaging paging_ = ListPaging::Pages;
    int resets_ = 0;
    int commits_ = 0;
    bool unplugged_ = false;
    unsigned variation_ = 0;  // varies what the protocol leaves to the device
};

// A U8 on a pseudo-terminal: the simulator's line with the device model as
// its responder. Replies with a delay go out through a sender thread, so the
// line keeps serving while a reply waits.
class SimulatedU8 {
public:
    SimulatedU8();
    ~SimulatedU8();
    SimulatedU8(const SimulatedU8&) = delete;
    SimulatedU8& operator=(const SimulatedU8&) = delete;

    bool Start();
    void Stop();
    U8Sim& Line() { return line_; }
    U8SimDevice& Device() { return device_; }
    std::string SlavePath() const { return line_.SlavePath(); }

private:
    void Respond(U8Sim& sim, const std::vector<uint8_t>& request);
    void SenderLoop();

    U8Sim line_;
    U8SimDevice device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::vector<uint8_t>>> pending_;
    bool stop_ = false;
    std::thread sender_;
};

} // namespace u8sim
