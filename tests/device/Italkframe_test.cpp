#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "device/Italkframe.h"
#include "sim/U8sim.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Build(int16_t id, uint8_t command, const Bytes& payload) {
    iTalkRecord r;
    r.PackageID = id;
    r.Command = command;
    r.Data = payload.empty() ? nullptr : const_cast<uint8_t*>(payload.data());
    r.DataLen = uint32_t(payload.size());
    iTalkFrame f;
    f.SetITalkData(r);
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    f.GetPackage(buffer, length);
    Bytes out(buffer, buffer + length);
    delete[] buffer;
    return out;
}

bool Accepts(const Bytes& run) {
    iTalkFrame f;
    return f.PurgePackage(run.data(), uint32_t(run.size()));
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace

TEST(ItalkFrame, ThreeBytePayloadIsPaddedAndSummed) {
    const Bytes expected = {
        '<', '*', 0x00, 0x0B,                    // 11 words from offset 4
        0, 0, 0, 0, 0, 0,                        // reserved
        0x03, 0x44,                              // kind, command
        0x00, 0x02,                              // data words
        0x02, 0x0C, 0x01, 0x07,                  // fixed words
        0x00, 0x05,                              // PackageID
        0x00, 0x02,                              // data words again
        0x01, 0x02, 0x03, 0x00,                  // data and pad
        0x04, 0x02,                              // 0x0102 + 0x0300
        '>'};
    EXPECT_EQ(Build(5, 0x44, {1, 2, 3}), expected);
}

TEST(ItalkFrame, EmptyPayloadAndChecksumRules) {
    Bytes f = Build(1, 0x10, {});
    ASSERT_EQ(f.size(), 25u);
    EXPECT_EQ(f[2], 0x00);
    EXPECT_EQ(f[3], 9);
    EXPECT_EQ(f[12] << 8 | f[13], 0);
    EXPECT_EQ(f[22], 0);
    EXPECT_EQ(f[23], 0);
    EXPECT_EQ(f[24], '>');

    const uint8_t wrap[] = {0xFF, 0xFF, 0x00, 0x02};
    EXPECT_EQ(iTalkFrame::CalcChecksum(wrap, 2), 0x0001);
    EXPECT_EQ(iTalkFrame::CalcChecksum(wrap, 0), 0);
    EXPECT_EQ(iTalkFrame::CalcChecksum(wrap, -3), 0);
    // Negative PackageID travels as its two's complement.
    Bytes reply = Build(-100, 0x10, {});
    EXPECT_EQ(reply[18], 0xFF);
    EXPECT_EQ(reply[19], 0x9C);
}

TEST(ItalkFrame, ParseAcceptsOnlyAWholeFrameEndingTheRun) {
    const Bytes frame = Build(7, 0x22, {9, 8, 7, 6, 5});
    EXPECT_TRUE(Accepts(frame));
    EXPECT_TRUE(Accepts(Cat({0x00, 0x13, 0xAA, 0x3E}, frame)));  // junk without '<'
    EXPECT_FALSE(Accepts(Cat(frame, {0x00})));                    // one byte too many

    Bytes badEnd = frame;
    badEnd.back() = '}';
    EXPECT_FALSE(Accepts(badEnd));
    Bytes badSum = frame;
    badSum[badSum.size() - 2] ^= 0x01;
    EXPECT_FALSE(Accepts(badSum));
    Bytes badStar = frame;
    badStar[1] = '+';
    EXPECT_FALSE(Accepts(badStar));

    // 21 bytes after the '<' are not enough for a header.
    Bytes shortRun(frame.begin(), frame.begin() + 21);
    EXPECT_FALSE(Accepts(shortRun));
    EXPECT_FALSE(Accepts({}));
    iTalkFrame f;
    EXPECT_FALSE(f.PurgePackage(nullptr, 10));
}

TEST(ItalkFrame, ByteByByteAcceptedExactlyOnTheLastByte) {
    const Bytes frame = Cat({'x', 'y'}, Build(42, 0x30, Bytes(40, 0x3C)));  // data full of '<'
    iTalkFrame f;
    for (size_t n = 1; n < frame.size(); ++n)
        ASSERT_FALSE(f.PurgePackage(frame.data(), uint32_t(n))) << "accepted early at " << n;
    EXPECT_TRUE(f.PurgePackage(frame.data(), uint32_t(frame.size())));
    iTalkRecord r;
    ASSERT_TRUE(f.GetiTalkData(r));
    EXPECT_EQ(r.PackageID, 42);
    EXPECT_EQ(r.Command, 0x30);
    ASSERT_EQ(r.DataLen, 40u);
    EXPECT_EQ(Bytes(r.Data, r.Data + r.DataLen), Bytes(40, 0x3C));
    delete[] r.Data;
}

TEST(ItalkFrame, StrayOpeningByteDoesNotHideTheFrame) {
    const Bytes frame = Build(3, 0x11, {1, 2, 3, 4});
    EXPECT_TRUE(Accepts(Cat({'<'}, frame)));
    EXPECT_TRUE(Accepts(Cat({'<', '*', 0x55, '<', 0x00}, frame)));
    // A stray '<*' with a header whose length claims the whole run but fails
    // the checksum still gives way to the real frame behind it.
    Bytes decoy = Build(9, 0x11, Bytes(28, 0));  // 24 + 29 bytes: L = 28 fits exactly
    decoy.resize(24);
    EXPECT_TRUE(Accepts(Cat(decoy, frame)));
}

TEST(ItalkFrame, ReplyFieldsComeBackSigned) {
    Bytes reply = Build(-1, 0xF3, {});
    ASSERT_EQ(reply.size(), 25u);
    iTalkFrame f;
    ASSERT_TRUE(f.PurgePackage(reply.data(), uint32_t(reply.size())));
    iTalkRecord r;
    ASSERT_TRUE(f.GetiTalkData(r));
    EXPECT_EQ(r.PackageID, -1);
    EXPECT_EQ(r.Command, 0xF3);
    EXPECT_EQ(r.DataLen, 0u);
    EXPECT_EQ(r.Data, nullptr);
}

TEST(ItalkFrame, AgreesWithTheSimulatorsOwnCodec) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Bytes payload(rng() % 120);
        for (auto& b : payload)
            b = uint8_t(rng());
        const uint8_t command = uint8_t(rng());
        const uint16_t id = uint16_t(rng());
        Bytes ours = Build(int16_t(id), command, payload);
        ASSERT_EQ(ours, u8sim::EncodeFrame(command, id, payload)) << "round " << round;

        u8sim::FrameReader reader;
        reader.Feed(ours.data(), ours.size());
        auto parsed = reader.Next();
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->command, command);
        EXPECT_EQ(parsed->packageId, id);
        EXPECT_EQ(reader.BadFrames(), 0u);
    }
}

TEST(ItalkFrame, GarbageNeverOverrunsOrPasses) {
    std::mt19937 rng(11);
    iTalkFrame f;
    for (int round = 0; round < 300; ++round) {
        Bytes junk(rng() % 1200);
        for (auto& b : junk)
            b = uint8_t(rng());
        // Many openings with huge length fields.
        for (size_t i = 0; i + 22 < junk.size(); i += 37) {
            junk[i] = '<';
            junk[i + 1] = '*';
            junk[i + 20] = 0xFF;
            junk[i + 21] = 0xFF;
        }
        EXPECT_FALSE(f.PurgePackage(junk.data(), uint32_t(junk.size())));
    }
    Bytes flood(5000, 'A');
    EXPECT_FALSE(f.PurgePackage(flood.data(), uint32_t(flood.size())));
    // A frame at the end of the flood is still found.
    Bytes tail = Cat(flood, Build(1, 2, {3}));
    EXPECT_TRUE(f.PurgePackage(tail.data(), uint32_t(tail.size())));
}
