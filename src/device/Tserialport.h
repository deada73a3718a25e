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
    // Waits for the reply frame: a 0xF3 frame with PackageID 0, or another
    // command's frame with PackageID expectedId. With expectedCommand set (not
    // -1) only a frame of that command is taken.
    bool WaitForITKPackage(int16_t expectedId, iTalkRecord& reply, int expectedCommand = -1);
    // One exchange carrying the program-wide package counter. The reply's Data
    // is a new[] block the caller frees.
    bool SendAndReceiveITK(iTalkRecord& reply, iTalkRecord request);
    // replyLen: capacity in, bytes stored out. 0 or -1.
    int iTalkSepi(uint8_t command, int requestLen, const void* request, int& replyLen, void* reply);
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

private:
    bool WaitInput(unsigned count, int timeoutMs);
    bool ExchangeMemoryChunk(int address, int chunk, uint8_t* destination);
    bool WriteMemoryChunk(int address, int chunk, const uint8_t* source);
    int TakeReply(const char* label, iTalkRecord& reply, int& replyLen);
};

// Section and file of the port search.
inline constexpr const char* PortSettingsSection = "Port Settings";
inline constexpr const char* PortSettingsFile = "caddora.ini";
