#include "support/Testsupport.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TempHome::TempHome() {
    char tmpl[] = "/tmp/caddora-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    path_ = dir ? dir : "/tmp";
    if (const char* prev = std::getenv("CADDORA_HOME")) {
        previous_ = prev;
        hadPrevious_ = true;
    }
    setenv("CADDORA_HOME", path_.c_str(), 1);
}

TempHome::~TempHome() {
    if (hadPrevious_)
        setenv("CADDORA_HOME", previous_.c_str(), 1);
    else
        unsetenv("CADDORA_HOME");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

MessageLog::MessageLog(int defaultAnswer) : defaultAnswer_(defaultAnswer) {
    SetMessageResponder([this](const MessageRequest& r) {
        messages_.push_back(r);
        if (!answers_.empty()) {
            int a = answers_.front();
            answers_.pop_front();
            return a;
        }
        return defaultAnswer_;
    });
}

MessageLog::~MessageLog() { SetMessageResponder(nullptr); }

std::vector<std::string> MessageLog::Texts() const {
    std::vector<std::string> out;
    for (const auto& m : messages_) out.push_back(m.text);
    return out;
}

void ProcessEventsOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }

void ProcessEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

bool WaitUntilMs(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

QImage ScreenPixels(QWidget* w) {
    const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
    return w->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

int DarkPixels(const QImage& image, int below) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < below) ++n;
    return n;
}

std::string SpokenName(QWidget* box) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
    const auto labels = a->relations(QAccessible::Label);
    return (box->inherits("QComboBox") && !labels.empty() ? labels[0].first : a)->text(QAccessible::Name).toStdString();
}

QWidget* TabFrom(QWidget* w) {
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Tab);
    return w->window()->focusWidget();
}

PipeFeeder::PipeFeeder(const std::string& path, const std::string& text) {
    made_ = ::mkfifo(path.c_str(), 0600) == 0;
    if (!made_) return;
    writer_ = std::thread([this, path, text] {
        // A reader that opens the pipe and closes it again unread (as a check
        // for regular files does) leaves the write without a reader: that is
        // EPIPE here, never a SIGPIPE that ends the test program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        for (int i = 0; i < 250 && !stop_; ++i) {
            // Opening for writing without waiting succeeds only while a
            // reader has the pipe open.
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
                ::close(fd);
                return;
            }
            ::usleep(20000);
        }
    });
}

PipeFeeder::~PipeFeeder() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
}
