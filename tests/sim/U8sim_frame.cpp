// The simulator's own reading and writing of iTalk frames and CSP packets.
#include "sim/U8sim.h"

namespace u8sim {
namespace {
constexpr uint8_t Open = 0x3C;   // '<'
constexpr uint8_t Star = 0x2A;   // '*'
constexpr uint8_t Close = 0x3E;  // '>'
constexpr size_t Head = 22;
// The U8 never sends or takes frames anywhere near this; a larger length is a
// misread header, not a frame to wait for.
constexpr size_t LongestData = 4096;

void PushWord(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(uint8_t(w >> 8));
    out.push_back(uint8_t(w));
}

template <class Seq>
uint16_t WordAt(const Seq& s, size_t i) {
    return uint16_t(uint16_t(s[i]) << 8 | uint16_t(s[i + 1]));
}
}  // namespace

uint16_t WordSum(const std::vector<uint8_t>& bytes) {
    uint16_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        sum = uint16_t(sum + WordAt(bytes, i));
    return sum;
}

std::vector<uint8_t> EncodeFrame(uint8_t command, uint16_t packageId,
                                 const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> data = payload;
    if (data.size() % 2)
        data.push_back(0);
    const uint16_t dataWords = uint16_t(data.size() / 2);
    std::vector<uint8_t> out;
    out.reserve(data.size() + 25);
    out.push_back(Open);
    out.push_back(Star);
    PushWord(out, uint16_t(dataWords + 9));  // words from offset 4 to the end of the data
    for (int i = 0; i < 6; ++i)
        out.push_back(0);
    out.push_back(0x03);
    out.push_back(command);
    PushWord(out, dataWords);
    PushWord(out, 0x020C);
    PushWord(out, 0x0107);
    PushWord(out, packageId);
    PushWord(out, dataWords);
    out.insert(out.end(), data.begin(), data.end());
    PushWord(out, WordSum(data));
    out.push_back(Close);
    return out;
}

void FrameReader::Feed(const uint8_t* bytes, size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    Scan();
}

std::optional<Frame> FrameReader::Next() {
    if (frames_.empty())
        return std::nullopt;
    Frame f = std::move(frames_.front());
    frames_.pop_front();
    return f;
}

void FrameReader::Clear() {
    buffer_.clear();
    frames_.clear();
    junk_ = 0;
    bad_ = 0;
}

void FrameReader::Scan() {
    for (;;) {
        while (!buffer_.empty() && buffer_.front() != Open) {
            buffer_.pop_front();
            ++junk_;
        }
        if (buffer_.size() < 2)
            return;
        if (buffer_[1] != Star) {
            buffer_.pop_front();
            ++junk_;
            continue;
        }
        if (buffer_.size() < Head)
            return;
        const size_t dataLen = size_t(WordAt(buffer_, 20)) * 2;
        if (dataLen > LongestData) {
            buffer_.pop_front();
            ++junk_;
            continue;
        }
        const size_t total = Head + dataLen + 3;
        if (buffer_.size() < total)
            return;
        Frame f;
        f.words = WordAt(buffer_, 2);
        f.kind = buffer_[10];
        f.command = buffer_[11];
        f.dataWords = WordAt(buffer_, 12);
        f.word14 = WordAt(buffer_, 14);
        f.word16 = WordAt(buffer_, 16);
        f.packageId = WordAt(buffer_, 18);
        f.dataWords2 = WordAt(buffer_, 20);
        f.data.assign(buffer_.begin() + Head, buffer_.begin() + long(Head + dataLen));
        f.checksum = WordAt(buffer_, Head + dataLen);
        const bool good = buffer_[total - 1] == Close && WordSum(f.data) == f.checksum;
        if (!good) {
            // Drop the opening byte only and look for the next frame start.
            ++bad_;
            buffer_.pop_front();
            continue;
        }
        f.raw.assign(buffer_.begin(), buffer_.begin() + long(total));
        buffer_.erase(buffer_.begin(), buffer_.begin() + long(total));
        frames_.push_back(std::move(f));
    }
}

void CspReader::Feed(const uint8_t* bytes, size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
}

std::optional<std::vector<uint8_t>> CspReader::Next() {
    if (buffer_.size() < 3)
        return std::nullopt;
    const size_t n = size_t(buffer_[1]) << 8 | buffer_[2];
    if (buffer_.size() < n + 4)
        return std::nullopt;
    std::vector<uint8_t> packet(buffer_.begin(), buffer_.begin() + long(n + 4));
    buffer_.erase(buffer_.begin(), buffer_.begin() + long(n + 4));
    return packet;
}

}  // namespace u8sim
