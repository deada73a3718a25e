#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz21 : public QDialog {
public:
    explicit TTransWiz21(QWidget* owner = nullptr);
    ~TTransWiz21() override;
};

extern TTransWiz21* TransWiz21;
