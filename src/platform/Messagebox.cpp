#include "platform/Messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <mutex>

namespace {
std::mutex g_mutex;
MessageResponder g_responder;
std::function<void()> g_before;

int ShowDialog(const MessageRequest& req) {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(req.caption));
    box.setText(QString::fromStdString(req.text));
    switch (req.icon) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (req.buttons) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}
} // namespace

void SetBeforeMessageBox(std::function<void()> hook) {
    std::lock_guard lock(g_mutex);
    g_before = std::move(hook);
}

void SetMessageResponder(MessageResponder responder) {
    std::lock_guard lock(g_mutex);
    g_responder = std::move(responder);
}

int MessageBox(const std::string& text, const std::string& caption, int buttons, int icon) {
    MessageRequest req{text, caption, buttons, icon};
    MessageResponder responder;
    std::function<void()> before;
    {
        std::lock_guard lock(g_mutex);
        responder = g_responder;
        before = g_before;
    }
    if (before && QCoreApplication::instance() &&
        QThread::currentThread() == QCoreApplication::instance()->thread())
        before();
    if (responder) return responder(req);
    // Without a running GUI (command-line tools) the text goes to stderr.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDNO : IDOK;
    }
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        int answer = IDOK;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { answer = ShowDialog(req); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    return ShowDialog(req);
}

void ShowMessage(const std::string& text) {
    const QString title = QCoreApplication::instance()
                              ? QCoreApplication::applicationName()
                              : QStringLiteral("Caddora");
    MessageBox(text, title.toStdString(), MB_OK);
}

void ShowErrorMessage(const std::exception& e, const std::string& caption) {
    MessageBox(e.what(), caption, MB_OK, MB_ICONERROR);
}
