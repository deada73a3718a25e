// Program entry: the application object, the windows of the program, the
// message loop.
#include <QTimer>
#include <clocale>
#include <cstdlib>

#include "common/Frame.h"
#include "common/Tablegrid.h"
#include "rounds/Topenglappanel.h"
#include "shell/Application.h"
#include "shell/Mainform.h"

int main(int argc, char** argv) {
    // The hole view draws with OpenGL 1.x calls.
    SetCompatibilityDefaultFormat();
    TCaddoraApplication app(argc, argv);
    QApplication::setApplicationName("Caddora");
    UseFullRowStyle();
    KeepWindowsInWorkArea();
    // Numbers are written with "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    if (!CreateApplicationWindows()) return 1;
    // Start-up timing: leave the loop as soon as the main window has painted
    // once. exit() rather than quit(): quit() first asks every window to
    // close, and the first-run dialog refuses.
    if (const char* v = std::getenv("CADDORA_EXIT_AFTER_FIRST_PAINT"); v && *v == '1')
        QObject::connect(MainForm, &TMainForm::FirstPainted, &app, [] { QCoreApplication::exit(0); },
                         Qt::QueuedConnection);
    const int result = app.exec();
    DestroyApplicationWindows();
    return result;
}
