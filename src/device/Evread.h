#pragma once
#include "device/Thread.h"

// Hands the news of received data to the user-interface thread: one OnReceive
// with the count of all waiting bytes, then a 50 ms pause, so notifications
// are coalesced.
class TReadEventThread : public TPortThread {
public:
    explicit TReadEventThread(TCommPort* port);
    // Runs OnReceive under the input-ring lock (on the user-interface thread).
    static void DoOnReceived(TCommPort* port);

protected:
    void Execute() override;
};
