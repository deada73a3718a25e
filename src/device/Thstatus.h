#pragma once
#include <cstdint>

#include "device/Thread.h"

// Watches the line: wakes the read thread when input arrives, keeps the modem
// input lines (CTS, DSR, RING, RLSD) and notices a hang-up. It sleeps in
// poll() on the port and the port's wake-up descriptor.
class TStatusThread : public TPortThread {
public:
    TStatusThread(TCommPort* port, uint16_t eventKinds);
    uint32_t Mask() const { return mask_; }

protected:
    void Execute() override;

private:
    bool UpdateModemLines();
    int fd_;
    uint32_t mask_;
};
