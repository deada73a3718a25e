#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;

// The welcome page of the transfer wizard.
class TStartWiz : public TWizardPage {
public:
    explicit TStartWiz(QWidget* owner = nullptr);
    ~TStartWiz() override;

    void FormShow() override;
    void NextButtonClick();

    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TStartWiz* StartWiz;
