#pragma once
#include <QWidget>

// The device windows, children of the frame that free themselves when closed.
class TSettingsForm : public QWidget {
public:
    explicit TSettingsForm(QWidget* owner = nullptr);
};

class TMemoryManagerForm : public QWidget {
public:
    explicit TMemoryManagerForm(QWidget* owner = nullptr);
};
