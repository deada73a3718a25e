#pragma once
#include <QDialog>
#include <array>

#include "db/Table.h"

class QComboBox;
class QLabel;
class QPushButton;

// The club chooser: the clubs of the open editor's list, putters only or all
// but putters as TNewBagFrm's ClubFilter says; the choice goes to TNewBagFrm.
// Created hidden at start-up; no command of the program opens it.
class TClubBrowseForm : public QDialog {
public:
    explicit TClubBrowseForm(QWidget* owner = nullptr);
    ~TClubBrowseForm() override;

    void FormShow();
    void ClubComboBoxChange();
    void okbtnClick();
    void cancelbuttonClick();

    QComboBox* ClubComboBox;
    QLabel* typeImage;
    QPushButton* okbtn;
    QPushButton* cancelbutton;
    static constexpr int MaxItems = 1000;
    std::array<int, MaxItems> ItemClubId{}, ItemType{}, ItemIndex{};
    int SelectedIndex = -1;
    TTable ClubDetailTable, ClubsTable;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void Clear();
};

extern TClubBrowseForm* ClubBrowseForm;
