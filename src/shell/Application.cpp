#include "shell/Application.h"

#include <exception>
#include <string>

#include "platform/Messagebox.h"

TCaddoraApplication::TCaddoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TCaddoraApplication::notify(QObject* receiver, QEvent* event) {
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

bool DeliverGuarded(const std::function<bool()>& deliver) {
    std::string text;
    try {
        return deliver();
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown error";
    }
    const QString title = QCoreApplication::applicationName();
    MessageBox(text, title.isEmpty() ? "Caddora" : title.toStdString(), MB_OK, MB_ICONERROR);
    return false;
}
