#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Toperatingsystem.h"

class TStatusThread;
class TReadThread;
class TWriteThread;
class TReadEventThread;

// A Windows-style event: auto-reset (a successful test or wait consumes the
// signal) or manual-reset (stays signalled until Reset).
class TPortEvent {
public:
    explicit TPortEvent(bool manualReset);
    void Set();
    void Reset();
    // Zero-time test.
    bool Test();
    // Waits at most ms milliseconds for the signal.
    bool Wait(int ms);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    const bool manual_;
};

// Line state as the port last reported or was given (the device control block).
struct TCommState {
    unsigned BaudRate = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    uint32_t Flags = 0;    // 0x0001 binary only, 0x1311 XON/XOFF, 0x202D hardware
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char EvtChar = 0;
};

// Event kinds of EventMask (bit k = kind k) and the flags they stand for.
enum : uint32_t {
    EV_RXCHAR = 0x1, EV_RXFLAG = 0x2, EV_TXEMPTY = 0x4, EV_CTS = 0x8, EV_DSR = 0x10,
    EV_RLSD = 0x20, EV_BREAK = 0x40, EV_ERR = 0x80, EV_RING = 0x100
};

// The serial port: a termios device opened non-blocking and exclusive, two
// 4096-byte rings between the caller and the line, and four worker threads
// (status, read, write, read-event) that move bytes and report received data.
// The caller never blocks: PutBlock stores into the output ring, GetBlock takes
// what the input ring holds.
//
// Port number n ("COM" n) maps to a device path: the entry "PortN" of section
// "Port Settings" in caddora.ini in the data folder wins (e.g. Port3=/dev/pts/5);
// otherwise COM1..COMk are the existing /dev/ttyUSB* devices in numeric order,
// then /dev/ttyACM*, then /dev/ttyS*, so a USB serial cable is COM1.
class TCommPort {
public:
    static constexpr unsigned IBuffSize = 4096;
    static constexpr unsigned OBuffSize = 4096;
    static constexpr int OpenErrorCode = 666;
    static constexpr int RateCount = 15;
    static const unsigned RateTable[RateCount];

    explicit TCommPort(void* owner = nullptr);
    virtual ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // Opening and closing.
    void SetOpen(bool open);
    bool GetOpen() const { return open_; }
    void OpenPort();
    void ClosePort();
    bool IsEnabled();
    void SetComNumber(int n);
    int GetComNumber() const { return ComNumber; }

    // Data.
    unsigned PutBlock(const char* data, unsigned count);
    unsigned GetBlock(char* dest, unsigned count);
    char GetChar();
    unsigned GetInBuffUsed() const { return inUsed_.load(); }
    unsigned GetOutBuffUsed() const { return outUsed_.load(); }
    // Waits at most timeoutMs for the input ring to hold count bytes (without
    // spinning); true when it does.
    bool WaitForInput(unsigned count, int timeoutMs);
    void FlushInBuffer();
    void FlushOutBuffer();

    // Settings; applied at once when open, else by the next OpenPort.
    void SetComControl(uint8_t value);
    void SetBaudRate(uint8_t index);
    void SetBaud(unsigned bitsPerSecond);
    unsigned GetBaud() const;
    void SetParity(uint8_t value);
    void SetStopBits(uint8_t value);
    void SetDataBits(uint16_t value);
    void SetXonLim(uint16_t value);
    void SetXoffLim(uint16_t value);
    void SetXonChar(char value);
    void SetXoffChar(char value);
    void SetEventChar(char value);
    void BitsWarning();

    uint8_t GetComControl() const { return ComControl; }
    uint8_t GetBaudRate() const { return BaudRate; }
    uint8_t GetParity() const { return Parity; }
    uint8_t GetStopBits() const { return StopBits; }
    uint16_t GetDataBits() const { return DataBits; }
    uint16_t GetXonLim() const { return XonLim; }
    uint16_t GetXoffLim() const { return XoffLim; }
    char GetXonChar() const { return XonChar; }
    char GetXoffChar() const { return XoffChar; }
    char GetEventChar() const { return EventChar; }
    uint16_t GetEventMask() const { return EventMask; }
    void SetEventMask(uint16_t kinds) { EventMask = kinds; }
    // The control block as last read from or written to the line.
    TCommState GetCommStateCopy();

    // Output lines and input line states.
    void SetDTR(bool on);
    void SetRTS(bool on);
    bool GetDTR() const { return DTR; }
    bool GetRTS() const { return RTS; }
    bool GetCTS() const { return CTS.load(); }
    bool GetDSR() const { return DSR.load(); }
    bool GetRLSD() const { return RLSD.load(); }
    bool GetRING() const { return RING.load(); }
    uint32_t GetLastEventMask() const { return lastEventMask_.load(); }

    // Events; each runs only when assigned. OnReceive runs on the thread of the
    // QCoreApplication (the user-interface thread) with the input-ring lock held.
    std::function<void(TCommPort* sender, int code)> OnError;
    std::function<void(TCommPort* sender, unsigned count)> OnReceive;
    std::function<void(TCommPort* sender, int code)> OnOpen;
    std::function<void(TCommPort* sender)> OnClose;

    // Device path of port n (see the class comment); "" when there is none.
    static std::string PortPath(int n);
    // The ttyUSB, ttyACM and ttyS devices in port order.
    static std::vector<std::string> CandidateDevices();
    // Whether port n can be opened now (opened as OpenPort does, then closed);
    // error receives the errno of a refused open, 0 otherwise.
    static bool ProbePort(int n, int* error = nullptr);
    // errno of the last OpenPort's open of the device; 0 when it opened.
    int LastOpenError() const { return openErrno_; }

private:
    friend class TStatusThread;
    friend class TReadThread;
    friend class TWriteThread;
    friend class TReadEventThread;

    struct Ring {
        std::unique_ptr<char[]> buffer;
        unsigned size = 0;
        unsigned start = 0;
    };

    void DoOpenPort();
    void Teardown();
    static int OpenDevice(const std::string& path, int* error = nullptr);
    void ApplyState(const std::function<void(TCommState&)>& change);
    bool EscapeLine(int bit, bool on);
    void WakeStatusThread();
    void ReportError(const char* operation, const std::exception& e);

    // Line state (the fields of the port, in their defaults).
    int fd_ = -1;
    TCommState dcb_;
    TOperatingSystem os_;
    int ComNumber = 2;
    uint8_t BaudRate = 6;
    uint8_t Parity = 0;
    uint8_t ComControl = 0;
    uint8_t StopBits = 0;
    uint16_t DataBits = 8;
    uint16_t EventMask = 0x1FD;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 1024;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char EventChar = 0;

    TStatusThread* statusThread_ = nullptr;
    TReadThread* readThread_ = nullptr;
    TWriteThread* writeThread_ = nullptr;
    TReadEventThread* readEventThread_ = nullptr;

    bool DTR = false;
    bool RTS = false;
    std::atomic<bool> CTS{false}, DSR{false}, RLSD{false}, RING{false};
    std::atomic<uint32_t> lastEventMask_{0};

    TPortEvent readTrigger_{false};
    TPortEvent writeTrigger_{true};
    TPortEvent dataReceived_{false};
    int wakeFd_ = -1;                      // eventfd that wakes the status thread
    int closeFd_ = -1;                     // eventfd, readable once close begins
    int openErrno_ = 0;                    // errno of the last failed open
    std::atomic<bool> lineLost_{false};    // the other end hung up
    std::atomic<bool> rxArmed_{true};      // status thread may wait for input
    std::atomic<bool> hwFlow_{false};      // ComControl is 2 (for the threads)
    int lastError_ = 0;

    bool open_ = false;
    Ring out_, in_;
    std::atomic<unsigned> outUsed_{0}, inUsed_{0};
    std::recursive_mutex outLock_, inLock_, portLock_;
    // Wakes WaitForInput when the read thread adds bytes.
    std::mutex inputWaitMutex_;
    std::condition_variable inputArrived_;
    void NotifyInput();

    // Shared with callbacks queued onto the user-interface thread, so that one
    // arriving after close finds the port gone.
    struct Liveness {
        std::recursive_mutex mutex;
        TCommPort* port = nullptr;
    };
    std::shared_ptr<Liveness> alive_;
};
