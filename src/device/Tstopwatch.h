#pragma once
#include "platform/Datetime.h"

// A millisecond stopwatch. Times are kept as day counts (like TDateTime) taken
// from a monotonic clock, so a change of the wall clock cannot disturb a wait.
class TStopwatch {
public:
    void Start();
    void Stop();
    unsigned Elapsed() const;
    unsigned ElapsedNow() const;
    // Waits at least ms milliseconds while keeping the user interface alive;
    // returns the milliseconds waited. Does not touch the stopwatch.
    unsigned Delay(int ms);
    // Milliseconds from earlier to later (day counts); 0 when later < earlier.
    static unsigned SpanMs(TDateTime later, TDateTime earlier);
    // The monotonic clock in days.
    static TDateTime MonotonicNow();

private:
    TDateTime startTime_ = 0;
    TDateTime stopTime_ = 0;
    bool running_ = false;
};
