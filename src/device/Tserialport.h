#pragma once
// The device protocol object: one serial port, the CSP packet layer (raw or
// inside iTalk frames), memory access in chunks, iTalk exchanges and the port
// search. All calls run on the caller's thread and wait for their reply.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/Italkframe.h"
#include "device/Tlog.h"
#include "device/Tstopwatch.h"

class TCommPort;

class TSerialPort {
public:
    TSerialPort();
    ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    TCommPort* CommPort = nullptr;
    TLog Log;
    uint8_t OperationMode = 1;  // 0 receive handler, 1 raw CSP, 2 CSP inside iTalk
    int MaxRead = 1000;
    int MaxWrite = 1000;
    int ResponseTimeout = 5000;
    TStopwatch Timer;
    std::function<void(unsigned count)> OnDataReceived;
    bool ShowErrors = true;
    int LastError = 0;
    bool WriteIni = true;
    // Set by the last iTalkSepi or iTalkPassthrough: the reply was the
    // success reply {0x80, 0x00}, which carries no data.
    bool ReplyWithoutData = false;
    // Ports the last search found but could not open for lack of permission
    // (port number and device path).
    std::vector<std::pair<int, std::string>> RefusedPorts;

    // Whether a reply's data names what was asked (a point id, the echoed
    // address and count of a memory read). A reply that names something else
    // is dropped and the wait goes on.
    using ReplyCheck = std::function<bool(const uint8_t* data, uint32_t length)>;

    // Construction and settings.
    void SetDefaults();
    void SetPortSettings(int baud, uint8_t parity, uint16_t dataBits, int stopBits, uint8_t handshake);
    void SetOperationMode(uint8_t mode);
    void CSP_SetMaxRead(int n);
    void CSP_SetMaxWrite(int n);
    void CSP_SetResponseTimeout(int ms);
    void SetPort(int n);
    void OpenPort();
    void ClosePort();
    bool GetPortOpen();
    void FlushBuffers();

    // CSP packets: command, big-endian length n, n data bytes, XOR check byte
    // (over the data in mode 1, over command, length and data otherwise).
    // A new[] buffer of n + 4 bytes, or null.
    uint8_t* CSP_CreatePackage(uint8_t command, const uint8_t* data, int n);
    // Checks a received packet of total bytes. On success package is freed
    // (and set to null) and data receives a new[] copy of its data bytes.
    bool CSP_PurgePackage(uint8_t*& package, int total, uint8_t*& data);
    static uint8_t CspXorChecksum(const uint8_t* bytes, int count);
    // Waits for n bytes (total time-out); on success buffer is a new[] block.
    bool WaitForBytes(int n, int timeoutMs, uint8_t*& buffer);
    void DumpBytes(const uint8_t* bytes, int count);

    // Memory access in chunks of MaxRead / MaxWrite (at most 255) bytes.
    // A new[] buffer of count bytes, or null.
    uint8_t* CSP_ReadMemory(int address, int count);
    bool CSP_ReadMem(int address, int count, void* destination);
    bool CSP_WriteMemory(int address, const void* source, int count);

    // iTalk exchanges.
    // Waits for the reply frame: a 0xF3 frame with PackageID 0, or a frame of
    // any other command with PackageID expectedId, whose data names (check)
    // what was asked. Ends after ResponseTimeout ms without a byte, and after
    // four times that in all.
    bool WaitForITKPackage(int16_t expectedId, iTalkRecord& reply, const ReplyCheck& names = {});
    // One exchange carrying the program-wide package counter, which moves on
    // once the request went out, answered or not. The reply's Data is a new[]
    // block the caller frees.
    bool SendAndReceiveITK(iTalkRecord& reply, iTalkRecord request, const ReplyCheck& names = {});
    // replyLen: capacity in, bytes stored out. 0 or -1.
    int iTalkSepi(uint8_t command, int requestLen, const void* request, int& replyLen, void* reply,
                  const ReplyCheck& names = {});
    int iTalkPassthrough(uint8_t cspCommand, int requestLen, const void* request, int& replyLen,
                         void* reply);
    std::string GetITALKErrorString(int code);

    // Port search.
    int SearchArmdeck(uint8_t family, int& modelCode, int wantedModel);
    int GetDeviceModel(int port, uint8_t family, int& modelCode, int wantedModel);
    void GetAvailablePorts(std::vector<int>& ports);
    std::string DeviceName(uint8_t family, int modelCode);
    // Sends request + check byte on port and takes the reply into reply (at
    // most replyCapacity bytes): count, -1 for none, -2 for a bad reply.
    int SendAndReceiveFamily2(int port, const uint8_t* request, uint8_t* reply, int requestLen,
                              int replyCapacity = 12);

    // The port's receive handler.
    void DataOnPort(unsigned count);

    // The package id the next exchange will carry (1 to 100).
    static int NextPackageId();

    // A line for the caller's no-device message when the last search found
    // ports it was not allowed to open: "" when there were none.
    std::string PortAccessNote() const;

private:
    bool WaitInput(unsigned count, int timeoutMs);
    bool ExchangeMemoryChunk(int address, int chunk, uint8_t* destination);
    bool WriteMemoryChunk(int address, int chunk, const uint8_t* source);
    bool PassthroughChunk(const uint8_t* package, uint32_t length, iTalkRecord& reply, bool dump,
                          const ReplyCheck& names);
    int TakeReply(const char* label, iTalkRecord& reply, int& replyLen);
    void NoteRefused(int port, int error);
};

// Section and file of the port search.
inline constexpr const char* PortSettingsSection = "Port Settings";
inline constexpr const char* PortSettingsFile = "caddora.ini";
