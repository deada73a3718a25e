#pragma once
#include <cstdint>

// One iTalk frame unpacked. Data is not owned by the record: whoever fills it
// says who frees it (GetiTalkData hands out a new[] block the caller delete[]s).
struct iTalkRecord {
    int16_t PackageID = 0;
    uint8_t Command = 0;
    uint8_t* Data = nullptr;
    uint32_t DataLen = 0;
};

// The outer packet of the U8 line:
//   '<' '*' words(BE16) 6 x 0 | 0x03 cmd | L/2 | 0x020C | 0x0107 | PackageID | L/2
//   | data, padded to even length L | checksum (BE16 word sum) | '>'
// All 16-bit fields are big-endian; a frame is 25 + L bytes.
class iTalkFrame {
public:
    static constexpr uint32_t HeaderSize = 22;
    static constexpr uint32_t Overhead = 25;  // header + checksum + '>'

    iTalkFrame();
    ~iTalkFrame();
    iTalkFrame(const iTalkFrame&) = delete;
    iTalkFrame& operator=(const iTalkFrame&) = delete;

    // Builds a request frame: word 10-11 = 0x0300 + Command, 0x020C, 0x0107.
    // The payload is copied; the caller keeps its own buffer.
    void SetITalkData(const iTalkRecord& request);
    void SetITalkData(int16_t packageId, uint16_t word10, uint16_t word14, uint16_t word16,
                      const uint8_t* data, uint32_t dataLen);
    // A new[] buffer with the whole frame (25 + L bytes); the caller delete[]s
    // it. buffer is null and length 0 on failure.
    void GetPackage(uint8_t*& buffer, uint32_t& length);
    // Accepts a run of received bytes that ends exactly with a frame. Bytes
    // before the frame are skipped, including a stray '<' that cannot start
    // one. True when a frame was accepted; the frame then holds it.
    bool PurgePackage(const uint8_t* bytes, uint32_t count);
    // The parsed frame as a record with a new[] copy of the data (caller
    // delete[]s it; null when there is no data). False when the copy fails.
    bool GetiTalkData(iTalkRecord& record);
    // Sum modulo 65536 of wordCount big-endian words; 0 for wordCount <= 0.
    static uint16_t CalcChecksum(const uint8_t* data, int wordCount);

    uint32_t DataLength() const { return dataLen_; }

private:
    bool ParseAt(const uint8_t* p, uint32_t m);
    void FreeData();

    uint8_t header_[HeaderSize] = {};
    uint8_t* data_ = nullptr;
    uint32_t dataLen_ = 0;
    uint8_t checksum_[2] = {};
    uint8_t end_ = 0;
};
