#pragma once
#include "transfer/Transw4.h"
#include "transfer/Wizardpage.h"

class QListWidget;
class QPushButton;
class TDatabase;

// Step 4 of the bag roads: the bags to send, copied into the send page.
class TTransWiz32 : public TWizardPage {
public:
    explicit TTransWiz32(QWidget* owner = nullptr);
    ~TTransWiz32() override;

    void FormShow() override;
    void NextButtonClick();

    QListWidget* BagsListBox;  // item data: the BagId
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz32* TransWiz32;

// A bag of the database with its clubs in holder order, as the send page
// keeps it.
void FillBag(TDatabase& db, int bagId, const std::string& bagName, TTransWiz4::TBag& bag);
