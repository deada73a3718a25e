#include "device/Thstatus.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <exception>

#include "device/Commport.h"

namespace {
// How often the modem lines are read while nothing else happens.
constexpr int ModemPollMs = 100;
// Otherwise close wakes the thread; this only bounds the wait.
constexpr int IdlePollMs = 1000;
}

TStatusThread::TStatusThread(TCommPort* port, uint16_t eventKinds) : TPortThread(port) {
    mask_ = 0;
    for (int k = 0; k < 9; ++k)
        if (eventKinds & (1u << k))
            mask_ |= 1u << k;
    std::lock_guard<std::recursive_mutex> lock(port->portLock_);
    fd_ = port->fd_;
}

// Reads the modem status; false when the line has none (a pseudo-terminal).
bool TStatusThread::UpdateModemLines() {
    int bits = 0;
    bool ok;
    {
        std::lock_guard<std::recursive_mutex> lock(port_->portLock_);
        ok = ioctl(fd_, TIOCMGET, &bits) == 0;
    }
    if (!ok)
        return false;
    port_->CTS.store((bits & TIOCM_CTS) != 0);
    port_->DSR.store((bits & TIOCM_DSR) != 0);
    port_->RING.store((bits & TIOCM_RNG) != 0);
    port_->RLSD.store((bits & TIOCM_CAR) != 0);
    return true;
}

void TStatusThread::Execute() {
    try {
        TCommPort& p = *port_;
        bool modem = UpdateModemLines();
        p.lastEventMask_.store(0);
        while (!Terminated()) {
            pollfd fds[3] = {};
            fds[0].fd = p.wakeFd_;
            fds[0].events = POLLIN;
            fds[1].fd = p.closeFd_;
            fds[1].events = POLLIN;
            int count = 2;
            const bool watchLine = !p.lineLost_.load();
            if (watchLine) {
                fds[2].fd = fd_;
                fds[2].events = (p.rxArmed_.load() && (mask_ & EV_RXCHAR)) ? POLLIN : 0;
                count = 3;
            }
            int r = ::poll(fds, nfds_t(count), modem ? ModemPollMs : IdlePollMs);
            if (Terminated())
                break;
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[0].revents & POLLIN) {
                uint64_t value;
                ssize_t ignored = ::read(p.wakeFd_, &value, sizeof value);
                (void)ignored;
            }
            uint32_t events = 0;
            if (count == 3 && (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL))) {
                // The other end went away: stop watching the line, so that a
                // dead port costs nothing; reads and writes then find nothing.
                p.lineLost_.store(true);
                events |= EV_ERR;
            }
            if (count == 3 && (fds[2].revents & POLLIN)) {
                events |= EV_RXCHAR;
                p.rxArmed_.store(false);
            }
            if (modem) {
                bool ctsBefore = p.CTS.load(), dsrBefore = p.DSR.load();
                bool ringBefore = p.RING.load(), rlsdBefore = p.RLSD.load();
                if (UpdateModemLines()) {
                    if (p.CTS.load() != ctsBefore) events |= EV_CTS;
                    if (p.DSR.load() != dsrBefore) events |= EV_DSR;
                    if (p.RING.load() != ringBefore) events |= EV_RING;
                    if (p.RLSD.load() != rlsdBefore) events |= EV_RLSD;
                }
            }
            events &= mask_ | EV_ERR;
            if (events == 0)
                continue;
            p.lastEventMask_.store(events);
            if ((events & (EV_CTS | EV_DSR | EV_RLSD | EV_ERR | EV_RING)) && p.hwFlow_.load() &&
                p.CTS.load() && p.outUsed_.load() != 0)
                p.writeTrigger_.Set();  // output held back by CTS resumes
            if (events & EV_RXCHAR)
                p.readTrigger_.Set();
        }
    } catch (const std::exception& e) {
        Report("TStatusThread::Execute", e.what());
    }
}
