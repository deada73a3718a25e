#pragma once
#include <QWidget>

// The device settings and the web account of the current player. A child of
// the frame that frees itself when closed.
class TSettingsForm : public QWidget {
public:
    explicit TSettingsForm(QWidget* owner = nullptr);
};
