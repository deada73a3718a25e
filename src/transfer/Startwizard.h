#pragma once
#include <QDialog>

class QPushButton;

// The welcome page of the transfer wizard.
class TStartWiz : public QDialog {
public:
    explicit TStartWiz(QWidget* owner = nullptr);
    ~TStartWiz() override;

    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TStartWiz* StartWiz;
