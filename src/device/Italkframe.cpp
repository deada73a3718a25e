#include "device/Italkframe.h"

#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

#include "platform/Messagebox.h"

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v & 0xFF);
}
uint16_t Get16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
}  // namespace

iTalkFrame::iTalkFrame() = default;

iTalkFrame::~iTalkFrame() { FreeData(); }

void iTalkFrame::FreeData() {
    delete[] data_;
    data_ = nullptr;
    dataLen_ = 0;
}

void iTalkFrame::SetITalkData(const iTalkRecord& request) {
    SetITalkData(request.PackageID, uint16_t(0x0300 + request.Command), 0x020C, 0x0107,
                 request.Data, request.DataLen);
}

void iTalkFrame::SetITalkData(int16_t packageId, uint16_t word10, uint16_t word14,
                              uint16_t word16, const uint8_t* data, uint32_t dataLen) {
    try {
        FreeData();
        if (!data)
            dataLen = 0;
        // The word counts travel as 16 bits: a payload must fit them.
        if (dataLen > 2u * 0xFFF0u)
            throw std::length_error("payload too long");
        uint32_t L = (dataLen + 1) & ~1u;
        if (L > 0) {
            data_ = new uint8_t[L];
            std::memcpy(data_, data, dataLen);
            if (L != dataLen)
                data_[dataLen] = 0;
        }
        dataLen_ = L;
        std::memset(header_, 0, sizeof header_);
        header_[0] = '<';
        header_[1] = '*';
        Put16(header_ + 2, uint16_t((L + 18) / 2));
        Put16(header_ + 10, word10);
        Put16(header_ + 12, uint16_t(L / 2));
        Put16(header_ + 14, word14);
        Put16(header_ + 16, word16);
        Put16(header_ + 18, uint16_t(packageId));
        Put16(header_ + 20, uint16_t(L / 2));
        uint16_t sum = CalcChecksum(data_, Get16(header_ + 12));
        checksum_[0] = uint8_t(sum >> 8);
        checksum_[1] = uint8_t(sum & 0xFF);
        end_ = '>';
    } catch (const std::exception&) {
        FreeData();
        MessageBox("ERROR:iTalkFrame::SetITalkData", "Error");
    }
}

void iTalkFrame::GetPackage(uint8_t*& buffer, uint32_t& length) {
    buffer = nullptr;
    length = 0;
    try {
        uint32_t total = Overhead + dataLen_;
        uint8_t* out = new uint8_t[total];
        std::memcpy(out, header_, HeaderSize);
        if (dataLen_)
            std::memcpy(out + HeaderSize, data_, dataLen_);
        out[HeaderSize + dataLen_] = checksum_[0];
        out[HeaderSize + dataLen_ + 1] = checksum_[1];
        out[HeaderSize + dataLen_ + 2] = end_;
        buffer = out;
        length = total;
    } catch (const std::exception&) {
        MessageBox("ERROR:iTalkFrame::GetPackage", "Error");
    }
}

// Parses the m bytes at p, which start with '<', as one whole frame.
bool iTalkFrame::ParseAt(const uint8_t* p, uint32_t m) {
    if (m < HeaderSize)
        return false;
    if (p[0] != '<' || p[1] != '*')
        return false;
    uint32_t L = 2u * Get16(p + 20);
    if (m < Overhead || L != m - Overhead)
        return false;
    if (p[m - 1] != '>')
        return false;
    uint8_t* copy = nullptr;
    if (L > 0)
        copy = new (std::nothrow) uint8_t[L];
    if (L > 0 && !copy)
        return false;
    if (L > 0)
        std::memcpy(copy, p + HeaderSize, L);
    uint16_t received = Get16(p + HeaderSize + L);
    if (CalcChecksum(copy, int(L / 2)) != received) {
        delete[] copy;
        return false;
    }
    FreeData();
    std::memcpy(header_, p, HeaderSize);
    data_ = copy;
    dataLen_ = L;
    checksum_[0] = p[HeaderSize + L];
    checksum_[1] = p[HeaderSize + L + 1];
    end_ = p[m - 1];
    return true;
}

bool iTalkFrame::PurgePackage(const uint8_t* bytes, uint32_t count) {
    try {
        if (!bytes)
            return false;
        // Try each '<' in turn: a stray one in front of a frame must not hide it.
        for (uint32_t i = 0; i < count; ++i) {
            if (bytes[i] != '<')
                continue;
            uint32_t m = count - i;
            if (m < HeaderSize)
                return false;
            if (ParseAt(bytes + i, m))
                return true;
        }
        return false;
    } catch (const std::exception& e) {
        MessageBox(std::string("iTalkFrame::PurgePackage:\n") + e.what(), "Error");
        return false;
    }
}

bool iTalkFrame::GetiTalkData(iTalkRecord& record) {
    try {
        record.PackageID = int16_t(Get16(header_ + 18));
        record.Command = header_[11];
        uint32_t len = 2u * Get16(header_ + 20);
        if (len > dataLen_)
            len = dataLen_;
        record.DataLen = len;
        record.Data = nullptr;
        if (len > 0) {
            record.Data = new (std::nothrow) uint8_t[len];
            if (!record.Data) {
                record.DataLen = 0;
                return false;
            }
            std::memcpy(record.Data, data_, len);
        }
        return true;
    } catch (const std::exception& e) {
        MessageBox(std::string("iTalkFrame::GetiTalkData:\n") + e.what(), "Error");
        return false;
    }
}

uint16_t iTalkFrame::CalcChecksum(const uint8_t* data, int wordCount) {
    if (wordCount <= 0 || !data)
        return 0;
    uint32_t sum = 0;
    for (int i = 0; i < wordCount; ++i)
        sum += Get16(data + 2 * i);
    return uint16_t(sum & 0xFFFF);
}
