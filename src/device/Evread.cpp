#include "device/Evread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "device/Commport.h"
#include "platform/Messagebox.h"

namespace {
constexpr int PauseAfterNotifyMs = 50;

// Completion of one call handed to the user-interface thread.
struct CallDone {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
};
}  // namespace

TReadEventThread::TReadEventThread(TCommPort* port) : TPortThread(port) {}

void TReadEventThread::DoOnReceived(TCommPort* port) {
    try {
        std::lock_guard<std::recursive_mutex> lock(port->inLock_);
        if (port->OnReceive)
            port->OnReceive(port, port->inUsed_.load());
    } catch (const std::exception& e) {
        MessageBox(std::string("TReadEventThread::DoOnReceived:") + e.what(), "Error", MB_OK,
                   MB_ICONERROR);
    }
}

void TReadEventThread::Execute() {
    try {
        TCommPort& p = *port_;
        while (!Terminated()) {
            if (!p.dataReceived_.Wait(200))
                continue;
            if (Terminated())
                break;
            QCoreApplication* app = QCoreApplication::instance();
            if (!app) {
                // No user-interface thread to hand it to: run it here.
                DoOnReceived(port_);
            } else {
                // Queued onto the application's thread; we wait for it, but
                // close must not wait on us while the caller waits on close,
                // so the wait gives up when the thread is asked to end. The
                // call finds the port through the shared liveness record and
                // does nothing once the port is closed.
                auto done = std::make_shared<CallDone>();
                std::shared_ptr<TCommPort::Liveness> alive = p.alive_;
                QMetaObject::invokeMethod(
                    app,
                    [alive, done] {
                        {
                            std::lock_guard<std::recursive_mutex> lock(alive->mutex);
                            if (alive->port)
                                DoOnReceived(alive->port);
                        }
                        std::lock_guard<std::mutex> lock(done->mutex);
                        done->done = true;
                        done->cv.notify_all();
                    },
                    Qt::QueuedConnection);
                std::unique_lock<std::mutex> lock(done->mutex);
                while (!done->done && !Terminated())
                    done->cv.wait_for(lock, std::chrono::milliseconds(50));
            }
            // Pause; close cuts it short.
            for (int i = 0; i < PauseAfterNotifyMs / 10 && !Terminated(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } catch (const std::exception& e) {
        Report("TReadEventThread::Execute", e.what());
    }
}
