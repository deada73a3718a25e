// Program entry: the application object, the numeric locale, the main window.
#include <QApplication>
#include <QMainWindow>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Caddora");
    // Numbers are written with "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow w;
    w.setWindowTitle("Caddora");
    w.show();
    return app.exec();
}
