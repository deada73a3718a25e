#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TNewClubFrm : public QDialog {
public:
    explicit TNewClubFrm(QWidget* owner = nullptr);
    ~TNewClubFrm() override;
};

extern TNewClubFrm* NewClubFrm;
