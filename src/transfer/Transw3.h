#pragma once
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;

// Step 3 of the sending roads: the kind of files to send. The web road's
// page offers courses, rounds and bags; the U8 road's courses and bags, and
// its course page then takes one course and one tee.
class TTransWiz3 : public TWizardPage {
public:
    enum class TRoad { Web, Device };
    explicit TTransWiz3(TRoad road, QWidget* owner = nullptr);
    ~TTransWiz3() override;

    void FormShow() override;
    void NextButtonClick();

    unsigned char Visited = 0;
    QRadioButton* CoursesButton;
    QRadioButton* RoundsButton = nullptr;  // the web road's page only
    QRadioButton* BagsButton;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;

private:
    TRoad road_;
};

// The page of the road to the U8.
class TTransWiz36 : public TTransWiz3 {
public:
    explicit TTransWiz36(QWidget* owner = nullptr) : TTransWiz3(TRoad::Device, owner) {}
};

// The page of the road to the web service, and that of the road to the U8.
extern TTransWiz3* TransWiz3;
extern TTransWiz36* TransWiz36;
