#include "device/Thwrite.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <exception>

#include "device/Commport.h"

TWriteThread::TWriteThread(TCommPort* port) : TPortThread(port) {
    std::lock_guard<std::recursive_mutex> lock(port->portLock_);
    fd_ = port->fd_;
}

// Waits until the line takes more output, close wakes us, or 100 ms pass.
bool TWriteThread::WaitWritable() {
    pollfd fds[2] = {};
    fds[0].fd = fd_;
    fds[0].events = POLLOUT;
    fds[1].fd = port_->closeFd_;
    fds[1].events = POLLIN;
    int r = ::poll(fds, 2, 100);
    return r > 0 && (fds[0].revents & POLLOUT);
}

void TWriteThread::Execute() {
    try {
        TCommPort& p = *port_;
        const unsigned size = p.out_.size;
        while (!Terminated()) {
            // Manual-reset: stays signalled while output waits.
            if (!p.writeTrigger_.Wait(200))
                continue;
            if (Terminated())
                break;
            {
                std::lock_guard<std::recursive_mutex> lock(p.outLock_);
                if (p.outUsed_.load() == 0) {
                    p.writeTrigger_.Reset();
                    continue;
                }
            }
            if (p.hwFlow_.load() && !p.CTS.load()) {
                // Held back by CTS: look again shortly.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (p.lineLost_.load()) {
                // Nobody listens any more; the bytes stay until flushed or closed.
                p.writeTrigger_.Reset();
                continue;
            }
            while (!Terminated() && p.outUsed_.load() != 0) {
                ssize_t n;
                int error = 0;
                {
                    // One step (length, write, account) under the ring's
                    // lock: a flush or a new block falls between two steps.
                    std::lock_guard<std::recursive_mutex> ring(p.outLock_);
                    const unsigned s = p.out_.start;
                    const unsigned u = p.outUsed_.load();
                    if (u == 0)
                        break;
                    const unsigned run = (s + u >= size) ? size - s : u;
                    {
                        std::lock_guard<std::recursive_mutex> lock(p.portLock_);
                        n = ::write(fd_, p.out_.buffer.get() + s, run);
                        if (n < 0)
                            error = errno;
                    }
                    if (n > 0) {
                        p.outUsed_.fetch_sub(unsigned(n));
                        unsigned start = s + unsigned(n);
                        if (start >= size)
                            start -= size;
                        p.out_.start = start;
                    }
                }
                if (n < 0) {
                    if (error == EAGAIN || error == EINTR) {
                        WaitWritable();
                        continue;
                    }
                    p.lineLost_.store(true);
                    break;
                }
                if (n == 0)
                    WaitWritable();
            }
        }
    } catch (const std::exception& e) {
        Report("TWriteThread::Execute", e.what());
    }
}
