// Test main: one QApplication per test program (offscreen when there is no
// display), a data folder of its own, and a message-box responder that answers
// OK, so that no test ever blocks on a dialog.
#include <QApplication>
#include <QSurfaceFormat>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

#include "common/Frame.h"
#include "common/Tablegrid.h"
#include "support/Testsupport.h"

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    // OpenGL panels draw with OpenGL 1.x calls: a compatibility-profile context.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Caddora");
    UseFullRowStyle();  // as the program does
    KeepWindowsInWorkArea();
    std::setlocale(LC_NUMERIC, "C");
    TempHome home;
    MessageLog fallback;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
