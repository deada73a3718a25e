// TCommPort over memory and the stopwatch's clock on virtual time (see Fuzzline.h).
#include "Fuzzline.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "device/Commport.h"
#include "device/Tstopwatch.h"

namespace {
std::deque<std::vector<uint8_t>> g_replies;
std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> g_answer;
std::deque<uint8_t> g_input;
std::vector<uint8_t> g_written;
double g_nowMs = 0;

constexpr double MsPerDay = 86400000.0;
}  // namespace

namespace fuzzline {
void Respond(std::function<std::vector<uint8_t>(const std::vector<uint8_t>& block)> answer) {
    Script({});
    g_answer = std::move(answer);
}
void Script(std::deque<std::vector<uint8_t>> replies) {
    g_answer = nullptr;
    g_replies = std::move(replies);
    g_input.clear();
    g_written.clear();
}
const std::vector<uint8_t>& Written() { return g_written; }
double NowMs() { return g_nowMs; }
}  // namespace fuzzline

// ------------------------------------------------------------------ clock
// The stopwatch itself is the program's (Tstopwatch.cpp, built with
// CADDORA_OWN_CLOCK); only its clock runs on virtual time here.

TDateTime TStopwatch::MonotonicNow() { return g_nowMs / MsPerDay; }

unsigned TStopwatch::Delay(int ms) {
    if (ms > 0)
        g_nowMs += ms;
    return unsigned(std::max(ms, 0));
}

// ------------------------------------------------------------------- port

const unsigned TCommPort::RateTable[TCommPort::RateCount] = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000,
    256000};

TPortEvent::TPortEvent(bool manualReset) : manual_(manualReset) {}

TCommPort::TCommPort(void*) : alive_(std::make_shared<Liveness>()) {}
TCommPort::~TCommPort() = default;

void TCommPort::SetOpen(bool open) {
    open_ = open;
    g_input.clear();
    inUsed_.store(0);
}

void TCommPort::SetComNumber(int n) {
    SetOpen(false);
    ComNumber = n;
}

unsigned TCommPort::PutBlock(const char* data, unsigned count) {
    if (!open_ || !data)
        return 0;
    g_written.insert(g_written.end(), data, data + count);
    if (g_answer) {
        const std::vector<uint8_t> reply = g_answer(std::vector<uint8_t>(data, data + count));
        g_input.insert(g_input.end(), reply.begin(), reply.end());
    } else if (!g_replies.empty()) {
        std::vector<uint8_t> reply = std::move(g_replies.front());
        g_replies.pop_front();
        if (count >= 20 && data[0] == '<') {
            const uint16_t id = uint16_t(-int(uint16_t(uint8_t(data[18]) << 8 | uint8_t(data[19]))));
            for (size_t i = 0; i + 1 < reply.size(); ++i)
                if (reply[i] == 0x7E && reply[i + 1] == 0x7E) {
                    reply[i] = uint8_t(id >> 8);
                    reply[i + 1] = uint8_t(id);
                    ++i;
                }
        }
        g_input.insert(g_input.end(), reply.begin(), reply.end());
    }
    inUsed_.store(unsigned(g_input.size()));
    return count;
}

unsigned TCommPort::GetBlock(char* dest, unsigned count) {
    if (!open_ || !dest)
        return 0;
    unsigned n = std::min<unsigned>(count, unsigned(g_input.size()));
    std::copy(g_input.begin(), g_input.begin() + n, dest);
    g_input.erase(g_input.begin(), g_input.begin() + n);
    inUsed_.store(unsigned(g_input.size()));
    return n;
}

bool TCommPort::WaitForInput(unsigned count, int timeoutMs) {
    if (inUsed_.load() >= count)
        return true;
    // Nothing more comes until the next block is written: the wait runs out.
    g_nowMs += std::max(timeoutMs, 1);
    return false;
}

void TCommPort::FlushInBuffer() {
    g_input.clear();
    inUsed_.store(0);
}

void TCommPort::FlushOutBuffer() {}

void TCommPort::SetComControl(uint8_t value) { ComControl = value; }
void TCommPort::SetBaudRate(uint8_t index) { BaudRate = index; }
void TCommPort::SetBaud(unsigned bitsPerSecond) {
    for (int i = 0; i < RateCount; ++i)
        if (RateTable[i] == bitsPerSecond)
            BaudRate = uint8_t(i);
}
unsigned TCommPort::GetBaud() const { return BaudRate < RateCount ? RateTable[BaudRate] : 0; }
void TCommPort::SetParity(uint8_t value) { Parity = value; }
void TCommPort::SetStopBits(uint8_t value) { StopBits = value; }
void TCommPort::SetDataBits(uint16_t value) { DataBits = value < 5 || value > 8 ? 8 : value; }
void TCommPort::SetDTR(bool on) { DTR = on; }
void TCommPort::SetRTS(bool on) { RTS = on; }

std::string TCommPort::PortPath(int) { return ""; }
bool TCommPort::ProbePort(int, int* error) {
    if (error)
        *error = 0;
    return false;
}
