#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;

// Step 2 of the sending roads: the destination of the files.
class TTransWiz2 : public TWizardPage {
public:
    explicit TTransWiz2(QWidget* owner = nullptr);
    ~TTransWiz2() override;

    void FormShow() override;
    void NextButtonClick();

    unsigned char Visited = 0;
    QRadioButton* U8Button;
    QRadioButton* WebButton;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz2* TransWiz2;
