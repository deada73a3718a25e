#include "device/Commport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>

#include "device/Evread.h"
#include "device/Termios2.h"
#include "device/Thread.h"
#include "device/Thstatus.h"
#include "device/Thwrite.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Messagebox.h"

const unsigned TCommPort::RateTable[TCommPort::RateCount] = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000,
    256000};

// ---------------------------------------------------------------- TPortEvent

TPortEvent::TPortEvent(bool manualReset) : manual_(manualReset) {}

void TPortEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void TPortEvent::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool TPortEvent::Test() {
    std::lock_guard<std::mutex> lock(mutex_);
    bool was = signalled_;
    if (!manual_)
        signalled_ = false;
    return was;
}

bool TPortEvent::Wait(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return signalled_; }))
        return false;
    if (!manual_)
        signalled_ = false;
    return true;
}

// ----------------------------------------------------------------- TCommPort

namespace {
const char* const WarnFiveTwo = "Invalid combination (5 data bits with 2 stop bits)";
const char* const WarnOneHalf = "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)";

void SignalEventFd(int fd) {
    if (fd < 0)
        return;
    uint64_t one = 1;
    ssize_t ignored = ::write(fd, &one, sizeof one);
    (void)ignored;
}

// Numeric suffix of a device name ("ttyUSB12" -> 12), -1 when there is none.
long Suffix(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    long value = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || value > 100000)
            return -1;
        value = value * 10 + (name[i] - '0');
    }
    return value;
}
}  // namespace

TCommPort::TCommPort(void* /*owner*/) : alive_(std::make_shared<Liveness>()) {
    out_.size = OBuffSize;
    in_.size = IBuffSize;
}

TCommPort::~TCommPort() {
    try {
        ClosePort();
    } catch (...) {
    }
}

void TCommPort::ReportError(const char* operation, const std::exception& e) {
    MessageBox(std::string("TCommPort::") + operation + " -> " + e.what(), "Error", MB_OK,
               MB_ICONERROR);
}

std::vector<std::string> TCommPort::CandidateDevices() {
    std::vector<std::string> result;
    const char* const groups[] = {"ttyUSB", "ttyACM", "ttyS"};
    std::vector<std::pair<long, std::string>> found[3];
    if (DIR* dir = ::opendir("/dev")) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            for (int g = 0; g < 3; ++g) {
                long n = Suffix(name, groups[g]);
                if (n >= 0) {
                    found[g].emplace_back(n, "/dev/" + name);
                    break;
                }
            }
        }
        ::closedir(dir);
    }
    for (auto& group : found) {
        std::sort(group.begin(), group.end());
        for (auto& entry : group)
            result.push_back(entry.second);
    }
    return result;
}

std::string TCommPort::PortPath(int n) {
    TIniFile ini(DataPath("caddora.ini"));
    std::string path = ini.ReadString("Port Settings", "Port" + std::to_string(n));
    if (!path.empty())
        return path;
    if (n < 1)
        return "";
    std::vector<std::string> candidates = CandidateDevices();
    if (size_t(n) > candidates.size())
        return "";
    return candidates[size_t(n) - 1];
}

// Opens a terminal for reading and writing, non-blocking and exclusive;
// -1 when it is missing, not a terminal or in use. error receives the errno
// of a failed open (0 when the open itself worked).
int TCommPort::OpenDevice(const std::string& path, int* error) {
    if (error)
        *error = path.empty() ? ENOENT : 0;
    if (path.empty())
        return -1;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        return -1;
    }
    // TIOCEXCL keeps others out (but not root); the lock also stops a second
    // open of ours.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool TCommPort::ProbePort(int n, int* error) {
    int fd = OpenDevice(PortPath(n), error);
    if (fd < 0)
        return false;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return true;
}

void TCommPort::SetOpen(bool open) {
    if (open)
        OpenPort();
    else
        ClosePort();
}

bool TCommPort::IsEnabled() {
    std::lock_guard<std::recursive_mutex> lock(portLock_);
    return fd_ >= 0;
}

void TCommPort::OpenPort() {
    try {
        DoOpenPort();
    } catch (const std::exception& e) {
        Teardown();
        ReportError("OpenPort", e);
    }
}

void TCommPort::DoOpenPort() {
    if (open_)
        return;
    inUsed_.store(0);
    outUsed_.store(0);
    openErrno_ = 0;
    errno = 0;
    lastError_ = 0;
    const std::string path = PortPath(ComNumber);
    {
        std::lock_guard<std::recursive_mutex> lock(portLock_);
        fd_ = OpenDevice(path, &openErrno_);
    }
    if (!IsEnabled()) {
        if (OnError)
            OnError(this, OpenErrorCode);
        return;
    }
    out_.buffer.reset(new char[OBuffSize]);
    out_.size = OBuffSize;
    in_.buffer.reset(new char[IBuffSize]);
    in_.size = IBuffSize;
    {
        // Raw line, reads return at once: the read thread asks only for bytes
        // already queued.
        std::lock_guard<std::recursive_mutex> lock(portLock_);
        LineGetState(fd_, dcb_);
        LineSetState(fd_, dcb_);
        LineGetState(fd_, dcb_);
    }
    SetComControl(ComControl);
    SetBaudRate(BaudRate);
    SetParity(Parity);
    SetStopBits(StopBits);
    SetDataBits(DataBits);
    SetXonLim(XonLim);
    SetXoffLim(XoffLim);
    SetXonChar(XonChar);
    SetXoffChar(XoffChar);
    SetEventChar(EventChar);

    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    closeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0 || closeFd_ < 0)
        throw std::runtime_error(std::strerror(errno));
    lineLost_.store(false);
    rxArmed_.store(true);
    {
        auto alive = std::make_shared<Liveness>();
        alive->port = this;
        alive_ = alive;
    }

    // Cleared before any thread runs: the status thread may signal bytes
    // already waiting on the line at once, and that signal must stay.
    readTrigger_.Reset();
    writeTrigger_.Reset();
    dataReceived_.Reset();
    statusThread_ = new TStatusThread(this, EventMask);
    statusThread_->Start();
    readThread_ = new TReadThread(this);
    readThread_->Start();
    writeThread_ = new TWriteThread(this);
    writeThread_->Start();
    readEventThread_ = new TReadEventThread(this);
    readEventThread_->Start();

    open_ = true;
    SetDTR(DTR);
    SetRTS(RTS);
    if (OnOpen)
        OnOpen(this, lastError_);
}

void TCommPort::ClosePort() {
    try {
        if (!open_)
            return;
        Teardown();
        if (OnClose)
            OnClose(this);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } catch (const std::exception& e) {
        ReportError("ClosePort", e);
    }
}

// Stops the threads and releases the line and the rings; also undoes a
// half-done open.
void TCommPort::Teardown() {
    {
        // Receive calls still queued for the user-interface thread now do nothing.
        std::shared_ptr<Liveness> alive = alive_;
        std::lock_guard<std::recursive_mutex> lock(alive->mutex);
        alive->port = nullptr;
    }
    // Wakes the status thread out of its wait, as a zero event mask did.
    SignalEventFd(closeFd_);
    TPortThread* threads[4] = {statusThread_, readThread_, writeThread_, readEventThread_};
    for (TPortThread* t : threads)
        if (t)
            t->Terminate();
    TPortEvent* triggers[4] = {nullptr, &readTrigger_, &writeTrigger_, &dataReceived_};
    for (int i = 0; i < 4; ++i) {
        if (!threads[i])
            continue;
        if (triggers[i])
            triggers[i]->Set();
        // Every wait of a worker is bounded and sees its flag: joining is
        // enough, no thread is ended by force.
        threads[i]->WaitFor();
        delete threads[i];
    }
    statusThread_ = nullptr;
    readThread_ = nullptr;
    writeThread_ = nullptr;
    readEventThread_ = nullptr;
    readTrigger_.Reset();
    writeTrigger_.Reset();
    dataReceived_.Reset();

    {
        // Drop what is still queued both ways: output held back by flow
        // control would otherwise keep close() waiting for the line to drain.
        std::lock_guard<std::recursive_mutex> lock(portLock_);
        if (fd_ >= 0)
            ::tcflush(fd_, TCIOFLUSH);
    }
    CTS.store(false);
    DSR.store(false);
    RLSD.store(false);
    RING.store(false);
    {
        std::lock_guard<std::recursive_mutex> lock(portLock_);
        if (fd_ >= 0) {
            ::ioctl(fd_, TIOCNXCL);
            ::close(fd_);
        }
        fd_ = -1;
    }
    for (int* fd : {&wakeFd_, &closeFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(outLock_);
        out_.buffer.reset();
        outUsed_.store(0);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(inLock_);
        in_.buffer.reset();
        inUsed_.store(0);
    }
    open_ = false;
}

void TCommPort::NotifyInput() {
    { std::lock_guard<std::mutex> lock(inputWaitMutex_); }
    inputArrived_.notify_all();
}

bool TCommPort::WaitForInput(unsigned count, int timeoutMs) {
    std::unique_lock<std::mutex> lock(inputWaitMutex_);
    return inputArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                                  [&] { return inUsed_.load() >= count; });
}

void TCommPort::SetComNumber(int n) {
    try {
        ClosePort();
        ComNumber = n;
    } catch (const std::exception& e) {
        ReportError("SetComNumber", e);
    }
}

void TCommPort::WakeStatusThread() { SignalEventFd(wakeFd_); }

// ---------------------------------------------------------------------- data

unsigned TCommPort::PutBlock(const char* data, unsigned count) {
    try {
        if (!IsEnabled() || !data || count == 0)
            return 0;
        // The ring is filled under its lock: a flush or the write thread's
        // step never sees half of a block.
        std::lock_guard<std::recursive_mutex> lock(outLock_);
        if (!out_.buffer)
            return 0;
        const unsigned s = out_.start;
        const unsigned u = outUsed_.load();
        const unsigned size = out_.size;
        unsigned w = s + u, first, second = 0;
        if (w >= size) {
            w -= size;
            first = std::min(s - w, count);
        } else {
            first = size - w;
            if (first >= count)
                first = count;
            else
                second = std::min(count - first, s);
        }
        std::memcpy(out_.buffer.get() + w, data, first);
        if (second)
            std::memcpy(out_.buffer.get(), data + first, second);
        const unsigned stored = first + second;
        outUsed_.fetch_add(stored);
        if (stored)
            writeTrigger_.Set();
        return stored;
    } catch (const std::exception& e) {
        ReportError("PutBlock", e);
        return 0;
    }
}

unsigned TCommPort::GetBlock(char* dest, unsigned count) {
    try {
        if (!IsEnabled() || inUsed_.load() == 0 || !dest || count == 0)
            return 0;
        // Taken under the ring's lock, so that a flush cannot empty the ring
        // between the count and the copy.
        std::lock_guard<std::recursive_mutex> lock(inLock_);
        if (!in_.buffer)
            return 0;
        const unsigned s = in_.start;
        const unsigned u = inUsed_.load();
        const unsigned size = in_.size;
        unsigned first, second = 0;
        if (s + u >= size) {
            first = size - s;
            if (first > count)
                first = count;
            else
                second = std::min(s + u - size, count - first);
        } else {
            first = std::min(u, count);
        }
        std::memcpy(dest, in_.buffer.get() + s, first);
        if (second)
            std::memcpy(dest + first, in_.buffer.get(), second);
        const unsigned taken = first + second;
        inUsed_.fetch_sub(taken);
        unsigned start = s + taken;
        if (start >= size)
            start -= size;
        in_.start = start;
        readTrigger_.Set();
        return taken;
    } catch (const std::exception& e) {
        ReportError("GetBlock", e);
        return 0;
    }
}

char TCommPort::GetChar() {
    try {
        char c = 0;
        if (inUsed_.load() >= 1 && GetBlock(&c, 1) == 1)
            return c;
        return 0;
    } catch (const std::exception& e) {
        ReportError("GetChar", e);
        return 0;
    }
}

void TCommPort::FlushInBuffer() {
    try {
        {
            // The line's queue and the ring are emptied together, while the
            // read thread is between two of its steps: nothing that arrives
            // after the flush is dropped with what came before it.
            std::lock_guard<std::recursive_mutex> ring(inLock_);
            if (IsEnabled()) {
                std::lock_guard<std::recursive_mutex> lock(portLock_);
                ::tcflush(fd_, TCIFLUSH);
            }
            inUsed_.store(0);
        }
        // A full ring had stopped the read thread; now there is room again.
        readTrigger_.Set();
    } catch (const std::exception& e) {
        ReportError("FlushInBuffer", e);
    }
}

void TCommPort::FlushOutBuffer() {
    try {
        // Under the ring's lock: the write thread is never mid-step with a
        // length taken before the flush.
        std::lock_guard<std::recursive_mutex> ring(outLock_);
        if (IsEnabled()) {
            std::lock_guard<std::recursive_mutex> lock(portLock_);
            ::tcflush(fd_, TCOFLUSH);
        }
        writeTrigger_.Reset();
        outUsed_.store(0);
    } catch (const std::exception& e) {
        ReportError("FlushOutBuffer", e);
    }
}

// ------------------------------------------------------------------ settings

void TCommPort::ApplyState(const std::function<void(TCommState&)>& change) {
    if (!IsEnabled())
        return;
    std::lock_guard<std::recursive_mutex> lock(portLock_);
    LineGetState(fd_, dcb_);
    change(dcb_);
    LineSetState(fd_, dcb_);
}

TCommState TCommPort::GetCommStateCopy() {
    std::lock_guard<std::recursive_mutex> lock(portLock_);
    if (fd_ >= 0)
        LineGetState(fd_, dcb_);
    return dcb_;
}

void TCommPort::SetComControl(uint8_t value) {
    try {
        ComControl = value;
        hwFlow_.store(value == 2);
        ApplyState([value](TCommState& d) {
            d.Flags = value == 1 ? 0x1311 : value == 2 ? 0x202D : 0x0001;
        });
        // Output held back while the flow control changed may go now.
        if (outUsed_.load() != 0)
            writeTrigger_.Set();
    } catch (const std::exception& e) {
        ReportError("SetComControl", e);
    }
}

void TCommPort::SetBaudRate(uint8_t index) {
    try {
        BaudRate = index;
        // An index outside the table is kept but never reaches the line.
        if (index < RateCount)
            ApplyState([index](TCommState& d) { d.BaudRate = RateTable[index]; });
    } catch (const std::exception& e) {
        ReportError("SetBaudRate", e);
    }
}

void TCommPort::SetBaud(unsigned bitsPerSecond) {
    for (int i = 0; i < RateCount; ++i)
        if (RateTable[i] == bitsPerSecond) {
            SetBaudRate(uint8_t(i));
            return;
        }
}

unsigned TCommPort::GetBaud() const { return BaudRate < RateCount ? RateTable[BaudRate] : 0; }

void TCommPort::SetParity(uint8_t value) {
    try {
        Parity = value;
        ApplyState([value](TCommState& d) { d.Parity = value; });
    } catch (const std::exception& e) {
        ReportError("SetParity", e);
    }
}

void TCommPort::SetStopBits(uint8_t value) {
    try {
        StopBits = value;
        ApplyState([value](TCommState& d) { d.StopBits = value; });
        BitsWarning();
    } catch (const std::exception& e) {
        ReportError("SetStopBits", e);
    }
}

void TCommPort::SetDataBits(uint16_t value) {
    try {
        if (value < 5 || value > 8)
            value = 8;
        DataBits = value;
        ApplyState([value](TCommState& d) { d.ByteSize = uint8_t(value); });
        BitsWarning();
    } catch (const std::exception& e) {
        ReportError("SetDataBits", e);
    }
}

void TCommPort::SetXonLim(uint16_t value) {
    XonLim = value;
    ApplyState([value](TCommState& d) { d.XonLim = value; });
}

void TCommPort::SetXoffLim(uint16_t value) {
    try {
        unsigned cap = in_.size > 65353 ? 65535 : in_.size;
        if (value > cap)
            value = uint16_t(cap);
        XoffLim = value;
        ApplyState([value](TCommState& d) { d.XoffLim = value; });
    } catch (const std::exception& e) {
        ReportError("SetXoffLim", e);
    }
}

void TCommPort::SetXonChar(char value) {
    try {
        XonChar = value;
        ApplyState([value](TCommState& d) { d.XonChar = value; });
    } catch (const std::exception& e) {
        ReportError("SetXonChar", e);
    }
}

void TCommPort::SetXoffChar(char value) {
    try {
        XoffChar = value;
        ApplyState([value](TCommState& d) { d.XoffChar = value; });
    } catch (const std::exception& e) {
        ReportError("SetXoffChar", e);
    }
}

void TCommPort::SetEventChar(char value) {
    try {
        EventChar = value;
        ApplyState([value](TCommState& d) { d.EvtChar = value; });
    } catch (const std::exception& e) {
        ReportError("SetEventChar", e);
    }
}

void TCommPort::BitsWarning() {
    if (DataBits == 5 && StopBits == 2)
        MessageBox(WarnFiveTwo, "COM port warning", MB_OK, MB_ICONWARNING);
    else if (DataBits != 5 && StopBits == 1)
        MessageBox(WarnOneHalf, "COM port warning", MB_OK, MB_ICONWARNING);
}

bool TCommPort::EscapeLine(int bit, bool on) {
    std::lock_guard<std::recursive_mutex> lock(portLock_);
    if (fd_ < 0)
        return false;
    return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

void TCommPort::SetDTR(bool on) {
    try {
        if (!open_) {
            DTR = on;
            return;
        }
        if (EscapeLine(TIOCM_DTR, on))
            DTR = on;
    } catch (const std::exception& e) {
        ReportError("SetDTR", e);
    }
}

void TCommPort::SetRTS(bool on) {
    try {
        if (!open_) {
            RTS = on;
            return;
        }
        if (EscapeLine(TIOCM_RTS, on))
            RTS = on;
    } catch (const std::exception& e) {
        ReportError("SetRTS", e);
    }
}
