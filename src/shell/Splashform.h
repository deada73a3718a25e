#pragma once
#include <QWidget>

class QTimer;

// The start-up picture; it closes and frees itself 3000 ms after creation.
class TSplash : public QWidget {
public:
    explicit TSplash(QWidget* owner = nullptr);
    ~TSplash() override;

    static constexpr int Interval = 3000;

private:
    void TimerTimer();
    QTimer* Timer;
};
