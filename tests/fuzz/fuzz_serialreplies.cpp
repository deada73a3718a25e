// The reply readers of the serial protocol object, fed as a device would feed
// them: the program's own TSerialPort and TU8Device send their requests and
// read the line's replies through the frame layer, raw CSP packets or iTalk
// frames, on a line double (Fuzzline) in place of the serial port.
//
// Input: an operation byte, a parameter byte, then the replies, each a length
// byte and that many bytes (the last one may be cut short). In a reply the
// byte pair 7E 7E stands for the negated package id of the request it answers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "Fuzzline.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"

namespace {

bool g_trace = false;

std::deque<std::vector<uint8_t>> Replies(const uint8_t* data, size_t size) {
    std::deque<std::vector<uint8_t>> replies;
    size_t at = 0;
    while (at < size) {
        size_t n = std::min<size_t>(data[at], size - at - 1);
        replies.emplace_back(data + at + 1, data + at + 1 + n);
        at += 1 + n;
    }
    return replies;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // CADDORA_FUZZ_TRACE=1 prints each operation's result (to check seeds).
    g_trace = std::getenv("CADDORA_FUZZ_TRACE") != nullptr;
    SetMessageResponder([](const MessageRequest& m) {
        if (g_trace)
            std::fprintf(stderr, "  message: %s\n", m.text.c_str());
        return int(IDOK);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t op = data[0] % 16;
    const uint8_t param = data[1];
    fuzzline::Script(Replies(data + 2, size - 2));

    TSerialPort port;
    port.Log.PlainMode = true;
    port.Log.CacheMode = g_trace;
    TU8Device device(&port);
    port.SetPort(1);
    port.OpenPort();
    port.ResponseTimeout = 50;
    port.ShowErrors = (param & 0x80) != 0;
    if (op == 12 || op == 13)
        port.SetOperationMode(1);  // raw CSP packets

    uint8_t buffer[300];
    std::memset(buffer, 0xCD, sizeof buffer);
    const int count = 1 + param % 120;
    int rc = 0;
    switch (op) {
    case 0: rc = device.ReadBytes(0x1000, count, buffer); break;
    case 1: rc = device.WriteBytes(0x1000, count, buffer); break;
    case 2: {
        int len = param % 64;
        rc = port.iTalkSepi(uint8_t(param | 1), 4, "\x01\x02\x03\x04", len, buffer);
        // A reply longer than the buffer fails and reports its own length;
        // a success never stores more than the buffer holds.
        if (rc == 0 && len > 64) std::abort();
        break;
    }
    case 3: {
        PointListBlock block;
        rc = device.ReadPointList(0, &block, 0);
        if (rc == 0 && block.Count > u8::MaxPointListIds) std::abort();
        break;
    }
    case 4: {
        DevicePoint point;
        rc = device.ReadPoint(param, &point, 0);
        if (rc == 0 && point.Id != param) std::abort();
        break;
    }
    case 5: rc = device.ReadPosition(param, buffer); break;
    case 6: {
        uint16_t versions[4];
        rc = device.GetTraxVersion(versions);
        break;
    }
    case 7: {
        char text[21];
        rc = device.GetU8Version(text);
        if (rc == 0 && std::strlen(text) > 20) std::abort();
        break;
    }
    case 8: {
        DevicePoint point{};
        rc = device.WritePoint(&point, std::string(param % 30, 'N'));
        break;
    }
    case 9: rc = device.CreatePointList("MyPoints", 1, 0); break;
    case 10: rc = device.DeletePoint(param); break;
    case 11: {
        int len = param;
        rc = port.iTalkPassthrough(uint8_t(param), 0, nullptr, len, buffer);
        if (len > param) std::abort();
        break;
    }
    case 12: rc = port.CSP_ReadMem(0x1000, count, buffer) ? 0 : -1; break;
    case 13: rc = port.CSP_WriteMemory(0x1000, buffer, count) ? 0 : -1; break;
    case 14: rc = device.ReadGameShot(1 + param % 4, 1 + param % 18, 1 + param / 18, buffer); break;
    default: rc = device.ResetU8(); break;
    }
    if (g_trace) {
        for (const std::string& line : port.Log.Cache())
            std::fprintf(stderr, "  %s\n", line.c_str());
        std::fprintf(stderr, "operation %d: %d\n", op, rc);
    }
    port.ClosePort();
    return 0;
}
