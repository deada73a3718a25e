#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/Tlog.h"
#include "device/Toperatingsystem.h"
#include "device/Tstopwatch.h"
#include "support/Testsupport.h"

namespace {
long long FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
constexpr double Day = 1.0;
constexpr double Ms = 1.0 / 86400000.0;
}  // namespace

TEST(Stopwatch, SpanMsCountsDaysAndMilliseconds) {
    const double t0 = 45000.25;  // any day, a quarter past
    EXPECT_EQ(TStopwatch::SpanMs(t0 + 1500 * Ms, t0), 1500u);
    EXPECT_EQ(TStopwatch::SpanMs(t0 + Day + 2 * Ms, t0), 86400002u);
    EXPECT_EQ(TStopwatch::SpanMs(t0, t0), 0u);
    EXPECT_EQ(TStopwatch::SpanMs(t0 - 5 * Ms, t0), 0u);
    // 999.6 ms rounds to the nearest millisecond.
    EXPECT_EQ(TStopwatch::SpanMs(t0 + 999.6 * Ms, t0), 1000u);
}

TEST(Stopwatch, DelayWaitsAndStopFreezesElapsed) {
    TStopwatch w;
    EXPECT_LT(w.Delay(0), 20u);
    auto before = std::chrono::steady_clock::now();
    unsigned waited = w.Delay(30);
    auto real = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - before).count();
    EXPECT_GE(waited, 30u);
    // The stopwatch rounds to the millisecond; the clock here truncates.
    EXPECT_GE(real, 29);

    w.Start();
    w.Delay(20);
    w.Stop();
    unsigned frozen = w.Elapsed();
    EXPECT_GE(frozen, 20u);
    w.Delay(15);
    EXPECT_EQ(w.Elapsed(), frozen);
    // Delay (15) waits at least 14.5 ms (its span is rounded); two spans
    // rounded each on its own then differ by at least 14 whole milliseconds.
    EXPECT_GE(w.ElapsedNow(), frozen + 14);
    w.Stop();  // not running: no effect
    EXPECT_EQ(w.Elapsed(), frozen);
}

TEST(OperatingSystem, CodeComesFromTheKernelRelease) {
    struct utsname u {};
    ASSERT_EQ(uname(&u), 0);
    char* end = nullptr;
    long major = std::strtol(u.release, &end, 10);
    long minor = std::strtol(end + 1, nullptr, 10);
    TOperatingSystem os;
    const int expected = 3000 + int(major) * 100 + int(minor);
    EXPECT_EQ(os.Code(), expected);
    EXPECT_TRUE(os.IsVersion(expected));
    EXPECT_FALSE(os.IsVersion(1400));
    EXPECT_FALSE(os.IsVersion(1410));
}

TEST(Log, LineFormatAndModes) {
    TempHome home;
    TLog log;
    std::vector<std::string> list;
    log.ExternLogList = &list;
    log.AddToLog("Port 3 opened");
    ASSERT_EQ(list.size(), 1u);
    const std::string& line = list[0];
    ASSERT_GT(line.size(), std::string(" Port 3 opened").size() + 7);
    EXPECT_EQ(line.substr(line.size() - 14), " Port 3 opened");
    EXPECT_NE(line[0], ' ');  // a date-time is longer than 8 characters

    log.PlainMode = true;
    log.AddToLog("plain");
    EXPECT_EQ(list.back(), "plain");

    log.Enabled = false;
    log.AddToLog("dropped");
    EXPECT_EQ(list.size(), 2u);
}

TEST(Log, ListKeepsAtMostMaxRows) {
    TLog log;
    std::vector<std::string> list;
    log.ExternLogList = &list;
    log.PlainMode = true;
    log.SetMaxRowsInWindow(3);
    for (const char* s : {"a", "b", "c"})
        log.AddToLog(s);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));
    log.AddToLog("d");
    EXPECT_EQ(list, (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_FALSE(log.GetWinVisible());
}

TEST(Log, FileRotatesOnlyPastTheLimit) {
    TempHome home;
    TLog log;
    log.PlainMode = true;
    log.MaxFileKiloBytes = 1;
    log.LogFileName = home.File("device.log");
    const std::string old = log.LogFileName + ".old";
    {
        std::ofstream(old) << "older";
    }
    // 8 lines of 126 + CR LF = 1024 bytes exactly: no rotation.
    const std::string text(126, 'x');
    for (int i = 0; i < 8; ++i)
        log.AddToLog(text);
    EXPECT_EQ(FileSize(log.LogFileName), 1024);
    EXPECT_EQ(ReadAll(old), "older");
    EXPECT_EQ(ReadAll(log.LogFileName).substr(0, 128), text + "\r\n");
    // One byte more (an empty line is 2 bytes) moves it over the old one.
    log.AddToLog("");
    EXPECT_EQ(FileSize(log.LogFileName), -1);
    EXPECT_EQ(FileSize(old), 1026);
    log.AddToLog("next");
    EXPECT_EQ(ReadAll(log.LogFileName), "next\r\n");
}

TEST(Log, CacheIsWrittenOutInOrderOrKept) {
    TempHome home;
    TLog log;
    std::vector<std::string> list;
    log.ExternLogList = &list;
    log.PlainMode = true;
    log.CacheMode = true;
    log.LogFileName = home.File("missing-folder/device.log");  // cannot be created
    log.AddToLog("one");
    log.AddToLog("two");
    EXPECT_TRUE(list.empty());
    log.FetchCache();
    EXPECT_EQ(log.Cache().size(), 2u);  // file unavailable: kept
    EXPECT_TRUE(list.empty());

    log.LogFileName = home.File("device.log");
    log.FetchCache();
    EXPECT_TRUE(log.Cache().empty());
    EXPECT_EQ(ReadAll(log.LogFileName), "one\r\ntwo\r\n");
    EXPECT_EQ(list, (std::vector<std::string>{"one", "two"}));
}

TEST(Log, NothingAttachedHasNoEffect) {
    TempHome home;
    {
        TLog log;
        for (int i = 0; i < 100; ++i)
            log.AddToLog("line " + std::to_string(i));
        EXPECT_TRUE(log.Cache().empty());
    }
    // Nothing was written into the data folder.
    EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
}
