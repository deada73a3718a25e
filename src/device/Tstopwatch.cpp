#include "device/Tstopwatch.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <cmath>
#include <thread>

namespace {
constexpr double MsPerDay = 86400000.0;
}

// The clock: MonotonicNow and Delay. A build with a clock of its own (the fuzz
// targets run on virtual time) defines CADDORA_OWN_CLOCK and brings both.
#ifndef CADDORA_OWN_CLOCK
TDateTime TStopwatch::MonotonicNow() {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    return double(ns) / 1e6 / MsPerDay;
}
#endif

void TStopwatch::Start() {
    running_ = true;
    startTime_ = MonotonicNow();
}

void TStopwatch::Stop() {
    if (!running_)
        return;
    stopTime_ = MonotonicNow();
    running_ = false;
}

unsigned TStopwatch::Elapsed() const { return SpanMs(stopTime_, startTime_); }

unsigned TStopwatch::ElapsedNow() const { return SpanMs(MonotonicNow(), startTime_); }

#ifndef CADDORA_OWN_CLOCK
unsigned TStopwatch::Delay(int ms) {
    const TDateTime from = MonotonicNow();
    for (;;) {
        unsigned waited = SpanMs(MonotonicNow(), from);
        if (ms <= 0 || waited >= unsigned(ms))
            return waited;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCoreApplication* app = QCoreApplication::instance();
        if (app && QThread::currentThread() == app->thread())
            QCoreApplication::processEvents();
    }
}
#endif

unsigned TStopwatch::SpanMs(TDateTime later, TDateTime earlier) {
    double d = later - earlier;
    if (!(d > 0))
        return 0;
    // Whole days as a 16-bit count, the rest rounded to the millisecond.
    double whole = std::trunc(d);
    unsigned days = unsigned(uint16_t(static_cast<long long>(whole)));
    long long ms = std::llround((d - whole) * MsPerDay);
    if (ms >= 86400000LL) {
        ms -= 86400000LL;
        days = unsigned(uint16_t(days + 1));
    }
    return unsigned(days * 86400000ULL + (unsigned long long)ms);
}
