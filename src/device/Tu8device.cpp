#include "device/Tu8device.h"

#include <chrono>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>

#include "device/Tserialport.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Messagebox.h"

namespace {

void ShowError(const std::string& label, const std::exception& e) {
    MessageBox(label + e.what(), "Error");
}

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

uint8_t* Bytes(void* p) { return static_cast<uint8_t*>(p); }

} // namespace

TU8Device::TU8Device(TSerialPort* port) : port_(port) {
    try {
        port_->SetPortSettings(115200, 0, 8, 1, 0);
        port_->SetOperationMode(2);
        port_->CSP_SetResponseTimeout(2000);
        port_->CSP_SetMaxRead(50);
        port_->CSP_SetMaxWrite(50);
    } catch (const std::exception& e) {
        ShowError("TU8Device::TU8Device:", e);
    }
}

TU8Device::~TU8Device() = default;

int TU8Device::CheckDevice() {
    try {
        bool hadLast;
        int lastGood;
        {
            TIniFile ini(DataPath(PortSettingsFile));
            hadLast = ini.ValueExists(PortSettingsSection, "LastGoodPort");
            lastGood = ini.ReadInteger(PortSettingsSection, "LastGoodPort", -1);
        }
        int code = -1;
        int port = port_->SearchArmdeck(1, code, -1);
        if (port == -1) return -1;
        if (code == u8::U8ModelCode) return port;
        MessageBox("Device on port is " + port_->DeviceName(1, code), "Error");
        // Not a U8: leave no open port behind and keep the last good port as it was.
        port_->ClosePort();
        if (port_->WriteIni) {
            TIniFile ini(DataPath(PortSettingsFile));
            if (hadLast)
                ini.WriteInteger(PortSettingsSection, "LastGoodPort", lastGood);
            else
                ini.DeleteKey(PortSettingsSection, "LastGoodPort");
        }
        return -1;
    } catch (const std::exception& e) {
        ShowError("Class::Function (this):", e);
        return -1;
    }
}

std::string TU8Device::PortAccessNote() const { return port_->PortAccessNote(); }

int TU8Device::ClosePort() {
    try {
        if (port_->GetPortOpen()) port_->ClosePort();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return port_->GetPortOpen() ? -1 : 0;
    } catch (const std::exception& e) {
        ShowError("TU8Device::ClosePort:", e);
        return -1;
    }
}

int TU8Device::ReadBytes(int address, int length, void* buffer) {
    try {
        return port_->CSP_ReadMem(address, length, buffer) ? 0 : -1;
    } catch (const std::exception& e) {
        ShowError("TU8Device::ReadBytes:", e);
        return -1;
    }
}

int TU8Device::WriteBytes(int address, int length, const void* buffer) {
    try {
        return port_->CSP_WriteMemory(address, buffer, length) ? 0 : -1;
    } catch (const std::exception& e) {
        ShowError("TU8Device::WriteBytes:", e);
        return -1;
    }
}

int TU8Device::Commit() {
    try {
        const uint8_t zero = 0;
        return WriteBytes(u8::CommitAddress, 1, &zero);
    } catch (const std::exception& e) {
        ShowError("TU8Device::Commit:", e);
        return -1;
    }
}

int TU8Device::ReadHeader(void* buffer) { return ReadBytes(u8::HeaderAddress, u8::HeaderSize, buffer); }

int TU8Device::WriteHeader(const void* buffer) {
    return WriteBytes(u8::HeaderAddress, u8::HeaderSize, buffer);
}

int TU8Device::ReadCourseDirectory(void* buffer) {
    return ReadBytes(u8::CourseDirAddress, u8::CourseDirSize, buffer);
}

int TU8Device::WriteCourseEntry(const void* buffer, int n) {
    if (n < 1 || n > u8::CourseSlots) return -1;
    return WriteBytes(u8::CourseDirAddress + u8::CourseEntrySize * (n - 1), u8::CourseEntrySize, buffer);
}

int TU8Device::ReadBags(void* buffer) { return ReadBytes(u8::BagsAddress, u8::BagsSize, buffer); }

int TU8Device::WriteBag(const void* buffer, int n) {
    if (n < 1 || n > u8::BagSlots) return -1;
    return WriteBytes(u8::BagsAddress + u8::BagRecordSize * (n - 1), u8::BagRecordSize, buffer);
}

int TU8Device::WriteBags(const void* buffer) { return WriteBytes(u8::BagsAddress, u8::BagsSize, buffer); }

namespace {
// An address that a record of length bytes can be read at: inside the 64 KB
// of memory, else -1.
int InMemory(long long address, int length) {
    return address >= 0 && address + length <= u8::MemorySize ? int(address) : -1;
}

// Where game area n starts by the map's arithmetic, n unchecked.
long long AreaStart(int n) { return u8::GameAreaAddress + (long long)u8::GameAreaSize * (n - 1); }
} // namespace

// Reads compute their addresses as the memory map does, with no range check
// of n, h or p: only an address outside memory is refused.
int TU8Device::GameAreaAddress(int n) {
    return InMemory(AreaStart(n), u8::GameHeaderSize);
}

int TU8Device::GameHoleAddress(int n, int h) {
    long long at = AreaStart(n) + u8::GameHeaderSize + (long long)u8::GameHoleSize * (h - 1);
    return InMemory(at, u8::GameHoleSize);
}

int TU8Device::ReadGameHeader(int n, void* buffer) {
    int area = GameAreaAddress(n);
    if (area < 0) return -1;
    return ReadBytes(area, u8::GameHeaderSize, buffer);
}

int TU8Device::WriteGameHeader(int n, const void* buffer) {
    // Writes stay within the four game areas.
    if (n < 0 || n >= u8::GameAreas) return -1;
    return WriteBytes(GameAreaAddress(n + 1), u8::GameHeaderSize, buffer);
}

int TU8Device::ReadGameHole(int n, int h, void* buffer) {
    int at = GameHoleAddress(n, h);
    if (at < 0) return -1;
    return ReadBytes(at, u8::GameHoleSize, buffer);
}

int TU8Device::ReadGameShot(int n, int h, int p, void* buffer) {
    uint8_t hole[u8::GameHoleSize];
    if (ReadGameHole(n, h, hole) != 0) return -1;
    // Wherever the hole's byte 8 points (an unused hole reads 0xFFFF, whose
    // shots lie past the end of memory).
    int at = InMemory(Le16(hole + 8) + (long long)u8::GameShotSize * (p - 1), u8::GameShotSize);
    if (at < 0) return -1;
    return ReadBytes(at, u8::GameShotSize, buffer);
}

int TU8Device::GetU8Version(char* buffer) {
    try {
        if (!buffer) return -1;
        char text[20];
        int len = int(sizeof text);
        if (port_->iTalkPassthrough(u8::CspVersion, 0, nullptr, len, text) != 0) return -1;
        // The success reply without data carries no text.
        if (port_->ReplyWithoutData) return -1;
        std::memcpy(buffer, text, size_t(len));
        buffer[len] = 0;
        return 0;
    } catch (const std::exception& e) {
        ShowError("TU8Device::GetU8Version:", e);
        return -1;
    }
}

int TU8Device::ResetU8() {
    try {
        uint8_t reply[100];
        int len = int(sizeof reply);
        return port_->iTalkPassthrough(u8::CspReset, 0, nullptr, len, reply) == 0 ? 0 : -1;
    } catch (const std::exception& e) {
        ShowError("TU8Device::ResetU8:", e);
        return -1;
    }
}

// ---- point store --------------------------------------------------------

void TU8Device::MSBtoLSB(void* twoBytes) {
    uint8_t* p = Bytes(twoBytes);
    std::swap(p[0], p[1]);
}

void TU8Device::SwapLong(void* fourBytes) {
    uint8_t* p = Bytes(fourBytes);
    std::swap(p[0], p[1]);
    std::swap(p[2], p[3]);
}

void TU8Device::ConvertPoint(DevicePoint& point) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&point);
    for (int at : {0, 22, 32, 34, 36, 38, 48, 54}) MSBtoLSB(p + at);
    for (int at : {24, 28, 40, 44, 50}) SwapLong(p + at);
    for (int at = 2; at < 22; at += 2) MSBtoLSB(p + at);
}

int TU8Device::ReadPointList(uint16_t listId, void* block, uint16_t firstPosition) {
    try {
        if (!block) return -1;
        uint8_t* b = Bytes(block);
        std::memset(b, 0, sizeof(PointListBlock));
        b[2] = 0x32;  // at most 50 ids, low byte first
        b[3] = 0x00;
        b[4] = uint8_t(listId >> 8);
        b[5] = uint8_t(listId);
        b[6] = uint8_t(firstPosition);
        b[7] = uint8_t(firstPosition >> 8);
        int len = int(sizeof(PointListBlock));
        if (port_->iTalkSepi(u8::CmdReadPointList, len, b, len, b) != 0) return -1;
        // Without data the block would still hold the request.
        if (port_->ReplyWithoutData || len < 6) return -1;
        for (int at = 0; at < 6; at += 2) MSBtoLSB(b + at);
        PointListBlock* list = static_cast<PointListBlock*>(block);
        // Never more ids than the block holds or the reply carried.
        int count = list->Count;
        if (count > u8::MaxPointListIds) count = u8::MaxPointListIds;
        if (count > (len - 6) / 2) count = (len - 6) / 2;
        list->Count = uint16_t(count);
        for (int i = 0; i < count; ++i) MSBtoLSB(b + 6 + 2 * i);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::ReadPointIds(std::vector<uint16_t>& ids, bool& whole) {
    ids.clear();
    whole = false;
    std::set<uint16_t> earlier;
    for (int first = 0; first <= 0xFFFF; first += u8::MaxPointListIds) {
        PointListBlock page{};
        if (ReadPointList(0, &page, uint16_t(first)) != 0) return first == 0 ? -1 : 0;
        const int count = page.Count;
        for (int i = 0; i < count; ++i)
            if (earlier.count(page.Ids[i])) return 0;
        for (int i = 0; i < count; ++i) ids.push_back(page.Ids[i]);
        if (count < u8::MaxPointListIds) {
            whole = true;
            return 0;
        }
        earlier.insert(ids.end() - count, ids.end());
    }
    return 0;
}

int TU8Device::ReadPoint(uint16_t pointId, void* record, uint16_t selector) {
    try {
        if (!record) return -1;
        DevicePoint request{};
        uint8_t* q = reinterpret_cast<uint8_t*>(&request);
        q[0] = uint8_t(pointId >> 8);
        q[1] = uint8_t(pointId);
        q[36] = uint8_t(selector >> 8);
        q[37] = uint8_t(selector);
        DevicePoint reply{};
        int len = int(sizeof reply);
        // The record names its point: a late reply for another point is not this one.
        auto samePoint = [pointId](const uint8_t* data, uint32_t length) {
            return length < 2 || Be16(data) == pointId;
        };
        if (port_->iTalkSepi(u8::CmdReadPoint, len, &request, len, &reply, samePoint) != 0) return -1;
        if (port_->ReplyWithoutData || len != int(sizeof reply)) return -1;
        ConvertPoint(reply);
        std::memcpy(record, &reply, sizeof reply);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::WritePoint(const void* record, const std::string& name) {
    try {
        if (!record) return -1;
        DevicePoint point;
        std::memcpy(&point, record, sizeof point);
        size_t n = name.size() < sizeof point.Name ? name.size() : sizeof point.Name;
        std::memset(point.Name, 0, sizeof point.Name);
        std::memcpy(point.Name, name.data(), n);
        return WritePointRecord(point);
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::WritePointRecord(DevicePoint record) {
    try {
        ConvertPoint(record);
        uint8_t reply[2] = {0, 0};
        int len = int(sizeof reply);
        if (port_->iTalkSepi(u8::CmdWritePoint, int(sizeof record), &record, len, reply) != 0) return -1;
        if (port_->ReplyWithoutData || len != 2) return -1;
        return Be16(reply);
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::DeletePoint(uint16_t pointId) {
    try {
        const uint8_t request[2] = {uint8_t(pointId >> 8), uint8_t(pointId)};
        int len = 0;
        if (port_->iTalkSepi(u8::CmdDeletePoint, 2, request, len, nullptr) != 0) return -1;
        return Commit() == 0 ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

bool DeletePointIfHeld(TU8Device& device, uint16_t pointId) {
    if (device.DeletePoint(pointId) == 0) return true;
    return device.Port() && device.Port()->LastError == u8::ErrPointNotFound;
}

int TU8Device::CreatePointList(const std::string& name, uint16_t firstWord, uint16_t lastWord) {
    try {
        uint8_t request[24] = {};
        request[0] = uint8_t(firstWord >> 8);
        request[1] = uint8_t(firstWord);
        std::memcpy(request + 2, name.data(), name.size() < 20 ? name.size() : 20);
        for (int at = 2; at < 22; at += 2) MSBtoLSB(request + at);
        request[22] = uint8_t(lastWord >> 8);
        request[23] = uint8_t(lastWord);
        uint8_t reply[2] = {0, 0};
        int len = int(sizeof reply);
        if (port_->iTalkSepi(u8::CmdCreatePointList, 24, request, len, reply) != 0) return -1;
        if (port_->ReplyWithoutData || len != 2) return -1;
        if (Commit() != 0) return -1;
        return Be16(reply);
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::ReadPosition(uint16_t positionId, void* record) {
    try {
        if (!record) return -1;
        const uint8_t request[2] = {uint8_t(positionId >> 8), uint8_t(positionId)};
        PositionRecord reply{};
        int len = int(sizeof reply);
        if (port_->iTalkSepi(u8::CmdReadPosition, 2, request, len, &reply) != 0) return -1;
        if (port_->ReplyWithoutData) return -1;
        uint8_t* p = reinterpret_cast<uint8_t*>(&reply);
        MSBtoLSB(p);
        MSBtoLSB(p + 8);
        SwapLong(p + 10);
        SwapLong(p + 14);
        for (int at = 18; at < 30; at += 2) MSBtoLSB(p + at);
        std::memcpy(record, &reply, sizeof reply);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

int TU8Device::GetTraxVersion(uint16_t versions[4]) {
    try {
        uint8_t request[24] = {};
        request[1] = 1;
        uint8_t reply[24] = {};
        int len = int(sizeof reply);
        if (port_->iTalkSepi(u8::CmdVersion, 24, request, len, reply) != 0) return -1;
        if (port_->ReplyWithoutData || len < 12) return -1;
        for (int i = 0; i < 4; ++i) versions[i] = Be16(reply + 4 + 2 * i);
        return 0;
    } catch (const std::exception& e) {
        ShowError("TU8Device::GetTraxVersion:", e);
        return -1;
    }
}
