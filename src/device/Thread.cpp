#include "device/Thread.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <string>

#include "device/Commport.h"
#include "platform/Messagebox.h"

TPortThread::~TPortThread() {
    Terminate();
    WaitFor();
}

void TPortThread::Start() {
    thread_ = std::thread([this] {
        try {
            Execute();
        } catch (const std::exception& e) {
            Report("", e.what());
        }
    });
}

void TPortThread::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TPortThread::Report(const char* label, const char* message) {
    MessageBox(std::string(label) + message, "Error", MB_OK, MB_ICONERROR);
}

TReadThread::TReadThread(TCommPort* port) : TPortThread(port) {
    std::lock_guard<std::recursive_mutex> lock(port->portLock_);
    fd_ = port->fd_;
}

void TReadThread::Execute() {
    try {
        while (!Terminated()) {
            // Woken by the status thread (data on the line) or by GetBlock
            // (room in the ring); the bounded wait keeps the flag in view.
            if (!port_->readTrigger_.Wait(200))
                continue;
            if (Terminated())
                break;
            ReadPass();
        }
    } catch (const std::exception& e) {
        Report("TReadThread::Execute", e.what());
    }
}

// Reads while the line has bytes queued and the ring has room. Each step
// (count, read, account) holds the input ring's lock, so a flush falls between
// two steps and never drops bytes that came after it.
void TReadThread::ReadPass() {
    TCommPort& p = *port_;
    const unsigned size = p.in_.size;
    while (!Terminated()) {
        bool wake = false;
        ssize_t n;
        {
            std::lock_guard<std::recursive_mutex> ring(p.inLock_);
            int queued = 0;
            bool lineOk;
            {
                std::lock_guard<std::recursive_mutex> lock(p.portLock_);
                lineOk = ioctl(fd_, FIONREAD, &queued) == 0;
            }
            if (!lineOk || queued < 0)
                queued = 0;
            const unsigned s = p.in_.start;
            const unsigned u = p.inUsed_.load();
            unsigned w = s + u, space;
            if (w < size) {
                space = size - w;
            } else {
                w -= size;
                space = s - w;
            }
            if (space > unsigned(queued))
                space = unsigned(queued);
            if (space == 0) {
                // Line drained: let the status thread wait for input again.
                // With a full ring the next GetBlock wakes this thread instead.
                if (queued == 0 && !p.lineLost_.load()) {
                    p.rxArmed_.store(true);
                    p.WakeStatusThread();
                }
                return;
            }
            {
                std::lock_guard<std::recursive_mutex> lock(p.portLock_);
                n = ::read(fd_, p.in_.buffer.get() + w, space);
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                p.lineLost_.store(true);
                return;
            }
            if (n > 0)
                p.inUsed_.fetch_add(unsigned(n));
            else
                wake = true;
        }
        if (wake) {
            // Nothing after all: pause, then let the status thread watch again.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            p.rxArmed_.store(true);
            p.WakeStatusThread();
            return;
        }
        p.dataReceived_.Set();
        p.NotifyInput();
    }
}
