#pragma once
#include <QApplication>
#include <functional>

// The application object. An exception that escapes an event handler ends up
// here: its text is shown in a message box and the program goes on.
class TCaddoraApplication : public QApplication {
public:
    TCaddoraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs deliver(); an exception is reported to the user and gives false.
bool DeliverGuarded(const std::function<bool()>& deliver);
