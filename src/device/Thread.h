#pragma once
#include <atomic>
#include <thread>

class TCommPort;

// A worker thread of the serial port: runs Execute until it returns or the
// terminated flag is set. Created running; never ends itself by force.
class TPortThread {
public:
    explicit TPortThread(TCommPort* port) : port_(port) {}
    virtual ~TPortThread();
    TPortThread(const TPortThread&) = delete;
    TPortThread& operator=(const TPortThread&) = delete;

    void Start();
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    // Waits for Execute to return.
    void WaitFor();

protected:
    virtual void Execute() = 0;
    // Shows "<label><message>" for an exception that ended Execute.
    void Report(const char* label, const char* message);

    TCommPort* port_;

private:
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

// Moves bytes the line has received into the input ring.
class TReadThread : public TPortThread {
public:
    explicit TReadThread(TCommPort* port);

protected:
    void Execute() override;

private:
    void ReadPass();
    int fd_;
};
