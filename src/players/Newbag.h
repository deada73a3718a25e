#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TNewBagFrm : public QDialog {
public:
    explicit TNewBagFrm(QWidget* owner = nullptr);
    ~TNewBagFrm() override;
};

extern TNewBagFrm* NewBagFrm;
