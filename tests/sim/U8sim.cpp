// The simulator's line: the master side of a pseudo-terminal and its thread.
#include "sim/U8sim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace u8sim {
namespace {
using Clock = std::chrono::steady_clock;

unsigned RateOfSpeed(speed_t s) {
    struct Pair {
        speed_t code;
        unsigned rate;
    };
    static const Pair table[] = {
        {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
        {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
        {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
        {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
        {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    for (const Pair& p : table)
        if (p.code == s)
            return p.rate;
    return 0;
}
}  // namespace

U8Sim::U8Sim() = default;

U8Sim::~U8Sim() { Stop(); }

bool U8Sim::Start() {
    if (thread_.joinable())
        return true;
    int master = -1, slave = -1;
    char name[PATH_MAX] = {};
    // No settings given: the slave starts as any new terminal does (line
    // mode), and it is the program's job to make it raw.
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return false;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        ::close(master);
        ::close(slave);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        master_ = master;
        slave_ = slave;
        wake_ = wake;
        slavePath_ = name;
        stop_ = false;
        cut_ = false;
        lineFree_ = Clock::now();
        inLineFree_ = lineFree_;
        in_.clear();
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void U8Sim::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    Wake();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    for (int* fd : {&master_, &slave_, &wake_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    out_.clear();
    in_.clear();
    changed_.notify_all();
}

bool U8Sim::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return thread_.joinable() && !stop_;
}

void U8Sim::Wake() {
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fd = wake_;
    }
    if (fd >= 0) {
        uint64_t one = 1;
        ssize_t ignored = ::write(fd, &one, sizeof one);
        (void)ignored;
    }
}

void U8Sim::SetMode(Mode mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = mode;
    frames_.Clear();
    csp_.Clear();
}

U8Sim::Mode U8Sim::GetMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mode_;
}

void U8Sim::SetResponder(Responder responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
}

void U8Sim::QueueReply(const std::vector<uint8_t>& raw) {
    std::lock_guard<std::mutex> lock(mutex_);
    scripted_.push_back(raw);
}

void U8Sim::ClearReplies() {
    std::lock_guard<std::mutex> lock(mutex_);
    scripted_.clear();
}

void U8Sim::Send(const std::vector<uint8_t>& raw) {
    if (raw.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cut_ || master_ < 0)
            return;
        const auto now = Clock::now();
        if (splitChunk_ == 0 || raw.size() <= splitChunk_) {
            out_.push_back(Piece{raw, 0, now});
        } else {
            auto due = now;
            for (size_t at = 0; at < raw.size(); at += splitChunk_) {
                size_t n = std::min(splitChunk_, raw.size() - at);
                out_.push_back(Piece{std::vector<uint8_t>(raw.begin() + long(at),
                                                          raw.begin() + long(at + n)),
                                     0, due});
                due += std::chrono::milliseconds(splitGapMs_);
            }
        }
    }
    Wake();
}

void U8Sim::SendFrame(uint8_t command, uint16_t packageId, const std::vector<uint8_t>& payload) {
    Send(EncodeFrame(command, packageId, payload));
}

bool U8Sim::WaitSent(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return out_.empty(); });
}

void U8Sim::SetWireBaud(unsigned baud) {
    std::lock_guard<std::mutex> lock(mutex_);
    wireBaud_ = baud;
}

void U8Sim::SetSplit(size_t chunk, int gapMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    splitChunk_ = chunk;
    splitGapMs_ = gapMs < 0 ? 0 : gapMs;
}

void U8Sim::CutLine() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cut_ = true;
    }
    Wake();
    // The thread closes the master; wait until it has.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(2), [this] { return master_ < 0 || stop_; });
}

bool U8Sim::LineCut() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cut_;
}

LineReport U8Sim::CheckLine(unsigned expectedBaud) const {
    LineReport r;
    termios t{};
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fd = master_ >= 0 ? master_ : slave_;
    }
    // On Linux the master answers with the slave's settings.
    if (fd < 0 || ::tcgetattr(fd, &t) != 0) {
        r.problems = "cannot read the line settings\n";
        return r;
    }
    r.baud = RateOfSpeed(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: r.dataBits = 5; break;
    case CS6: r.dataBits = 6; break;
    case CS7: r.dataBits = 7; break;
    default: r.dataBits = 8; break;
    }
    r.parity = (t.c_cflag & PARENB) != 0;
    r.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    r.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    r.softwareFlow = (t.c_iflag & (IXON | IXOFF)) != 0;
    const bool lineMode = (t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN)) != 0;
    const bool translates = (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) != 0 ||
                            (t.c_oflag & OPOST) != 0;
    r.raw = !lineMode && !translates;
    std::string& p = r.problems;
    if (expectedBaud && r.baud != expectedBaud)
        p += "baud " + std::to_string(r.baud) + " instead of " + std::to_string(expectedBaud) + "\n";
    if (r.dataBits != 8)
        p += "data bits " + std::to_string(r.dataBits) + "\n";
    if (r.parity)
        p += "parity on\n";
    if (r.twoStopBits)
        p += "two stop bits\n";
    if (r.hardwareFlow)
        p += "hardware flow control\n";
    if (r.softwareFlow)
        p += "software flow control\n";
    if (lineMode)
        p += "line mode (canonical, echo or signals)\n";
    if (translates)
        p += "character translation\n";
    r.ok = p.empty();
    return r;
}

std::vector<Request> U8Sim::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t U8Sim::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

void U8Sim::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

bool U8Sim::WaitForRequests(size_t n, int ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return requests_.size() >= n; });
}

std::vector<uint8_t> U8Sim::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

size_t U8Sim::ReceivedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_.size();
}

void U8Sim::ClearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
}

bool U8Sim::WaitForReceived(size_t n, int ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return received_.size() >= n; });
}

size_t U8Sim::JunkBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.JunkBytes();
}

size_t U8Sim::BadFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.BadFrames();
}

// ------------------------------------------------------------ the thread

void U8Sim::HandleInput(const uint8_t* bytes, size_t count) {
    std::vector<std::pair<std::vector<uint8_t>, std::optional<Frame>>> requests;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.insert(received_.end(), bytes, bytes + count);
        switch (mode_) {
        case Mode::Bytes:
            requests.emplace_back(std::vector<uint8_t>(bytes, bytes + count), std::nullopt);
            break;
        case Mode::Csp:
            csp_.Feed(bytes, count);
            while (auto packet = csp_.Next())
                requests.emplace_back(std::move(*packet), std::nullopt);
            break;
        case Mode::Frame:
            frames_.Feed(bytes, count);
            while (auto frame = frames_.Next()) {
                std::vector<uint8_t> raw = frame->raw;
                requests.emplace_back(std::move(raw), std::move(frame));
            }
            break;
        }
        const auto now = Clock::now();
        for (auto& r : requests)
            requests_.push_back(Request{now, r.first, r.second});
    }
    changed_.notify_all();
    for (auto& r : requests)
        Dispatch(r.first, r.second);
}

void U8Sim::Dispatch(const std::vector<uint8_t>& request, std::optional<Frame>) {
    Responder responder;
    std::vector<uint8_t> scripted;
    bool haveScripted = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        responder = responder_;
        if (!responder && !scripted_.empty()) {
            scripted = std::move(scripted_.front());
            scripted_.pop_front();
            haveScripted = true;
        }
    }
    if (responder)
        responder(*this, request);
    else if (haveScripted)
        Send(scripted);
}

// Input as the wire delivers it: with a baud rate set, bytes read from the
// line count as received only once their time on the wire is over, so a
// request is answered no earlier than a device could (under mutex_).
void U8Sim::QueueInput(const uint8_t* bytes, size_t count, Clock::time_point now) {
    Clock::time_point due = now;
    if (wireBaud_) {
        auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / wireBaud_);
        due = std::max(now, inLineFree_) + byteTime * long(count);
        inLineFree_ = due;
    }
    in_.push_back(Piece{std::vector<uint8_t>(bytes, bytes + count), 0, due});
}

// Time until the next piece of output may go or the next input is due, at
// most 200 ms (under mutex_). Kept to the microsecond, so that the wire time
// of many small exchanges is not inflated by rounding.
std::chrono::microseconds U8Sim::NextDelay(Clock::time_point now) {
    return std::min(NextInputDelay(now), NextOutputDelay(now));
}

namespace {
std::chrono::microseconds Until(std::chrono::steady_clock::time_point at,
                                std::chrono::steady_clock::time_point now) {
    if (at <= now)
        return std::chrono::microseconds(0);
    auto us = std::chrono::ceil<std::chrono::microseconds>(at - now);
    return std::min(us, std::chrono::microseconds(200'000));
}
}  // namespace

std::chrono::microseconds U8Sim::NextInputDelay(Clock::time_point now) {
    if (in_.empty())
        return std::chrono::milliseconds(200);
    return Until(in_.front().due, now);
}

std::chrono::microseconds U8Sim::NextOutputDelay(Clock::time_point now) {
    if (out_.empty())
        return std::chrono::milliseconds(200);
    Clock::time_point at = out_.front().due;
    if (wireBaud_) {
        auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / wireBaud_);
        at = std::max(at, lineFree_ + byteTime);
    }
    return Until(at, now);
}

// Writes what is due (under mutex_).
void U8Sim::WriteDue(Clock::time_point now) {
    while (!out_.empty() && master_ >= 0) {
        Piece& piece = out_.front();
        if (piece.due > now)
            return;
        size_t n = piece.bytes.size() - piece.offset;
        std::chrono::nanoseconds byteTime{0};
        if (wireBaud_) {
            byteTime = std::chrono::nanoseconds(10'000'000'000LL / wireBaud_);
            if (lineFree_ < piece.due)
                lineFree_ = piece.due;  // the line was idle
            // A byte may go once its time on the wire is over.
            long long ready = (now - lineFree_) / byteTime;
            if (ready <= 0)
                return;
            n = std::min<size_t>(n, size_t(ready));
        }
        ssize_t w = ::write(master_, piece.bytes.data() + piece.offset, n);
        if (w <= 0)
            return;  // the line is full; poll for room
        piece.offset += size_t(w);
        if (wireBaud_)
            lineFree_ += byteTime * w;
        if (piece.offset == piece.bytes.size())
            out_.pop_front();
    }
}

void U8Sim::Run() {
    std::vector<uint8_t> buffer(65536);
    for (;;) {
        pollfd fds[2] = {};
        int count = 1;
        std::chrono::microseconds timeout;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stop_)
                break;
            if (cut_ && master_ >= 0) {
                ::close(master_);
                master_ = -1;
                out_.clear();
                changed_.notify_all();
            }
            fds[0].fd = wake_;
            fds[0].events = POLLIN;
            const auto now = Clock::now();
            timeout = NextDelay(now);
            if (master_ >= 0) {
                fds[1].fd = master_;
                fds[1].events = POLLIN;
                if (!out_.empty() && NextOutputDelay(now).count() == 0) {
                    // Output is due: wait for room on the line (or due input).
                    fds[1].events |= POLLOUT;
                    timeout = NextInputDelay(now);
                }
                count = 2;
            } else {
                timeout = std::chrono::milliseconds(200);
            }
        }
        const timespec wait{time_t(timeout.count() / 1'000'000), long(timeout.count() % 1'000'000) * 1000};
        int r = ::ppoll(fds, nfds_t(count), &wait, nullptr);
        if (r < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            uint64_t value;
            ssize_t ignored = ::read(wake_, &value, sizeof value);
            (void)ignored;
        }
        if (count == 2 && (fds[1].revents & POLLIN)) {
            ssize_t n = ::read(fds[1].fd, buffer.data(), buffer.size());
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                QueueInput(buffer.data(), size_t(n), Clock::now());
            }
        }
        for (;;) {
            std::vector<uint8_t> due;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (in_.empty() || in_.front().due > Clock::now())
                    break;
                due = std::move(in_.front().bytes);
                in_.pop_front();
            }
            HandleInput(due.data(), due.size());
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            WriteDue(Clock::now());
            if (out_.empty())
                changed_.notify_all();
        }
    }
}

}  // namespace u8sim
