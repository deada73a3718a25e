#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;

// Step 3 of the web road: the kind of files to upload.
class TTransWiz3 : public TWizardPage {
public:
    explicit TTransWiz3(QWidget* owner = nullptr);
    ~TTransWiz3() override;

    void FormShow() override;
    void NextButtonClick();

    unsigned char Visited = 0;
    QRadioButton* CoursesButton;
    QRadioButton* RoundsButton;
    QRadioButton* BagsButton;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz3* TransWiz3;
