#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TClubBrowseForm : public QDialog {
public:
    explicit TClubBrowseForm(QWidget* owner = nullptr);
    ~TClubBrowseForm() override;
};

extern TClubBrowseForm* ClubBrowseForm;
