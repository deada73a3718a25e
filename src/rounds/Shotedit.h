#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TShotEditForm : public QDialog {
public:
    explicit TShotEditForm(QWidget* owner = nullptr);
    ~TShotEditForm() override;
};

extern TShotEditForm* ShotEditForm;
