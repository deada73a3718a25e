#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TClubStatsForm : public QDialog {
public:
    explicit TClubStatsForm(QWidget* owner = nullptr);
    ~TClubStatsForm() override;
};

extern TClubStatsForm* ClubStatsForm;
