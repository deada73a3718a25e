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
                unsigned s, u, generation;
                {
                    std::lock_guard<std::recursive_mutex> lock(p.outLock_);
                    s = p.out_.start;
                    u = p.outUsed_.load();
                    generation = p.outGeneration_;
                }
                if (u == 0)
                    break;
                unsigned run = (s + u >= size) ? size - s : u;
                ssize_t n;
                {
                    std::lock_guard<std::recursive_mutex> lock(p.portLock_);
                    n = ::write(fd_, p.out_.buffer.get() + s, run);
                }
                if (n < 0) {
                    if (errno == EAGAIN || errno == EINTR) {
                        WaitWritable();
                        continue;
                    }
                    p.lineLost_.store(true);
                    break;
                }
                if (n == 0) {
                    WaitWritable();
                    continue;
                }
                std::lock_guard<std::recursive_mutex> lock(p.outLock_);
                // A flush meanwhile emptied the ring: nothing to account.
                if (p.outGeneration_ != generation)
                    continue;
                p.outUsed_.fetch_sub(unsigned(n));
                unsigned start = s + unsigned(n);
                if (start >= size)
                    start -= size;
                p.out_.start = start;
            }
        }
    } catch (const std::exception& e) {
        Report("TWriteThread::Execute", e.what());
    }
}
