#include "device/Tserialport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

#include "device/Commport.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Messagebox.h"

namespace {

// The iTalk package counter, shared by every port object of the program.
int g_packageCounter = 1;
// Busy flag of the receive handler.
bool g_dataOnPortBusy = false;

constexpr uint8_t kPassthrough = 0xF3;
constexpr int kCollectSize = 1000;
constexpr int kMaxChunk = 255;
constexpr int kMemorySize = 0x10000;

void ShowError(const std::string& label, const std::exception& e) {
    MessageBox(label + e.what(), "Error");
}

uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// The device's error reply: exactly {0x80, n}; n = 0 is success without data.
bool IsErrorReply(const iTalkRecord& r) { return r.DataLen == 2 && r.Data && r.Data[0] == 0x80; }

void SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct ByteDeleter {
    void operator()(uint8_t* p) const { delete[] p; }
};
using Bytes = std::unique_ptr<uint8_t, ByteDeleter>;

} // namespace

TSerialPort::TSerialPort() {
    try {
        CommPort = new TCommPort(nullptr);
        ShowErrors = true;
        LastError = 0;
        SetDefaults();
    } catch (const std::exception& e) {
        ShowError("TSerialPort::Constructor ", e);
    }
}

TSerialPort::~TSerialPort() {
    try {
        delete CommPort;
        CommPort = nullptr;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::Destructor ", e);
    }
}

int TSerialPort::NextPackageId() { return g_packageCounter; }

void TSerialPort::SetDefaults() {
    try {
        CommPort->SetComNumber(1);
        CommPort->SetBaud(9600);
        CommPort->SetParity(0);
        CommPort->SetDataBits(8);
        CommPort->SetStopBits(0);
        CommPort->SetDTR(true);
        CommPort->SetRTS(false);
        CommPort->SetComControl(0);
        CommPort->OnReceive = [this](TCommPort*, unsigned count) { DataOnPort(count); };
        OperationMode = 1;
        MaxRead = 1000;
        MaxWrite = 1000;
        Log.SetMaxRowsInWindow(1000);
        ResponseTimeout = 5000;
        WriteIni = true;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::SetDefaults:", e);
    }
}

void TSerialPort::SetPortSettings(int baud, uint8_t parity, uint16_t dataBits, int stopBits,
                                  uint8_t handshake) {
    try {
        CommPort->SetBaud(unsigned(baud));
        std::string line = "Port settings: " + std::to_string(CommPort->GetBaud());
        switch (parity) {
        case 0: CommPort->SetParity(0); line += ",pNone"; break;
        case 1: CommPort->SetParity(2); line += ",pEven"; break;
        case 2: CommPort->SetParity(1); line += ",pOdd"; break;
        default: Log.AddToLog("Invalid parity value"); break;
        }
        CommPort->SetDataBits(dataBits);
        line += "," + std::to_string(dataBits);
        switch (stopBits) {
        case 1: CommPort->SetStopBits(0); line += ",1"; break;
        case 2: CommPort->SetStopBits(2); line += ",2"; break;
        default: Log.AddToLog("Invalid stopbits value"); break;
        }
        switch (handshake) {
        case 0: CommPort->SetComControl(0); line += ",hNone"; break;
        case 1: CommPort->SetComControl(2); line += ",hHardware"; break;
        case 2: CommPort->SetComControl(1); line += ",hSoftware"; break;
        default: Log.AddToLog("Invalid handshake value"); break;
        }
        Log.AddToLog(line);
    } catch (const std::exception& e) {
        ShowError("TSerialPort::SetPortSettings:", e);
    }
}

void TSerialPort::SetOperationMode(uint8_t mode) { OperationMode = mode; }
void TSerialPort::CSP_SetMaxRead(int n) { MaxRead = n; }
void TSerialPort::CSP_SetMaxWrite(int n) { MaxWrite = n; }
void TSerialPort::CSP_SetResponseTimeout(int ms) { ResponseTimeout = ms; }

void TSerialPort::SetPort(int n) {
    try {
        CommPort->SetComNumber(n);
    } catch (const std::exception& e) {
        ShowError("TSerialPort::SetPort:", e);
    }
}

void TSerialPort::OpenPort() {
    try {
        CommPort->SetOpen(true);
        CommPort->FlushInBuffer();
        CommPort->FlushOutBuffer();
        CommPort->SetDTR(true);
        CommPort->SetRTS(false);
        Log.AddToLog("Port " + std::to_string(CommPort->GetComNumber()) + " opened");
    } catch (const std::exception& e) {
        ShowError("TSerialPort::OpenPort:", e);
    }
}

void TSerialPort::ClosePort() {
    try {
        CommPort->SetOpen(false);
    } catch (const std::exception& e) {
        ShowError("TSerialPort::ClosePort:", e);
    }
}

bool TSerialPort::GetPortOpen() {
    try {
        return CommPort->GetOpen();
    } catch (const std::exception& e) {
        ShowError("TSerialPort::GetPortOpen:", e);
        return false;
    }
}

void TSerialPort::FlushBuffers() {
    try {
        CommPort->FlushInBuffer();
        CommPort->FlushOutBuffer();
    } catch (const std::exception& e) {
        ShowError("TSerialPort::FlushBuffers ", e);
    }
}

bool TSerialPort::WaitInput(unsigned count, int timeoutMs) {
    if (CommPort->GetInBuffUsed() >= count) return true;
    if (timeoutMs <= 0) return false;
    return CommPort->WaitForInput(count, timeoutMs);
}

// ---- CSP packets --------------------------------------------------------

uint8_t TSerialPort::CspXorChecksum(const uint8_t* bytes, int count) {
    uint8_t x = 0;
    for (int i = 0; i < count; ++i) x ^= bytes[i];
    return x;
}

uint8_t* TSerialPort::CSP_CreatePackage(uint8_t command, const uint8_t* data, int n) {
    try {
        if (n < 0 || n > 0xFFFF || (n > 0 && !data)) return nullptr;
        uint8_t* p = new (std::nothrow) uint8_t[size_t(n) + 4];
        if (!p) return nullptr;
        p[0] = command;
        p[1] = uint8_t(n >> 8);
        p[2] = uint8_t(n);
        if (n > 0) std::memcpy(p + 3, data, size_t(n));
        p[n + 3] = OperationMode == 1 ? CspXorChecksum(p + 3, n) : CspXorChecksum(p, n + 3);
        return p;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::CSP_CreatePackage:", e);
        return nullptr;
    }
}

bool TSerialPort::CSP_PurgePackage(uint8_t*& package, int total, uint8_t*& data) {
    data = nullptr;
    try {
        if (!package || total < 4) return false;
        int n = Be16(package + 1);
        if (total - 4 != n) return false;
        uint8_t* copy = new (std::nothrow) uint8_t[size_t(n) + 1];
        if (!copy) return false;
        if (n > 0) std::memcpy(copy, package + 3, size_t(n));
        uint8_t check = package[total - 1];
        delete[] package;
        package = nullptr;
        if (CspXorChecksum(copy, n) != check) {
            delete[] copy;
            return false;
        }
        data = copy;
        return true;
    } catch (const std::exception& e) {
        delete[] data;
        data = nullptr;
        ShowError("TSerialPort::CSP_PurgePackage:", e);
        return false;
    }
}

bool TSerialPort::WaitForBytes(int n, int timeoutMs, uint8_t*& buffer) {
    buffer = nullptr;
    try {
        if (n <= 0) return false;
        Bytes out(new (std::nothrow) uint8_t[size_t(n)]);
        if (!out) return false;
        TStopwatch watch;
        watch.Start();
        int taken = 0;
        while (taken < n) {
            unsigned waiting = CommPort->GetInBuffUsed();
            if (waiting > 0) {
                unsigned want = std::min<unsigned>(unsigned(n - taken), waiting);
                taken += int(CommPort->GetBlock(reinterpret_cast<char*>(out.get()) + taken, want));
                continue;
            }
            int left = timeoutMs - int(watch.ElapsedNow());
            if (left <= 0) break;
            WaitInput(unsigned(n - taken), left);
        }
        if (taken < n) {
            Log.AddToLog("!!!!RECEIVE TIMEOUT!!!!!!! Received:" + std::to_string(taken));
            return false;
        }
        buffer = out.release();
        return true;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::WaitForBytes:", e);
        return false;
    }
}

void TSerialPort::DumpBytes(const uint8_t* bytes, int count) {
    if (!Log.Enabled) return;
    Log.AddToLog("---Start---");
    for (int i = 0; i < count; ++i) {
        char line[64];
        char c = bytes[i] == 0 ? ' ' : char(bytes[i]);
        std::snprintf(line, sizeof line, "%5i : %5c : 0x%02X : d%u", i, c, unsigned(bytes[i]),
                      unsigned(bytes[i]));
        Log.AddToLog(line);
    }
    Log.AddToLog("---End---");
}

// ---- memory access ------------------------------------------------------

// Sends a CSP packet inside a pass-through frame (PackageID 1) and waits for
// the pass-through reply.
bool TSerialPort::PassthroughChunk(const uint8_t* package, uint32_t length, iTalkRecord& reply,
                                   bool dump, const ReplyCheck& names) {
    iTalkRecord send;
    send.PackageID = 1;
    send.Command = kPassthrough;
    send.Data = const_cast<uint8_t*>(package);
    send.DataLen = length;
    iTalkFrame frame;
    frame.SetITalkData(send);
    uint8_t* wire = nullptr;
    uint32_t wireLen = 0;
    frame.GetPackage(wire, wireLen);
    Bytes holdWire(wire);
    if (!wire) return false;
    FlushBuffers();
    if (dump) DumpBytes(wire, int(wireLen));
    if (CommPort->PutBlock(reinterpret_cast<char*>(wire), wireLen) != wireLen) return false;
    return WaitForITKPackage(0, reply, names);
}

bool TSerialPort::ExchangeMemoryChunk(int address, int chunk, uint8_t* destination) {
    if (OperationMode == 1) {
        const uint8_t request[3] = {uint8_t(address), uint8_t(address >> 8), uint8_t(chunk)};
        Bytes package(CSP_CreatePackage(5, request, 3));
        if (!package) return false;
        // What is still waiting belongs to an earlier exchange.
        FlushBuffers();
        if (CommPort->PutBlock(reinterpret_cast<char*>(package.get()), 7) != 7) return false;
        TStopwatch watch;
        watch.Start();
        for (;;) {
            int left = ResponseTimeout - int(watch.ElapsedNow());
            uint8_t* raw = nullptr;
            if (left <= 0 || !WaitForBytes(chunk + 7, left, raw)) return false;
            uint8_t* data = nullptr;
            if (!CSP_PurgePackage(raw, chunk + 7, data)) {
                delete[] raw;
                return false;
            }
            Bytes hold(data);
            // The reply echoes the address and count: a late reply to another
            // read is dropped and the wait goes on.
            if (std::memcmp(data, request, 3) != 0) {
                Log.AddToLog("CSP_ReadMemory: reply for another address dropped");
                continue;
            }
            std::memcpy(destination, data + 3, size_t(chunk));
            return true;
        }
    }

    const uint8_t request[3] = {uint8_t(address >> 8), uint8_t(address), uint8_t(chunk)};
    Bytes package(CSP_CreatePackage(5, request, 3));
    if (!package) return false;
    // CSP command, length, the echoed address and count, then the bytes. A
    // reply echoing another address and count answers another read.
    auto sameRead = [&request](const uint8_t* data, uint32_t length) {
        return length < 6 || std::memcmp(data + 3, request, 3) == 0;
    };
    iTalkRecord reply;
    if (!PassthroughChunk(package.get(), 7, reply, false, sameRead)) return false;
    Bytes holdReply(reply.Data);
    // The bytes are the device's only as far as its packet carries data: the
    // length word counts the echo and the memory bytes.
    uint32_t carried = reply.DataLen >= 3 ? Be16(reply.Data + 1) : 0;
    if (reply.DataLen < uint32_t(6 + chunk) || carried < uint32_t(3 + chunk) ||
        std::memcmp(reply.Data + 3, request, 3) != 0) {
        Log.AddToLog("CSP_ReadMemory: wrong or short reply");
        return false;
    }
    std::memcpy(destination, reply.Data + 6, size_t(chunk));
    return true;
}

uint8_t* TSerialPort::CSP_ReadMemory(int address, int count) {
    try {
        if (count <= 0) return nullptr;
        if (address < 0 || address > kMemorySize - count) {
            Log.AddToLog("CSP_ReadMemory: address out of range");
            return nullptr;
        }
        if (OperationMode != 1 && OperationMode != 2) return nullptr;
        int maxChunk = std::min(MaxRead, kMaxChunk);
        if (maxChunk <= 0) return nullptr;
        Bytes result(new (std::nothrow) uint8_t[size_t(count)]);
        if (!result) return nullptr;
        Log.AddToLog("-------BEGIN READ-------");
        FlushBuffers();
        Timer.Start();
        int remaining = count;
        while (remaining > 0) {
            int chunk = std::min(maxChunk, remaining);
            int offset = count - remaining;
            if (!ExchangeMemoryChunk(address + offset, chunk, result.get() + offset)) return nullptr;
            remaining -= chunk;
        }
        Timer.Stop();
        Log.AddToLog("Received " + std::to_string(count) + " bytes in " +
                     std::to_string(Timer.Elapsed()) + " ms");
        Log.AddToLog("-------END OF READ-------");
        return result.release();
    } catch (const std::exception& e) {
        ShowError("TSerialPort:CSP_ReadMemory:", e);
        return nullptr;
    }
}

bool TSerialPort::CSP_ReadMem(int address, int count, void* destination) {
    try {
        if (!destination) return false;
        Bytes bytes(CSP_ReadMemory(address, count));
        if (!bytes) return false;
        std::memcpy(destination, bytes.get(), size_t(count));
        return true;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::CSP_ReadMem:", e);
        return false;
    }
}

bool TSerialPort::WriteMemoryChunk(int address, int chunk, const uint8_t* source) {
    std::vector<uint8_t> request(size_t(chunk) + 3);
    if (OperationMode == 1) {
        request[0] = uint8_t(address);
        request[1] = uint8_t(address >> 8);
    } else {
        request[0] = uint8_t(address >> 8);
        request[1] = uint8_t(address);
    }
    request[2] = uint8_t(chunk);
    std::memcpy(request.data() + 3, source, size_t(chunk));
    Bytes package(CSP_CreatePackage(6, request.data(), chunk + 3));
    if (!package) {
        Log.AddToLog("CSP_WriteMemory: Memory allocation error");
        return false;
    }

    if (OperationMode == 1) {
        unsigned len = unsigned(chunk) + 7;
        // What is still waiting belongs to an earlier exchange.
        FlushBuffers();
        if (CommPort->PutBlock(reinterpret_cast<char*>(package.get()), len) != len) return false;
        uint8_t* raw = nullptr;
        if (!WaitForBytes(7, ResponseTimeout, raw)) {
            Log.AddToLog("CSP_WriteMemory:Timeout waiting for response");
            return false;
        }
        Bytes hold(raw);
        if (raw[0] != 6) {
            Log.AddToLog("CSP_WriteMemory:Wrong response received");
            return false;
        }
        return true;
    }

    // Inside a frame the packet goes without its check byte; the reply's
    // content is not examined.
    iTalkRecord reply;
    if (!PassthroughChunk(package.get(), uint32_t(chunk) + 6, reply, true, {})) {
        Log.AddToLog("WaitForITKPackage fuulas");
        return false;
    }
    Bytes holdReply(reply.Data);
    // A device error reply is no write reply: nothing was stored.
    int replyLen = 0;
    if (TakeReply("CSP_WriteMemory", reply, replyLen) < 0) {
        Log.AddToLog("CSP_WriteMemory: device error " + GetITALKErrorString(LastError));
        return false;
    }
    return true;
}

bool TSerialPort::CSP_WriteMemory(int address, const void* source, int count) {
    try {
        if (count == 0) return true;
        if (count < 0 || !source) return false;
        if (address < 0 || address > kMemorySize - count) {
            Log.AddToLog("CSP_WriteMemory: address out of range");
            return false;
        }
        if (OperationMode != 1 && OperationMode != 2) return false;
        int maxChunk = std::min(MaxWrite, kMaxChunk);
        if (maxChunk <= 0) return false;
        const uint8_t* src = static_cast<const uint8_t*>(source);
        Log.AddToLog("-------BEGIN WRITE-------");
        FlushBuffers();
        TStopwatch watch;
        watch.Start();
        int remaining = count;
        while (remaining > 0) {
            int chunk = std::min(maxChunk, remaining);
            int offset = count - remaining;
            if (!WriteMemoryChunk(address + offset, chunk, src + offset)) return false;
            remaining -= chunk;
        }
        watch.Stop();
        Log.AddToLog("Written " + std::to_string(count) + " bytes in " +
                     std::to_string(watch.Elapsed()) + " ms");
        Log.AddToLog("-------END OF WRITE-------");
        return true;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::CSP_WriteMemory:", e);
        return false;
    }
}

// ---- iTalk exchanges ----------------------------------------------------

bool TSerialPort::WaitForITKPackage(int16_t expectedId, iTalkRecord& reply, const ReplyCheck& names) {
    reply = iTalkRecord();
    try {
        std::vector<uint8_t> collected;
        collected.reserve(kCollectSize);
        std::vector<char> incoming(kCollectSize);
        iTalkFrame frame;
        TStopwatch idle, whole;
        idle.Start();
        whole.Start();
        // A device that keeps sending frames that are not the reply is given
        // four time-outs in all.
        const long long wholeLimit = 4LL * ResponseTimeout;
        bool overflow = false;
        while (!overflow && (long long)whole.ElapsedNow() <= wholeLimit) {
            unsigned waiting = CommPort->GetInBuffUsed();
            if (waiting == 0) {
                long long left = std::min<long long>(ResponseTimeout - (long long)idle.ElapsedNow(),
                                                     wholeLimit - (long long)whole.ElapsedNow());
                if (left < 0) break;
                WaitInput(1, int(left) + 1);
                continue;
            }
            unsigned room = unsigned(kCollectSize) - unsigned(collected.size());
            unsigned got = CommPort->GetBlock(incoming.data(), std::min(waiting, room));
            if (got > 0) idle.Start();  // the time-out counts inactivity
            for (unsigned i = 0; i < got; ++i) {
                uint8_t byte = uint8_t(incoming[i]);
                collected.push_back(byte);
                // A frame always ends in '>'; only then can a parse succeed.
                if (byte != '>' || !frame.PurgePackage(collected.data(), uint32_t(collected.size())))
                    continue;
                iTalkRecord record;
                if (!frame.GetiTalkData(record)) {
                    collected.clear();
                    continue;
                }
                size_t dumped = collected.size() - record.DataLen - iTalkFrame::Overhead;
                if (dumped != 0) {
                    Log.AddToLog("Dumped bytes in begin of data (" + std::to_string(dumped) + "):");
                    DumpBytes(collected.data(), int(dumped));
                }
                if (Log.GetWinVisible()) {
                    Log.AddToLog("iTalk Package received:");
                    Log.AddToLog("PackageID=" + std::to_string(record.PackageID));
                    Log.AddToLog("Command=" + std::to_string(record.Command));
                    Log.AddToLog("Datalen=" + std::to_string(record.DataLen));
                    Log.AddToLog("Data:");
                    DumpBytes(record.Data, int(record.DataLen));
                }
                bool isReply = record.Command == kPassthrough ? record.PackageID == 0
                                                              : record.PackageID == expectedId;
                // An error reply names nothing; any other reply must name
                // what was asked, or it answers an earlier request.
                if (isReply && names && !IsErrorReply(record) && !names(record.Data, record.DataLen)) {
                    Log.AddToLog("Reply to another request dropped");
                    isReply = false;
                }
                collected.clear();
                if (isReply) {
                    FlushBuffers();
                    reply = record;
                    return true;
                }
                delete[] record.Data;
            }
            if (collected.size() >= size_t(kCollectSize)) overflow = true;
        }
        Log.AddToLog("Timeout waiting for ITK package");
        if (collected.empty()) {
            Log.AddToLog("No bytes dumped");
        } else {
            Log.AddToLog("Dumped bytes (" + std::to_string(collected.size()) + ") are:");
            DumpBytes(collected.data(), int(collected.size()));
        }
        FlushBuffers();
        return false;
    } catch (const std::exception& e) {
        delete[] reply.Data;
        reply = iTalkRecord();
        ShowError("TSerialPort::WaitForITKPackage:", e);
        return false;
    }
}

bool TSerialPort::SendAndReceiveITK(iTalkRecord& reply, iTalkRecord request, const ReplyCheck& names) {
    reply = iTalkRecord();
    try {
        request.PackageID = int16_t(g_packageCounter);
        iTalkFrame frame;
        frame.SetITalkData(request);
        uint8_t* wire = nullptr;
        uint32_t wireLen = 0;
        frame.GetPackage(wire, wireLen);
        Bytes hold(wire);
        if (!wire) return false;
        if (CommPort->PutBlock(reinterpret_cast<char*>(wire), wireLen) != wireLen) return false;
        Log.AddToLog("iTalk package sent:");
        Log.AddToLog("PackageID=" + std::to_string(request.PackageID));
        Log.AddToLog("Command=" + std::to_string(request.Command));
        Log.AddToLog("Datalen=" + std::to_string(request.DataLen));
        Log.AddToLog("Data:");
        DumpBytes(wire + iTalkFrame::HeaderSize, int(wireLen - iTalkFrame::Overhead));
        hold.reset();
        const bool answered = WaitForITKPackage(int16_t(-g_packageCounter), reply, names);
        // The counter moves on after a request that went out, answered or
        // not: a reply that comes after its time-out then carries an older
        // request's id and is dropped, never taken for the next one's.
        g_packageCounter = g_packageCounter >= 100 ? 1 : g_packageCounter + 1;
        return answered;
    } catch (const std::exception& e) {
        ShowError("TSerialPortImpl::SendAndReceiveITK:", e);
        return false;
    }
}

// An error reply is exactly {0x80, n}: n = 0 is success without data.
// Returns 1 when the reply is not an error reply.
int TSerialPort::TakeReply(const char*, iTalkRecord& reply, int& replyLen) {
    if (IsErrorReply(reply)) {
        if (reply.Data[1] == 0) {
            ReplyWithoutData = true;
            return 0;
        }
        LastError = 0x8000 + reply.Data[1];
        if (ShowErrors) MessageBox(GetITALKErrorString(LastError), "Error");
        return -1;
    }
    return 1;
}

int TSerialPort::iTalkSepi(uint8_t command, int requestLen, const void* request, int& replyLen,
                           void* reply, const ReplyCheck& names) {
    try {
        LastError = 0;
        ReplyWithoutData = false;
        if (requestLen < 0 || (requestLen > 0 && !request) || replyLen < 0) return -1;
        iTalkRecord send;
        send.Command = command;
        send.Data = static_cast<uint8_t*>(const_cast<void*>(request));
        send.DataLen = uint32_t(requestLen);
        iTalkRecord answer;
        if (!SendAndReceiveITK(answer, send, names)) return -1;
        Bytes hold(answer.Data);
        int status = TakeReply("iTalkSepi", answer, replyLen);
        if (status != 1) return status;
        if (command == 68) {
            // The position reply is cut to the caller's length; a shorter one fails.
            if (answer.DataLen < uint32_t(replyLen)) {
                Log.AddToLog("iTalkSepi: Response shorter than expected");
                return -1;
            }
        } else {
            if (answer.DataLen > uint32_t(replyLen)) {
                MessageBox("iTalkSepi: Response CSPData longer than expected!", "Error");
                replyLen = int(answer.DataLen);
                return -1;
            }
            replyLen = int(answer.DataLen);
        }
        if (replyLen > 0) {
            if (!reply) return -1;
            std::memcpy(reply, answer.Data, size_t(replyLen));
        }
        return 0;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::iTalkSepi:", e);
        return -1;
    }
}

int TSerialPort::iTalkPassthrough(uint8_t cspCommand, int requestLen, const void* request,
                                  int& replyLen, void* reply) {
    try {
        LastError = 0;
        ReplyWithoutData = false;
        if (requestLen < 0 || (requestLen > 0 && !request) || replyLen < 0) return -1;
        Bytes package(CSP_CreatePackage(cspCommand, static_cast<const uint8_t*>(request), requestLen));
        if (!package) return -1;
        iTalkRecord send;
        send.Command = kPassthrough;
        send.Data = package.get();
        send.DataLen = uint32_t(requestLen) + 4;
        iTalkRecord answer;
        if (!SendAndReceiveITK(answer, send)) return -1;
        Bytes hold(answer.Data);
        int status = TakeReply("iTalkPassthrough", answer, replyLen);
        if (status != 1) return status;
        if (answer.DataLen < 3) {
            Log.AddToLog("iTalkPassthrough: reply without a CSP header");
            return -1;
        }
        int m = Be16(answer.Data + 1);
        if (m > replyLen) {
            char text[128];
            std::snprintf(text, sizeof text, "iTalkPassthrough: CSPData longer (%d) than expected (%d)!",
                          m, replyLen);
            MessageBox(text, "Error");
            return -1;
        }
        // The reply must hold the length it declares.
        if (uint32_t(m) + 3 > answer.DataLen) {
            Log.AddToLog("iTalkPassthrough: reply shorter than its length");
            return -1;
        }
        replyLen = m;
        if (m > 0) {
            if (!reply) return -1;
            std::memcpy(reply, answer.Data + 3, size_t(m));
        }
        return 0;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::iTalkPassthrough:", e);
        return -1;
    }
}

std::string TSerialPort::GetITALKErrorString(int code) {
    try {
        const char* text;
        switch (code) {
        case 0x8011: text = "Unknown command"; break;
        case 0x8012: text = "Unknown service"; break;
        case 0x8013: text = "No fix yet"; break;
        case 0x8014: text = "Unsuccessful"; break;
        case 0x8021: text = "Waypoint not found"; break;
        case 0x8022: text = "Route not found"; break;
        case 0x8023: text = "Route point not found"; break;
        case 0x8024: text = "All waypoints used"; break;
        case 0x8025: text = "All routes used"; break;
        case 0x8026: text = "Route full"; break;
        case 0x8027: text = "Illegal id"; break;
        case 0x8028: text = "Illegal name"; break;
        case 0x8029: text = "Log not found"; break;
        case 0x802A: text = "Error log full"; break;
        case 0x8031: text = "Flash unsuccessful"; break;
        case 0x8032: text = "File not found"; break;
        case 0x8033: text = "Illegal file"; break;
        case 0x8034: text = "File already open"; break;
        case 0x8035: text = "File open"; break;
        case 0x8036: text = "Open file table full"; break;
        case 0x8037: text = "End of file"; break;
        case 0x8038: text = "Flash full"; break;
        case 0x8039: text = "Invalid block quantity"; break;
        case 0x803A: text = "Invalid block"; break;
        case 0x803B: text = "Flash write failed"; break;
        case 0x803C: text = "Flash erase failed"; break;
        case 0x803D: text = "Fat corrupted"; break;
        case 0x803E: text = "Fat not found"; break;
        case 0x803F: text = "Media not consistent"; break;
        default: text = "Unknown is busy"; break;
        }
        char head[64];
        std::snprintf(head, sizeof head, "An iTalk error has occured: (0x%X) ", unsigned(code));
        return std::string(head) + text;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::GetITALKErrorString:", e);
        return "";
    }
}

// ---- port search --------------------------------------------------------

void TSerialPort::NoteRefused(int port, int error) {
    if (error != EACCES && error != EPERM) return;
    for (auto& r : RefusedPorts)
        if (r.first == port) return;
    RefusedPorts.emplace_back(port, TCommPort::PortPath(port));
}

std::string TSerialPort::PortAccessNote() const {
    if (RefusedPorts.empty()) return "";
    std::vector<std::pair<int, std::string>> ports = RefusedPorts;
    std::sort(ports.begin(), ports.end());
    std::string names;
    const size_t shown = std::min<size_t>(ports.size(), 3);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) names += i + 1 == shown && ports.size() == shown ? " and " : ", ";
        names += std::to_string(ports[i].first) + " (" + ports[i].second + ")";
    }
    if (ports.size() > shown) names += " and " + std::to_string(ports.size() - shown) + " more";
    return std::string("\n") + (ports.size() == 1 ? "Port " : "Ports ") + names +
           (ports.size() == 1 ? " exists but cannot" : " exist but cannot") +
           " be opened: permission denied. Add your user to the dialout group "
           "(sudo usermod -aG dialout $USER) and log in again.";
}

int TSerialPort::SearchArmdeck(uint8_t family, int& modelCode, int wantedModel) {
    try {
        int force, last;
        {
            TIniFile ini(DataPath(PortSettingsFile));
            force = ini.ReadInteger(PortSettingsSection, "ForcePortNr", -1);
            last = ini.ReadInteger(PortSettingsSection, "LastGoodPort", -1);
            if (WriteIni) ini.WriteInteger(PortSettingsSection, "ForcePortNr", force);
        }
        MaxRead = 50;
        MaxWrite = 50;
        RefusedPorts.clear();
        if (force != -1) return GetDeviceModel(force, family, modelCode, wantedModel) == 0 ? force : -1;
        if (last != -1 && GetDeviceModel(last, family, modelCode, wantedModel) == 0) return last;
        std::vector<int> ports;
        GetAvailablePorts(ports);
        for (int p : ports)
            if (GetDeviceModel(p, family, modelCode, wantedModel) == 0) return p;
        return -1;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::SearchArmdeck:", e);
        return -1;
    }
}

int TSerialPort::GetDeviceModel(int port, uint8_t family, int& modelCode, int wantedModel) {
    try {
        int address;
        if (family == 0) {
            SetOperationMode(1);
            SetPortSettings(9600, 0, 8, 1, 0);
            address = 90;
        } else if (family == 1) {
            SetOperationMode(2);
            SetPortSettings(115200, 0, 8, 1, 0);
            address = 23;
        } else if (family == 2) {
            const uint8_t request[4] = {5, 0, 36, 1};
            uint8_t answer[12] = {};
            int got = SendAndReceiveFamily2(port, request, answer, 4, int(sizeof answer));
            if (got > 4) {
                modelCode = int(int8_t(answer[4]));
                return 0;
            }
            return -1;
        } else {
            MessageBox("Unknown device type: " + std::to_string(family), "Error");
            return -1;
        }

        int openDelay, readDelay, connectTimeout;
        {
            TIniFile ini(DataPath(PortSettingsFile));
            openDelay = ini.ReadInteger(PortSettingsSection, "OpenDelayMS", 100);
            readDelay = ini.ReadInteger(PortSettingsSection, "ReadDelayMS", 100);
            connectTimeout = ini.ReadInteger(PortSettingsSection, "ConnectTimeoutMS", 500);
            if (WriteIni) {
                ini.WriteInteger(PortSettingsSection, "OpenDelayMS", openDelay);
                ini.WriteInteger(PortSettingsSection, "ReadDelayMS", readDelay);
                ini.WriteInteger(PortSettingsSection, "ConnectTimeoutMS", connectTimeout);
            }
        }
        ResponseTimeout = connectTimeout;
        SetPort(port);
        OpenPort();
        SleepMs(openDelay);
        if (!GetPortOpen()) {
            NoteRefused(port, CommPort->LastOpenError());
            return -1;
        }
        SleepMs(readDelay);
        uint8_t code = 0;
        bool ok = CSP_ReadMem(address, 1, &code);
        ResponseTimeout = 5000;
        if (ok && (wantedModel == -1 || code == wantedModel)) {
            modelCode = code;
            if (WriteIni) {
                TIniFile ini(DataPath(PortSettingsFile));
                ini.WriteInteger(PortSettingsSection, "LastGoodPort", port);
            }
            return 0;
        }
        ClosePort();
        return -1;
    } catch (const std::exception& e) {
        ShowError("TSerialPort::GetDeviceModel:", e);
        return -1;
    }
}

void TSerialPort::GetAvailablePorts(std::vector<int>& ports) {
    try {
        ClosePort();
        ports.clear();
        for (int n = 1; n <= 29; ++n) {
            int error = 0;
            if (TCommPort::ProbePort(n, &error))
                ports.push_back(n);
            else
                NoteRefused(n, error);
        }
    } catch (const std::exception& e) {
        ShowError("TSerialPort::GetAvailablePorts: ", e);
    }
}

std::string TSerialPort::DeviceName(uint8_t family, int modelCode) {
    try {
        if (family == 0 || family == 1) return modelCode == 92 ? "U8" : "unknown armdeck";
        if (family == 2) return "unknown dive computer";
        return "unknown device type";
    } catch (const std::exception& e) {
        ShowError("TSerialPort::DeviceName: ", e);
        return "";
    }
}

int TSerialPort::SendAndReceiveFamily2(int port, const uint8_t* request, uint8_t* reply, int requestLen,
                                       int replyCapacity) {
    try {
        if (!request || requestLen <= 0 || !reply || replyCapacity <= 0) return -1;
        SetPort(port);
        SetPortSettings(2400, 2, 8, 1, 0);
        OpenPort();
        std::vector<char> out(request, request + requestLen);
        out.push_back(char(CspXorChecksum(request, requestLen)));
        CommPort->SetRTS(true);
        CommPort->PutBlock(out.data(), unsigned(out.size()));
        TStopwatch wait;
        wait.Delay(450);
        CommPort->SetRTS(false);
        wait.Delay(200);
        unsigned waiting = CommPort->GetInBuffUsed();
        int got = int(CommPort->GetBlock(reinterpret_cast<char*>(reply),
                                         std::min<unsigned>(waiting, unsigned(replyCapacity))));
        ClosePort();
        if (got <= 0) return -1;
        if (CspXorChecksum(reply, got - 1) != reply[got - 1]) return -2;
        if (got >= int(out.size()) && std::memcmp(reply, out.data(), out.size()) == 0) return -2;
        return got;
    } catch (const std::exception& e) {
        ClosePort();
        ShowError("TSerialPort::SendAndReceiveFamily2:", e);
        return -1;
    }
}

void TSerialPort::DataOnPort(unsigned count) {
    try {
        if (count == 0 || g_dataOnPortBusy || OperationMode != 0) return;
        g_dataOnPortBusy = true;
        TStopwatch wait;
        unsigned before;
        do {
            before = CommPort->GetInBuffUsed();
            wait.Delay(100);
        } while (CommPort->GetInBuffUsed() != before);
        if (OnDataReceived) OnDataReceived(before);
        g_dataOnPortBusy = false;
    } catch (const std::exception& e) {
        g_dataOnPortBusy = false;
        ShowError("TSerialPort::DataOnPort:", e);
    }
}
