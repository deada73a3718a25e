// The device's records where the program takes them in: a device course (its
// directory entry, game headers and course points) or a device game (its
// header, holes and shots) runs through the program's own TCourseImport or
// TRoundImport, which read it over the real TU8Device and TSerialPort from a
// device answering out of the input (Fuzzline), into a database in a temp
// folder (rolled back after each input); the memory manager lists the
// directory, games and bags and removes what it listed; the settings window's
// rules read the settings and header records and put them back. The result
// is rows, lists and records or the program's own refusals; nothing else.
//
// Input: an operation byte (bits 0-1: course, game, memory lists or
// settings; the rest: the slot), two bytes of point data length P, P bytes of
// point data (a 106-byte point-list block, then 56-byte point records), then
// device memory from the course directory (course, memory lists), from the
// game's area (game) or from address 0 (settings) on; all other memory reads
// 0xFF.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Fuzzline.h"
#include "Fuzzdb.h"
#include "db/Database.h"
#include "db/Table.h"
#include "device/Italkframe.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "devicetools/Memoryrules.h"
#include "devicetools/Settingsrules.h"
#include "platform/Messagebox.h"
#include "transfer/Courseimport.h"
#include "transfer/Roundimport.h"

namespace {

using Bytes = std::vector<uint8_t>;

TDatabase& Db() { return fuzzdb::Db("import"); }

// A reply frame: the pass-through command with id 0 answers any request.
Bytes Frame(const Bytes& data) {
    iTalkRecord r;
    r.PackageID = 0;
    r.Command = 0xF3;
    r.Data = const_cast<uint8_t*>(data.data());
    r.DataLen = uint32_t(data.size());
    iTalkFrame frame;
    frame.SetITalkData(r);
    uint8_t* wire = nullptr;
    uint32_t length = 0;
    frame.GetPackage(wire, length);
    Bytes out(wire, wire + length);
    delete[] wire;
    return out;
}

Bytes Csp(uint8_t command, const Bytes& data) {
    Bytes p = {command, uint8_t(data.size() >> 8), uint8_t(data.size())};
    p.insert(p.end(), data.begin(), data.end());
    uint8_t x = 0;
    for (uint8_t b : p) x ^= b;
    p.push_back(x);
    return p;
}

struct Device {
    Bytes memory = Bytes(u8::MemorySize, 0xFF);
    Bytes points;

    Bytes Answer(const Bytes& frame) {
        if (frame.size() < 25 || frame[0] != '<') return {};
        const uint8_t command = frame[11];
        const size_t n = std::min(size_t(frame[20] << 8 | frame[21]) * 2, frame.size() - 25);
        const Bytes q(frame.begin() + 22, frame.begin() + 22 + long(n));
        if (command == 0xF3 && q.size() >= 6) {
            const int address = q[3] << 8 | q[4];
            const int count = q[5];
            if (q[0] == 5) {
                Bytes body(q.begin() + 3, q.begin() + 6);
                for (int i = 0; i < count; ++i) body.push_back(memory[size_t(address + i) % memory.size()]);
                return Frame(Csp(5, body));
            }
            if (q[0] == 6) {
                for (int i = 0; i < count && size_t(6 + i) < q.size(); ++i)
                    memory[size_t(address + i) % memory.size()] = q[size_t(6 + i)];
                return Frame({0x31, 0x32, 0x33});
            }
        }
        if (command == 33) return Frame(Slice(0, 106));
        if (command == 35 && q.size() >= 2 && points.size() > 106) {
            const size_t records = (points.size() - 106 + 55) / 56;
            Bytes p = Slice(106 + 56 * ((size_t(q[0] << 8 | q[1])) % records), 56);
            p[0] = q[0];  // the record names the point asked for
            p[1] = q[1];
            return Frame(p);
        }
        return Frame({0x80, 0x00});
    }
    Bytes Slice(size_t from, size_t n) const {
        Bytes out(n, 0);
        for (size_t i = 0; i < n && from + i < points.size(); ++i) out[i] = points[from + i];
        return out;
    }
};

bool g_trace = false;

int Rows(TDatabase& db, const char* table) {
    TTable t(&db, table);
    t.Open();
    return t.RecordCount();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // CADDORA_FUZZ_TRACE=1 prints the messages and the rows stored (to check seeds).
    g_trace = std::getenv("CADDORA_FUZZ_TRACE") != nullptr;
    SetMessageResponder([](const MessageRequest& m) {
        if (g_trace) std::fprintf(stderr, "  message: %s\n", m.text.c_str());
        return int(IDOK);
    });
    Db();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t op = data[0];
    const size_t pointBytes = std::min(size_t(data[1] << 8 | data[2]), size - 3);
    Device device;
    device.points.assign(data + 3, data + 3 + pointBytes);
    const int kind = op & 3;
    const bool course = kind == 0;
    const int slot = (op >> 2) % (course ? u8::CourseSlots : u8::GameAreas);
    const size_t base = kind == 1 ? size_t(u8::GameAreaAddress + u8::GameAreaSize * slot)
                        : kind == 3 ? 0
                                    : size_t(u8::CourseDirAddress);
    for (size_t i = 3 + pointBytes, at = base; i < size && at < device.memory.size(); ++i, ++at)
        device.memory[at] = data[i];
    fuzzline::Respond([&device](const Bytes& frame) { return device.Answer(frame); });

    TSerialPort port;
    port.Log.PlainMode = true;
    TU8Device u8(&port);
    port.SetPort(1);
    port.OpenPort();
    port.ResponseTimeout = 50;
    port.ShowErrors = true;

    TDatabase& db = Db();
    db.StartTransaction();
    {
        if (course) {
            TCourseImport import(u8, db, 1);
            if (u8.ReadCourseDirectory(import.CourseDirectory) == 0) {
                for (int n = 1; n <= u8::GameAreas; ++n)
                    import.GameHeaderRead[n - 1] = u8.ReadGameHeader(n, &import.GameHeaders[n - 1]) == 0;
                import.Run({slot});
            }
        } else if (kind == 1) {
            GameHeader header{};
            if (u8.ReadGameHeader(slot + 1, &header) == 0) {
                TRoundImport import(u8, db, 1);
                GameHeader headers[u8::GameAreas] = {};
                headers[slot] = header;
                import.Run(headers, {slot});
            }
        } else if (kind == 2) {
            TMemoryManager manager(port, u8);
            MemoryLists lists;
            if (manager.ListDeviceContents(lists).empty()) {
                for (auto* list : {&lists.Courses, &lists.Rounds, &lists.Bags})
                    for (size_t i = 0; i < list->size(); ++i) (*list)[i].Checked = (op >> (2 + i % 6)) & 1;
                manager.DeleteItems(lists);
            }
        } else {
            U8Settings settings{};
            DeviceHeader header{};
            if (u8.ReadBytes(u8::SettingsAddress, u8::SettingsSize, &settings) == 0 && u8.ReadHeader(&header) == 0) {
                const DeviceControls read = ControlsFromRecords(settings, header);
                DeviceControls now = read;
                now.TimeZone = (op >> 2) % TimeZoneCount;
                now.Contrast = op >> 4;
                PutControls(now, read, settings, header);
                if (ControlsFromRecords(settings, header).TimeZone != now.TimeZone) __builtin_trap();
            }
        }
    }
    if (g_trace)
        std::fprintf(stderr, "  rows: %d courses, %d holes, %d points, %d rounds, %d round holes, %d shots\n",
                     Rows(db, "Course_General"), Rows(db, "Holes"), Rows(db, "Waypoints"), Rows(db, "Round"),
                     Rows(db, "RoundHoles"), Rows(db, "RoundShots"));
    db.Rollback();
    fuzzline::Script({});
    return 0;
}
