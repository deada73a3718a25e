#pragma once
// The U8 simulator's transport: the master side of a pseudo-terminal served by
// a thread of its own. The program opens SlavePath() as its serial port. What
// the simulator answers is up to a pluggable responder (a full device model
// plugs in here) or a queue of scripted replies.
//
// The frame code in this simulator is written apart from the program's own
// codec on purpose: the two must agree on the wire, not share a misreading.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace u8sim {

// One iTalk frame as the simulator sees it.
struct Frame {
    uint16_t words = 0;        // offsets 2-3: words from offset 4 to the end of the data
    uint8_t kind = 0x03;       // offset 10
    uint8_t command = 0;       // offset 11
    uint16_t dataWords = 0;    // offsets 12-13
    uint16_t word14 = 0x020C;  // offsets 14-15
    uint16_t word16 = 0x0107;  // offsets 16-17
    uint16_t packageId = 0;    // offsets 18-19 (a reply carries the request's id negated)
    uint16_t dataWords2 = 0;   // offsets 20-21
    std::vector<uint8_t> data; // padded to even length
    uint16_t checksum = 0;     // as received (or as built)
    std::vector<uint8_t> raw;  // the frame's bytes as they came over the line
};

// Bytes of a frame with the given payload (padded with 0 to even length).
std::vector<uint8_t> EncodeFrame(uint8_t command, uint16_t packageId,
                                 const std::vector<uint8_t>& payload);
// Word sum (big-endian 16-bit words, modulo 65536) of an even-length block.
uint16_t WordSum(const std::vector<uint8_t>& bytes);

// Picks frames out of a byte stream. Bytes that cannot belong to a frame are
// counted as junk; a frame with a bad checksum or end byte is counted and
// dropped.
class FrameReader {
public:
    void Feed(const uint8_t* bytes, size_t count);
    std::optional<Frame> Next();
    size_t JunkBytes() const { return junk_; }
    size_t BadFrames() const { return bad_; }
    size_t Pending() const { return buffer_.size(); }
    void Clear();

private:
    void Scan();
    std::deque<uint8_t> buffer_;
    std::deque<Frame> frames_;
    size_t junk_ = 0;
    size_t bad_ = 0;
};

// Splits a raw byte stream into CSP packets: command, 16-bit big-endian data
// length n, n data bytes, one check byte (n + 4 bytes in all).
class CspReader {
public:
    void Feed(const uint8_t* bytes, size_t count);
    std::optional<std::vector<uint8_t>> Next();
    size_t Pending() const { return buffer_.size(); }
    void Clear() { buffer_.clear(); }

private:
    std::vector<uint8_t> buffer_;
};

// The line settings the program gave the slave side.
struct LineReport {
    bool ok = false;              // matches the expectation
    unsigned baud = 0;            // bits per second recorded on the pty
    int dataBits = 0;
    bool parity = false;
    bool twoStopBits = false;
    bool raw = false;             // no canonical mode, echo, signals, CR/LF translation
    bool hardwareFlow = false;
    bool softwareFlow = false;
    std::string problems;         // one line per mismatch
};

// One request as the simulator received it.
struct Request {
    std::chrono::steady_clock::time_point when;
    std::vector<uint8_t> bytes;   // the raw bytes of the request
    std::optional<Frame> frame;   // set in frame mode
};

class U8Sim {
public:
    enum class Mode {
        Bytes,  // every chunk read from the line is one request
        Csp,    // raw CSP packets (9600 baud family)
        Frame,  // iTalk frames (115200 baud family)
    };
    // Called on the simulator's thread for each request: in frame mode with the
    // whole frame's bytes, in CSP mode with one packet, in byte mode with a chunk.
    using Responder = std::function<void(U8Sim& sim, const std::vector<uint8_t>& request)>;

    U8Sim();
    ~U8Sim();
    U8Sim(const U8Sim&) = delete;
    U8Sim& operator=(const U8Sim&) = delete;

    // Opens the pseudo-terminal and starts the thread. False on failure.
    bool Start();
    // Stops the thread and closes both sides.
    void Stop();
    bool Running() const;
    std::string SlavePath() const { return slavePath_; }

    void SetMode(Mode mode);
    Mode GetMode() const;
    // Replaces the responder; an empty function leaves the scripted replies.
    void SetResponder(Responder responder);
    // Replies sent one per request, in order, when no responder is set.
    void QueueReply(const std::vector<uint8_t>& raw);
    void ClearReplies();

    // Sends bytes to the program (any thread, also from inside a responder).
    void Send(const std::vector<uint8_t>& raw);
    void SendFrame(uint8_t command, uint16_t packageId, const std::vector<uint8_t>& payload);
    // Blocks until everything queued has been written to the line (or ms pass).
    bool WaitSent(int ms);

    // Emulates the wire both ways: each byte takes 10 bits / baud seconds, for
    // what the program sends as for the replies; 0 = no delay.
    void SetWireBaud(unsigned baud);
    // Writes replies in pieces of chunk bytes with gapMs between them; 0 = whole.
    void SetSplit(size_t chunk, int gapMs);
    // Closes the master side: the program's port sees the line hang up.
    void CutLine();
    bool LineCut() const;

    // Reads the slave's line settings and compares them with what the device
    // expects: baud (recorded only on a pty), 8 data bits, no parity, one stop
    // bit, no flow control, raw mode.
    LineReport CheckLine(unsigned expectedBaud = 115200) const;

    // The request log.
    std::vector<Request> Requests() const;
    size_t RequestCount() const;
    void ClearRequests();
    // Waits until at least n requests were logged.
    bool WaitForRequests(size_t n, int ms) const;
    // Every byte received since Start (or the last ClearReceived).
    std::vector<uint8_t> Received() const;
    size_t ReceivedCount() const;
    void ClearReceived();
    bool WaitForReceived(size_t n, int ms) const;
    // Frame mode: bytes that belonged to no frame, and frames dropped as bad.
    size_t JunkBytes() const;
    size_t BadFrames() const;

private:
    void Run();
    void HandleInput(const uint8_t* bytes, size_t count);
    void Dispatch(const std::vector<uint8_t>& request, std::optional<Frame> frame);
    void Wake();
    std::chrono::microseconds NextDelay(std::chrono::steady_clock::time_point now);
    std::chrono::microseconds NextOutputDelay(std::chrono::steady_clock::time_point now);
    std::chrono::microseconds NextInputDelay(std::chrono::steady_clock::time_point now);
    void QueueInput(const uint8_t* bytes, size_t count, std::chrono::steady_clock::time_point now);
    void WriteDue(std::chrono::steady_clock::time_point now);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::thread thread_;
    int master_ = -1;
    int slave_ = -1;   // held open so the line stays up while the program reopens
    int wake_ = -1;
    std::string slavePath_;
    bool stop_ = false;
    bool cut_ = false;

    Mode mode_ = Mode::Frame;
    Responder responder_;
    std::deque<std::vector<uint8_t>> scripted_;
    FrameReader frames_;
    CspReader csp_;

    // Output: pieces with the time each may be written.
    struct Piece {
        std::vector<uint8_t> bytes;
        size_t offset = 0;
        std::chrono::steady_clock::time_point due;
    };
    std::deque<Piece> out_;
    std::deque<Piece> in_;  // received bytes waiting for their wire time
    std::chrono::steady_clock::time_point inLineFree_{};
    std::chrono::steady_clock::time_point lineFree_{};
    unsigned wireBaud_ = 0;
    size_t splitChunk_ = 0;
    int splitGapMs_ = 0;

    std::vector<Request> requests_;
    std::vector<uint8_t> received_;
};

}  // namespace u8sim
