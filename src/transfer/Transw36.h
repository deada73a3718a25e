#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;

// Step 3 of the road to the U8: courses or bags.
class TTransWiz36 : public TWizardPage {
public:
    explicit TTransWiz36(QWidget* owner = nullptr);
    ~TTransWiz36() override;

    void FormShow() override;
    void NextButtonClick();

    unsigned char Visited = 0;
    QRadioButton* CoursesButton;
    QRadioButton* BagsButton;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz36* TransWiz36;
