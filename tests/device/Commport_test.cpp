#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "device/Commport.h"
#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "sim/U8sim.h"
#include "support/Testsupport.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        ::closedir(d);
    }
    return n;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

Bytes Pattern(size_t n, unsigned seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : b) {
        x = x * 1103515245u + 12345u;
        c = uint8_t(x >> 16);
    }
    return b;
}

void MapPort(int n, const std::string& path) {
    TIniFile ini(DataPath("caddora.ini"));
    ASSERT_TRUE(ini.WriteString("Port Settings", "Port" + std::to_string(n), path));
}

class SimPort : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        sim.SetMode(u8sim::U8Sim::Mode::Bytes);
        MapPort(3, sim.SlavePath());
        port.SetComNumber(3);
        port.SetBaud(115200);
    }
    void Open() {
        port.OpenPort();
        ASSERT_TRUE(port.GetOpen());
        ASSERT_TRUE(port.IsEnabled());
    }
    // Takes n bytes from the input ring, polling as the protocol layer does.
    Bytes Read(size_t n, int ms) {
        Bytes got;
        char buf[1024];
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < n && Clock::now() < until) {
            unsigned k = port.GetBlock(buf, unsigned(std::min<size_t>(sizeof buf, n - got.size())));
            got.insert(got.end(), buf, buf + k);
            if (k == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return got;
    }
    bool WaitInUsed(unsigned n, int ms) {
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (port.GetInBuffUsed() < n && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return port.GetInBuffUsed() >= n;
    }

    TempHome home;
    MessageLog messages;
    u8sim::U8Sim sim;
    TCommPort port;
};
}  // namespace

TEST(CommPortSettings, DefaultsAndRateTable) {
    TCommPort p;
    EXPECT_EQ(p.GetComNumber(), 2);
    EXPECT_EQ(p.GetBaud(), 9600u);
    EXPECT_EQ(p.GetDataBits(), 8);
    EXPECT_EQ(p.GetXoffLim(), 1024);
    EXPECT_EQ(p.GetEventMask(), 0x1FD);
    EXPECT_FALSE(p.GetOpen());

    p.SetBaud(56000);
    EXPECT_EQ(p.GetBaudRate(), 10);
    p.SetBaud(9601);  // not in the table: ignored
    EXPECT_EQ(p.GetBaudRate(), 10);
    p.SetBaud(9600);
    EXPECT_EQ(p.GetBaudRate(), 6);
    p.SetBaudRate(14);
    EXPECT_EQ(p.GetBaud(), 256000u);
    p.SetBaudRate(15);
    EXPECT_EQ(p.GetBaud(), 0u);
    for (int i = 0; i < TCommPort::RateCount; ++i) {
        p.SetBaud(TCommPort::RateTable[i]);
        EXPECT_EQ(p.GetBaudRate(), i);
    }
}

TEST(CommPortSettings, LimitsOfDataBitsAndXoffLim) {
    MessageLog log;
    TCommPort p;
    p.SetDataBits(9);
    EXPECT_EQ(p.GetDataBits(), 8);
    p.SetDataBits(4);
    EXPECT_EQ(p.GetDataBits(), 8);
    p.SetDataBits(7);
    EXPECT_EQ(p.GetDataBits(), 7);
    p.SetXoffLim(5000);
    EXPECT_EQ(p.GetXoffLim(), 4096);
    p.SetXoffLim(4096);
    EXPECT_EQ(p.GetXoffLim(), 4096);
    p.SetXoffLim(100);
    EXPECT_EQ(p.GetXoffLim(), 100);
}

TEST(CommPortSettings, BitWarningsKeepTheSetting) {
    MessageLog log;
    TCommPort p;
    p.SetDataBits(5);
    EXPECT_TRUE(log.Empty());
    p.SetStopBits(2);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Invalid combination (5 data bits with 2 stop bits)");
    EXPECT_EQ(log.Messages()[0].caption, "COM port warning");
    EXPECT_EQ(log.Messages()[0].icon, MB_ICONWARNING);
    EXPECT_EQ(p.GetStopBits(), 2);

    log.Clear();
    p.SetDataBits(8);
    EXPECT_TRUE(log.Empty());  // 8 data bits with 2 stop bits is fine
    p.SetStopBits(1);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)");
    EXPECT_EQ(p.GetStopBits(), 1);

    log.Clear();
    p.SetDataBits(5);  // 5 with 1.5 is the valid combination
    p.SetStopBits(0);
    EXPECT_TRUE(log.Empty());
}

TEST(CommPortClosed, DataOperationsDoNothing) {
    TCommPort p;
    char buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(p.PutBlock(buf, 8), 0u);
    EXPECT_EQ(p.GetBlock(buf, 8), 0u);
    EXPECT_EQ(p.GetChar(), 0);
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(p.GetInBuffUsed(), 0u);
    EXPECT_FALSE(p.IsEnabled());
    p.FlushInBuffer();
    p.FlushOutBuffer();
    p.ClosePort();  // no-op
}

TEST(CommPortOpen, MissingOrBusyPortReportsError) {
    TempHome home;
    MessageLog log;
    MapPort(7, home.File("no-such-tty"));
    TCommPort p;
    std::vector<int> errors;
    int opens = 0;
    p.OnError = [&](TCommPort*, int code) { errors.push_back(code); };
    p.OnOpen = [&](TCommPort*, int) { ++opens; };
    p.SetComNumber(7);
    p.OpenPort();
    EXPECT_EQ(errors, std::vector<int>{666});
    EXPECT_EQ(opens, 0);
    EXPECT_FALSE(p.GetOpen());
    EXPECT_FALSE(TCommPort::ProbePort(7));

    // A port number with no entry and beyond every device is missing too.
    p.SetComNumber(100000);
    p.OpenPort();
    EXPECT_EQ(errors.size(), 2u);

    // A second open of a port in use.
    u8sim::U8Sim sim;
    ASSERT_TRUE(sim.Start());
    MapPort(4, sim.SlavePath());
    EXPECT_TRUE(TCommPort::ProbePort(4));
    TCommPort first;
    first.SetComNumber(4);
    first.OpenPort();
    ASSERT_TRUE(first.GetOpen());
    EXPECT_FALSE(TCommPort::ProbePort(4));
    p.SetComNumber(4);
    p.OpenPort();
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors.back(), 666);
    EXPECT_FALSE(p.GetOpen());
    first.ClosePort();
    p.OpenPort();
    EXPECT_TRUE(p.GetOpen());
}

TEST(CommPortOpen, PathOrderWithoutEntries) {
    std::vector<std::string> devices = TCommPort::CandidateDevices();
    // USB before ACM before the on-board ports, numbers ascending in each.
    auto rank = [](const std::string& p) {
        return p.rfind("/dev/ttyUSB", 0) == 0 ? 0 : p.rfind("/dev/ttyACM", 0) == 0 ? 1 : 2;
    };
    for (size_t i = 1; i < devices.size(); ++i) {
        ASSERT_LE(rank(devices[i - 1]), rank(devices[i]));
        if (rank(devices[i - 1]) == rank(devices[i]))
            EXPECT_LT(std::atoi(devices[i - 1].c_str() + 8 + (rank(devices[i]) == 2 ? 0 : 3)),
                      std::atoi(devices[i].c_str() + 8 + (rank(devices[i]) == 2 ? 0 : 3)));
    }
    TempHome home;
    if (!devices.empty())
        EXPECT_EQ(TCommPort::PortPath(1), devices[0]);
    EXPECT_EQ(TCommPort::PortPath(int(devices.size()) + 1), "");
    MapPort(1, "/dev/pts/77");
    EXPECT_EQ(TCommPort::PortPath(1), "/dev/pts/77");
}

// Closing drops what is queued in both directions. A pseudo-terminal in
// packet mode reports each flush of its slave side to the master.
TEST(CommPortOpen, CloseDiscardsQueuedInputAndOutput) {
    TempHome home;
    MessageLog log;
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);
    // Held open so that the line stays up when the port lets go of it.
    int keep = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(keep, 0);
    int on = 1;
    ASSERT_EQ(::ioctl(master, TIOCPKT, &on), 0);
    MapPort(5, slave);

    TCommPort p;
    p.SetComNumber(5);
    p.OpenPort();
    ASSERT_TRUE(p.GetOpen());
    unsigned char buf[256];
    while (::read(master, buf, sizeof buf) > 0) {
    }
    p.ClosePort();
    unsigned status = 0;
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
        if (n == 1)
            status |= buf[0];
    EXPECT_EQ(status & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE),
              unsigned(TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE));
    ::close(keep);
    ::close(master);
}

TEST_F(SimPort, LineIsRawAtTheChosenSettings) {
    int opens = 0;
    port.OnOpen = [&](TCommPort* sender, int) {
        EXPECT_EQ(sender, &port);
        ++opens;
    };
    Open();
    EXPECT_EQ(opens, 1);
    u8sim::LineReport line = sim.CheckLine(115200);
    EXPECT_TRUE(line.ok) << line.problems;

    // A line feed goes out as it is, and comes in as it is.
    const char out[] = {0x0A, 0x0D, 0x11, 0x13, 0x03};
    EXPECT_EQ(port.PutBlock(out, 5), 5u);
    ASSERT_TRUE(sim.WaitForReceived(5, 2000));
    EXPECT_EQ(sim.Received(), (Bytes{0x0A, 0x0D, 0x11, 0x13, 0x03}));
    sim.Send({0x0D, 0x0A, 0x7F, 0x03, 0x1A});
    EXPECT_EQ(Read(5, 2000), (Bytes{0x0D, 0x0A, 0x7F, 0x03, 0x1A}));

    // Changes while open reach the line at once. (A pseudo-terminal always
    // keeps 8 bits without parity, so those two cannot be seen here.)
    port.SetStopBits(2);
    line = sim.CheckLine(115200);
    EXPECT_TRUE(line.twoStopBits);
    EXPECT_FALSE(line.ok);
    port.SetStopBits(0);
    port.SetComControl(2);
    EXPECT_TRUE(sim.CheckLine(115200).hardwareFlow);
    port.SetComControl(1);
    line = sim.CheckLine(115200);
    EXPECT_FALSE(line.hardwareFlow);
    EXPECT_TRUE(line.softwareFlow);
    port.SetComControl(0);
    port.SetBaud(9600);
    EXPECT_TRUE(sim.CheckLine(9600).ok) << sim.CheckLine(9600).problems;
}

TEST_F(SimPort, RatesWithoutAConstantReachTheLine) {
    Open();
    for (unsigned rate : {14400u, 56000u, 128000u, 256000u, 115200u}) {
        port.SetBaud(rate);
        EXPECT_EQ(port.GetCommStateCopy().BaudRate, rate);
    }
    port.SetComControl(1);
    EXPECT_EQ(port.GetCommStateCopy().Flags, 0x1311u);
    port.SetComControl(2);
    EXPECT_EQ(port.GetCommStateCopy().Flags, 0x202Du);
    port.SetComControl(0);
    EXPECT_EQ(port.GetCommStateCopy().Flags, 0x0001u);
}

TEST_F(SimPort, PutBlockFillsTheRingAndHoldsUnderFlowControl) {
    // Hardware flow control with CTS off (a pseudo-terminal has no modem
    // lines) keeps everything in the output ring.
    port.SetComControl(2);
    Open();
    const Bytes data = Pattern(5000, 1);
    EXPECT_EQ(port.PutBlock(reinterpret_cast<const char*>(data.data()), 5000), 4096u);
    EXPECT_EQ(port.GetOutBuffUsed(), 4096u);
    EXPECT_EQ(port.PutBlock(reinterpret_cast<const char*>(data.data()), 10), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(sim.ReceivedCount(), 0u);
    // Flow control off: the write thread drains the ring in order.
    port.SetComControl(0);
    ASSERT_TRUE(sim.WaitForReceived(4096, 3000));
    EXPECT_EQ(sim.Received(), Bytes(data.begin(), data.begin() + 4096));
    // The write thread counts bytes out after write() returns: the simulator
    // may have them a moment earlier.
    EXPECT_TRUE(WaitFor([&] { return port.GetOutBuffUsed() == 0; }, 3000))
        << port.GetOutBuffUsed() << " bytes still in the output ring";
}

TEST_F(SimPort, RingsWrapAround) {
    Open();
    // Input: after 4000 bytes taken, the ring starts at 4000; 200 more come
    // back as 96 from the end and 104 from the beginning, in order.
    sim.Send(Pattern(4000, 2));
    EXPECT_EQ(Read(4000, 3000), Pattern(4000, 2));
    const Bytes tail = Pattern(200, 3);
    sim.Send(tail);
    ASSERT_TRUE(WaitInUsed(200, 3000));
    EXPECT_EQ(Read(200, 1000), tail);

    // Output: the same through the output ring.
    const Bytes first = Pattern(4000, 4);
    ASSERT_EQ(port.PutBlock(reinterpret_cast<const char*>(first.data()), 4000), 4000u);
    ASSERT_TRUE(sim.WaitForReceived(4000, 3000));
    const Bytes second = Pattern(200, 5);
    ASSERT_EQ(port.PutBlock(reinterpret_cast<const char*>(second.data()), 200), 200u);
    ASSERT_TRUE(sim.WaitForReceived(4200, 3000));
    Bytes expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(sim.Received(), expected);
}

TEST_F(SimPort, GetCharAndFlush) {
    Open();
    EXPECT_EQ(port.GetChar(), 0);
    EXPECT_EQ(port.GetInBuffUsed(), 0u);
    sim.Send({'A', 'B', 'C'});
    ASSERT_TRUE(WaitInUsed(3, 2000));
    EXPECT_EQ(port.GetChar(), 'A');
    EXPECT_EQ(port.GetInBuffUsed(), 2u);
    port.FlushInBuffer();
    EXPECT_EQ(port.GetInBuffUsed(), 0u);
    EXPECT_EQ(port.GetChar(), 0);
    // What comes after a flush is read whole and in order.
    sim.Send({'x', 'y', 'z'});
    EXPECT_EQ(Read(3, 2000), (Bytes{'x', 'y', 'z'}));
}

TEST_F(SimPort, FullInputRingIsRefilledWithNothingLost) {
    Open();
    const Bytes flood = Pattern(100000, 6);
    sim.Send(flood);
    ASSERT_TRUE(WaitInUsed(4096, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(port.GetInBuffUsed(), 4096u);  // never more than the ring
    EXPECT_EQ(Read(flood.size(), 10000), flood);
}

TEST_F(SimPort, RoomFreedInAFullRingLetsTheWaitingLineIn) {
    Open();
    // More than the ring and the line's queue hold: the line keeps bytes
    // waiting while the ring is full, and only room freed by GetBlock can
    // bring the read thread back to them. Each round frees a different amount
    // (one byte first) at a different place of the ring.
    const Bytes flood = Pattern(60000, 12);
    sim.Send(flood);
    Bytes got;
    char buf[700];
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WaitInUsed(4096, 10000))
            << "round " << i << ": the ring holds " << port.GetInBuffUsed();
        const unsigned k = port.GetBlock(buf, 1 + unsigned(i * 37 % 700));
        got.insert(got.end(), buf, buf + k);
    }
    const Bytes rest = Read(flood.size() - got.size(), 20000);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, flood);
}

TEST_F(SimPort, BytesWaitingOnTheLineAtOpenAreRead) {
    // The first open makes the line raw; from then on bytes queued before an
    // open may be seen by the status thread before the open has finished.
    Open();
    port.ClosePort();
    for (int i = 0; i < 20; ++i) {
        Bytes hello(16);
        for (size_t j = 0; j < hello.size(); ++j)
            hello[j] = uint8_t('a' + (i + j) % 26);
        sim.Send(hello);
        ASSERT_TRUE(sim.WaitSent(3000));
        Open();
        EXPECT_EQ(Read(hello.size(), 5000), hello) << "open " << i;
        port.ClosePort();
    }
}

TEST_F(SimPort, FlushOfAFullRingKeepsTheLineReading) {
    Open();
    // A flood that the ring and the line's queue hold whole: once the
    // simulator has written all of it, nothing more is on its way.
    sim.Send(Pattern(12000, 10));
    ASSERT_TRUE(sim.WaitSent(3000));
    ASSERT_TRUE(WaitInUsed(4096, 3000));
    port.FlushInBuffer();
    EXPECT_EQ(port.GetInBuffUsed(), 0u);
    // The flush dropped the ring and the line's queue; GetBlock alone must
    // get the line moving again, and only what came after the flush arrives.
    const Bytes marker = {'E', 'N', 'D', '!'};
    sim.Send(marker);
    EXPECT_EQ(Read(4, 3000), marker);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(port.GetInBuffUsed(), 0u);
}

TEST_F(SimPort, OutputFlushedMidFloodNeverSendsABlockTwice) {
    Open();
    // Each round: a flood into the output ring, a flush while the write
    // thread is busy with it, then a marker. The line must carry every marker
    // exactly once, in order, and nothing of the ring from before a flush
    // after that flush's marker.
    const int rounds = 60;
    const Bytes flood = Pattern(4000, 11);
    for (int r = 0; r < rounds; ++r) {
        port.PutBlock(reinterpret_cast<const char*>(flood.data()), unsigned(flood.size()));
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (r % 7)));
        port.FlushOutBuffer();
        char marker[8] = {'#', 'M', char('A' + r % 26), char('a' + r / 26), '#', '#', '#', '#'};
        ASSERT_EQ(port.PutBlock(marker, 8), 8u);
        ASSERT_TRUE(WaitFor([&] { return port.GetOutBuffUsed() == 0; }, 3000));
        // The next flush also purges the line's own queue: wait until the
        // marker has arrived, so only ring contents can be discarded.
        ASSERT_TRUE(WaitFor(
            [&] {
                const Bytes seen = sim.Received();
                return std::search(seen.begin(), seen.end(), marker, marker + 8) != seen.end();
            },
            3000))
            << "marker " << r << " never arrived";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Bytes got = sim.Received();
    int next = 0;
    size_t lastEnd = 0;
    for (size_t i = 0; i + 8 <= got.size(); ++i) {
        if (got[i] != '#' || got[i + 1] != 'M' ||
            !std::all_of(got.begin() + long(i) + 4, got.begin() + long(i) + 8, [](uint8_t c) { return c == '#'; }))
            continue;
        const int r = (got[i + 2] - 'A') + 26 * (got[i + 3] - 'a');
        ASSERT_EQ(r, next) << "marker out of order or twice at byte " << i;
        // Between two markers only bytes of the flood of the next round.
        if (next > 0) {
            const Bytes between(got.begin() + long(lastEnd), got.begin() + long(i));
            EXPECT_TRUE(between.size() <= flood.size() &&
                        std::equal(between.begin(), between.end(), flood.begin()))
                << "stale bytes before marker " << r;
        }
        lastEnd = i + 8;
        ++next;
    }
    EXPECT_EQ(next, rounds);
    EXPECT_EQ(lastEnd, got.size());
}

TEST_F(SimPort, MegabyteRoundTripThroughThePty) {
    sim.SetResponder([](u8sim::U8Sim& s, const Bytes& chunk) { s.Send(chunk); });
    Open();
    const size_t total = 1 << 20;
    const Bytes data = Pattern(total, 7);
    Bytes back;
    back.reserve(total);
    size_t sent = 0;
    char buf[4096];
    auto until = Clock::now() + std::chrono::seconds(60);
    while (back.size() < total && Clock::now() < until) {
        if (sent < total)
            sent += port.PutBlock(reinterpret_cast<const char*>(data.data()) + sent,
                                  unsigned(std::min<size_t>(4096, total - sent)));
        unsigned k = port.GetBlock(buf, sizeof buf);
        back.insert(back.end(), buf, buf + k);
        if (k == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ASSERT_EQ(back.size(), total);
    EXPECT_TRUE(back == data) << "bytes lost or reordered";
}

TEST_F(SimPort, ReceiveEventsAreCoalescedOnTheApplicationThread) {
    std::vector<unsigned> counts;
    bool onAppThread = true;
    port.OnReceive = [&](TCommPort* sender, unsigned count) {
        EXPECT_EQ(sender, &port);
        onAppThread = onAppThread && QThread::currentThread() == qApp->thread();
        counts.push_back(count);
    };
    Open();
    sim.Send(Pattern(10, 8));
    ASSERT_TRUE(WaitFor([&] { return !counts.empty(); }, 2000));
    ProcessEventsFor(120);
    EXPECT_EQ(counts, std::vector<unsigned>{10});

    // 20 bursts over about 100 ms give far fewer calls, the last with all bytes.
    counts.clear();
    for (int i = 0; i < 20; ++i) {
        sim.Send(Pattern(5, 9 + i));
        ProcessEventsFor(5);
    }
    ASSERT_TRUE(WaitFor([&] { return !counts.empty() && counts.back() == 110; }, 3000));
    EXPECT_LE(counts.size(), 6u);
    EXPECT_GE(counts.size(), 2u);
    EXPECT_TRUE(onAppThread);
}

TEST_F(SimPort, ReceiveQueuedBeforeCloseDoesNothingAfter) {
    int calls = 0;
    port.OnReceive = [&](TCommPort*, unsigned) { ++calls; };
    Open();
    sim.Send({1, 2, 3});
    ASSERT_TRUE(WaitInUsed(3, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the call is queued
    port.ClosePort();
    ProcessEventsFor(50);
    EXPECT_EQ(calls, 0);
}

TEST_F(SimPort, SetComNumberClosesAndDtrFollowsTheSystem) {
    port.SetDTR(true);
    EXPECT_TRUE(port.GetDTR());
    Open();
    // A pseudo-terminal refuses modem-line changes: the property stays.
    port.SetDTR(false);
    EXPECT_TRUE(port.GetDTR());
    int closes = 0;
    port.OnClose = [&](TCommPort*) { ++closes; };
    port.SetComNumber(3);
    EXPECT_FALSE(port.GetOpen());
    EXPECT_FALSE(port.IsEnabled());
    EXPECT_EQ(closes, 1);
    port.SetDTR(false);
    EXPECT_FALSE(port.GetDTR());
    Open();
}

TEST_F(SimPort, OpenAndCloseLeaveNothingBehind) {
    Open();
    port.ClosePort();
    const int threads = CountEntries("/proc/self/task");
    const int fds = CountEntries("/proc/self/fd");
    for (int i = 0; i < 200; ++i) {
        port.OpenPort();
        ASSERT_TRUE(port.GetOpen()) << "cycle " << i;
        if (i % 50 == 0) {
            const char ping = char(i);
            ASSERT_EQ(port.PutBlock(&ping, 1), 1u);
        }
        port.ClosePort();
        ASSERT_FALSE(port.GetOpen());
    }
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    // The line is free again for anybody.
    EXPECT_TRUE(TCommPort::ProbePort(3));
}

TEST_F(SimPort, PulledLineFailsCleanlyWithoutSpinning) {
    Open();
    sim.CutLine();
    ASSERT_TRUE(sim.LineCut());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    const char request[] = "<*request>";
    EXPECT_EQ(port.PutBlock(request, 10), 10u);  // the ring takes it; nobody reads it
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    EXPECT_LT(cpu / wall, 0.25) << "cpu " << cpu << " s in " << wall << " s";
    EXPECT_EQ(port.GetInBuffUsed(), 0u);
    const auto c0 = Clock::now();
    port.ClosePort();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - c0).count(), 1.0);
    EXPECT_FALSE(port.GetOpen());
}
