#include "shell/Splashform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "platform/Messagebox.h"
#include "common/Pictures.h"

TSplash::TSplash(QWidget* owner) : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint |
                                                      Qt::WindowStaysOnTopHint) {
    setObjectName("Splash");
    setAttribute(Qt::WA_DeleteOnClose);
    const QSize client(594, 367);
    setFixedSize(client);
    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setScaledContents(true);
    image->setGeometry(QRect(QPoint(0, 0), client));
    image->setPixmap(CaddoraPicture(client));
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(client.width() / 2, client.height() / 2));
    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setSingleShot(true);
    Timer->setInterval(Interval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    Timer->start();
    // A message of the start-up must not hide under the picture.
    SetBeforeMessageBox([this] {
        SetBeforeMessageBox(nullptr);
        close();
    });
    show();
}

TSplash::~TSplash() { SetBeforeMessageBox(nullptr); }

void TSplash::TimerTimer() { close(); }
