#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;

// The welcome page of the transfer wizard.
class TStartWiz : public TWizardPage {
public:
    explicit TStartWiz(QWidget* owner = nullptr);
    ~TStartWiz() override;

    // Centred on the main window as each run of the wizard starts.
    int exec() override;
    void FormShow() override;
    void NextButtonClick();

    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TStartWiz* StartWiz;
