#pragma once
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

// The new-bag dialog: a unique, non-empty name of at most 8 characters. On OK
// a new MBag with the name stands in entry BagCount of the main window's
// BagList (the count unchanged; the editor counts it). Result 1 OK, 2 Cancel.
class TNewBagFrm : public QDialog {
public:
    explicit TNewBagFrm(QWidget* owner = nullptr);
    ~TNewBagFrm() override;

    void Button1Click();
    void Button2Click();
    void reject() override { Button2Click(); }

    QLineEdit* bagEdit;
    QPushButton* Button1;
    QPushButton* Button2;

    // The club chooser's answer.
    int ChosenClubId = 0;
    std::string ChosenClubName;
    int ChosenClubType = 0;
    int ChosenClubIndex = 0;
    int ClubSlot1 = -1, ClubSlot2 = -1, ClubSlot3 = -1;
    int ClubFilter = 0;  // 1: the chooser offers putters only

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormShow();
};

extern TNewBagFrm* NewBagFrm;
