#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;

// Step 2 of the device road: what to download from the U8.
class TTransWiz21 : public TWizardPage {
public:
    explicit TTransWiz21(QWidget* owner = nullptr);
    ~TTransWiz21() override;

    void FormShow() override;
    void NextButtonClick();

    unsigned char Visited = 0;
    QRadioButton* CoursesButton;
    QRadioButton* RoundsButton;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz21* TransWiz21;
