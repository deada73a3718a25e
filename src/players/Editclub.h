#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TEditClubForm : public QDialog {
public:
    explicit TEditClubForm(QWidget* owner = nullptr);
    ~TEditClubForm() override;
};

extern TEditClubForm* EditClubForm;
