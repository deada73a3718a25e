#pragma once
#include "device/Thread.h"

// Moves bytes from the output ring to the line.
class TWriteThread : public TPortThread {
public:
    explicit TWriteThread(TCommPort* port);

protected:
    void Execute() override;

private:
    bool WaitWritable();
    int fd_;
};
